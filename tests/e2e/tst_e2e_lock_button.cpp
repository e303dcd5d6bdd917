// The real program on an X server of its own, with a mock logind on a private
// system bus: a click on the toolbar's "Lock" runs the lock helper from the
// program's dll folder, and logind is asked to lock the session; the program
// holds logind's sleep lock while it runs, lets it go when it hibernates by
// itself through the toolbar's "Hibernate", and takes it again once the
// computer is back. A helper that fails every
// second of a forbidden period is told once, and the program runs on.

#include "MockServices.h"
#include "OwnXServer.h"
#include "TaskTable.h"
#include "XvfbServer.h"
#include "common/AppState.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QDBusArgument>
#include <QDir>
#include <QProcess>
#include <QTest>
#include <QToolBar>

using namespace zelkor;
using namespace zelkor::test;

namespace {
constexpr int kWindowTimeoutMs = 15000;
constexpr int kCallTimeoutMs = 10000;
} // namespace

class TestLockButton : public QObject {
    Q_OBJECT
public:
    TestLockButton(QString display, QString xProblem)
        : m_display(std::move(display)), m_xProblem(std::move(xProblem))
    {
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void lockButtonLocksTheSession();
    void hibernateButtonLetsTheSleepLockGoTillTheResume();
    void refusingHelperIsToldOnceAndTheProgramRunsOn();

private:
    QString xdotool(const QStringList& args);
    QPoint toolButtonOffset(const QString& key, QSize* windowSize);
    void startProgram(const QString& appDir = QString());
    QStringList programWindows();
    void clickToolButton(const QString& key);
    // All the program said so far.
    QString programOutput()
    {
        m_output += QString::fromLocal8Bit(m_program.readAll());
        return m_output;
    }
    QStringList inhibitors();

    QString m_display;
    QString m_xProblem;
    MockBuses m_buses;
    QString m_appDir;
    QProcess m_program;
    QString m_output;
    QString m_window; // the program's main window, as xdotool names it
};

void TestLockButton::initTestCase()
{
    if (!XvfbServer::available())
        QSKIP("Xvfb is not installed");
    QVERIFY2(m_xProblem.isEmpty(), qPrintable(m_xProblem));
    QVERIFY2(m_buses.start(), qPrintable(m_buses.error()));
    m_buses.exportToThisProcess();
    QVERIFY2(startLogind(m_buses), qPrintable(m_buses.error()));
    // A copy of the program folder, so the build's own is never touched.
    m_appDir = m_buses.folder() + QStringLiteral("/app");
    QCOMPARE(
        QProcess::execute(QStringLiteral("cp"),
                          {QStringLiteral("-a"), qEnvironmentVariable("ZELKOR_APP_DIR"), m_appDir}),
        0);
}

void TestLockButton::init()
{
    QVERIFY(m_buses.clearCalls(login1::service, login1::path));
    QVERIFY(m_buses.clearCalls(login1::service, login1::sessionPath));
}

void TestLockButton::cleanup()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.terminate();
        if (!m_program.waitForFinished(5000)) {
            m_program.kill();
            m_program.waitForFinished(3000);
        }
    }
    m_window.clear();
    m_output.clear();
}

void TestLockButton::cleanupTestCase() { m_buses.stopAllMocks(); }

QString TestLockButton::xdotool(const QStringList& args)
{
    return runOnDisplay(m_display, QStringLiteral("xdotool"), args);
}

// Where a toolbar button sits in the window: the same main window, laid out in
// this process on the same X server with the same style and fonts.
QPoint TestLockButton::toolButtonOffset(const QString& key, QSize* windowSize)
{
    FakePlatform platform;
    AppState state;
    MainWindow window(platform, state);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return {};
    QAction* action = window.m_toolbar->findChild<QAction*>(key);
    QWidget* button = action ? window.m_toolbar->widgetForAction(action) : nullptr;
    if (!button)
        return {};
    *windowSize = window.size();
    const QPoint offset = button->mapTo(&window, button->rect().center());
    window.hide();
    return offset;
}

void TestLockButton::startProgram(const QString& appDir)
{
    const QString dir = appDir.isEmpty() ? m_appDir : appDir;
    QProcessEnvironment env = m_buses.environment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_program.setProcessEnvironment(env);
    m_program.setWorkingDirectory(dir);
    m_program.setProcessChannelMode(QProcess::MergedChannels);
    m_program.start(dir + QStringLiteral("/zelkor"), {});
    QVERIFY2(m_program.waitForStarted(), qPrintable(m_program.errorString()));

    const QString pid = QString::number(m_program.processId());
    QTRY_VERIFY2_WITH_TIMEOUT(
        !(m_window = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                              QStringLiteral("--pid"), pid, QStringLiteral("--name"),
                              QStringLiteral("^Zelkor$")}))
             .isEmpty(),
        qPrintable(programOutput()), kWindowTimeoutMs);
    m_window = m_window.section(QLatin1Char('\n'), 0, 0);
}

void TestLockButton::clickToolButton(const QString& key)
{
    QSize expectedSize;
    const QPoint offset = toolButtonOffset(key, &expectedSize);
    QVERIFY(!offset.isNull());
    const QString geometry = xdotool({QStringLiteral("getwindowgeometry"), m_window});
    QVERIFY2(
        geometry.contains(
            QStringLiteral("Geometry: %1x%2").arg(expectedSize.width()).arg(expectedSize.height())),
        qPrintable(geometry));

    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window,
             QString::number(offset.x()), QString::number(offset.y()), QStringLiteral("click"),
             QStringLiteral("1")});
}

// logind's inhibitors as "what who mode", from the mock's ListInhibitors.
QStringList TestLockButton::inhibitors()
{
    const QDBusMessage reply = m_buses.connection(Bus::System)
                                   .call(QDBusMessage::createMethodCall(
                                             login1::service, login1::path, login1::manager,
                                             QStringLiteral("ListInhibitors")),
                                         QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {QStringLiteral("no answer: ") + reply.errorMessage()};
    const QDBusArgument list = reply.arguments().constFirst().value<QDBusArgument>();
    QStringList result;
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0;
        uint pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        result << what + QLatin1Char(' ') + who + QLatin1Char(' ') + mode;
    }
    list.endArray();
    return result;
}

void TestLockButton::lockButtonLocksTheSession()
{
    startProgram();
    if (QTest::currentTestFailed())
        return;
    clickToolButton(QStringLiteral("T_lock"));
    if (QTest::currentTestFailed())
        return;

    QTRY_VERIFY2_WITH_TIMEOUT(!m_buses.calls(login1::service, login1::sessionPath).isEmpty(),
                              qPrintable(programOutput()), kCallTimeoutMs);
    const QList<MockCall> calls = m_buses.calls(login1::service, login1::sessionPath);
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.constFirst().method, QStringLiteral("Lock"));
    // Nothing else was asked of logind: the click hit "Lock" and only that.
    // The one call besides is the sleep inhibitor the program holds from its
    // start while it refuses suspend requests it did not make.
    QStringList others;
    for (const MockCall& call : m_buses.calls(login1::service, login1::path))
        others.append(call.method);
    QCOMPARE(others, QStringList{QStringLiteral("Inhibit")});
}

void TestLockButton::hibernateButtonLetsTheSleepLockGoTillTheResume()
{
    // logind reports going to sleep at once; the resume is sent below.
    QVERIFY(m_buses.addMethods(login1::service, login1::path, login1::manager,
                               {{QStringLiteral("Hibernate"), QStringLiteral("b"), {},
                                 QStringLiteral("self.EmitSignal('', 'PrepareForSleep', 'b', [True])")}}));
    startProgram();
    if (QTest::currentTestFailed())
        return;
    // The lock of the earlier run may take a moment to go.
    const QStringList held{QStringLiteral("sleep Zelkor block")};
    QTRY_COMPARE_WITH_TIMEOUT(inhibitors(), held, kCallTimeoutMs);

    const auto hibernations = [this] {
        QStringList found;
        for (const MockCall& call : m_buses.calls(login1::service, login1::path))
            if (call.method == QLatin1String("Hibernate"))
                found << describeCall(call);
        return found;
    };
    for (int round = 1; round <= 2; ++round) {
        clickToolButton(QStringLiteral("T_hibernate"));
        if (QTest::currentTestFailed())
            return;
        QTRY_COMPARE_WITH_TIMEOUT(hibernations().size(), round, kCallTimeoutMs);
        QCOMPARE(hibernations().constLast(), QStringLiteral("Hibernate(b false)"));
        // Asleep: the program's own hibernation went without the lock.
        QTRY_COMPARE_WITH_TIMEOUT(inhibitors(), QStringList(), kCallTimeoutMs);
        // Back: suspends the program did not start are refused again.
        QVERIFY(m_buses.emitSignal(login1::service, login1::path, login1::manager,
                                   QStringLiteral("PrepareForSleep"), QStringLiteral("b"), {false}));
        QTRY_COMPARE_WITH_TIMEOUT(inhibitors(), held, kCallTimeoutMs);
        QCOMPARE(m_program.state(), QProcess::Running);
    }
}

// The program's visible windows titled "Zelkor": the main window and its message boxes.
QStringList TestLockButton::programWindows()
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                    QString::number(m_program.processId()), QStringLiteral("--name"),
                    QStringLiteral("^Zelkor$")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestLockButton::refusingHelperIsToldOnceAndTheProgramRunsOn()
{
    // Its own copy: the forbidden period must not reach the other tests.
    const QString appDir = m_buses.folder() + QStringLiteral("/app-refused");
    QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), m_appDir, appDir}), 0);
    QFile guard(appDir + QStringLiteral("/guard.inc")); // no warning first: the refusals at once
    QVERIFY(guard.open(QIODevice::WriteOnly) && guard.write("warn=0\n") > 0);
    guard.close();
    const QDateTime now = QDateTime::currentDateTime();
    const auto timeOfDay = [](const QDateTime& t) { return QTime(0, 0).secsTo(t.time()) / 86400.0; };
    const double from = timeOfDay(now.addSecs(-3600));
    const double to = timeOfDay(now.addSecs(3600));
    QVERIFY(addRow(appDir + QStringLiteral("/dll/zelkor.dll"),
                   {{QStringLiteral("type"), 0},
                    {QStringLiteral("action"), 1},
                    {QStringLiteral("starttime"), from},
                    {QStringLiteral("stoptime"), to},
                    {QStringLiteral("state"), 1}}) > 0);
    const QString refusal = QStringLiteral("Access denied to power off");
    QVERIFY(m_buses.addMethods(
        login1::service, login1::path, login1::manager,
        {{QStringLiteral("PowerOff"), QStringLiteral("b"), {},
          QStringLiteral("raise dbus.exceptions.DBusException('%1', "
                         "name='org.freedesktop.DBus.Error.AccessDenied')")
              .arg(refusal)}}));
    const auto restore = qScopeGuard([this] {
        m_buses.addMethods(login1::service, login1::path, login1::manager,
                           {{QStringLiteral("PowerOff"), QStringLiteral("b"), {}, {}}});
    });

    startProgram(appDir);
    if (QTest::currentTestFailed())
        return;
    const auto powerOffs = [this] {
        int count = 0;
        for (const MockCall& call : m_buses.calls(login1::service, login1::path))
            count += call.method == QLatin1String("PowerOff");
        return count;
    };
    // Every second of the period the forced shut-down helper asks, and is refused.
    QTRY_VERIFY2_WITH_TIMEOUT(powerOffs() >= 4, qPrintable(programOutput()), kCallTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(programWindows().size(), 2, kWindowTimeoutMs);
    QTest::qWait(1200); // a further refusal or two: still the one box
    QCOMPARE(programWindows().size(), 2);
    QCOMPARE(m_program.state(), QProcess::Running);
    const QString output = programOutput();
    QCOMPARE(output.count(refusal), 1); // logged once, not at every refusal
    QVERIFY2(output.contains(QLatin1String("Could not shut the computer down.")), qPrintable(output));
}

int main(int argc, char* argv[])
{
    return execOnOwnXServer<TestLockButton>(argc, argv);
}

#include "tst_e2e_lock_button.moc"
