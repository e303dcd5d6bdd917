#include "actions/ActionExecutor.h"
#include "actions/ReminderWindow.h"
#include "countdown/TimerTab.h"
#include "platform/fake/FakePlatform.h"
#include "shell/ClockText.h"
#include "countdown/PowerOnCycle.h"
#include "shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/OptionsPage.h"
#include "tasks/TaskDialog.h"
#include "tasks/TaskGrid.h"
#include "tasks/TaskListText.h"
#include "tasks/TasksPage.h"
#include "support/TaskTable.h"
#include "support/TempProgramDir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>
#include <memory>

using namespace zelkor;

namespace {
// Counts the events of one type an object receives.
class EventCounter : public QObject
{
public:
    using Filter = std::function<bool(QEvent*)>;
    EventCounter(QObject* target, QEvent::Type type, Filter filter = {})
        : m_type(type), m_filter(std::move(filter))
    {
        target->installEventFilter(this);
    }
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        m_count += event->type() == m_type && (!m_filter || m_filter(event));
        return false;
    }

private:
    QEvent::Type m_type = QEvent::None;
    Filter m_filter;
    int m_count = 0;
};
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private:
    struct Fixture {
        test::TempProgramDir dir;
        FakePlatform platform;
        AppState state;
        MainWindow* window = nullptr;
        Fixture()
        {
            state.paths = portablePaths(dir.path());
            window = new MainWindow(platform, state);
        }
        ~Fixture() { delete window; }
    };

private slots:
    void init() { MessageBox::resetTestState(); }

    // A screen smaller than the window's design size (800x600 at a scale of
    // 1.5): the window starts within it, as far as its least size allows.
    void windowStartsWithinASmallScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("common screen") << QSize(1600, 1000) << QSize(600, 420);
        QTest::newRow("800x600 at scale 1.5") << QSize(533, 400) << QSize(533, 400);
    }
    void windowStartsWithinASmallScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, expected);
        Fixture f;
        f.platform.setScreen(QRect(QPoint(0, 0), screen));
        QVERIFY(f.window->startUp());
        QCOMPARE(f.window->size(), expected.expandedTo(f.window->minimumSizeHint()));
        QVERIFY(f.window->width() <= screen.width());
    }

    void startUpShowsTheWindowAtTheGoldenSection()
    {
        Fixture f;
        f.platform.setScreen(QRect(0, 0, 1600, 1000));
        QVERIFY(f.window->startUp());
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelkor"));
        QCOMPARE(f.window->m_tabs->count(), 3);
        QCOMPARE(f.window->m_tabs->tabText(0), QStringLiteral("Timer"));
        QCOMPARE(f.window->m_tabs->tabText(1), QStringLiteral("Scheduled Tasks"));
        QCOMPARE(f.window->m_tabs->tabText(2), QStringLiteral("Options"));
        QCOMPARE(f.window->m_tabs->currentIndex(), 0);
        const QRect frame = f.window->frameGeometry();
        QVERIFY(qAbs(frame.center().y() - 382) <= 1);
        QVERIFY(qAbs(frame.center().x() - 800) <= 1);
        QVERIFY(f.window->m_clockTimer->isActive());
    }

    void actionListHoldsTheNineActions()
    {
        Fixture f;
        QVERIFY(f.window->startUp());
        const auto* combo = f.window->timerTab()->m_actionCombo;
        QCOMPARE(combo->count(), 9);
        QCOMPARE(combo->itemText(0), QStringLiteral("Shut Down"));
        QCOMPARE(combo->itemText(8), QStringLiteral("Open a file or URL"));
        QCOMPARE(combo->currentIndex(), 0);
    }

    void secondInstanceEndsWithItsMessage()
    {
        Fixture f;
        const QByteArray saved = "False\r\n3\r\nFalse\r\n";
        QFile settings(f.state.paths.settingsPath);
        QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write(saved) == saved.size());
        settings.close();
        f.platform.setOtherInstanceRunning(true);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!f.window->startUp());
        QCOMPARE(MessageBox::lastText(), QStringLiteral("This program has already running."));
        QVERIFY(f.state.exitRequested);
        QVERIFY(!f.window->isVisible());
        // Ended the way the session's end ends it: the settings of the
        // instance that runs stay as they are.
        f.window->quitProgram();
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll(), saved);
    }

    void clockTickFillsTheLabels()
    {
        Fixture f;
        f.platform.setNow(QDateTime(QDate(2026, 12, 6), QTime(15, 19, 12)));
        f.platform.setUptimeMs(26 * 3600000 + 7 * 60000);
        QVERIFY(f.window->startUp());
        QVERIFY(f.window->timerTab()->m_clockLabel->text().endsWith(QStringLiteral("  Sun")));
        QCOMPARE(f.window->timerTab()->m_uptimeLabel->text(),
                 QStringLiteral("26 hours 07 minutes "));
        f.platform.advance(60);
        f.window->updateClock();
        QCOMPARE(f.window->timerTab()->m_uptimeLabel->text(),
                 QStringLiteral("26 hours 08 minutes "));
    }

    void toolbarKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<int>("hibernations");
        QTest::newRow("shut down forced") << "T_shut" << true << QStringList{"guan_f.dll"} << 0;
        QTest::newRow("shut down plain") << "T_shut" << false << QStringList{"guan.dll"} << 0;
        QTest::newRow("restart") << "T_restart" << true << QStringList{"res_f.dll"} << 0;
        QTest::newRow("log off") << "T_logoff" << true << QStringList{"log.dll"} << 0;
        QTest::newRow("stand by") << "T_standby" << false << QStringList{"gua.dll"} << 0;
        QTest::newRow("hibernate") << "T_hibernate" << true << QStringList{} << 1;
        QTest::newRow("lock") << "T_lock" << true << QStringList{"suo.dll"} << 0;
        QTest::newRow("wrong case") << "t_shut" << true << QStringList{} << 0;
        QTest::newRow("unknown key") << "T_shutdown" << true << QStringList{} << 0;
    }
    void toolbarKeys()
    {
        QFETCH(QString, key);
        QFETCH(bool, forced);
        QFETCH(QStringList, started);
        QFETCH(int, hibernations);
        Fixture f;
        QVERIFY(f.window->startUp());
        f.window->timerTab()->m_forceCheck->setChecked(forced);
        f.window->onToolbarButton(key);
        QStringList names;
        for (const QString& path : f.platform.started)
            names << path.section(QLatin1Char('/'), -1);
        QCOMPARE(names, started);
        QCOMPARE(f.platform.hibernations, hibernations);
        for (const QString& path : f.platform.started)
            QCOMPARE(path,
                     f.dir.path() + QStringLiteral("/dll/") + path.section(QLatin1Char('/'), -1));
    }

    void toolbarButtonsCarryTheirKeysInOrder()
    {
        Fixture f;
        const QStringList keys{"T_shut",      "T_restart", "T_logoff", "T_standby",
                               "T_hibernate", "T_lock",    "T_help"};
        const QStringList captions{"Shut Down", "Restart", "Log Off", "Stand By",
                                   "Hibernate", "Lock",    "Help"};
        const QList<QAction*> actions = f.window->m_toolbar->actions();
        QCOMPARE(actions.size(), keys.size());
        for (int i = 0; i < keys.size(); ++i) {
            QCOMPARE(actions.at(i)->data().toString(), keys.at(i));
            QCOMPARE(actions.at(i)->text(), captions.at(i));
        }
        actions.at(5)->trigger(); // a real click path for one of them
        QCOMPARE(f.platform.started.size(), 1);
        QVERIFY(f.platform.started.first().endsWith(QStringLiteral("/dll/suo.dll")));
    }

    void helpOpensThePageBesideTheProgram_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("toolbar button") << false;
        QTest::newRow("F1") << true;
    }
    void helpOpensThePageBesideTheProgram()
    {
        QFETCH(bool, byKey);
        Fixture f;
        QVERIFY(f.window->startUp());
        if (byKey) {
            f.window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(f.window));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        } else {
            f.window->onToolbarButton(QStringLiteral("T_help"));
        }
        QCOMPARE(f.platform.opened, QStringList{f.dir.path() + QStringLiteral("/zelkor.html")});
    }

    // Tab goes round what the user sees, and reaches every command on it: it
    // never stops on a control kept out of sight, nor stays in the task list.
    void tabStopsOnWhatIsShown_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("mustReach");
        QTest::newRow("Timer tab") << "Timer" << QStringList{"CmdStart", "ChkForce"};
        QTest::newRow("Scheduled Tasks tab") << "Scheduled Tasks" << QStringList{"MSFlexGrid1", "cmdNew", "cmdDel"};
        QTest::newRow("Options tab") << "Options" << QStringList{"Label18", "Label14"};
        QTest::newRow("New Task dialog") << "New Task" << QStringList{"Command2", "Command3"};
    }
    void tabStopsOnWhatIsShown()
    {
        QFETCH(QString, where);
        QFETCH(QStringList, mustReach);
        Fixture f;
        test::addRow(f.dir.databasePath(), {{"type", 2}, {"action", 6}});
        QVERIFY(f.window->startUp());
        std::unique_ptr<TaskDialog> dialog;
        QWidget* window = f.window;
        if (where == QLatin1String("New Task")) {
            dialog = std::make_unique<TaskDialog>(TaskDialog::Mode::New, f.platform, f.state, f.window);
            dialog->show();
            window = dialog.get();
        } else {
            for (int i = 0; i < f.window->m_tabs->count(); ++i)
                if (f.window->m_tabs->tabText(i) == where)
                    f.window->m_tabs->setCurrentIndex(i);
        }
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::qWait(50); // the page shown is laid out
        if (where == QLatin1String("Scheduled Tasks")) {
            TaskGrid* grid = f.window->tasksPage()->m_taskGrid;
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, tasklist::ColDescription)).center());
        }
        QStringList reached;
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            QVERIFY2(!focus->visibleRegion().isEmpty(), qPrintable(focus->objectName() + " takes Tab out of sight"));
            reached << focus->objectName();
        }
        for (const QString& name : mustReach)
            QVERIFY2(reached.contains(name), qPrintable(name + " is not reached by Tab: " + reached.join(' ')));
    }

    void remindersAreNonModalAndOnTop()
    {
        Fixture f;
        QVERIFY(f.window->startUp());
        f.window->onToolbarButton(QStringLiteral("T_help")); // unrelated; keeps state realistic
        f.window->actions().performAction(8, false, QStringLiteral("Tea"));
        ReminderWindow* reminder = f.window->reminder();
        QVERIFY(reminder->isVisible());
        QVERIFY(!reminder->isModal());
        QVERIFY(reminder->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(reminder->m_messageLabel->text(), QStringLiteral("Tea"));
        reminder->close();
    }

    void closeRequest_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("end"); // the answer to the question without a tray
        QTest::newRow("with a tray icon the window hides") << true << false;
        QTest::newRow("without a tray, asked, it minimizes") << false << false;
        QTest::newRow("without a tray, asked, it ends") << false << true;
    }
    void closeRequest()
    {
        QFETCH(bool, tray);
        QFETCH(bool, end);
        Fixture f;
        QVERIFY(f.window->startUp());
        f.window->setTrayIconShown(tray);
        MessageBox::resetTestState();
        MessageBox::setNextAnswer(end ? QMessageBox::Yes : QMessageBox::No);
        QVERIFY(!f.window->close());
        QCOMPARE(MessageBox::lastText(), tray ? QString() : kEndWithoutTray);
        if (end) {
            QTRY_VERIFY(f.state.exitRequested);
            QVERIFY(!f.window->isVisible());
            QVERIFY(QFile::exists(f.state.paths.settingsPath)); // as Exit, the settings saved
            return;
        }
        QVERIFY(f.window->isMinimized());
        QCOMPARE(f.window->isVisible(), !tray);
        QVERIFY(!f.state.exitRequested);
        // Out of sight the clock rests; back on screen it shows the time at once.
        QVERIFY(!f.window->m_clockTimer->isActive());
        f.platform.advance(120);
        f.window->showNormal();
        QVERIFY(f.window->m_clockTimer->isActive());
        QCOMPARE(f.window->timerTab()->m_clockLabel->text(), clockText(f.platform.now()));
    }

    // Resting in the tray the program runs only the polls its tasks need:
    // with nothing scheduled no timer at all, not even the clock's.
    void inTheTrayOnlyTheNeededPollsRun_data()
    {
        QTest::addColumn<QVariantMap>("task"); // none when empty
        QTest::addColumn<QStringList>("running");
        QTest::newRow("nothing scheduled") << QVariantMap() << QStringList();
        QTest::newRow("a daily task") << QVariantMap{{"type", 2}, {"action", 6}, {"starttime", 0.75}}
                                      << QStringList{"TimEvery"};
        QTest::newRow("a forbidden period")
            << QVariantMap{{"type", 0}, {"action", 1}, {"starttime", 0.9}, {"stoptime", 0.95}}
            << QStringList{"TimNot"};
    }
    void inTheTrayOnlyTheNeededPollsRun()
    {
        QFETCH(QVariantMap, task);
        QFETCH(QStringList, running);
        Fixture f;
        if (!task.isEmpty())
            QVERIFY(test::addRow(f.dir.databasePath(), task) > 0);
        QVERIFY(f.window->startUp());
        f.window->setTrayIconShown(true);
        QVERIFY(!f.window->close()); // into the tray
        QTest::qWait(100);           // the start-up's single shots have run
        QStringList active;
        for (const QTimer* timer : f.window->findChildren<QTimer*>())
            if (timer->isActive())
                active << timer->objectName();
        QCOMPARE(active, running);
        f.state.exitRequested = true;
    }

    // Shown first, the window is on screen before the rest of the start: the
    // suspend filter and the task poll follow its first paint, or a moment
    // later should it not be painted. A window that does not show at start
    // runs it all at once.
    void windowFirstStartFinishesAfterThePaint_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("shownFirst"); // the rest still to come when startUp returns
        QTest::addColumn<bool>("afterPaint");
        QTest::newRow("shown: the rest follows its paint") << "shown" << true << true;
        QTest::newRow("hidden before its paint: the rest follows all the same")
            << "hidden" << true << false;
        QTest::newRow("starting in the tray: all at once") << "tray" << false << false;
    }
    void windowFirstStartFinishesAfterThePaint()
    {
        QFETCH(QString, start);
        QFETCH(bool, shownFirst);
        QFETCH(bool, afterPaint);
        Fixture f;
        QVERIFY(test::addRow(f.dir.databasePath(), {{"type", 2}, {"action", 6}, {"starttime", 0.75}}) > 0);
        f.window->optionsPage()->m_startInTrayCheck->setChecked(start == QLatin1String("tray"));
        const EventCounter paints(f.window, QEvent::Paint);
        int paintsBeforeTheRest = -1;
        QSignalSpy started(f.window, &MainWindow::startedUp);
        connect(f.window, &MainWindow::startedUp, this, [&] { paintsBeforeTheRest = paints.count(); });

        QVERIFY(f.window->startUp(MainWindow::StartOrder::WindowFirst));
        QCOMPARE(started.count(), shownFirst ? 0 : 1);
        QCOMPARE(f.platform.inhibitorHeld, !shownFirst);
        QCOMPARE(f.window->m_taskPollTimer->isActive(), !shownFirst);
        if (shownFirst)
            QVERIFY(f.window->isVisible());
        if (start == QLatin1String("hidden"))
            f.window->hide();
        QTRY_COMPARE(started.count(), 1);
        QCOMPARE(paintsBeforeTheRest > 0, afterPaint);
        QVERIFY(f.platform.inhibitorHeld);
        QVERIFY(f.window->m_taskPollTimer->isActive());
        QTest::qWait(400); // past the moment a missing paint is waited for: once only
        QCOMPARE(started.count(), 1);
        f.state.exitRequested = true;
    }

    // The tab area is laid out and painted once as the window first shows,
    // not a second time right after (which the widgets' first polish used to
    // cause: a whole extra layout and paint at every start).
    void tabAreaPaintedOnceAtStart_data()
    {
        QTest::addColumn<MainWindow::StartOrder>("order");
        QTest::newRow("the window first") << MainWindow::StartOrder::WindowFirst;
        QTest::newRow("all at once") << MainWindow::StartOrder::AllAtOnce;
    }
    void tabAreaPaintedOnceAtStart()
    {
        QFETCH(MainWindow::StartOrder, order);
        Fixture f;
        QWidget* tabs = f.window->m_tabs;
        const EventCounter paints(tabs, QEvent::Paint, [tabs](QEvent* event) {
            return static_cast<QPaintEvent*>(event)->rect() == tabs->rect();
        });
        QSignalSpy started(f.window, &MainWindow::startedUp);
        QVERIFY(f.window->startUp(order));
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        QTRY_COMPARE(started.count(), 1);
        QTest::qWait(300); // all that the start posted is handled
        QCOMPARE(paints.count(), 1);
        f.state.exitRequested = true;
    }

    void exitClosesEverything()
    {
        Fixture f;
        QVERIFY(f.window->startUp());
        f.window->actions().performAction(8, false, QStringLiteral("open while exiting"));
        f.window->exitProgram();
        QVERIFY(f.state.exitRequested);
        QVERIFY(!f.window->powerOn()->isRunning());
        QVERIFY(!f.window->powerOn()->m_cycleTimer->isActive());
        QVERIFY(!f.window->isVisible());
        QVERIFY(!f.window->reminder()->isVisible());
    }

    // The installed layout: tasks, settings and lock where the paths say,
    // helpers and help page still from the shared program folder.
    void everyFileComesFromThePaths()
    {
        QTemporaryDir user;
        AppPaths paths;
        paths.layout = Layout::Installed;
        paths.programDir = QStringLiteral("/usr/lib/zelkor");
        paths.databasePath = user.filePath(QStringLiteral("data/zelkor/zelkor.dll"));
        paths.settingsPath = user.filePath(QStringLiteral("config/zelkor/last.inc"));
        paths.lockPath = user.filePath(QStringLiteral("run/zelkor.lock"));
        paths.startCommand = QStringLiteral("zelkor");
        QVERIFY(prepareUserFiles(paths).ok);
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", user.filePath(QStringLiteral("config")).toUtf8());
        FakePlatform platform;
        AppState state;
        state.paths = paths;
        MainWindow window(platform, state);
        QVERIFY(window.startUp());
        QCOMPARE(MessageBox::shownCount(), 0); // the database was found
        QCOMPARE(platform.claimedLock, paths.lockPath);
        // The information frame is made when the page first shows.
        QVERIFY(!window.optionsPage()->findChild<QLabel*>(QStringLiteral("LabPaths")));
        window.show();
        window.m_tabs->setCurrentIndex(2);
        const auto* label = window.optionsPage()->findChild<QLabel*>(QStringLiteral("LabPaths"));
        QVERIFY(label && label->text().contains(QStringLiteral("Tasks: ") + paths.databasePath));
        window.onToolbarButton(QStringLiteral("T_lock"));
        window.onToolbarButton(QStringLiteral("T_help"));
        QCOMPARE(platform.started, QStringList{QStringLiteral("/usr/lib/zelkor/dll/suo.dll")});
        QCOMPARE(platform.opened, QStringList{QStringLiteral("/usr/lib/zelkor/zelkor.html")});
        window.optionsPage()->m_runAtStartupCheck->setChecked(true); // the entry starts the program on the search path
        QFile entry(user.filePath(QStringLiteral("config/autostart/zelkor.desktop")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains("\nExec=zelkor\n"));
        qputenv("XDG_CONFIG_HOME", configHome);
        window.exitProgram();
        QVERIFY(QFile::exists(paths.settingsPath));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
