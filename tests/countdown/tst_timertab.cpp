#include "actions/ActionExecutor.h"
#include "common/ActionKind.h"
#include "common/DateText.h"
#include "countdown/TimerTab.h"
#include "countdown/WakeWaits.h"
#include "guard/WarningDesk.h"
#include "platform/fake/FakePlatform.h"
#include "scheduler/SecondPoll.h"
#include "shell/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

using namespace zelkor;

namespace {
// The tab with everything it works with, on a fixed clock.
struct Rig {
    FakePlatform platform;
    AppState state;
    ActionExecutor actions{platform, state};
    WakeWaits waits{platform};
    TimerTab tab{platform, actions, waits};
    QStringList reminders; // remindText at each reminder

    Rig()
    {
        state.paths = portablePaths(QStringLiteral("/opt/zelkor"));
        platform.setUptimeMs(5 * 3600 * 1000); // up five hours
        for (const QString& name : actionNames())
            tab.m_actionCombo->addItem(name);
        actions.setReminderPresenter([this] { reminders << state.remindText; });
        MessageBox::resetTestState();
    }
    void chooseAction(ActionKind kind) { tab.m_actionCombo->setCurrentIndex(int(kind) - 1); }
    void setMinutes(QDateTimeEdit* picker, int m)
    {
        picker->setTime(QTime(picker->time().hour(), m));
    }
    // The countdown without input, `minutes` long, its last input at tick 1000.
    void chooseQuiet(int minutes)
    {
        tab.m_modeButtons[3]->setChecked(true);
        tab.onModeChosen(3);
        setMinutes(tab.m_idleMinutesEdit, minutes);
        platform.lastInput = 1000u;
    }
    void setHours(QDateTimeEdit* picker, int h)
    {
        picker->setTime(QTime(h, picker->time().minute()));
    }
    void start()
    {
        MessageBox::setNextAnswer(QMessageBox::Ok); // never block on a box
        tab.onStartStop();
    }
    void tick()
    {
        platform.advanceSecond();
        tab.onCountdownTick();
    }
    QList<QDateTimeEdit*> enabledPickers() const
    {
        QList<QDateTimeEdit*> enabled;
        for (QDateTimeEdit* p :
             {tab.m_afterHoursEdit, tab.m_atDateEdit, tab.m_atTimeEdit, tab.m_afterMinutesEdit,
              tab.m_uptimeHoursEdit, tab.m_uptimeMinutesEdit, tab.m_idleMinutesEdit})
            if (p->isEnabled())
                enabled << p;
        return enabled;
    }
    bool idle() const
    {
        return tab.m_startButton->text() == QLatin1String("Start") &&
               tab.m_remainLabel->text() == QLatin1String("Timer disabled") &&
               !tab.m_countdownTimer->isActive() && tab.barWidth() == 0.0 &&
               tab.m_progressBar->value() == 0 && tab.m_actionCombo->isEnabled();
    }
};
QFileDialog* openDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}
} // namespace

class TestTimerTab : public QObject {
    Q_OBJECT
private slots:
    void designDefaults()
    {
        Rig rig;
        QVERIFY(rig.tab.m_modeButtons[0]->isChecked());
        QCOMPARE(rig.enabledPickers(), rig.tab.pickersOf(0));
        QCOMPARE(rig.tab.m_afterHoursEdit->displayFormat(), QStringLiteral("HH"));
        QCOMPARE(rig.tab.m_afterMinutesEdit->displayFormat(), QStringLiteral("mm"));
        QCOMPARE(rig.tab.m_atTimeEdit->displayFormat(), QStringLiteral("HH:mm:ss"));
        QCOMPARE(rig.tab.m_idleMinutesEdit->displayFormat(), QStringLiteral("mm"));
        const countdown::PickerValues v = rig.tab.pickerValues();
        QCOMPARE(v.afterHours, 2);
        QCOMPARE(v.afterMinutes, 0);
        QCOMPARE(v.runHours, 3);
        QCOMPARE(v.runMinutes, 0);
        QCOMPARE(v.quietMinutes, 15);
        QVERIFY(rig.idle());
        QVERIFY(rig.tab.m_forceCheck->isChecked());
        rig.tab.setDateTimePickers(rig.platform.now());
        QCOMPARE(rig.tab.m_atDateEdit->date(), rig.platform.now().date());
        QCOMPARE(rig.tab.m_atTimeEdit->time(), rig.platform.now().time());
    }

    void countsDownOnePerTick()
    {
        Rig rig;
        rig.setHours(rig.tab.m_afterHoursEdit, 1);
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 30);
        rig.start();
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("5400 seconds remaining"));
        QCOMPARE(rig.tab.m_startButton->text(), QStringLiteral("Stop"));
        QVERIFY(rig.tab.m_countdownTimer->isActive());
        QCOMPARE(rig.tab.m_countdownTimer->interval(), 1000);
        rig.tick();
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("5399 seconds remaining"));
        QCOMPARE(rig.tab.remainSeconds(), 5399);
        QVERIFY(rig.tab.barWidth() > 1.26 && rig.tab.barWidth() < 1.27); // 6825 / 5400
    }

    // A date and time ends on that second of the wall clock, never before it,
    // wherever in a second Start was pressed; the label counts down on the
    // wall clock's seconds, just after each.
    void atADateEndsOnItsSecond_data()
    {
        QTest::addColumn<int>("startMs"); // where in its second Start is pressed
        QTest::newRow("at the second") << 0;
        QTest::newRow("a third in") << 300;
        QTest::newRow("just before the next") << 999;
    }
    void atADateEndsOnItsSecond()
    {
        QFETCH(int, startMs);
        Rig rig;
        rig.chooseAction(ActionKind::EventsRemind);
        rig.tab.m_modeButtons[1]->setChecked(true);
        rig.tab.onModeChosen(1);
        const QDateTime second(QDate(2026, 12, 7), QTime(8, 0, 0));
        rig.tab.m_atDateEdit->setDate(second.date());
        rig.tab.m_atTimeEdit->setTime(QTime(8, 0, 3));
        rig.platform.setNow(second.addMSecs(startMs));
        rig.start();
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("3 seconds remaining"));
        QCOMPARE(rig.tab.m_countdownTimer->interval(), 1000 - startMs + kTickAfterSecondMs);
        const auto tickAt = [&](int ms) {
            rig.platform.setNow(second.addMSecs(ms));
            rig.tab.onCountdownTick();
        };
        tickAt(1000 + kTickAfterSecondMs);
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("2 seconds remaining"));
        QCOMPARE(rig.tab.m_countdownTimer->interval(), 1000);
        tickAt(2999); // a tick that comes early
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("1 seconds remaining"));
        QVERIFY(rig.reminders.isEmpty());
        QCOMPARE(rig.tab.m_countdownTimer->interval(), 1 + kTickAfterSecondMs);
        tickAt(3000);
        QCOMPARE(rig.reminders, QStringList{"Hurry, time is up!"});
        QVERIFY(rig.idle());
    }

    // The other modes end on the full count measured on the tick count, not
    // on the number of ticks, which may come early or late.
    void afterEndsOnTheFullCount_data()
    {
        QTest::addColumn<int>("tickMs"); // the time between two ticks
        QTest::addColumn<quint32>("slack"); // how far readings may fall short
        QTest::newRow("ticks a little early") << 999 << 0u;
        QTest::newRow("ticks on time") << 1000 << 0u;
        QTest::newRow("ticks late") << 1030 << 0u;
        QTest::newRow("readings cut to the ms, ticks a little early") << 999 << 1u;
        QTest::newRow("readings cut to the ms, ticks on time") << 1000 << 1u;
    }
    void afterEndsOnTheFullCount()
    {
        QFETCH(int, tickMs);
        QFETCH(quint32, slack);
        Rig rig;
        rig.platform.tickSlack = slack;
        rig.chooseAction(ActionKind::EventsRemind);
        rig.setHours(rig.tab.m_afterHoursEdit, 0);
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 1);
        const quint32 startTick = rig.platform.tickCount();
        rig.start();
        for (int i = 1; i <= 60 && rig.reminders.isEmpty(); ++i) {
            rig.platform.setUptimeMs(startTick + quint32(i * tickMs));
            rig.tab.onCountdownTick();
            if (i * tickMs < 60000 + int(slack)) {
                QVERIFY2(rig.reminders.isEmpty(), qPrintable(QStringLiteral("acted after %1 ms").arg(i * tickMs)));
                QCOMPARE(rig.tab.m_remainLabel->text(),
                         countdown::remainingText(qMax(1, 60 - (i * tickMs + 500) / 1000)));
            }
        }
        if (rig.reminders.isEmpty()) { // the last tick aims at the end itself
            QCOMPARE(rig.tab.m_countdownTimer->interval(), 60000 + int(slack) - 60 * tickMs);
            rig.platform.setUptimeMs(startTick + 60000 + slack);
            rig.tab.onCountdownTick();
        }
        QCOMPARE(rig.reminders, QStringList{"Hurry, time is up!"});
    }

    // Labels that change every second keep their size, so the tab is not laid
    // out anew each second; the bar is drawn again only when its fill moves.
    void secondsCostNoLayoutAndNoRedrawnBar()
    {
        Rig rig;
        rig.tab.resize(600, 400);
        rig.tab.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.tab));
        rig.tab.setClock(QStringLiteral("7 Dec 2026 08:00:00  Mon"), QStringLiteral("5 hours 00 minutes "));
        rig.setHours(rig.tab.m_afterHoursEdit, 1);
        rig.start();
        QCoreApplication::processEvents();
        int layouts = 0;
        int barPaints = 0;
        const auto counter = [&](QObject* watched, QEvent* event) {
            if (event->type() == QEvent::LayoutRequest)
                ++layouts;
            if (watched == rig.tab.m_progressBar && event->type() == QEvent::Paint)
                ++barPaints;
        };
        struct Filter : QObject {
            std::function<void(QObject*, QEvent*)> seen;
            bool eventFilter(QObject* watched, QEvent* event) override
            {
                seen(watched, event);
                return false;
            }
        } filter;
        filter.seen = counter;
        rig.tab.installEventFilter(&filter);
        rig.tab.m_progressBar->installEventFilter(&filter);
        for (int s = 1; s <= 5; ++s) {
            rig.tab.setClock(QStringLiteral("7 Dec 2026 08:00:0%1  Mon").arg(s), QStringLiteral("5 hours 00 minutes "));
            rig.tick();
            QCoreApplication::processEvents();
        }
        QCOMPARE(layouts, 0);
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("3595 seconds remaining"));
        // Less than a pixel of fill: the bar is not drawn again.
        barPaints = 0;
        const int fill = rig.tab.m_progressBar->fillWidth();
        rig.tab.m_progressBar->setValue(rig.tab.m_progressBar->value() + 1);
        QCoreApplication::processEvents();
        QCOMPARE(rig.tab.m_progressBar->fillWidth(), fill);
        QCOMPARE(barPaints, 0);
        rig.tab.m_progressBar->setValue(rig.tab.m_progressBar->maximum() / 2);
        QTRY_VERIFY(barPaints > 0);
    }

    void invalidCounts_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("0 hours 0 minutes") << 0;
        QTest::newRow("one second past") << 1;
        QTest::newRow("uptime below the current one") << 2;
        QTest::newRow("0 quiet minutes") << 3;
    }
    void invalidCounts()
    {
        QFETCH(int, mode);
        Rig rig;
        rig.tab.m_modeButtons[size_t(mode)]->setChecked(true);
        rig.tab.onModeChosen(mode);
        rig.setHours(rig.tab.m_afterHoursEdit, 0);
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 0);
        const QDateTime past = rig.platform.now().addSecs(-1);
        rig.tab.m_atDateEdit->setDate(past.date());
        rig.tab.m_atTimeEdit->setTime(past.time());
        rig.setHours(rig.tab.m_uptimeHoursEdit, 4); // up five hours
        rig.setMinutes(rig.tab.m_idleMinutesEdit, 0);
        rig.start();
        QCOMPARE(MessageBox::lastText(), QStringLiteral("Invalid date/time"));
        QVERIFY(rig.idle());
        QCOMPARE(rig.enabledPickers(), rig.tab.pickersOf(mode));
    }

    // A target that is not there is told at Start, not when the count ends.
    void openTargetIsLookedForAtStart_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("starts");
        QTest::newRow("there") << "/home/me/report.pdf" << true;
        QTest::newRow("not there") << "/nowhere/report.pdf" << false;
    }
    void openTargetIsLookedForAtStart()
    {
        QFETCH(QString, target);
        QFETCH(bool, starts);
        Rig rig;
        rig.platform.missingTargets = {QStringLiteral("/nowhere/report.pdf")};
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 5);
        rig.chooseAction(ActionKind::OpenTarget);
        rig.tab.m_targetEdit->setText(target);
        rig.start();
        QCOMPARE(rig.idle(), !starts);
        QCOMPARE(MessageBox::lastText() == target + QStringLiteral(" is not there."), !starts);
    }

    void stopRestoresTheActiveModesPickers_data()
    {
        QTest::addColumn<int>("mode");
        for (int mode = 0; mode < 4; ++mode)
            QTest::addRow("mode %d", mode) << mode;
    }
    void stopRestoresTheActiveModesPickers()
    {
        QFETCH(int, mode);
        Rig rig;
        rig.tab.m_modeButtons[size_t(mode)]->setChecked(true);
        rig.tab.onModeChosen(mode);
        const QDateTime later = rig.platform.now().addSecs(3600);
        rig.tab.m_atDateEdit->setDate(later.date());
        rig.tab.m_atTimeEdit->setTime(later.time());
        rig.setHours(rig.tab.m_uptimeHoursEdit, 6);
        rig.start();
        QVERIFY(rig.tab.isCounting());
        QVERIFY(rig.enabledPickers().isEmpty());
        for (QRadioButton* option : rig.tab.m_modeButtons)
            QVERIFY(!option->isEnabled());
        QVERIFY(!rig.tab.m_actionCombo->isEnabled());
        QVERIFY(rig.tab.m_forceCheck->isEnabled() && rig.tab.m_targetEdit->isEnabled() &&
                rig.tab.m_browseButton->isEnabled());
        rig.tick();
        rig.tick();
        QVERIFY(rig.tab.barWidth() > 0);
        rig.tab.onStartStop(); // Stop
        QVERIFY(rig.idle());
        QCOMPARE(rig.enabledPickers(), rig.tab.pickersOf(mode));
        QVERIFY(rig.tab.m_modeButtons[size_t(mode)]->isChecked());
        for (QRadioButton* option : rig.tab.m_modeButtons)
            QVERIFY(option->isEnabled());
    }

    void atZeroTheTabIsIdleBeforeTheAction_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<QStringList>("reminders");
        const QStringList none;
        QTest::newRow("shut down, forced")
            << 1 << true << QStringList{"/opt/zelkor/dll/guan_f.dll"} << none << none;
        QTest::newRow("shut down")
            << 1 << false << QStringList{"/opt/zelkor/dll/guan.dll"} << none << none;
        QTest::newRow("events remind")
            << 8 << true << none << none << QStringList{"Hurry, time is up!"};
        QTest::newRow("open a file or URL")
            << 9 << true << none << QStringList{"https://example.org/x"} << none;
    }
    void atZeroTheTabIsIdleBeforeTheAction()
    {
        QFETCH(int, kind);
        QFETCH(bool, forced);
        QFETCH(QStringList, started);
        QFETCH(QStringList, opened);
        QFETCH(QStringList, reminders);
        Rig rig;
        bool idleAtAction = false;
        rig.actions.setReminderPresenter([&] {
            rig.reminders << rig.state.remindText;
            idleAtAction = rig.idle();
        });
        rig.chooseAction(ActionKind(kind));
        rig.tab.m_forceCheck->setChecked(forced);
        rig.tab.m_targetEdit->setText(QStringLiteral("  https://example.org/x "));
        rig.setHours(rig.tab.m_afterHoursEdit, 0);
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 1);
        rig.start();
        for (int i = 0; i < 59; ++i)
            rig.tick();
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("1 seconds remaining"));
        QVERIFY(rig.platform.started.isEmpty() && rig.reminders.isEmpty());
        rig.tick();
        QVERIFY(rig.idle());
        QCOMPARE(rig.platform.started, started);
        QCOMPARE(rig.platform.opened, opened);
        QCOMPARE(rig.reminders, reminders);
        if (!reminders.isEmpty())
            QVERIFY(idleAtAction);
    }

    // A script's countdown acts forced or not as it was asked; the box, which
    // tasks and the forbidden period read and the settings keep, stays as set.
    void countdownFromOutsideKeepsTheForceBox_data()
    {
        QTest::addColumn<bool>("box");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<QString>("helper");
        QTest::newRow("box on, plain countdown") << true << false << "/opt/zelkor/dll/guan.dll";
        QTest::newRow("box off, forced countdown") << false << true << "/opt/zelkor/dll/guan_f.dll";
    }
    void countdownFromOutsideKeepsTheForceBox()
    {
        QFETCH(bool, box);
        QFETCH(bool, forced);
        QFETCH(QString, helper);
        Rig rig;
        rig.tab.m_forceCheck->setChecked(box);
        rig.tab.startRemote(countdown::After, 3, int(ActionKind::ShutDown), forced, QString());
        QCOMPARE(rig.tab.countdownForced(), forced);
        for (int i = 0; i < 3; ++i)
            rig.tick();
        QVERIFY(rig.idle());
        QCOMPARE(rig.platform.started, QStringList{helper});
        QCOMPARE(rig.tab.m_forceCheck->isChecked(), box);
        QCOMPARE(rig.tab.countdownForced(), box); // a countdown from the window reads the box again
    }

    void quietTimeRestartsOnInput()
    {
        Rig rig;
        rig.chooseAction(ActionKind::Lock);
        rig.chooseQuiet(1);
        rig.start();
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("60 seconds remaining"));
        rig.tick(); // a last input not seen before: the stretch begins here
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("60 seconds remaining"));
        rig.tick();
        rig.tick();
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("58 seconds remaining"));
        QCOMPARE(rig.tab.barWidth(), countdown::kBarWidth / 60 * 2);
        rig.platform.lastInput = rig.platform.tickCount(); // the user touched the mouse
        rig.tick();
        QCOMPARE(rig.tab.m_remainLabel->text(),
                 QStringLiteral("58 seconds remaining")); // kept this tick
        QCOMPARE(rig.tab.remainSeconds(), 60); // the stretch begins again
        rig.tick();
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("59 seconds remaining"));
        for (int i = 0; i < 58; ++i)
            rig.tick();
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("1 seconds remaining"));
        QVERIFY(rig.platform.started.isEmpty());
        rig.tick();
        QCOMPARE(rig.platform.started, QStringList{"/opt/zelkor/dll/suo.dll"});
        QVERIFY(rig.idle());
    }

    // Input restarts the quiet stretch: the warning given for the old one
    // goes, and the next comes a lead ahead of the new stretch's end, naming it.
    void quietWarningFollowsTheStretch_data()
    {
        QTest::addColumn<int>("busySeconds"); // of input, near the first end
        QTest::addColumn<bool>("postpone");   // the first warning's answer
        QTest::newRow("a moment's input") << 1 << false;
        QTest::newRow("working on for a while") << 30 << false;
        QTest::newRow("postponed, then input: the stretch as set") << 1 << true;
    }
    void quietWarningFollowsTheStretch()
    {
        QFETCH(int, busySeconds);
        QFETCH(bool, postpone);
        Rig rig;
        WarningDesk desk;
        desk.setLeadSeconds(60);
        rig.tab.setWarningDesk(&desk);
        QList<QPair<QDateTime, QDateTime>> warned; // (when, the moment named)
        QObject::connect(&desk, &WarningDesk::warningDue, [&](const Warning& w) { warned.append({rig.platform.now(), w.moment}); });
        rig.chooseAction(ActionKind::Lock);
        rig.chooseQuiet(2);
        rig.start();
        rig.tick(); // the stretch begins here
        const QDateTime begun = rig.platform.now();
        for (int i = 0; i < 70; ++i)
            rig.tick();
        QCOMPARE(warned.size(), 1);
        QCOMPARE(warned.first().second, begun.addSecs(120));
        if (postpone) {
            rig.tab.postponeCountdown(rig.tab.countdownKey());
            QCOMPARE(rig.tab.remainSeconds(), 50 + 600);
        }
        for (int i = 0; i < busySeconds; ++i) {
            rig.platform.lastInput = rig.platform.tickCount() + 1;
            rig.tick();
            QCOMPARE(rig.tab.remainSeconds(), 120);
        }
        QVERIFY(!desk.isOpen(rig.tab.countdownKey()));
        const QDateTime quiet = rig.platform.now(); // the last input's tick
        for (int i = 0; i < 61; ++i)
            rig.tick();
        QCOMPARE(warned.size(), 2);
        QCOMPARE(warned.last().first, quiet.addSecs(60));
        QCOMPARE(warned.last().second, quiet.addSecs(120));
        QVERIFY(rig.platform.started.isEmpty());
    }

    // The tick count wraps after 49.7 days; a longer count still ends on time.
    void countsLongerThanTheTickCount_data()
    {
        QTest::addColumn<quint32>("startTick");
        QTest::addColumn<int>("stepDays"); // between the ticks looked at
        QTest::newRow("from boot, ten days a step") << 5u * 3600 * 1000 << 10;
        QTest::newRow("just before the wrap, a day a step") << 0xFFFFFFFFu - 1500u << 1;
    }
    void countsLongerThanTheTickCount()
    {
        QFETCH(quint32, startTick);
        QFETCH(int, stepDays);
        Rig rig;
        rig.platform.setUptimeMs(startTick);
        const qint64 total = 120LL * 86400; // 120 days
        rig.tab.startRemote(countdown::After, total, int(ActionKind::Lock), false, QString());
        for (qint64 passed = stepDays * 86400LL; passed < total; passed += stepDays * 86400LL) {
            rig.platform.advance(stepDays * 86400LL);
            rig.tab.onCountdownTick();
            QCOMPARE(rig.tab.remainSeconds(), total - passed);
        }
        QVERIFY(rig.platform.started.isEmpty());
        rig.platform.advance(stepDays * 86400LL);
        rig.tab.onCountdownTick();
        QCOMPARE(rig.platform.started, QStringList{"/opt/zelkor/dll/suo.dll"});
    }

    void quietTimeAcrossTheTickWrap()
    {
        Rig rig;
        rig.tab.m_modeButtons[3]->setChecked(true);
        rig.tab.onModeChosen(3);
        rig.setMinutes(rig.tab.m_idleMinutesEdit, 1);
        rig.platform.setUptimeMs(0xFFFFFFFFu - 1500u);
        rig.platform.lastInput = 7u;
        rig.start();
        rig.tick();
        for (int i = 0; i < 4; ++i)
            rig.tick();
        QCOMPARE(rig.tab.m_remainLabel->text(), QStringLiteral("56 seconds remaining"));
    }

    void quietTimeWithoutIdleTimeSaysSo()
    {
        Rig rig;
        rig.tab.m_modeButtons[3]->setChecked(true);
        rig.tab.onModeChosen(3);
        rig.platform.lastInput = std::nullopt;
        rig.start();
        QVERIFY(MessageBox::lastText().contains(rig.platform.idleUnavailableReason()));
        QVERIFY(rig.idle());
        QCOMPARE(rig.enabledPickers(), rig.tab.pickersOf(3));
    }

    void powerOnAnnouncesWaitsThenOpens_data()
    {
        QTest::addColumn<QString>("noWake");
        QTest::newRow("wakes") << QString();
        QTest::newRow("cannot wake")
            << QStringLiteral("it has no real-time clock with a wake-up alarm");
    }
    void powerOnAnnouncesWaitsThenOpens()
    {
        QFETCH(QString, noWake);
        Rig rig;
        rig.platform.wake.setNoWake(noWake);
        rig.chooseAction(ActionKind::PowerOn);
        rig.setHours(rig.tab.m_afterHoursEdit, 0);
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 10);
        rig.tab.m_targetEdit->setText(QStringLiteral("  /usr/bin/true "));
        bool checkedInside = false;
        const int boxesBefore = MessageBox::shownCount();
        int boxesAtArming = -1;
        const QDateTime at = rig.platform.now().addSecs(600);
        rig.platform.wake.onArm = [&](qint64 seconds) {
            boxesAtArming = MessageBox::shownCount();
            QTimer::singleShot(10, [&, seconds] {
                QVERIFY(rig.platform.opened.isEmpty()); // not before the timer fires
                QVERIFY(rig.idle());                    // no countdown on screen
                QCOMPARE(rig.tab.powerOnMoment(), at);
                checkedInside = true;
                rig.platform.advance(seconds);
                rig.platform.wake.fire();
            });
        };
        rig.start();
        QTRY_VERIFY(checkedInside);
        QTRY_VERIFY(!rig.platform.opened.isEmpty());
        QVERIFY(!rig.tab.powerOnMoment().isValid());
        QCOMPARE(boxesAtArming, boxesBefore); // armed before the announcement shows
        QCOMPARE(rig.platform.wake.armed, QList<qint64>{600});
        QCOMPARE(rig.platform.opened, QStringList{"/usr/bin/true"});
        const QString announced =
            datetext::general(at) + QStringLiteral(" will resume from stand-by or hibernation.");
        if (noWake.isEmpty())
            QCOMPARE(MessageBox::lastText(), announced);
        else
            QCOMPARE(MessageBox::lastText(),
                     announced + QStringLiteral("\n\nNot by itself, though: Zelkor cannot wake this computer, because ") +
                         noWake + QLatin1Char('.'));
        QVERIFY(rig.idle());
    }

    // The wall clock set while a Power On for ten minutes ahead waits: armed
    // anew for the moment it announced, or its target opened when the clock
    // was set past it.
    void powerOnFollowsTheClockWhenItIsSet_data()
    {
        QTest::addColumn<int>("step"); // seconds the clock is set on (back when negative)
        QTest::addColumn<QList<qint64>>("armed");
        QTest::addColumn<int>("openedAt"); // seconds after the announced moment
        QTest::newRow("forward, not past it") << 300 << QList<qint64>{600, 300} << 0;
        QTest::newRow("forward past it") << 900 << QList<qint64>{600, 0} << 300;
        QTest::newRow("back") << -600 << QList<qint64>{600, 1200} << 0;
    }
    void powerOnFollowsTheClockWhenItIsSet()
    {
        QFETCH(int, step);
        QFETCH(QList<qint64>, armed);
        QFETCH(int, openedAt);
        Rig rig;
        rig.chooseAction(ActionKind::PowerOn);
        rig.setHours(rig.tab.m_afterHoursEdit, 0);
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 10);
        rig.tab.m_targetEdit->setText(QStringLiteral("/usr/bin/true"));
        const QDateTime at = rig.platform.now().addSecs(600);
        rig.start();
        rig.platform.stepClock(rig.platform.now().addSecs(step));
        rig.tab.followClockStep();
        QCOMPARE(rig.platform.wake.armed, armed);
        QCOMPARE(rig.tab.powerOnMoment(), at);
        rig.platform.advance(armed.last());
        rig.platform.wake.fire();
        QTRY_COMPARE(rig.platform.opened, QStringList{"/usr/bin/true"});
        QCOMPARE(rig.platform.now(), at.addSecs(openedAt));
        QVERIFY(!rig.tab.powerOnMoment().isValid());
    }

    // The wall clock set while a countdown's warning is open: the countdown
    // ends on its count, and the warning names that moment on the new clock.
    void countdownWarningFollowsTheClockWhenItIsSet_data()
    {
        QTest::addColumn<int>("step"); // seconds the clock is set on (back when negative)
        QTest::newRow("back an hour") << -3600;
        QTest::newRow("forward an hour") << 3600;
        QTest::newRow("forward a day") << 86400;
    }
    void countdownWarningFollowsTheClockWhenItIsSet()
    {
        QFETCH(int, step);
        Rig rig;
        WarningDesk desk;
        desk.setLeadSeconds(60);
        rig.tab.setWarningDesk(&desk);
        QList<QDateTime> named;
        QObject::connect(&desk, &WarningDesk::warningDue, [&named](const Warning& w) { named.append(w.moment); });
        rig.chooseAction(ActionKind::Lock);
        rig.setHours(rig.tab.m_afterHoursEdit, 0);
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 2);
        rig.start();
        for (int i = 0; i < 70; ++i)
            rig.tick();
        QCOMPARE(named.size(), 1);
        rig.platform.stepClock(rig.platform.now().addSecs(step));
        rig.tab.followClockStep();
        QCOMPARE(named.size(), 2);
        QCOMPARE(rig.tab.remainSeconds(), 50);
        QCOMPARE(named.last(), rig.platform.now().addSecs(50));
        QVERIFY(desk.isOpen(rig.tab.countdownKey()));
        for (int i = 0; i < 50; ++i)
            rig.tick();
        QCOMPARE(rig.platform.now(), named.last());
        QVERIFY(rig.idle()); // ended on its count
    }

    // A count that ended while the computer slept, its warning never shown
    // or shown before the sleep, is warned of at the resume and acts a lead
    // later; an hour lost awake (the program held up) does not warn again.
    void countSleptThroughIsWarnedBeforeItActs_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("lead");
        QTest::addColumn<int>("asleepAfter"); // seconds after Start
        QTest::addColumn<bool>("awake");      // the hour passes awake, not asleep
        QTest::addColumn<int>("actsAfterResume"); // seconds; 0: at once
        QTest::addColumn<int>("warnings");
        QTest::newRow("after a time") << int(countdown::After) << 60 << 30 << false << 60 << 1;
        QTest::newRow("at a date and time") << int(countdown::At) << 60 << 30 << false << 60 << 1;
        QTest::newRow("warnings off") << int(countdown::After) << 0 << 30 << false << 0 << 0;
        QTest::newRow("warned before it slept") << int(countdown::After) << 60 << 70 << false << 60 << 2;
        QTest::newRow("warned, then held up awake") << int(countdown::After) << 60 << 70 << true << 0 << 1;
    }
    void countSleptThroughIsWarnedBeforeItActs()
    {
        QFETCH(int, mode);
        QFETCH(int, lead);
        QFETCH(int, asleepAfter);
        QFETCH(bool, awake);
        QFETCH(int, actsAfterResume);
        QFETCH(int, warnings);
        Rig rig;
        rig.platform.setNow(QDateTime(QDate(2027, 5, 12), QTime(12, 0)));
        WarningDesk desk([&rig] { return rig.platform.asleepMs(); });
        desk.setLeadSeconds(lead);
        rig.tab.setWarningDesk(&desk);
        QList<QDateTime> named;
        QObject::connect(&desk, &WarningDesk::warningDue, [&named](const Warning& w) { named.append(w.moment); });
        rig.chooseAction(ActionKind::Lock);
        rig.tab.m_modeButtons[size_t(mode)]->setChecked(true);
        rig.tab.onModeChosen(mode);
        rig.tab.m_atDateEdit->setDate(QDate(2027, 5, 12));
        rig.tab.m_atTimeEdit->setTime(QTime(12, 2));
        rig.setHours(rig.tab.m_afterHoursEdit, 0);
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 2);
        rig.start();
        for (int i = 0; i < asleepAfter; ++i)
            rig.tick();
        awake ? rig.platform.advance(3600) : rig.platform.sleep(3600); // the tick count goes on
        const QDateTime resumed = rig.platform.now();
        rig.tab.onCountdownTick();
        int ticks = 0;
        while (!rig.idle() && ticks < 120) {
            rig.tick();
            ++ticks;
        }
        QVERIFY(rig.idle());
        QCOMPARE(resumed.secsTo(rig.platform.now()), qint64(actsAfterResume));
        QCOMPARE(named.size(), warnings);
        if (lead > 0)
            QCOMPARE(named.last(), awake ? QDateTime(QDate(2027, 5, 12), QTime(12, 2)) : resumed.addSecs(lead));
    }

    // Started in the middle of a second, the clock then set: the target
    // opens in the second announced, not in the one after it.
    void powerOnStaysInItsSecondWhenTheClockIsSet_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<qint64>("armedAfterStep"); // seconds, from 12:29:46.008
        QTest::newRow("at a date and time") << int(countdown::At) << qint64(14);
        QTest::newRow("after a time") << int(countdown::After) << qint64(59);
    }
    void powerOnStaysInItsSecondWhenTheClockIsSet()
    {
        QFETCH(int, mode);
        QFETCH(qint64, armedAfterStep);
        Rig rig;
        const QDate day(2027, 5, 12);
        rig.platform.setNow(QDateTime(day, QTime(12, 29, 45, 300)));
        rig.chooseAction(ActionKind::PowerOn);
        rig.tab.m_modeButtons[size_t(mode)]->setChecked(true);
        rig.tab.onModeChosen(mode);
        rig.tab.m_atDateEdit->setDate(day);
        rig.tab.m_atTimeEdit->setTime(QTime(12, 30));
        rig.setHours(rig.tab.m_afterHoursEdit, 0);
        rig.setMinutes(rig.tab.m_afterMinutesEdit, 1);
        rig.tab.m_targetEdit->setText(QStringLiteral("/usr/bin/true"));
        rig.start();
        const QDateTime at(day, mode == countdown::At ? QTime(12, 30) : QTime(12, 30, 45));
        QCOMPARE(rig.tab.powerOnMoment(), at);
        rig.platform.stepClock(QDateTime(day, QTime(12, 29, 46, 8)));
        rig.tab.followClockStep();
        QCOMPARE(rig.platform.wake.armed.last(), armedAfterStep);
        rig.platform.advance(armedAfterStep);
        QVERIFY(rig.platform.now() < at.addSecs(1));
    }

    // A date and time across the spring clock change: announced and armed for
    // 07:00 on the wall clock, ten real hours after 20:00.
    void powerOnAtADateAcrossTheClockChange()
    {
        Rig rig;
        rig.platform.setNow(QDateTime(QDate(2026, 3, 28), QTime(20, 0)));
        rig.chooseAction(ActionKind::PowerOn);
        rig.tab.m_modeButtons[1]->setChecked(true);
        rig.tab.onModeChosen(1);
        rig.tab.m_atDateEdit->setDate(QDate(2026, 3, 29));
        rig.tab.m_atTimeEdit->setTime(QTime(7, 0));
        rig.start();
        QCOMPARE(rig.platform.wake.armed, QList<qint64>{36000});
        QVERIFY2(MessageBox::lastText().startsWith(
                     datetext::general(QDateTime(QDate(2026, 3, 29), QTime(7, 0)))),
                 qPrintable(MessageBox::lastText()));
    }

    void powerOnThatCannotBeArmedOpensNothing()
    {
        Rig rig;
        rig.platform.wake.setArmError(
            QStringLiteral("No wake-up timer could be created (Too many open files)."));
        rig.chooseAction(ActionKind::PowerOn);
        rig.tab.m_targetEdit->setText(QStringLiteral("/usr/bin/true"));
        rig.start();
        QVERIFY(MessageBox::lastText().contains(QStringLiteral("Too many open files")));
        QVERIFY(rig.platform.opened.isEmpty());
    }

    void browseFillsTheTarget()
    {
        Rig rig;
        QTemporaryFile file;
        QVERIFY(file.open());
        QStringList filters;
        QTimer::singleShot(100, [&] {
            QFileDialog* dialog = openDialog();
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(file.fileName()); // as typed by the user
            QMetaObject::invokeMethod(dialog, "accept");
        });
        rig.tab.browseForTarget();
        QCOMPARE(filters, QStringList{"All files (*)"});
        QCOMPARE(rig.tab.m_targetEdit->text(), file.fileName());

        QTimer::singleShot(100, [] { openDialog()->reject(); });
        rig.tab.browseForTarget();
        QCOMPARE(rig.tab.m_targetEdit->text(), file.fileName()); // cancel keeps it
    }
};

QTEST_MAIN(TestTimerTab)
#include "tst_timertab.moc"
