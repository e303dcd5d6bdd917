// The real program on an X server of its own, with a mock logind on a private
// system bus: a click on the toolbar's "Lock" runs the lock helper from the
// program's dll folder, and logind is asked to lock the session.

#include "MockServices.h"
#include "XvfbServer.h"
#include "common/AppState.h"
#include "platform/fake/FakePlatform.h"
#include "shell/FrmMain.h"

#include <QAction>
#include <QApplication>
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
    void cleanupTestCase();
    void lockButtonLocksTheSession();

private:
    QString xdotool(const QStringList& args);
    QPoint lockButtonOffset(QSize* windowSize);

    QString m_display;
    QString m_xProblem;
    MockBuses m_buses;
    QProcess m_program;
};

void TestLockButton::initTestCase()
{
    if (!XvfbServer::available())
        QSKIP("Xvfb is not installed");
    QVERIFY2(m_xProblem.isEmpty(), qPrintable(m_xProblem));
    QVERIFY2(m_buses.start(), qPrintable(m_buses.error()));
    m_buses.exportToThisProcess();
    QVERIFY2(startLogind(m_buses), qPrintable(m_buses.error()));
}

void TestLockButton::cleanupTestCase()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.terminate();
        if (!m_program.waitForFinished(5000)) {
            m_program.kill();
            m_program.waitForFinished(3000);
        }
    }
    m_buses.stopAllMocks();
}

QString TestLockButton::xdotool(const QStringList& args)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("xdotool"), args);
    if (!tool.waitForFinished(5000))
        tool.kill();
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

// Where the button sits in the window: the same main window, laid out in this
// process on the same X server with the same style and fonts.
QPoint TestLockButton::lockButtonOffset(QSize* windowSize)
{
    FakePlatform platform;
    AppState state;
    FrmMain window(platform, state);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return {};
    QAction* lock = window.Toolbar1->findChild<QAction*>(QStringLiteral("T_lock"));
    QWidget* button = lock ? window.Toolbar1->widgetForAction(lock) : nullptr;
    if (!button)
        return {};
    *windowSize = window.size();
    const QPoint offset = button->mapTo(&window, button->rect().center());
    window.hide();
    return offset;
}

void TestLockButton::lockButtonLocksTheSession()
{
    // A copy of the program folder, so the build's own is never touched.
    const QString appDir = m_buses.folder() + QStringLiteral("/app");
    QCOMPARE(
        QProcess::execute(QStringLiteral("cp"),
                          {QStringLiteral("-a"), qEnvironmentVariable("ZELKOR_APP_DIR"), appDir}),
        0);

    QProcessEnvironment env = m_buses.environment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_program.setProcessEnvironment(env);
    m_program.setWorkingDirectory(appDir);
    m_program.setProcessChannelMode(QProcess::MergedChannels);
    m_program.start(appDir + QStringLiteral("/zelkor"), {});
    QVERIFY2(m_program.waitForStarted(), qPrintable(m_program.errorString()));

    QString window;
    const QString pid = QString::number(m_program.processId());
    QTRY_VERIFY2_WITH_TIMEOUT(
        !(window = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--pid"), pid, QStringLiteral("--name"),
                            QStringLiteral("^Zelkor$")}))
             .isEmpty(),
        qPrintable(QString::fromLocal8Bit(m_program.readAll())), kWindowTimeoutMs);
    window = window.section(QLatin1Char('\n'), 0, 0);

    QSize expectedSize;
    const QPoint offset = lockButtonOffset(&expectedSize);
    QVERIFY(!offset.isNull());
    const QString geometry = xdotool({QStringLiteral("getwindowgeometry"), window});
    QVERIFY2(
        geometry.contains(
            QStringLiteral("Geometry: %1x%2").arg(expectedSize.width()).arg(expectedSize.height())),
        qPrintable(geometry));

    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
             QString::number(offset.x()), QString::number(offset.y()), QStringLiteral("click"),
             QStringLiteral("1")});

    QTRY_VERIFY2_WITH_TIMEOUT(!m_buses.calls(login1::service, login1::sessionPath).isEmpty(),
                              qPrintable(QString::fromLocal8Bit(m_program.readAll())),
                              kCallTimeoutMs);
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

int main(int argc, char* argv[])
{
    // The X server comes first: the test's own windows go to it as well.
    XvfbServer xvfb;
    QString problem;
    if (XvfbServer::available() && xvfb.start(&problem)) {
        qputenv("DISPLAY", xvfb.display().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    TestLockButton test(xvfb.display(), problem);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_lock_button.moc"
