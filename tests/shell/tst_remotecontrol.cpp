// The D-Bus interface inside the program: what the window shows follows each
// request at once (the Timer tab, the task list, hidden mode), and a refused
// request leaves both the window and the task table as they were.

#include "ShellProgram.h"
#include "common/ActionKind.h"
#include "countdown/TimerTab.h"
#include "scheduler/TaskScheduler.h"
#include "shell/RemoteControl.h"
#include "shell/ShellVisibility.h"
#include "support/MockBuses.h"
#include "tasks/TaskGrid.h"
#include "tasks/TasksPage.h"

#include "guard/SafetyKeeper.h"
#include <QCheckBox>
#include <QComboBox>

#include <QDBusPendingCall>
#include <QDir>
#include <QFileInfo>
#include <QDBusPendingReply>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

using namespace zelkor;
using namespace zelkor::test;

class TestRemoteControl : public ShellTest {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void countdownShowsOnTheTimerTab_data();
    void countdownShowsOnTheTimerTab();
    void badCountdownChangesNothing_data();
    void badCountdownChangesNothing();
    void taskListFollows();
    void performRunsTheToolbarAction();
    void performAnswersWhatFailsAtOnce_data();
    void performAnswersWhatFailsAtOnce();
    void performTellsEveryLaterFailure();
    void performAnswersHowTheActionEnded_data();
    void performAnswersHowTheActionEnded();
    void powerOnWaitIsToldAndCancelled();
    void exportReadsBackInOrder();
    void hiddenModeToggles();
    void passwordGuardsWhatTheWindowGuards_data();
    void passwordGuardsWhatTheWindowGuards();
    void quitEnds_data();
    void quitEnds();
    void newPeriodInPlaceOfOneInForce_data();
    void newPeriodInPlaceOfOneInForce();

private:
    QDBusMessage call(const QString& method, const QVariantList& args = {});
    QStringList taskDescriptions();

    std::unique_ptr<MockBuses> m_buses;
    std::unique_ptr<Program> m_program;
    std::unique_ptr<RemoteControl> m_remote;
};

void TestRemoteControl::init()
{
    MessageBox::resetTestState();
    m_buses = std::make_unique<MockBuses>();
    QVERIFY2(m_buses->start(), qPrintable(m_buses->error()));
    m_program = std::make_unique<Program>();
    m_program->platform.setNow(QDateTime(QDate(2026, 6, 10), QTime(12, 0, 0)));
    m_program->platform.setUptimeMs(3600 * 1000); // up for an hour
    m_program->start();
    m_remote = std::make_unique<RemoteControl>(*m_program->window);
    m_remote->setActionEndWaitMs(300); // the fake helpers end only when a test ends them
    QString why;
    const QDBusConnection server = QDBusConnection::connectToBus(m_buses->address(Bus::Session), QStringLiteral("server"));
    QVERIFY2(m_remote->publish(server, true, &why), qPrintable(why));
}

void TestRemoteControl::cleanup()
{
    m_remote.reset();
    m_program.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    m_buses.reset();
}

// The object lives on this thread: the call is answered while we wait.
QDBusMessage TestRemoteControl::call(const QString& method, const QVariantList& args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kRemoteName, kRemotePath, kRemoteInterface, method);
    message.setArguments(args);
    QDBusPendingCall pending = m_buses->connection(Bus::Session).asyncCall(message, 10000);
    QElapsedTimer waited;
    waited.start();
    while (!pending.isFinished() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return pending.reply();
}

QStringList TestRemoteControl::taskDescriptions()
{
    QStringList texts;
    const TaskListModel& lines = test::showTaskList(*m_program->window)->m_taskGrid->lines();
    for (int row = 0; row < lines.rowCount(); ++row)
        texts << lines.data(lines.index(row, tasklist::ColDescription)).toString();
    return texts;
}

void TestRemoteControl::countdownShowsOnTheTimerTab_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("action");
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<int>("intoSecondMs"); // how far into its second the call comes
    QTest::newRow("after") << "after" << "90m" << "lock" << qint64(5400) << 0;
    QTest::newRow("after, seconds") << "after" << "45" << "Shut Down" << qint64(45) << 0;
    QTest::newRow("at") << "at" << "2026-06-10T13:30:00" << "restart" << qint64(5400) << 0;
    QTest::newRow("at, time of day") << "at" << "12:00:30" << "hibernate" << qint64(30) << 0;
    QTest::newRow("at, called late in a second") << "at" << "12:00:30" << "lock" << qint64(30) << 700;
    QTest::newRow("uptime") << "uptime" << "1h10m" << "standby" << qint64(600) << 0;
    QTest::newRow("idle") << "idle" << "15m" << "logoff" << qint64(900) << 0;
    QTest::newRow("open") << "after" << "1m" << "open" << qint64(60) << 0;
}

void TestRemoteControl::countdownShowsOnTheTimerTab()
{
    QFETCH(QString, mode);
    QFETCH(QString, value);
    QFETCH(QString, action);
    QFETCH(qint64, seconds);
    QFETCH(int, intoSecondMs);
    m_program->platform.setNow(m_program->platform.now().addMSecs(intoSecondMs));
    MainWindow& window = *m_program->window;
    window.m_tabs->setCurrentIndex(1);
    window.timerTab()->m_forceCheck->setChecked(false);
    const QDBusMessage reply = call(QStringLiteral("StartCountdown"), {mode, value, action, true, QStringLiteral("https://zelkor.example.org/")});
    QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));

    TimerTab* tab = window.timerTab();
    QCOMPARE(window.m_tabs->currentWidget(), tab);
    QCOMPARE(tab->m_startButton->text(), QStringLiteral("Stop"));
    QCOMPARE(tab->m_remainLabel->text(), QStringLiteral("%1 seconds remaining").arg(seconds));
    QCOMPARE(tab->m_actionCombo->currentText(), actionName(actionCode(action)));
    QCOMPARE(tab->m_forceCheck->isChecked(), false); // the user's choice for tasks stays
    QCOMPARE(countdown::modeKeys().at(tab->timerMode()), mode);

    const QVariantMap state = qdbus_cast<QVariantMap>(call(QStringLiteral("GetCountdown")).arguments().value(0));
    QCOMPARE(state.value(QStringLiteral("counting")).toBool(), true);
    QCOMPARE(state.value(QStringLiteral("secondsLeft")).toLongLong(), seconds);
    QCOMPARE(state.value(QStringLiteral("action")).toString(), actionKey(actionCode(action)));
    QCOMPARE(state.value(QStringLiteral("forced")).toBool(), true);
    QCOMPARE(state.value(QStringLiteral("moment")).toString(),
             m_program->platform.now().addSecs(seconds).toString(Qt::ISODate));
    // Asked again later, the count not ticked yet: the same second.
    m_program->platform.setNow(m_program->platform.now().addMSecs(700));
    const QVariantMap later = qdbus_cast<QVariantMap>(call(QStringLiteral("GetCountdown")).arguments().value(0));
    QCOMPARE(later.value(QStringLiteral("moment")), state.value(QStringLiteral("moment")));

    QCOMPARE(call(QStringLiteral("StopCountdown")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(tab->m_startButton->text(), QStringLiteral("Start"));
    QCOMPARE(tab->m_remainLabel->text(), QStringLiteral("Timer disabled"));
}

void TestRemoteControl::badCountdownChangesNothing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("target");
    QTest::newRow("unknown action") << "after" << "5m" << "explode" << "Unknown action \"explode\"" << QString();
    QTest::newRow("unknown mode") << "soon" << "5m" << "lock" << "Unknown countdown mode \"soon\"" << QString();
    QTest::newRow("negative duration") << "after" << "-5m" << "lock" << "A duration cannot be negative" << QString();
    QTest::newRow("no duration") << "after" << "later" << "lock" << "\"later\" is no duration" << QString();
    QTest::newRow("past moment") << "at" << "2026-06-10T11:00:00" << "lock" << "Invalid date/time" << QString();
    QTest::newRow("uptime passed") << "uptime" << "30m" << "lock" << "running longer than 30m" << QString();
    QTest::newRow("uptime passed, in seconds") << "uptime" << "1800" << "lock" << "running longer than 30m already" << QString();
    QTest::newRow("longer than a countdown") << "after" << "9223372036854775807" << "lock" << "longer than a countdown can be" << QString();
    QTest::newRow("open, no target") << "after" << "5m" << "open" << "\"open\" needs a target." << QString();
    QTest::newRow("open, target not there") << "after" << "5m" << "open" << "/nowhere/report.pdf is not there."
                                            << "/nowhere/report.pdf";
}

void TestRemoteControl::badCountdownChangesNothing()
{
    QFETCH(QString, mode);
    QFETCH(QString, value);
    QFETCH(QString, action);
    QFETCH(QString, message);
    QFETCH(QString, target);
    m_program->platform.missingTargets = {QStringLiteral("/nowhere/report.pdf")};
    TimerTab* tab = m_program->window->timerTab();
    const TimerTabState before = tab->timerState();
    const QDBusMessage reply = call(QStringLiteral("StartCountdown"), {mode, value, action, !tab->forced(), target});
    QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    QVERIFY2(reply.errorMessage().contains(message), qPrintable(reply.errorMessage()));
    QCOMPARE(tab->m_startButton->text(), QStringLiteral("Start"));
    QVERIFY(tab->timerState().force == before.force && tab->timerState().action == before.action &&
            tab->timerState().modes == before.modes);
}

void TestRemoteControl::taskListFollows()
{
    QCOMPARE(taskDescriptions(), QStringList());
    const QDBusMessage added = call(QStringLiteral("AddTask"), {QStringLiteral(R"({"schedule":"weekly","days":["mon","fri"],"time":"08:30","action":"lock"})")});
    QVERIFY2(added.type() == QDBusMessage::ReplyMessage, qPrintable(added.errorMessage()));
    const qlonglong id = added.arguments().value(0).toLongLong();
    QVERIFY(id > 0);
    QCOMPARE(taskDescriptions(), QStringList{QStringLiteral("Lock -- Weekly -- Mon Fri")});
    QCOMPARE(m_program->window->scheduler().selection().due.first().taskId, id);

    const QDBusMessage bad = call(QStringLiteral("ChangeTask"), {id, QStringLiteral(R"({"schedule":"monthly","day":32,"time":"08:30","action":"lock"})")});
    QCOMPARE(bad.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    QCOMPARE(bad.errorMessage(), QStringLiteral("The task cannot be stored: \"day\" must be a day of the month from 1 to 31, not 32."));
    QCOMPARE(taskDescriptions(), QStringList{QStringLiteral("Lock -- Weekly -- Mon Fri")});

    QCOMPARE(call(QStringLiteral("ChangeTask"), {id, QStringLiteral(R"({"schedule":"monthly","day":31,"time":"08:30","action":"hibernate"})")}).type(),
             QDBusMessage::ReplyMessage);
    QCOMPARE(taskDescriptions(), QStringList{QStringLiteral("Hibernate -- Monthly -- 31")});

    const QDBusMessage imported = call(QStringLiteral("ImportTasks"), {QStringLiteral(
        R"({"version":1,"tasks":[{"schedule":"daily","time":"22:00","action":"shutdown"}]})")});
    QCOMPARE(imported.arguments().value(0).toInt(), 1);
    QCOMPARE(taskDescriptions().size(), 2);

    QCOMPARE(call(QStringLiteral("DeleteTask"), {id}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(taskDescriptions().size(), 1);
    QCOMPARE(call(QStringLiteral("DeleteTask"), {id}).errorName(), kRemoteRefused);
}

void TestRemoteControl::performRunsTheToolbarAction()
{
    QVERIFY(call(QStringLiteral("PerformAction"), {QStringLiteral("lock"), false, QString()}).type() == QDBusMessage::ReplyMessage);
    QCOMPARE(m_program->platform.started, QStringList{m_program->dir.path() + QStringLiteral("/dll/suo.dll")});
    QCOMPARE(call(QStringLiteral("PerformAction"), {QStringLiteral("poweron"), false, QString()}).errorName(),
             QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    QCOMPARE(m_program->platform.started.size(), 1);
}

void TestRemoteControl::performAnswersWhatFailsAtOnce_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("missing"); // DIR: the program folder
    QTest::addColumn<QString>("message"); // empty: done
    QTest::newRow("helper started") << "lock" << "" << "" << "";
    QTest::newRow("helper missing") << "lock" << "" << "DIR/dll/suo.dll" << "DIR/dll/suo.dll is missing.";
    QTest::newRow("target handed over") << "open" << "/srv/report.txt" << "" << "";
    QTest::newRow("target missing") << "open" << "/srv/report.txt" << "/srv/report.txt"
                                    << "/srv/report.txt cannot be opened";
}

void TestRemoteControl::performAnswersWhatFailsAtOnce()
{
    QFETCH(QString, action);
    QFETCH(QString, target);
    QFETCH(QString, missing);
    QFETCH(QString, message);
    const QString dir = m_program->dir.path();
    m_program->platform.setMissingPrograms({missing.replace(QStringLiteral("DIR"), dir)});
    const QDBusMessage reply = call(QStringLiteral("PerformAction"), {action, false, target});
    if (message.isEmpty()) {
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        return;
    }
    QCOMPARE(reply.errorName(), kRemoteRefused);
    QVERIFY2(reply.errorMessage().startsWith(message.replace(QStringLiteral("DIR"), dir)),
             qPrintable(reply.errorMessage()));
}

// A script waits for an answer to each command, as a click does: the same
// refusal is told every time, not once per cause.
void TestRemoteControl::performTellsEveryLaterFailure()
{
    for (int round = 1; round <= 2; ++round) {
        const int shown = MessageBox::shownCount();
        const QDBusMessage reply = call(QStringLiteral("PerformAction"), {QStringLiteral("lock"), false, QString()});
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        m_program->platform.endRunning(Outcome::failure(QStringLiteral("The screen cannot be locked.")));
        QCOMPARE(MessageBox::shownCount(), shown + 1);
        QCOMPARE(MessageBox::lastText(), QStringLiteral("The screen cannot be locked."));
    }
}

// A script learns how the action ended, not only that it began; one that
// has not ended after a while is answered as asked for.
void TestRemoteControl::performAnswersHowTheActionEnded_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<QString>("failure"); // empty: it worked
    QTest::newRow("locked") << "lock" << "" << true << "";
    QTest::newRow("refused by the system") << "standby" << "" << true << "Access denied by policy";
    QTest::newRow("no program opens it") << "open" << "/srv/report.xyz" << true << "No application opens it";
    QTest::newRow("still running") << "shutdown" << "" << false << "";
}

void TestRemoteControl::performAnswersHowTheActionEnded()
{
    QFETCH(QString, action);
    QFETCH(QString, target);
    QFETCH(bool, ends);
    QFETCH(QString, failure);
    if (ends) {
        m_remote->setActionEndWaitMs(8000);
        QTimer::singleShot(100, this, [this, failure] {
            m_program->platform.endRunning(failure.isEmpty() ? Outcome::success() : Outcome::failure(failure));
        });
    }
    const QDBusMessage reply = call(QStringLiteral("PerformAction"), {action, false, target});
    if (failure.isEmpty()) {
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    } else {
        QCOMPARE(reply.errorName(), kRemoteRefused);
        QCOMPARE(reply.errorMessage(), failure);
    }
    QCOMPARE(m_program->platform.running.size(), ends ? 0 : 1);
}

// A Power On waits on the wake timer: --status tells it, --cancel ends it and
// nothing is left armed to wake the computer.
void TestRemoteControl::powerOnWaitIsToldAndCancelled()
{
    FakeWakeTimer& wake = m_program->platform.wake;
    const QDateTime due = m_program->platform.now().addSecs(600);
    QVariantMap waiting;
    bool stopped = false;
    wake.onArm = [&](qint64) {
        QTimer::singleShot(0, [&] { // inside the wait
            waiting = qdbus_cast<QVariantMap>(call(QStringLiteral("GetCountdown")).arguments().value(0));
            stopped = call(QStringLiteral("StopCountdown")).type() == QDBusMessage::ReplyMessage;
        });
    };
    MessageBox::setNextAnswer(QMessageBox::Ok); // the announcement
    const QDBusMessage reply = call(QStringLiteral("StartCountdown"), {QStringLiteral("after"), QStringLiteral("10m"),
                                                                       QStringLiteral("poweron"), false, QStringLiteral("/srv/on.sh")});
    QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    QTRY_VERIFY(stopped);
    QCOMPARE(waiting.value(QStringLiteral("counting")).toBool(), true);
    QCOMPARE(waiting.value(QStringLiteral("action")).toString(), QStringLiteral("poweron"));
    QCOMPARE(waiting.value(QStringLiteral("secondsLeft")).toLongLong(), 600);
    QCOMPARE(waiting.value(QStringLiteral("moment")).toString(), due.toString(Qt::ISODate));
    QTRY_VERIFY(!wake.isArmed());
    QCOMPARE(wake.armed, QList<qint64>{600});
    QVERIFY(m_program->platform.opened.isEmpty());
    const QVariantMap after = qdbus_cast<QVariantMap>(call(QStringLiteral("GetCountdown")).arguments().value(0));
    QCOMPARE(after.value(QStringLiteral("counting")).toBool(), false);
}

// Read back, the tasks get their ids in the file's order, so the newest
// forbidden period, the one in force, is the same one as before.
void TestRemoteControl::exportReadsBackInOrder()
{
    for (const char* period : {R"({"schedule":"forbidden","from":"22:00","until":"23:00","action":"shutdown"})",
                               R"({"schedule":"forbidden","from":"01:00","until":"05:00","action":"hibernate"})"})
        QVERIFY(call(QStringLiteral("AddTask"), {QString::fromLatin1(period)}).arguments().value(0).toLongLong() > 0);
    const QStringList listed = taskDescriptions();
    const QString exported = call(QStringLiteral("ExportTasks")).arguments().value(0).toString();
    for (const qlonglong id : {1, 2})
        QCOMPARE(call(QStringLiteral("DeleteTask"), {id}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(call(QStringLiteral("ImportTasks"), {exported}).arguments().value(0).toInt(), 2);
    QCOMPARE(taskDescriptions(), listed);
    QCOMPARE(listed.size(), 2);
}

void TestRemoteControl::hiddenModeToggles()
{
    MainWindow& window = *m_program->window;
    QVERIFY(window.isVisible());
    QCOMPARE(call(QStringLiteral("ToggleHidden")).type(), QDBusMessage::ReplyMessage);
    QVERIFY(m_program->state.hiddenMode);
    QVERIFY(!window.isVisible());
    QCOMPARE(call(QStringLiteral("Show")).type(), QDBusMessage::ReplyMessage);
    QVERIFY(!m_program->state.hiddenMode);
    QVERIFY(window.isVisible());
    QCOMPARE(call(QStringLiteral("Hide")).type(), QDBusMessage::ReplyMessage);
    QVERIFY(window.visibility()->putAway());
    QVERIFY(!m_program->state.hiddenMode);
}

void TestRemoteControl::passwordGuardsWhatTheWindowGuards_data()
{
    QTest::addColumn<QString>("method");
    QTest::newRow("change") << QStringLiteral("ChangeTask");
    QTest::newRow("delete") << QStringLiteral("DeleteTask");
    QTest::newRow("stop") << QStringLiteral("StopCountdown");
    QTest::newRow("replace the countdown") << QStringLiteral("StartCountdown");
    QTest::newRow("quit") << QStringLiteral("Quit");
}

void TestRemoteControl::passwordGuardsWhatTheWindowGuards()
{
    QFETCH(QString, method);
    const QDBusMessage added =
        call(QStringLiteral("AddTask"),
             {QStringLiteral(R"({"schedule":"daily","time":"22:00","action":"lock"})")});
    const qlonglong id = added.arguments().value(0).toLongLong();
    QVERIFY(id > 0);
    QCOMPARE(call(QStringLiteral("StartCountdown"), {QStringLiteral("after"), QStringLiteral("90m"),
                                                     QStringLiteral("lock"), false, QString()})
                 .type(),
             QDBusMessage::ReplyMessage);
    SafetyKeeper* safety = m_program->window->safety();
    safety->setAsker(
        [](QWidget*, const QString&) { return std::optional<QString>(QStringLiteral("secret")); });
    safety->changePassword(nullptr);
    QVERIFY(safety->isPasswordSet());

    QVariantList args;
    if (method == QLatin1String("ChangeTask"))
        args = {id, QStringLiteral(R"({"schedule":"daily","time":"23:00","action":"shutdown"})")};
    else if (method == QLatin1String("DeleteTask"))
        args = {id};
    else if (method == QLatin1String("StartCountdown"))
        args = {QStringLiteral("after"), QStringLiteral("45s"), QStringLiteral("lock"), false, QString()};
    const QDBusMessage refused = call(method, args);
    QCOMPARE(refused.errorName(), kRemoteRefused);
    QVERIFY2(refused.errorMessage().contains(QStringLiteral("password")),
             qPrintable(refused.errorMessage()));
    QCOMPARE(taskDescriptions(), QStringList{QStringLiteral("Lock -- Daily")});
    QVERIFY(m_program->window->timerTab()->isCounting());
    QCOMPARE(m_program->window->timerTab()->totalSeconds(), qint64(5400));
    QCoreApplication::processEvents();
    QVERIFY(!m_program->state.exitRequested);
}

// The way out where no tray shows; a script learns what it could not save.
void TestRemoteControl::quitEnds_data()
{
    QTest::addColumn<bool>("settingsBlocked"); // a folder where the settings file goes
    QTest::newRow("settings saved") << false;
    QTest::newRow("settings cannot be written") << true;
}
void TestRemoteControl::quitEnds()
{
    QFETCH(bool, settingsBlocked);
    const QString settings = m_program->settingsPath();
    if (settingsBlocked) {
        QFile::remove(settings);
        QVERIFY(QDir().mkdir(settings));
    }
    const QDBusMessage reply = call(QStringLiteral("Quit"));
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    const QString unsaved = reply.arguments().value(0).toString();
    QCOMPARE(unsaved.contains(settings), settingsBlocked);
    QTRY_VERIFY(m_program->state.exitRequested);
    QVERIFY(!m_program->window->isVisible());
    QCOMPARE(QFileInfo(settings).isFile(), !settingsBlocked);
    if (settingsBlocked)
        QVERIFY(QDir().rmdir(settings));
}

// Only the newest period is in force: under a password a script may add one
// where none is, but not put one in place of the one in force.
void TestRemoteControl::newPeriodInPlaceOfOneInForce_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("periodInForce");
    QTest::addColumn<bool>("stored");
    QTest::newRow("add, one in force") << QStringLiteral("AddTask") << true << false;
    QTest::newRow("import, one in force") << QStringLiteral("ImportTasks") << true << false;
    QTest::newRow("add, none in force") << QStringLiteral("AddTask") << false << true;
    QTest::newRow("import, none in force") << QStringLiteral("ImportTasks") << false << true;
}

void TestRemoteControl::newPeriodInPlaceOfOneInForce()
{
    QFETCH(QString, method);
    QFETCH(bool, periodInForce);
    QFETCH(bool, stored);
    const QString parent = QStringLiteral(R"({"schedule":"forbidden","from":"22:00","until":"23:00","action":"shutdown"})");
    const QString child = QStringLiteral(R"({"schedule":"forbidden","from":"03:00","until":"03:01","action":"hibernate"})");
    if (periodInForce)
        QVERIFY(call(QStringLiteral("AddTask"), {parent}).arguments().value(0).toLongLong() > 0);
    SafetyKeeper* safety = m_program->window->safety();
    safety->setAsker(
        [](QWidget*, const QString&) { return std::optional<QString>(QStringLiteral("secret")); });
    safety->changePassword(nullptr);
    QVERIFY(safety->isPasswordSet());
    const QStringList before = taskDescriptions();

    const QDBusMessage reply = call(method, {method == QLatin1String("ImportTasks")
                                                 ? QStringLiteral(R"({"version":1,"tasks":[%1]})").arg(child)
                                                 : child});
    QCOMPARE(reply.type() == QDBusMessage::ReplyMessage, stored);
    QCOMPARE(taskDescriptions().size(), before.size() + (stored ? 1 : 0));
    if (!stored)
        QVERIFY2(reply.errorMessage().contains(QStringLiteral("replacing the forbidden period")),
                 qPrintable(reply.errorMessage()));
}

QTEST_MAIN(TestRemoteControl)
#include "tst_remotecontrol.moc"
