#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"

#include <QHash>
#include <QObject>

#include <functional>

namespace zelkor {

// The one operation that carries out every action kind, with its privilege
// step, the helper programs of the dll folder and the hand-off to the desktop.
class ActionExecutor : public QObject {
    Q_OBJECT
public:
    ActionExecutor(Platform& platform, AppState& state, QObject* parent = nullptr);

    // Shows the reminder window non-modally and on top; set by the GUI.
    void setReminderPresenter(std::function<void()> presenter) { m_showReminder = std::move(presenter); }

    void enableShutdownPrivilege();
    void shellOpen(const QString& target);
    void runHelper(const QString& name);
    void performAction(int kind, bool forced, const QString& text = QString());

    // The helper file name of a power action, or empty for kinds without one.
    static QString helperName(int kind, bool forced);
    QString helperPath(const QString& name) const;

signals:
    // A helper that cannot be started, told once per cause until it works again:
    // the forbidden period retries every second and must not flood the user.
    void problem(const QString& message);
    // The program's own hibernation is about to be requested (selfSuspend is
    // already set): whatever refuses foreign suspends must let it through.
    void aboutToHibernate();

private:
    void report(const QString& key, const Outcome& outcome);

    Platform& m_platform;
    AppState& m_state;
    std::function<void()> m_showReminder;
    QHash<QString, QString> m_reported; // key -> message already told
};

} // namespace zelkor
