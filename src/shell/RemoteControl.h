#pragma once

#include "common/BuildInfo.h"
#include "tasks/TaskDraft.h"
#include "tasks/TaskStore.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

namespace zelkor {

class MainWindow;

// The bus name: the application id.
inline const QString kRemoteName = QLatin1String(build::kAppId);
inline const QString kRemotePath = QStringLiteral("/org/example/zelkor/Zelkor");
inline const QString kRemoteInterface = QStringLiteral("org.example.zelkor.Zelkor1");
// The error of a request the program refused (arguments that are sound but
// cannot be carried out, such as a task that is gone or a database that
// cannot be written); bad arguments get org.freedesktop.DBus.Error.InvalidArgs.
inline const QString kRemoteRefused = QStringLiteral("org.example.zelkor.Zelkor1.Error.Refused");

// The running program on the session bus, as data/org.example.zelkor.Zelkor1.xml
// describes it. Every request is checked whole before anything changes, and
// the window follows each change at once.
class RemoteControl : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.zelkor.Zelkor1")
public:
    explicit RemoteControl(MainWindow& window, QObject* parent = nullptr);

    // Registers the object and, when `claimName`, the application id as a
    // bus name. False with the reason when the bus refuses either.
    bool publish(QDBusConnection bus, bool claimName, QString* why);

    // How long PerformAction waits for a started action's end before it
    // answers that the action was asked for (a later failure is told in the window).
    static constexpr int kActionEndWaitMs = 10000;
    void setActionEndWaitMs(int ms) { m_actionEndWaitMs = ms; } // for tests

public slots:
    void PerformAction(const QString& action, bool forced, const QString& target);
    void StartCountdown(const QString& mode, const QString& value, const QString& action,
                        bool forced, const QString& target);
    void StopCountdown();
    QVariantMap GetCountdown();
    QString ListTasks();
    qlonglong AddTask(const QString& task);
    void ChangeTask(qlonglong id, const QString& task);
    void DeleteTask(qlonglong id);
    int ImportTasks(const QString& file);
    QString ExportTasks();
    QString ExportCalendar();
    void Show();
    void Hide();
    void ToggleHidden();
    QString Quit(); // why the settings could not be saved; empty when they were

signals:
    void CountdownStarted(const QString& mode, const QString& action, qlonglong seconds);
    void CountdownStopped();
    void CountdownFired(const QString& action);
    void TaskFired(qlonglong id, const QString& action);

private:
    void refuse(const QString& name, const QString& message);
    void invalid(const QString& message);
    // Answers the call in hand once the action under `key` has ended, with
    // its failure if it failed.
    void answerWhenEnded(const QString& key);
    // Refuses (and says so) what the password guards in the window: no
    // password can be asked over the bus.
    bool passwordGuards(const QString& what);
    bool draftOf(const QString& text, TaskDraft* draft);
    bool periodReplacementGuarded(const QList<TaskDraft>& drafts);
    // Every task of `sql`; refused (and none) when the table cannot be read
    // whole: an empty list would pass for an empty table.
    std::optional<QList<TaskRow>> storedRows(const QString& sql);

    MainWindow& m_window;
    TaskStore m_store;
    int m_actionEndWaitMs = kActionEndWaitMs;
};

} // namespace zelkor
