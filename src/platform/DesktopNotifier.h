#pragma once

#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

namespace zelkor
{

// One notification: a title, a body and buttons (id, caption).
struct NotificationRequest {
    QString key; // the caller's name for it
    QString title;
    QString body;
    QList<QPair<QString, QString>> buttons;
};

// Desktop notifications of the session. Where nobody answers, unavailable()
// tells the caller to show its own window instead.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~DesktopNotifier() override = default;

    virtual void show(const NotificationRequest& request) = 0;
    virtual void close(const QString& key) = 0;

signals:
    // The server shows it; withButtons is false where it offers no actions.
    void shown(const QString& key, bool withButtons);
    void unavailable(const QString& key);
    void buttonPressed(const QString& key, const QString& buttonId);
};

// org.freedesktop.Notifications on the session bus.
std::unique_ptr<DesktopNotifier> createDesktopNotifier(QObject* parent = nullptr);
// A notifier with no server behind it: every request is unavailable.
std::unique_ptr<DesktopNotifier> createNullNotifier(QObject* parent = nullptr);

} // namespace zelkor
