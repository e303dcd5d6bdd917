#pragma once

#include "common/AppState.h"
#include "common/OncePerCause.h"
#include "platform/Platform.h"

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
    // Each returns what is known at once: a failure to start a helper or to
    // hand a target over (told through problem() as well); how a started one
    // ends comes later, through problem() alone.
    Outcome shellOpen(const QString& target);
    Outcome runHelper(const QString& name);
    Outcome performAction(int kind, bool forced, const QString& text = QString());
    // An action of an occurrence of its own (the user asked for it just now
    // from the toolbar, the tray menu or a script; a stored task or a
    // countdown reached its moment): its failure is told even when the same
    // failure was told before, since it is news of this very occurrence. The
    // forbidden period's retries in every second go through performAction.
    Outcome performRequested(int kind, bool forced, const QString& text = QString());

    // The helper file name of a power action, or empty for kinds without one.
    static QString helperName(int kind, bool forced);
    // What names a request's later end in ended(): empty for kinds that are
    // done once performAction returns (a reminder, a hibernation).
    static QString laterEndKey(int kind, bool forced, const QString& text);
    QString helperPath(const QString& name) const;

signals:
    // A helper that cannot be started or that fails, a hibernation that does
    // not happen, a target the desktop cannot open: told once per cause until
    // it works again, since the forbidden period retries every second and
    // must not flood the user.
    void problem(const QString& message);
    // The program's own hibernation is about to be requested, or is over
    // (selfSuspend says which): whatever refuses foreign suspends must let it
    // through, and refuse them again afterwards.
    void ownHibernation();
    // How a started helper or opening ended, every time (problem() tells a
    // failure once per cause).
    void ended(const QString& key, const Outcome& outcome);

private:
    // The cause under which a failure to open `target` is told.
    static QString openKey(const QString& target);
    void report(const QString& key, const Outcome& outcome);
    // Reports how a started helper or opening ended, if this object still exists.
    Platform::ProgramEnded reportLater(const QString& key);

    Platform& m_platform;
    AppState& m_state;
    std::function<void()> m_showReminder;
    OncePerCause m_told;
};

} // namespace zelkor
