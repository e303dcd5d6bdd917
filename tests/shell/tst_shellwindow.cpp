#include "common/ActionKind.h"
#include "countdown/TimerTab.h"
#include "platform/fake/FakePlatform.h"
#include "shell/Autostart.h"
#include "shell/AutostartSwitch.h"
#include "shell/FrmMain.h"
#include "shell/MessageBox.h"
#include "shell/OptionsPage.h"
#include "shell/SettingsFile.h"
#include "shell/SettingsKeeper.h"
#include "shell/ShellVisibility.h"
#include "shell/TrayIcon.h"
#include "shell/TrayMenu.h"
#include "support/TempProgramDir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QRadioButton>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zelkor;

namespace {
QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// One running program: a private program folder, the fake platform and the
// main window after its start-up sequence.
struct Program {
    test::TempProgramDir dir;
    FakePlatform platform;
    AppState state;
    std::unique_ptr<FrmMain> window;

    QString settingsPath() const { return settings::filePath(dir.path()); }
    void start(bool trayReachable = true)
    {
        state.programDir = dir.path();
        window = std::make_unique<FrmMain>(platform, state);
        window->setTrayIconShown(trayReachable);
        QVERIFY(window->Form_Load());
    }
    OptionsPage& options() { return *window->optionsPage(); }
    TrayMenu& menu() { return *window->mnuTray(); }
};
} // namespace

class TestShellWindow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/config")).toUtf8());
        // No desktop bus: nothing here may reach a real tray or session.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent");
    }

    void init()
    {
        QFile::remove(autostart::entryPath());
        MessageBox::resetTestState();
    }

    void trayMenuItems()
    {
        Program p;
        p.start();
        const QList<QAction*> items = p.menu().actions();
        QStringList captions;
        for (QAction* a : items)
            captions << a->text();
        const QString line(22, QLatin1Char('-'));
        QCOMPARE(captions, (QStringList{"Show/Hide main window", "Hide (Press Ctrl+Alt+H to show)", line,
                                        "Quick launch", line, "Run at Windows Startup", line, "Exit"}));
        for (int i : {2, 4, 6}) {
            QVERIFY(!items[i]->isEnabled());
            QVERIFY(!items[i]->isSeparator());
        }
        QVERIFY(p.menu().M_show->isChecked());
        QStringList quick;
        for (QAction* a : p.menu().M_quick->actions())
            quick << a->text();
        QCOMPARE(quick, (QStringList{"Shut Down", "Restart", "Log Off", "Stand By", "Hibernate", "Lock"}));
        QCOMPARE(p.window->trayIcon()->tip(), QStringLiteral("Zelkor"));
        QVERIFY(p.window->trayIcon()->wanted());
    }

    void quickLaunchFollowsChkForce()
    {
        Program p;
        p.start();
        p.menu().M_shutdown->trigger();
        p.window->timerTab()->ChkForce->setChecked(false);
        p.menu().M_lock->trigger();
        QCOMPARE(p.platform.started, (QStringList{p.dir.path() + "/dll/guan_f.dll", p.dir.path() + "/dll/suo.dll"}));
    }

    void checkingCheck1WritesAllLinesAtOnce()
    {
        Program p;
        p.start();
        QVERIFY(!QFile::exists(p.settingsPath()));
        p.window->timerTab()->ImageCombo1->setCurrentIndex(7); // not saved by itself
        QVERIFY(!QFile::exists(p.settingsPath()));
        p.options().Check1->click();
        const QByteArray bytes = fileBytes(p.settingsPath());
        QCOMPARE(bytes.count("\r\n"), 13);
        QVERIFY(bytes.endsWith(" 1\r\n 1\r\n 0\r\n 8\r\n"));
        QCOMPARE(bytes, settings::format(p.window->settingsKeeper()->currentRecord()));
        p.options().Check2->setChecked(true); // a change by the program saves as well
        QVERIFY(fileBytes(p.settingsPath()).endsWith(" 1\r\n 1\r\n 1\r\n 8\r\n"));
    }

    void startingInTheTrayDoesNotRewriteTheFile()
    {
        Program p;
        // Numbers without their blank: a rewrite would add it.
        const QByteArray file = "False\r\nFalse\r\nTrue\r\nFalse\r\n\r\n\r\n\r\n\r\n\r\n0\r\n1\r\n0\r\n9\r\n";
        writeBytes(p.settingsPath(), file);
        p.start();
        QCOMPARE(fileBytes(p.settingsPath()), file);
        QVERIFY(p.options().Check1->isChecked());
        QVERIFY(!p.window->timerTab()->ChkForce->isChecked());
        QCOMPARE(p.window->timerTab()->ImageCombo1->currentText(), QStringLiteral("Open a file or URL"));
        QVERIFY(p.window->timerTab()->Option1[2]->isChecked()); // "Windows Run:"
        QCOMPARE(p.window->timerTab()->timerMode(), 2);
        QVERIFY(p.window->timerTab()->DTPicker5->isEnabled());
        QVERIFY(!p.window->timerTab()->DTPicker1->isEnabled());
        // In the tray: minimized, hidden, "Show/Hide main window" unchecked.
        QVERIFY(!p.menu().M_show->isChecked());
        QVERIFY(p.window->isMinimized());
        QVERIFY(!p.window->isVisible());
        QVERIFY(!p.state.HiddenMode);
        QVERIFY(p.window->trayIcon()->wanted());
    }

    void timerTabSurvivesARestart()
    {
        QByteArray saved;
        {
            Program p;
            p.start();
            TimerTab* tab = p.window->timerTab();
            tab->Option1[3]->click();
            tab->DTPicker7->setTime(QTime(0, 42));
            tab->DTPicker1->setTime(QTime(5, 0));
            tab->DTPicker6->setTime(QTime(0, 17));
            p.window->Exit();
            saved = fileBytes(p.settingsPath());
        }
        QCOMPARE(saved.count("\r\n"), 13);
        Program p;
        writeBytes(p.settingsPath(), saved);
        p.start();
        TimerTab* tab = p.window->timerTab();
        QVERIFY(tab->Option1[3]->isChecked());
        QCOMPARE(tab->timerMode(), 3);
        QVERIFY(tab->DTPicker7->isEnabled());
        QCOMPARE(tab->DTPicker7->time().minute(), 42);
        QCOMPARE(tab->DTPicker1->time().hour(), 5);
        QCOMPARE(tab->DTPicker6->time().minute(), 17);
        QCOMPARE(tab->DTPicker5->time().hour(), 3); // untouched: the design value
    }

    void startingInTheTrayWithoutATrayStaysReachable()
    {
        Program p;
        writeBytes(p.settingsPath(), QByteArray(9, '\n') + " 1\r\n 1\r\n 0\r\n");
        p.start(false);
        QVERIFY(p.window->isMinimized());
        QVERIFY(p.window->isVisible()); // minimized, not gone
    }

    void check2StartsHidden()
    {
        Program p;
        writeBytes(p.settingsPath(), QByteArray(10, '\n') + " 1\r\n 1\r\n");
        p.start();
        QVERIFY(p.state.HiddenMode);
        QVERIFY(!p.window->isVisible());
        QVERIFY(!p.window->trayIcon()->wanted()); // no icon either
        p.window->visibility()->HotKeyProc();
        QVERIFY(!p.state.HiddenMode);
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.window->isMinimized());
        QVERIFY(p.window->trayIcon()->wanted());
        QCOMPARE(p.window->trayIcon()->tip(), QStringLiteral("Zelkor"));
    }

    void shortFileLeavesTheRestAtDesignValues()
    {
        Program p;
        writeBytes(p.settingsPath(), QByteArray(9, '\n') + "x\r\n");
        p.start();
        QVERIFY(!p.window->timerTab()->ChkForce->isChecked()); // a letter reads 0
        QCOMPARE(p.window->timerTab()->ImageCombo1->currentIndex(), 0);
        QVERIFY(!p.options().Check1->isChecked());
        QVERIFY(p.window->isVisible());
    }

    void harmlessFilesStartNormally_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe\r\n\x80\x81", 8).repeated(50);
        QTest::newRow("garbage") << QByteArray("zz\r\n%%%\r\n-\r\n1/1/1\r\n99:99\r\n\r\n\r\n\r\n\r\n 7\r\n 3\r\n-1\r\n 42\r\n");
        QTest::newRow("truncated") << QByteArray("True\r\nFal");
    }
    void harmlessFilesStartNormally()
    {
        QFETCH(QByteArray, bytes);
        Program p;
        writeBytes(p.settingsPath(), bytes);
        p.start();
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.state.HiddenMode);
        QVERIFY(!p.options().Check1->isChecked());
        const int action = p.window->timerTab()->ImageCombo1->currentIndex();
        QVERIFY(action >= 0 && action < 9);
        QCOMPARE(fileBytes(p.settingsPath()), bytes);
    }

    void exitSavesAndDropsIconAndFilter()
    {
        Program p;
        p.start();
        QVERIFY(p.platform.inhibitorHeld);
        p.window->timerTab()->ImageCombo1->setCurrentIndex(4);
        p.window->Exit();
        QVERIFY(p.state.ExitRequested);
        QVERIFY(p.state.CancelWakeWait);
        QVERIFY(!p.window->trayIcon()->wanted());
        QVERIFY(!p.platform.inhibitorHeld);
        const QByteArray bytes = fileBytes(p.settingsPath());
        QCOMPARE(bytes.count("\r\n"), 13);
        QVERIFY(bytes.endsWith(" 0\r\n 0\r\n 5\r\n"));
    }

    void exitFromTheTrayOrHiddenSaves_data()
    {
        QTest::addColumn<bool>("hidden");
        QTest::newRow("in the tray") << false;
        QTest::newRow("hidden mode") << true;
    }
    void exitFromTheTrayOrHiddenSaves()
    {
        QFETCH(bool, hidden);
        Program p;
        p.start();
        if (hidden)
            p.window->visibility()->HotKeyProc();
        else
            p.window->visibility()->TrayClick();
        QVERIFY(!p.window->isVisible());
        p.window->Exit();
        QCOMPARE(fileBytes(p.settingsPath()).count("\r\n"), 13);
    }

    void ownHibernationLetsSuspendThrough()
    {
        Program p;
        p.start();
        QVERIFY(p.platform.inhibitorHeld);
        p.menu().M_hibernate->trigger();
        QCOMPARE(p.platform.hibernations, 1);
        QVERIFY(!p.platform.inhibitorHeld);
        p.window->chkWakeOn->setChecked(false);
        p.window->chkWakeOn->setChecked(true);
        QVERIFY(!p.platform.inhibitorHeld);
    }

    void leftClickTogglesByMinimizedState()
    {
        Program p;
        p.start();
        ShellVisibility& v = *p.window->visibility();
        v.TrayClick();
        QVERIFY(!p.window->isVisible());
        QVERIFY(p.window->isMinimized());
        QVERIFY(!p.menu().M_show->isChecked());
        v.TrayClick();
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.window->isMinimized());
        QVERIFY(p.menu().M_show->isChecked());
    }

    void showHideItem()
    {
        Program p;
        p.start();
        p.menu().M_show->trigger(); // checked: hide
        QVERIFY(!p.window->isVisible());
        QVERIFY(!p.menu().M_show->isChecked());
        p.menu().M_show->trigger(); // unchecked: show
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.window->isMinimized());
        QVERIFY(p.menu().M_show->isChecked());
    }

    void closeButtonHidesToTheTray()
    {
        Program p;
        p.start();
        QVERIFY(!p.window->close());
        QVERIFY(!p.window->isVisible());
        QVERIFY(p.window->isMinimized());
        QVERIFY(!p.menu().M_show->isChecked());
        QVERIFY(!QFile::exists(p.settingsPath())); // only the real close saves
    }

    void hideItemAndHotKeyTakeEveryWindow()
    {
        Program p;
        p.start();
        QDialog other; // a reminder or task dialog that is open
        other.show();
        QDialog closed; // loaded once, closed since: stays closed
        p.menu().M_hide->trigger();
        QVERIFY(p.state.HiddenMode);
        QVERIFY(!p.window->isVisible());
        QVERIFY(!other.isVisible());
        QVERIFY(!p.window->trayIcon()->wanted());
        p.window->visibility()->HotKeyProc();
        QVERIFY(p.window->isVisible());
        QVERIFY(other.isVisible());
        QVERIFY(!closed.isVisible());
        QVERIFY(p.window->trayIcon()->wanted());
    }

    void hotKeyKeepsTheShowMark()
    {
        Program p;
        p.start();
        ShellVisibility& v = *p.window->visibility();
        v.TrayClick(); // to the tray: mark off
        v.HotKeyProc();
        QVERIFY(p.state.HiddenMode);
        v.HotKeyProc();
        QVERIFY(!p.state.HiddenMode);
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.menu().M_show->isChecked()); // the hot key leaves the mark alone
        v.TrayClick();                          // not minimized: hides
        QVERIFY(!p.window->isVisible());
    }

    void runAtStartupBoxAndItem()
    {
        Program p;
        p.start();
        const QString program = QApplication::applicationFilePath();
        QCheckBox& box = *p.options().ChkRun;
        QAction& item = *p.menu().M_run;
        QVERIFY(!box.isChecked() && !item.isChecked());

        box.click();
        QVERIFY(item.isChecked());
        QCOMPARE(*autostart::readEntry(autostart::entryPath()), autostart::entryText(program, true));

        item.trigger(); // looks at the box: now off
        QVERIFY(!box.isChecked() && !item.isChecked());
        QCOMPARE(*autostart::readEntry(autostart::entryPath()), autostart::entryText(program, false));

        item.trigger();
        QVERIFY(box.isChecked() && item.isChecked());
        QVERIFY(autostart::isOn(*autostart::readEntry(autostart::entryPath()), program));
    }

    void startupCheckReadsTheEntry_data()
    {
        QTest::addColumn<QString>("program"); // empty: this program
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("checked");
        QTest::newRow("on for this program") << QString() << true << true;
        QTest::newRow("off") << QString() << false << false;
        QTest::newRow("moved folder") << QStringLiteral("/old/place/zelkor") << true << false;
    }
    void startupCheckReadsTheEntry()
    {
        QFETCH(QString, program);
        QFETCH(bool, on);
        QFETCH(bool, checked);
        const QString path = program.isEmpty() ? QApplication::applicationFilePath() : program;
        QVERIFY(autostart::writeEntry(autostart::entryPath(), path, on).ok);
        const QByteArray before = *autostart::readEntry(autostart::entryPath());
        Program p;
        p.start();
        QCOMPARE(p.options().ChkRun->isChecked(), checked);
        QCOMPARE(p.menu().M_run->isChecked(), checked);
        QCOMPARE(*autostart::readEntry(autostart::entryPath()), before); // an outdated entry stays
    }

    void unwritableEntryIsToldAndNotShownAsOn()
    {
        const QString config = m_home.path() + QStringLiteral("/blocked");
        QFile blocker(config);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        Program p;
        p.start();
        p.options().ChkRun->click();
        qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/config")).toUtf8());
        QVERIFY(!p.options().ChkRun->isChecked());
        QVERIFY(!p.menu().M_run->isChecked());
        QVERIFY(MessageBox::lastText().contains(QStringLiteral("could not be created")));
    }
};

QTEST_MAIN(TestShellWindow)
#include "tst_shellwindow.moc"
