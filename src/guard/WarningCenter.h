#pragma once

#include "guard/WarningDesk.h"
#include "guard/WarningWindow.h"
#include "platform/DesktopNotifier.h"
#include "platform/Platform.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <memory>

namespace zelkor
{

class SafetyKeeper;
class WarningWindow;

// Shows the desk's warnings as desktop notifications, or in a window of our
// own where no server answers, and hands the answers back once the password
// (if any) was given.
class WarningCenter : public QObject
{
    Q_OBJECT
public:
    WarningCenter(Platform& platform, WarningDesk& desk, SafetyKeeper& safety,
                  std::unique_ptr<DesktopNotifier> notifier, QObject* parent = nullptr);
    ~WarningCenter() override;

    WarningWindow* windowOf(const QString& key) const { return m_windows.value(key); }
    DesktopNotifier& notifier() { return *m_notifier; }

    // An answer from either the notification or the window.
    void onAnswer(const QString& key, WarningAnswer answer);

signals:
    void answered(const zelkor::Warning& warning, zelkor::WarningAnswer answer);

private:
    void present(Warning warning);
    void showWindow(const QString& key);
    void withdraw(const QString& key);

    Platform& m_platform;
    WarningDesk& m_desk;
    SafetyKeeper& m_safety;
    std::unique_ptr<DesktopNotifier> m_notifier;
    QHash<QString, Warning> m_open;
    QHash<QString, QPointer<WarningWindow>> m_windows;
};

} // namespace zelkor
