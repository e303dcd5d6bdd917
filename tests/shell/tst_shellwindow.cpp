#include "ShellProgram.h"
#include "common/ActionKind.h"
#include "countdown/TimerTab.h"
#include "shell/Autostart.h"
#include "shell/AutostartSwitch.h"
#include "shell/MessageBox.h"
#include "shell/ShellVisibility.h"
#include "shell/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>

using namespace zelkor;
using namespace zelkor::test;

namespace {
struct EventCounter : QObject {
    explicit EventCounter(QEvent::Type type) : type(type) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == type ? 1 : 0;
        return false;
    }
    QEvent::Type type;
    int count = 0;
};
} // namespace

class TestShellWindow : public ShellTest {
    Q_OBJECT
private slots:
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
        QVERIFY(p.menu().m_showAction->isChecked());
        QStringList quick;
        for (QAction* a : p.menu().m_quickMenu->actions())
            quick << a->text();
        QCOMPARE(quick, (QStringList{"Shut Down", "Restart", "Log Off", "Stand By", "Hibernate", "Lock"}));
        QCOMPARE(p.window->trayIcon()->tip(), QStringLiteral("Zelkor"));
        QVERIFY(p.window->trayIcon()->wanted());
    }

    void quickLaunchFollowsChkForce()
    {
        Program p;
        p.start();
        p.menu().m_shutdownAction->trigger();
        p.window->timerTab()->m_forceCheck->setChecked(false);
        p.menu().m_lockAction->trigger();
        QCOMPARE(p.platform.started, (QStringList{p.dir.path() + "/dll/guan_f.dll", p.dir.path() + "/dll/suo.dll"}));
    }

    void suspendRefusedAgainAfterOwnHibernation()
    {
        Program p;
        p.start();
        QVERIFY(p.platform.inhibitorHeld);
        p.menu().m_hibernateAction->trigger();
        QCOMPARE(p.platform.hibernations, 1);
        // The fake is back once the call returns.
        QVERIFY(p.platform.inhibitorHeld);
        p.window->m_wakeOnCheck->setChecked(false);
        QVERIFY(!p.platform.inhibitorHeld);
    }

    void leftClickTogglesByMinimizedState()
    {
        Program p;
        p.start();
        ShellVisibility& v = *p.window->visibility();
        v.onTrayClicked();
        QVERIFY(!p.window->isVisible());
        QVERIFY(p.window->isMinimized());
        QVERIFY(!p.menu().m_showAction->isChecked());
        v.onTrayClicked();
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.window->isMinimized());
        QVERIFY(p.menu().m_showAction->isChecked());
    }

    // Minimized without a tray, the window comes back on request; where the
    // desktop cannot be asked to restore it (Wayland), by being shown anew.
    void minimizedWindowComesBack_data()
    {
        QTest::addColumn<bool>("showsAnew");
        QTest::addColumn<int>("hides"); // times it was unmapped on the way back
        QTest::newRow("restored by asking") << false << 0;
        QTest::newRow("shown anew") << true << 1;
    }
    void minimizedWindowComesBack()
    {
        QFETCH(bool, showsAnew);
        QFETCH(int, hides);
        Program p;
        p.start();
        p.window->setTrayIconShown(false);
        ShellVisibility& v = *p.window->visibility();
        v.showsAnewToRestore = showsAnew;
        v.hideToTray();
        QVERIFY(p.window->isMinimized());
        EventCounter counter(QEvent::Hide);
        p.window->installEventFilter(&counter);
        v.showFromTray();
        QCOMPARE(counter.count, hides);
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.window->isMinimized());
    }

    void showHideItem()
    {
        Program p;
        p.start();
        p.menu().m_showAction->trigger(); // checked: hide
        QVERIFY(!p.window->isVisible());
        QVERIFY(!p.menu().m_showAction->isChecked());
        p.menu().m_showAction->trigger(); // unchecked: show
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.window->isMinimized());
        QVERIFY(p.menu().m_showAction->isChecked());
    }

    void closeButtonHidesToTheTray()
    {
        Program p;
        p.start();
        QVERIFY(!p.window->close());
        QVERIFY(!p.window->isVisible());
        QVERIFY(p.window->isMinimized());
        QVERIFY(!p.menu().m_showAction->isChecked());
        QVERIFY(!QFile::exists(p.settingsPath())); // only the real close saves
    }

    void hideItemAndHotKeyTakeEveryWindow()
    {
        Program p;
        p.start();
        QDialog other; // a reminder or task dialog that is open
        other.show();
        QDialog closed; // loaded once, closed since: stays closed
        p.menu().m_hideAction->trigger();
        QVERIFY(p.state.hiddenMode);
        QVERIFY(!p.window->isVisible());
        QVERIFY(!other.isVisible());
        QVERIFY(!p.window->trayIcon()->wanted());
        p.window->visibility()->onHotKey();
        QVERIFY(p.window->isVisible());
        QVERIFY(other.isVisible());
        QVERIFY(!closed.isVisible());
        QVERIFY(p.window->trayIcon()->wanted());
    }

    // A problem told in hidden mode waits for its end, as the open windows
    // do; the way back out is told at once.
    void hiddenModeKeepsNewBoxesForLater_data()
    {
        QTest::addColumn<bool>("wayBack");
        QTest::newRow("a failure") << false;
        QTest::newRow("the way back") << true;
    }
    void hiddenModeKeepsNewBoxesForLater()
    {
        QFETCH(bool, wayBack);
        const auto closeBoxes = [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<QMessageBox*>(w))
                    w->close();
        };
        Program p;
        p.start();
        MessageBox::resetTestState(); // real boxes, answered by nobody
        p.menu().m_hideAction->trigger(); // tells the way back: no hot key offscreen
        if (!wayBack) {
            closeBoxes();
            p.window->tell(QStringLiteral("Could not lock the screen."));
        }
        const auto shownBox = [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    return box->text();
            return QString();
        };
        QCOMPARE(shownBox(), wayBack ? kNoHotKeyWayBack : QString());
        p.window->visibility()->onHotKey();
        QCOMPARE(shownBox(), wayBack ? kNoHotKeyWayBack : QStringLiteral("Could not lock the screen."));
        closeBoxes();
    }

    // Where Ctrl+Alt+H cannot be had (here, offscreen), choosing hidden mode
    // tells the way back.
    void hidingWithoutTheKeyTellsTheWayBack_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("told");
        QTest::newRow("the Hide item") << "hide" << kNoHotKeyWayBack;
        QTest::newRow("the start option, checked") << "check" << kNoHotKeyWayBack;
        QTest::newRow("the start option, unchecked") << "uncheck" << QString();
    }
    void hidingWithoutTheKeyTellsTheWayBack()
    {
        QFETCH(QString, choice);
        QFETCH(QString, told);
        Program p;
        p.start();
        QCheckBox* option = p.window->optionsPage()->m_startHiddenCheck;
        option->setChecked(choice == QLatin1String("uncheck"));
        MessageBox::resetTestState();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        if (choice == QLatin1String("hide"))
            p.menu().m_hideAction->trigger();
        else
            option->click();
        QCOMPARE(MessageBox::lastText(), told);
    }

    void hotKeyKeepsTheShowMark()
    {
        Program p;
        p.start();
        ShellVisibility& v = *p.window->visibility();
        v.onTrayClicked(); // to the tray: mark off
        v.onHotKey();
        QVERIFY(p.state.hiddenMode);
        v.onHotKey();
        QVERIFY(!p.state.hiddenMode);
        QVERIFY(p.window->isVisible());
        QVERIFY(!p.menu().m_showAction->isChecked()); // the hot key leaves the mark alone
        v.onTrayClicked();                            // not minimized: hides
        QVERIFY(!p.window->isVisible());
    }

    void runAtStartupBoxAndItem()
    {
        Program p;
        p.start();
        const QString program = QApplication::applicationFilePath();
        QCheckBox& box = *p.options().m_runAtStartupCheck;
        QAction& item = *p.menu().m_runAtStartupAction;
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
        QCOMPARE(p.options().m_runAtStartupCheck->isChecked(), checked);
        QCOMPARE(p.menu().m_runAtStartupAction->isChecked(), checked);
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
        p.options().m_runAtStartupCheck->click();
        qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/config")).toUtf8());
        QVERIFY(!p.options().m_runAtStartupCheck->isChecked());
        QVERIFY(!p.menu().m_runAtStartupAction->isChecked());
        QVERIFY(MessageBox::lastText().contains(QStringLiteral("could not be created")));
    }
};

QTEST_MAIN(TestShellWindow)
#include "tst_shellwindow.moc"
