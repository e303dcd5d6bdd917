// The real program on an X server of its own with a window manager: hiding
// everything with Ctrl+Alt+H is no close. A beeping reminder beeps on while
// hidden and comes back beeping; an open New Task dialog comes back where it
// was with what was typed, and saves it; the Power On message keeps its wait,
// so the next Power On is armed only after OK.
// The beeps are captured through ALSA's file plugin (no sound server, no
// sound card); the wake timer is read from the kernel's view of the
// program's timer descriptors.

#include "OwnXServer.h"
#include "common/AppState.h"
#include "common/DayNumber.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MainWindow.h"
#include "shell/ShellVisibility.h"
#include "support/TaskTable.h"
#include "tasks/TaskDialog.h"
#include "tasks/TasksPage.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace zelkor;
using namespace zelkor::test;

namespace
{
constexpr int kWindowTimeoutMs = 15000;
constexpr int kLoud = 8000; // a beep's samples reach far above this; silence stays at 0

// The loudest sample of the raw 16-bit capture from byte `from` on.
int loudestFrom(const QString& capture, qint64 from)
{
    QFile file(capture);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from & ~qint64(1)))
        return 0;
    const QByteArray bytes = file.readAll();
    int loudest = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const qint16 sample =
            qint16(quint16(quint8(bytes[i])) | quint16(quint8(bytes[i + 1])) << 8);
        loudest = std::max(loudest, std::abs(int(sample)));
    }
    return loudest;
}

// Seconds left on each armed timer descriptor of the process.
QList<qint64> armedTimers(qint64 pid)
{
    QList<qint64> left;
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& fd : QDir(fds).entryList(QDir::Files | QDir::System)) {
        if (!QFile::symLinkTarget(fds + QLatin1Char('/') + fd)
                 .endsWith(QLatin1String("anon_inode:[timerfd]")))
            continue;
        QFile info(QStringLiteral("/proc/%1/fdinfo/%2").arg(pid).arg(fd));
        if (!info.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLatin1(info.readAll());
        // The wake waits run on the boot-time clocks (7, 9); a watch on the
        // wall clock (0) is no wait.
        if (!QRegularExpression(QStringLiteral("clockid: [79]\\b")).match(text).hasMatch())
            continue;
        const QRegularExpression value(QStringLiteral("it_value: \\((\\d+), (\\d+)\\)"));
        const QRegularExpressionMatch match = value.match(text);
        if (match.hasMatch() && (match.captured(1).toLongLong() || match.captured(2).toLongLong()))
            left << match.captured(1).toLongLong();
    }
    return left;
}
} // namespace

class TestHiddenWindows : public QObject
{
    Q_OBJECT
public:
    TestHiddenWindows(QString display, QString xProblem)
        : m_display(std::move(display)), m_xProblem(std::move(xProblem))
    {
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void beepingReminderBeepsOnWhileHidden();
    void openTaskDialogComesBackWithWhatWasTyped();
    void powerOnMessageKeepsWaitingForOk();
    void windowsThatComeByThemselvesLeaveTheKeyboard_data();
    void windowsThatComeByThemselvesLeaveTheKeyboard();
    void showFromTrayKeepsTheWaitingDialogOnTop();

private:
    QString xdotool(const QStringList& args)
    {
        return runOnDisplay(m_display, QStringLiteral("xdotool"), args);
    }
    // Visible windows of the program whose title matches, as xdotool names them.
    QStringList windows(const QString& title);
    QString geometry(const QString& window)
    {
        return xdotool({QStringLiteral("getwindowgeometry"), window});
    }
    void click(const QString& window, QPoint at);
    void hotKey() { xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+h")}); }
    void startProgram();
    QString database() const { return m_folder->filePath(QStringLiteral("app/dll/zelkor.dll")); }
    // A Once task at `when` that shows `text`.
    bool addMessageTask(int action, const QDateTime& when, const QString& text)
    {
        return addRow(database(), {{"type", 1},
                                   {"action", action},
                                   {"starttime", daynum::fromDateTime(when)},
                                   {"fujia", 1},
                                   {"description", text},
                                   {"state", 1}}) > 0;
    }
    QString capture() const { return m_home.filePath(QStringLiteral("beeps.raw")); }
    qint64 captured() const { return QFileInfo(capture()).size(); }
    QString programOutput() { return QString::fromLocal8Bit(m_program.readAll()); }

    QString m_display;
    QString m_xProblem;
    QTemporaryDir m_home;
    QProcess m_windowManager;
    std::unique_ptr<QTemporaryDir> m_folder; // the program's own copy, per case
    QProcess m_program;
    QString m_main; // the program's main window
};

void TestHiddenWindows::initTestCase()
{
    for (const char* tool : {"Xvfb", "openbox", "xdotool", "xprop"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    QVERIFY2(m_xProblem.isEmpty(), qPrintable(m_xProblem));
    QVERIFY(m_home.isValid());
    // The default sound device of the program writes into a file; there is
    // no sound server to find.
    QFile rc(m_home.filePath(QStringLiteral(".asoundrc")));
    QVERIFY(rc.open(QIODevice::WriteOnly));
    rc.write(
        "pcm.!default {\n    type file\n    slave.pcm \"null\"\n    format \"raw\"\n    file \"" +
        capture().toLocal8Bit() + "\"\n}\n");
    rc.close();
    QFile client(m_home.filePath(QStringLiteral("client.conf")));
    QVERIFY(client.open(QIODevice::WriteOnly));
    client.write("autospawn = no\n");
    client.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("HOME"), m_home.path());
    m_windowManager.setProcessEnvironment(env);
    m_windowManager.start(QStringLiteral("openbox"), {});
    QVERIFY(m_windowManager.waitForStarted());
    // A window mapped while the window manager still starts can be lost.
    QTRY_VERIFY_WITH_TIMEOUT(
        runOnDisplay(m_display, QStringLiteral("xprop"),
                     {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
            .contains(QLatin1String("window id")),
        10000);
}

void TestHiddenWindows::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    QCOMPARE(QProcess::execute(QStringLiteral("cp"),
                               {QStringLiteral("-a"), qEnvironmentVariable("ZELKOR_APP_DIR"),
                                m_folder->filePath(QStringLiteral("app"))}),
             0);
    QFile::remove(m_folder->filePath(QStringLiteral("app/last.inc")));
    QVERIFY(QDir().mkpath(m_folder->filePath(QStringLiteral("run"))));
    QFile::setPermissions(m_folder->filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::remove(capture());
}

void TestHiddenWindows::cleanup()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.terminate();
        if (!m_program.waitForFinished(5000)) {
            m_program.kill();
            m_program.waitForFinished(3000);
        }
    }
    m_main.clear();
    m_folder.reset();
}

void TestHiddenWindows::cleanupTestCase()
{
    if (m_windowManager.state() != QProcess::NotRunning) {
        m_windowManager.terminate();
        m_windowManager.waitForFinished(3000);
    }
}

void TestHiddenWindows::startProgram()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_folder->filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("TZ"), qEnvironmentVariable("TZ"));
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=/nonexistent"));
    env.insert(QStringLiteral("PULSE_SERVER"),
               QStringLiteral("unix:") + m_home.filePath(QStringLiteral("no-pulse")));
    env.insert(QStringLiteral("PULSE_CLIENTCONFIG"),
               m_home.filePath(QStringLiteral("client.conf")));
    m_program.setProcessEnvironment(env);
    m_program.setProcessChannelMode(QProcess::MergedChannels);
    m_program.start(m_folder->filePath(QStringLiteral("app/zelkor")), {});
    QVERIFY2(m_program.waitForStarted(), qPrintable(m_program.errorString()));
    QTRY_VERIFY2_WITH_TIMEOUT(!windows(QStringLiteral("^Zelkor$")).isEmpty(),
                              qPrintable(programOutput()), kWindowTimeoutMs);
    m_main = windows(QStringLiteral("^Zelkor$")).constFirst();
}

QStringList TestHiddenWindows::windows(const QString& title)
{
    if (m_program.state() != QProcess::Running)
        return {};
    const QString found =
        xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--pid"), QString::number(m_program.processId()),
                 QStringLiteral("--name"), title});
    return found.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestHiddenWindows::click(const QString& window, QPoint at)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
             QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
             QStringLiteral("1")});
}

void TestHiddenWindows::beepingReminderBeepsOnWhileHidden()
{
    const QDateTime due = QDateTime::currentDateTime().addSecs(4);
    QVERIFY(addMessageTask(8, due, QStringLiteral("Stretch your legs")));
    startProgram();
    QVERIFY2(QDateTime::currentDateTime() < due, "the program took too long to start");
    QTRY_VERIFY_WITH_TIMEOUT(!windows(QStringLiteral("^Message$")).isEmpty(), 10000);
    const QString reminder = windows(QStringLiteral("^Message$")).constFirst();
    QTRY_VERIFY_WITH_TIMEOUT(loudestFrom(capture(), 0) > kLoud, 5000);
    const QString placed = geometry(reminder);

    hotKey();
    QTRY_VERIFY(windows(QStringLiteral("^(Zelkor|Message)$")).isEmpty());
    const qint64 hiddenAt = captured();
    QTest::qWait(2000); // two bursts and more
    QVERIFY2(loudestFrom(capture(), hiddenAt) > kLoud, "the reminder fell silent when hidden");

    hotKey();
    QTRY_VERIFY(!windows(QStringLiteral("^Message$")).isEmpty() &&
                !windows(QStringLiteral("^Zelkor$")).isEmpty());
    QCOMPARE(geometry(reminder), placed);
    const qint64 backAt = captured();
    QTRY_VERIFY_WITH_TIMEOUT(loudestFrom(capture(), backAt) > kLoud, 3000);

    // OK ends it: the burst under way is finished, then nothing more.
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), reminder,
             QStringLiteral("key"), QStringLiteral("Return")});
    QTRY_VERIFY(windows(QStringLiteral("^Message$")).isEmpty());
    QTest::qWait(1200);
    const qint64 endedAt = captured();
    QTest::qWait(1000);
    QCOMPARE(captured(), endedAt);
    QCOMPARE(m_program.state(), QProcess::Running);

    // Both windows were painted, again and again: their updates went over
    // the connection, no segment shared with the X server (a memfd it hands
    // out, or System V shared memory) is mapped.
    QFile maps(QStringLiteral("/proc/%1/maps").arg(m_program.processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    QVERIFY(mapped.contains("libQt6XcbQpa"));
    QVERIFY2(!mapped.contains("memfd:xorg") && !mapped.contains("/SYSV"), mapped.constData());
}

void TestHiddenWindows::openTaskDialogComesBackWithWhatWasTyped()
{
    // Where the controls are: the same windows, laid out in this process on
    // the same X server with the same style and fonts.
    FakePlatform platform;
    AppState state;
    QPoint tab, newButton, weekly, action, text, ok;
    {
        MainWindow window(platform, state);
        window.m_tabs->setCurrentIndex(1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        tab = window.m_tabs->tabBar()->mapTo(&window, window.m_tabs->tabBar()->tabRect(1).center());
        QPushButton* newTask = window.tasksPage()->m_newButton;
        newButton = newTask->mapTo(&window, newTask->rect().center());
        TaskDialog dialog(TaskDialog::Mode::New, platform, state);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const auto centre = [&dialog](QWidget* w) { return w->mapTo(&dialog, w->rect().center()); };
        weekly = centre(dialog.m_kindButtons[4]);
        action = centre(dialog.m_actionCombo);
        text = centre(dialog.m_targetEdit);
        ok = centre(dialog.m_okButton);
    }
    startProgram();
    click(m_main, tab);
    click(m_main, newButton);
    QTRY_VERIFY_WITH_TIMEOUT(!windows(QStringLiteral("^New Task$")).isEmpty(), 5000);
    const QString dialog = windows(QStringLiteral("^New Task$")).constFirst();
    click(dialog, weekly);
    click(dialog, action);
    QTest::qWait(300); // the list opens
    xdotool({QStringLiteral("key"), QStringLiteral("End"),
             QStringLiteral("Return")}); // "Events Remind"
    QTest::qWait(300);
    click(dialog, text);
    const QString typed = QStringLiteral("Water the plants");
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), typed});
    const QString placed = geometry(dialog);

    hotKey();
    QTRY_VERIFY(windows(QStringLiteral("^(Zelkor|New Task)$")).isEmpty());
    QTest::qWait(500);
    hotKey();
    QTRY_VERIFY2(!windows(QStringLiteral("^New Task$")).isEmpty(), "the dialog did not come back");
    QCOMPARE(windows(QStringLiteral("^New Task$")).constFirst(),
             dialog); // the same window, not a new one
    QCOMPARE(geometry(dialog), placed);

    click(dialog, ok);
    QTRY_VERIFY(windows(QStringLiteral("^New Task$")).isEmpty());
    QCOMPARE(rowCount(database()), 1);
    const TaskRow saved = readRow(database(), 1);
    QCOMPARE(saved.typeValue(), std::optional<qint64>(4));
    QCOMPARE(saved.actionValue(), std::optional<qint64>(8));
    QCOMPARE(saved.descriptionText(), typed);
}

void TestHiddenWindows::powerOnMessageKeepsWaitingForOk()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime due = now.addSecs(4);
    QVERIFY(addMessageTask(7, due, QStringLiteral("Good morning")));
    // The next Power On, an hour on: its wait is armed only once the first is done.
    QVERIFY(addMessageTask(7, now.addSecs(3600), QStringLiteral("Later")));
    const auto nextArmed = [this] {
        for (qint64 left : armedTimers(m_program.processId()))
            if (left > 600)
                return true;
        return false;
    };
    startProgram();
    QVERIFY2(QDateTime::currentDateTime() < due, "the program took too long to start");
    QTRY_VERIFY_WITH_TIMEOUT(!windows(QStringLiteral("^Message$")).isEmpty(), 10000);
    const QString message = windows(QStringLiteral("^Message$")).constFirst();
    QVERIFY(!nextArmed());

    hotKey();
    QTRY_VERIFY(windows(QStringLiteral("^(Zelkor|Message)$")).isEmpty());
    QTest::qWait(1000);
    QVERIFY2(!nextArmed(), "hiding ended the wait for OK");
    hotKey();
    QTRY_VERIFY(!windows(QStringLiteral("^Message$")).isEmpty());
    QVERIFY(!nextArmed());

    // It came without the keyboard; a click into it gives it the keys.
    click(message, QPoint(10, 10));
    QTest::qWait(300);
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    QTRY_VERIFY(windows(QStringLiteral("^Message$")).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(nextArmed(), 3000);
}

void TestHiddenWindows::windowsThatComeByThemselvesLeaveTheKeyboard_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("title");
    QTest::newRow("reminder") << 8 << QStringLiteral("^Message$");
    QTest::newRow("warning before a lock") << 6 << QStringLiteral("^Zelkor: Lock soon$");
    QTest::newRow("Power On message") << 7 << QStringLiteral("^Message$");
}

// The user types in another program when a window comes by itself: the keys,
// a blank and Enter among them, stay there, and the window stays unanswered.
void TestHiddenWindows::windowsThatComeByThemselvesLeaveTheKeyboard()
{
    QFETCH(int, action);
    QFETCH(QString, title);
    QLineEdit typing;
    typing.setWindowTitle(QStringLiteral("Typing"));
    typing.show();
    QVERIFY(QTest::qWaitForWindowExposed(&typing));
    QFile guard(m_folder->filePath(QStringLiteral("app/guard.inc")));
    QVERIFY(guard.open(QIODevice::WriteOnly) && guard.write("warn=5\n") > 0);
    guard.close();
    const bool warned = action == 6; // the others come at their second
    const QDateTime due = QDateTime::currentDateTime().addSecs(warned ? 8 : 4);
    QVERIFY(addRow(database(), {{"type", 1},
                                {"action", action},
                                {"starttime", daynum::fromDateTime(due)},
                                {"fujia", 1},
                                {"description", QStringLiteral("Stretch your legs")},
                                {"state", 1}}) > 0);
    startProgram();
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(typing.winId())});
    QTRY_VERIFY_WITH_TIMEOUT(!windows(title).isEmpty(), 10000);
    // The warning comes ahead of the lock: typing must end before it acts.
    if (warned)
        QVERIFY2(QDateTime::currentDateTime().addSecs(2) < due, "the warning came too late to type before the lock");
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("ab ")});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    QTRY_COMPARE(typing.text(), QStringLiteral("ab "));
    QTest::qWait(300);
    QVERIFY2(!windows(title).isEmpty(), "the typing answered the window");
}

// Away to the tray and back: a dialog the window waits for comes back above
// it, as the window manager stacks them; under the window it blocks, the
// program looked hung.
void TestHiddenWindows::showFromTrayKeepsTheWaitingDialogOnTop()
{
    FakePlatform platform;
    AppState state;
    MainWindow window(platform, state);
    window.setTrayIconShown(true); // as where a tray shows the icon
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QDialog dialog(&window);
    dialog.setWindowTitle(QStringLiteral("Waiting"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    window.visibility()->onTrayClicked();
    QTRY_VERIFY(!window.isVisible());
    window.visibility()->onTrayClicked();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Bottom to top, as the window manager keeps them.
    const auto above = [this, &window, &dialog] {
        const QString stacking = runOnDisplay(m_display, QStringLiteral("xprop"),
                                              {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
        const QStringList ids = stacking.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
        const auto at = [&ids](const QWidget& w) {
            return ids.indexOf(QStringLiteral(" 0x%1").arg(quintptr(w.winId()), 0, 16));
        };
        return at(window) >= 0 && at(dialog) > at(window);
    };
    QTRY_VERIFY2(above(), "the dialog is under the window it blocks");
}

int main(int argc, char* argv[])
{
    return execOnOwnXServer<TestHiddenWindows>(argc, argv);
}

#include "tst_e2e_hidden_windows.moc"
