#include "shell/RemoteControl.h"

#include "actions/ActionExecutor.h"
#include "common/ActionKind.h"
#include "common/DurationText.h"
#include "countdown/CountdownMath.h"
#include "countdown/TimerTab.h"
#include "guard/SafetyKeeper.h"
#include "scheduler/TaskScheduler.h"
#include "shell/MainWindow.h"
#include "shell/ShellVisibility.h"
#include "tasks/TaskCalendar.h"
#include "tasks/TaskDraft.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskQueries.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnectionInterface>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTabWidget>
#include <QTimer>

namespace zelkor {

RemoteControl::RemoteControl(MainWindow& window, QObject* parent)
    : QObject(parent), m_window(window)
{
    m_store.setConnection(window.state().paths.databasePath);
    TimerTab* tab = window.timerTab();
    connect(tab, &TimerTab::countdownStarted, this, [this, tab] {
        emit CountdownStarted(countdown::modeKeys().value(tab->timerMode()),
                              actionKey(tab->m_actionCombo->currentIndex() + 1), tab->totalSeconds());
    });
    connect(tab, &TimerTab::countdownStopped, this, &RemoteControl::CountdownStopped);
    connect(tab, &TimerTab::countdownFired, this, [this](int action) { emit CountdownFired(actionKey(action)); });
    connect(&window.scheduler(), &TaskScheduler::taskFired, this,
            [this](qint64 id, int action) { emit TaskFired(id, actionKey(action)); });
}

bool RemoteControl::publish(QDBusConnection bus, bool claimName, QString* why)
{
    if (!bus.isConnected()) {
        *why = QStringLiteral("no session bus: %1").arg(bus.lastError().message());
        return false;
    }
    if (!bus.registerObject(kRemotePath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)) {
        *why = QStringLiteral("the object %1 is taken").arg(kRemotePath);
        return false;
    }
    if (claimName && !bus.registerService(kRemoteName)) {
        *why = QStringLiteral("the name %1 is taken: %2").arg(kRemoteName, bus.lastError().message());
        return false;
    }
    return true;
}

void RemoteControl::refuse(const QString& name, const QString& message)
{
    if (calledFromDBus())
        sendErrorReply(name, message);
}

void RemoteControl::invalid(const QString& message)
{
    refuse(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), message);
}

void RemoteControl::PerformAction(const QString& action, bool forced, const QString& target)
{
    const int code = actionCode(action);
    if (!code || code == int(ActionKind::PowerOn))
        return invalid(code ? QStringLiteral("\"poweron\" needs a moment: start a countdown with it.")
                            : whyNoAction(action));
    if (code == int(ActionKind::OpenTarget) && target.trimmed().isEmpty())
        return invalid(QStringLiteral("\"open\" needs a target."));
    m_window.actions().enableShutdownPrivilege();
    const QString text = code == int(ActionKind::EventsRemind) && target.isEmpty()
                             ? QStringLiteral("Hurry, time is up!")
                             : target;
    if (const Outcome done = m_window.actions().performRequested(code, forced, text); !done.ok)
        return refuse(kRemoteRefused, done.error);
    // Started is not done: a script is answered by how the action ended.
    if (const QString key = ActionExecutor::laterEndKey(code, forced, text); calledFromDBus() && !key.isEmpty())
        answerWhenEnded(key);
}

void RemoteControl::answerWhenEnded(const QString& key)
{
    setDelayedReply(true);
    auto* waiter = new QObject(this); // ends the wait, whichever comes first
    const auto answer = [waiter, bus = connection(), call = message()](const Outcome& outcome) {
        if (!waiter->parent())
            return; // answered already
        bus.send(outcome.ok ? call.createReply() : call.createErrorReply(kRemoteRefused, outcome.error));
        waiter->setParent(nullptr);
        waiter->deleteLater();
    };
    connect(&m_window.actions(), &ActionExecutor::ended, waiter, [key, answer](const QString& ended, const Outcome& outcome) {
        if (ended == key)
            answer(outcome);
    });
    QTimer::singleShot(m_actionEndWaitMs, waiter, [answer] { answer(Outcome::success()); });
}

void RemoteControl::StartCountdown(const QString& mode, const QString& value, const QString& action,
                                   bool forced, const QString& target)
{
    const int modeIndex = int(countdown::modeKeys().indexOf(mode.toLower()));
    if (modeIndex < 0)
        return invalid(QStringLiteral("Unknown countdown mode \"%1\"; one of %2.")
                           .arg(mode, countdown::modeKeys().join(QStringLiteral(", "))));
    const int code = actionCode(action);
    if (!code)
        return invalid(whyNoAction(action));
    if (code == int(ActionKind::OpenTarget) && target.trimmed().isEmpty())
        return invalid(QStringLiteral("\"open\" needs a target."));
    Platform& platform = m_window.platform();
    if (code == int(ActionKind::OpenTarget)) {
        if (const Outcome found = platform.findOpenTarget(target.trimmed()); !found.ok)
            return invalid(found.error);
    }
    qint64 seconds = 0;
    if (modeIndex == countdown::At) {
        const QDateTime now = platform.now();
        const auto at = durationtext::parseMoment(value, now);
        if (!at)
            return invalid(QStringLiteral("\"%1\" is no date and time (like 2027-01-31T08:30 or 22:15).").arg(value));
        // Counted from the current second, as the Timer tab counts a date and
        // time: from a moment within it the count would end a second early.
        seconds = now.addMSecs(-now.time().msec()).secsTo(*at);
    } else {
        const auto span = durationtext::parseDuration(value);
        if (!span)
            return invalid(durationtext::whyNoDuration(value));
        seconds = *span;
        if (modeIndex == countdown::Uptime) {
            seconds -= qint64(platform.uptimeMs() / 1000);
            if (seconds <= 0)
                return invalid(
                    QStringLiteral("The computer has been running longer than %1 already.")
                        .arg(durationtext::formatDuration(*span)));
        }
    }
    if (seconds <= 0)
        return invalid(
            QStringLiteral("Invalid date/time: the countdown would end now or in the past."));
    if (modeIndex == countdown::Quiet && !platform.lastInputTick())
        return refuse(kRemoteRefused, QStringLiteral("The countdown without keyboard and mouse input cannot start: %1")
                                          .arg(platform.idleUnavailableReason()));
    TimerTab* tab = m_window.timerTab();
    // Starting replaces a running countdown, which stops it: guarded as a stop.
    if (tab->isCounting() && passwordGuards(QStringLiteral("replacing the running countdown")))
        return;
    tab->startRemote(modeIndex, seconds, code, forced, target);
    m_window.m_tabs->setCurrentWidget(tab);
}

bool RemoteControl::passwordGuards(const QString& what)
{
    const SafetyKeeper* safety = m_window.safety();
    if (!safety || !safety->isPasswordSet())
        return false;
    refuse(kRemoteRefused,
           QStringLiteral("A password protects the schedule: %1 is only possible in the "
                          "program's window, with the password.")
               .arg(what));
    return true;
}

bool RemoteControl::periodReplacementGuarded(const QList<TaskDraft>& drafts)
{
    return m_window.replacesPeriodInForce(drafts) &&
           passwordGuards(QStringLiteral("replacing the forbidden period"));
}

void RemoteControl::StopCountdown()
{
    const TimerTab* tab = m_window.timerTab();
    if ((tab->isCounting() || tab->powerOnMoment().isValid()) &&
        passwordGuards(QStringLiteral("stopping the countdown")))
        return;
    m_window.timerTab()->stopRemote();
}

QVariantMap RemoteControl::GetCountdown()
{
    const TimerTab* tab = m_window.timerTab();
    const QDateTime now = m_window.platform().now();
    bool counting = tab->isCounting();
    int action = tab->m_actionCombo->currentIndex() + 1;
    bool forced = counting ? tab->countdownForced() : tab->forced();
    qint64 left = counting ? qMax<qint64>(tab->remainSeconds(), 0) : 0;
    qint64 total = counting ? tab->totalSeconds() : 0;
    QDateTime moment = counting ? tab->endMoment() : QDateTime();
    // A Power On waits on the wake timer, not on the count.
    if (const QDateTime wake = tab->powerOnMoment(); !counting && wake.isValid()) {
        counting = true;
        action = int(ActionKind::PowerOn);
        forced = false;
        left = total = qMax<qint64>((now.msecsTo(wake) + 999) / 1000, 0);
        moment = wake;
    }
    return {
        {QStringLiteral("counting"), counting},
        {QStringLiteral("mode"), countdown::modeKeys().value(tab->timerMode())},
        {QStringLiteral("action"), actionKey(action)},
        {QStringLiteral("forced"), forced},
        {QStringLiteral("secondsLeft"), left},
        {QStringLiteral("totalSeconds"), total},
        {QStringLiteral("moment"), moment.isValid() ? moment.toString(Qt::ISODate) : QString()},
    };
}

std::optional<QList<TaskRow>> RemoteControl::storedRows(const QString& sql)
{
    Outcome read;
    QList<TaskRow> rows = m_store.rowsOf(sql, &read);
    if (!read.ok) {
        refuse(kRemoteRefused, QStringLiteral("The tasks could not be read: %1").arg(read.error));
        return std::nullopt;
    }
    return rows;
}

QString RemoteControl::ListTasks()
{
    // As the window lists them.
    const auto rows = storedRows(queries::kListNewestFirst);
    return rows ? QString::fromUtf8(taskfile::exportText(*rows)) : QString();
}

QString RemoteControl::ExportTasks()
{
    const auto rows = storedRows(queries::kOldestFirst);
    return rows ? QString::fromUtf8(taskfile::exportText(*rows)) : QString();
}

QString RemoteControl::ExportCalendar()
{
    const auto rows = storedRows(queries::kOldestFirst);
    if (!rows)
        return {};
    const QByteArray source = calendarSource(m_window.state().paths.databasePath);
    return QString::fromUtf8(calendarText(*rows, m_window.platform().now(), source));
}

bool RemoteControl::draftOf(const QString& text, TaskDraft* draft)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (!doc.isObject()) {
        invalid(QStringLiteral("A task is one JSON object: %1")
                    .arg(error.error ? error.errorString() : QStringLiteral("this is none")));
        return false;
    }
    if (const QByteArray twice = taskfile::repeatedField(text.toUtf8()); !twice.isEmpty()) {
        invalid(QStringLiteral("The task cannot be stored: the field %1 is given twice.")
                    .arg(QString::fromUtf8(twice)));
        return false;
    }
    QString why;
    const auto d = taskfile::fromJson(doc.object(), &why);
    if (!d) {
        invalid(QStringLiteral("The task cannot be stored: %1.").arg(why));
        return false;
    }
    const QDateTime now = m_window.platform().now();
    // Checked as the task dialog checks: a week without a day never comes.
    if (const auto refusal = dialogRefusalOf(*d, now)) {
        // A script has no picker to look at: it is told which way the date is wrong.
        invalid(hasPassed(*d, now) ? *refusal + QStringLiteral(": %1 has passed; a Once task must lie ahead.")
                                                     .arg(onceMoment(*d).toString(Qt::ISODate))
                                   : *refusal);
        return false;
    }
    *draft = *d;
    return true;
}

qlonglong RemoteControl::AddTask(const QString& task)
{
    TaskDraft d;
    if (!draftOf(task, &d) || periodReplacementGuarded({d}))
        return 0;
    qint64 id = 0;
    if (const Outcome stored = storeDraft(m_store, d, std::nullopt, &id); !stored.ok) {
        refuse(kRemoteRefused, stored.error);
        return 0;
    }
    m_window.refreshAfterTaskChange();
    return id;
}

void RemoteControl::ChangeTask(qlonglong id, const QString& task)
{
    if (passwordGuards(QStringLiteral("changing a task")))
        return;
    TaskDraft d;
    if (!draftOf(task, &d))
        return;
    if (const Outcome stored = storeDraft(m_store, d, id); !stored.ok)
        return refuse(kRemoteRefused, stored.error);
    m_window.refreshAfterTaskChange();
}

void RemoteControl::DeleteTask(qlonglong id)
{
    if (passwordGuards(QStringLiteral("deleting a task")))
        return;
    m_store.setRecordSource(queries::byId(id));
    Outcome outcome = m_store.refresh();
    if (outcome.ok)
        outcome = m_store.isEmpty() ? Outcome::failure(kTaskGone) : m_store.remove();
    m_store.close();
    if (!outcome.ok)
        return refuse(kRemoteRefused, QStringLiteral("Task %1: %2").arg(id).arg(outcome.error));
    m_window.refreshAfterTaskChange();
}

int RemoteControl::ImportTasks(const QString& file)
{
    const taskfile::Parsed parsed = taskfile::parse(file.toUtf8());
    if (!parsed.error.isEmpty()) {
        invalid(QStringLiteral("Nothing was imported: %1.").arg(parsed.error));
        return 0;
    }
    if (periodReplacementGuarded(parsed.drafts))
        return 0;
    bool taskRefused = false;
    const Outcome stored = taskfile::importDrafts(m_store, parsed, m_window.platform().now(), &taskRefused);
    if (!stored.ok) {
        const QString message = QStringLiteral("Nothing was imported: %1").arg(stored.error);
        if (taskRefused)
            invalid(message);
        else
            refuse(kRemoteRefused, message);
        return 0;
    }
    m_window.refreshAfterTaskChange();
    return int(parsed.drafts.size());
}

void RemoteControl::Show()
{
    ShellVisibility* visibility = m_window.visibility();
    if (m_window.state().hiddenMode)
        visibility->leaveHiddenMode();
    visibility->showFromTray();
}

void RemoteControl::Hide()
{
    m_window.visibility()->hideToTray();
}

void RemoteControl::ToggleHidden()
{
    m_window.visibility()->onHotKey();
}

QString RemoteControl::Quit()
{
    if (passwordGuards(QStringLiteral("exiting Zelkor")))
        return {};
    // Saved now, so that the script learns what could not be saved.
    const Outcome saved = m_window.saveForExit();
    // Ended after the answer has gone out.
    QMetaObject::invokeMethod(&m_window, &MainWindow::quitProgram, Qt::QueuedConnection);
    return saved.ok ? QString() : saved.error;
}

} // namespace zelkor
