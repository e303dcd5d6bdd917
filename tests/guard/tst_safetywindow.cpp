// The warning and the password in the main window: the fallback window when
// no notification server answers, Cancel and Postpone on a countdown, and the
// commands that ask for the password (and the session end, which never does).
#include "../shell/ShellProgram.h"
#include "CheapHash.h"
#include "countdown/TimerTab.h"
#include "guard/GuardSettings.h"
#include "guard/PasswordGate.h"
#include "guard/SafetyKeeper.h"
#include "guard/SafetyOptions.h"
#include "guard/WarningCenter.h"
#include "guard/WarningWindow.h"
#include "shell/Autostart.h"
#include "shell/ShellVisibility.h"
#include "support/TaskTable.h"
#include "tasks/TaskDialog.h"
#include "tasks/TasksPage.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QSpinBox>
#include <QTimer>

using namespace zelkor;
using namespace zelkor::test;

namespace
{
const QString kSecret = QStringLiteral("lights out");

// A program, optionally with a password in guard.inc, whose password prompts
// are answered from a list.
struct Guarded : Program {
    explicit Guarded(bool withPassword, int warnSeconds = 60)
    {
        guard::GuardSettings settings;
        settings.warnSeconds = warnSeconds;
        if (withPassword)
            settings.passwordHash = cheapHash(kSecret);
        guard::write(guard::filePath(settingsPath()), settings);
        platform.setNow(QDateTime(QDate(2026, 12, 7), QTime(7, 0)));
        start();
        window->safety()->setAsker(
            [this](QWidget*, const QString& label) -> std::optional<QString> {
                prompts << label;
                if (answers.isEmpty())
                    return std::nullopt;
                return answers.takeFirst();
            });
    }
    TimerTab& timer() { return *window->timerTab(); }
    // A one-minute countdown of Shut Down, started.
    void startCountdown()
    {
        timer().m_afterHoursEdit->setTime(QTime(0, 0));
        timer().m_afterMinutesEdit->setTime(QTime(0, 1));
        timer().m_actionCombo->setCurrentIndex(0);
        timer().onStartStop();
        // The test ticks by itself, in step with the fake clock.
        timer().m_countdownTimer->stop();
    }
    // The countdown timer's ticks, while it would run.
    void tick(int seconds)
    {
        for (int i = 0; i < seconds && timer().isCounting(); ++i) {
            platform.advanceSecond();
            timer().onCountdownTick();
        }
    }
    WarningWindow* warningWindow()
    {
        return window->warningCenter()->windowOf(timer().countdownKey());
    }
    QStringList answers;
    QStringList prompts;
};
} // namespace

class TestSafetyWindow : public ShellTest
{
    Q_OBJECT
private slots:
    // Without a notification server, the warning is a window of our own with
    // the text, both buttons and a count of the seconds left.
    void countdownWarningFallsBackToAWindow()
    {
        Guarded program(false);
        program.startCountdown();
        QVERIFY(program.timer().isCounting());
        program.tick(1);
        QTRY_VERIFY(program.warningWindow());
        WarningWindow* window = program.warningWindow();
        QVERIFY(window->isVisible());
        QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
        // Announced by screen readers, as it takes no focus that would be.
        QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(window);
        QVERIFY(alert);
        QCOMPARE(alert->role(), QAccessible::AlertMessage);
        QCOMPARE(alert->text(QAccessible::Name), window->windowTitle());
        QVERIFY(window->m_textLabel->text().startsWith(QStringLiteral("Shut Down at ")));
        QCOMPARE(window->m_countLabel->text(), QStringLiteral("59 seconds left."));
        program.platform.advance(10);
        window->updateCount();
        QCOMPARE(window->m_countLabel->text(), QStringLiteral("49 seconds left."));
        QVERIFY(!window->m_cancelButton->isHidden());
        QCOMPARE(window->m_postponeButton->text(), QStringLiteral("Postpone 10 minutes"));
        QVERIFY(program.platform.started.isEmpty());
    }

    // Left unanswered, the window does not hold the action up.
    void unansweredCountdownActsAtZero()
    {
        Guarded program(false);
        program.startCountdown();
        program.tick(1);
        QTRY_VERIFY(program.warningWindow());
        QPointer<WarningWindow> window = program.warningWindow();
        program.tick(59);
        QCOMPARE(program.platform.started.size(), 1);
        QTRY_VERIFY(!window); // closed once the action ran
    }

    void countdownAnswers_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("withPassword");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("takesEffect");
        QTest::newRow("cancel") << true << false << QStringList() << true;
        QTest::newRow("postpone") << false << false << QStringList() << true;
        QTest::newRow("cancel, right password") << true << true << QStringList{kSecret} << true;
        QTest::newRow("cancel, wrong password")
            << true << true << QStringList{QStringLiteral("x")} << false;
        QTest::newRow("postpone, wrong password")
            << false << true << QStringList{QStringLiteral("x")} << false;
    }
    void countdownAnswers()
    {
        QFETCH(bool, cancel);
        QFETCH(bool, withPassword);
        QFETCH(QStringList, answers);
        QFETCH(bool, takesEffect);
        Guarded program(withPassword);
        program.startCountdown();
        program.tick(1);
        QTRY_VERIFY(program.warningWindow());
        program.answers = answers;
        MessageBox::setNextAnswers({QMessageBox::Ok});
        (cancel ? program.warningWindow()->m_cancelButton
                : program.warningWindow()->m_postponeButton)
            ->click();
        QCOMPARE(program.prompts.size(), withPassword ? 1 : 0);
        program.tick(59);
        if (!takesEffect) {
            QCOMPARE(program.platform.started.size(), 1); // the action came as planned
            return;
        }
        QVERIFY(program.platform.started.isEmpty());
        QCOMPARE(program.timer().isCounting(), !cancel);
        if (cancel) {
            QCOMPARE(program.timer().m_remainLabel->text(), QStringLiteral("Timer disabled"));
            return;
        }
        QCOMPARE(program.timer().remainSeconds(), 600);
        program.tick(600);
        QCOMPARE(program.platform.started.size(), 1);
    }

    void stopOfARunningCountdownAsks_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("right") << QStringList{kSecret} << true;
        QTest::newRow("wrong") << QStringList{QStringLiteral("x")} << false;
        QTest::newRow("dismissed") << QStringList() << false;
    }
    void stopOfARunningCountdownAsks()
    {
        QFETCH(QStringList, answers);
        QFETCH(bool, stopped);
        Guarded program(true);
        program.startCountdown();
        QCOMPARE(program.prompts.size(), 0); // starting never asks
        program.answers = answers;
        MessageBox::setNextAnswers({QMessageBox::Ok});
        program.timer().onStartStop();
        QCOMPARE(program.prompts.size(), 1);
        QCOMPARE(program.timer().isCounting(), !stopped);
    }

    void exitFromTheTrayAsks_data()
    {
        QTest::addColumn<bool>("withPassword");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("exits");
        QTest::newRow("no password") << false << QStringList() << true;
        QTest::newRow("right") << true << QStringList{kSecret} << true;
        QTest::newRow("wrong") << true << QStringList{QStringLiteral("x")} << false;
    }
    void exitFromTheTrayAsks()
    {
        QFETCH(bool, withPassword);
        QFETCH(QStringList, answers);
        QFETCH(bool, exits);
        Guarded program(withPassword);
        program.answers = answers;
        MessageBox::setNextAnswers({QMessageBox::Ok});
        program.menu().m_exitAction->trigger();
        QCOMPARE(program.prompts.size(), withPassword ? 1 : 0);
        QCOMPARE(program.state.exitRequested, exits);
        if (!exits)
            QCOMPARE(MessageBox::lastText(),
                     QStringLiteral("Wrong password. Nothing was changed."));
    }

    void sessionEndNeverAsks()
    {
        Guarded program(true);
        program.window->sessionEnding();
        QVERIFY(program.prompts.isEmpty());
        QVERIFY(program.state.exitRequested);
    }

    void editAndDeleteAsk()
    {
        Guarded program(true);
        int dialogs = 0;
        program.window->tasksPage()->setDialogRunner([&](TaskDialog&) { ++dialogs; });
        program.state.selectedTaskId = 1;
        program.answers = {QStringLiteral("x"), QStringLiteral("y")};
        MessageBox::setNextAnswers({QMessageBox::Ok, QMessageBox::Ok});
        program.window->tasksPage()->editTask();
        program.window->tasksPage()->deleteTask();
        QCOMPARE(program.prompts.size(), 2);
        QCOMPARE(dialogs, 0);
        QVERIFY(program.prompts.at(0).contains(QStringLiteral("edit")));
        QVERIFY(program.prompts.at(1).contains(QStringLiteral("delete")));
    }

    // Only the newest period is in force: a new one in its place asks.
    void newPeriodInPlaceOfOneInForceAsks_data()
    {
        QTest::addColumn<bool>("periodInForce");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<bool>("stored");
        QTest::newRow("one in force, right") << true << QStringList{kSecret} << 1 << true;
        QTest::newRow("one in force, wrong") << true << QStringList{QStringLiteral("x")} << 1 << false;
        QTest::newRow("one in force, dismissed") << true << QStringList() << 1 << false;
        QTest::newRow("none in force") << false << QStringList() << 0 << true;
    }
    void newPeriodInPlaceOfOneInForceAsks()
    {
        QFETCH(bool, periodInForce);
        QFETCH(QStringList, answers);
        QFETCH(int, prompts);
        QFETCH(bool, stored);
        Guarded program(true);
        const QString db = program.state.paths.databasePath;
        if (periodInForce) {
            // 22:00 to 23:00, shut down
            QVERIFY(test::addRow(db, {{"type", 0}, {"action", 1}, {"starttime", 22 / 24.0},
                                      {"stoptime", 23 / 24.0}}) > 0);
            program.window->refreshAfterTaskChange();
        }
        const int rowsBefore = test::rowCount(db);
        program.answers = answers;
        MessageBox::setNextAnswers({QMessageBox::Ok});
        program.window->tasksPage()->setDialogRunner([](TaskDialog& dialog) {
            dialog.m_kindButtons[0]->click();
            dialog.m_periodStartEdit->setTime(QTime(3, 0));
            dialog.m_periodEndEdit->setTime(QTime(3, 1));
            dialog.onOkClicked();
        });
        program.window->tasksPage()->newTask();
        QCOMPARE(program.prompts.size(), prompts);
        QCOMPARE(test::rowCount(db), rowsBefore + (stored ? 1 : 0));
    }

    void optionCheckBoxesAsk_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("changes");
        QTest::newRow("right") << QStringList{kSecret} << true;
        QTest::newRow("wrong") << QStringList{QStringLiteral("x")} << false;
    }
    void optionCheckBoxesAsk()
    {
        QFETCH(QStringList, answers);
        QFETCH(bool, changes);
        Guarded program(true);
        QCheckBox* box = program.options().m_startInTrayCheck;
        const bool before = box->isChecked();
        const QByteArray lastInc = fileBytes(program.settingsPath());
        program.answers = answers;
        MessageBox::setNextAnswers({QMessageBox::Ok});
        program.window->show();
        program.window->m_tabs->setCurrentIndex(2);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
        QCOMPARE(program.prompts.size(), 1);
        QCOMPARE(box->isChecked(), changes ? !before : before);
        if (!changes)
            QCOMPARE(fileBytes(program.settingsPath()), lastInc);
        else // last.inc keeps its own thirteen lines; the password is elsewhere
            QCOMPARE(fileBytes(program.settingsPath()).count("\r\n"), 13);
        QVERIFY(!fileBytes(program.settingsPath()).contains("argon2"));
    }

    // The tray's item reaches the same entry as the Options check box.
    void autostartFromTheTrayAsks_data() { optionCheckBoxesAsk_data(); }
    void autostartFromTheTrayAsks()
    {
        QFETCH(QStringList, answers);
        QFETCH(bool, changes);
        Guarded program(true);
        program.answers = answers;
        MessageBox::setNextAnswers({QMessageBox::Ok});
        QAction* item = program.menu().m_runAtStartupAction;
        item->trigger();
        QCOMPARE(program.prompts.size(), 1);
        QCOMPARE(QFile::exists(autostart::entryPath()), changes);
        QCOMPARE(item->isChecked(), changes);
        QCOMPARE(program.options().m_runAtStartupCheck->isChecked(), changes);
    }

    void optionsTabShowsTheSettings()
    {
        Guarded program(true, 25);
        SafetyOptions* options = program.window->safetyOptions();
        QCOMPARE(options->m_warnSecondsSpin->value(), 25);
        QCOMPARE(options->m_passwordState->text(), QStringLiteral("A password is set."));
        QVERIFY(options->m_scopeNote->text().contains(QStringLiteral("administrator")));
        program.answers = {kSecret};
        options->m_warnSecondsSpin->setValue(0);
        QCOMPARE(guard::read(guard::filePath(program.settingsPath())).settings.warnSeconds, 0);
        // Off: a countdown is not warned.
        program.startCountdown();
        program.tick(30);
        QTest::qWait(50);
        QVERIFY(!program.warningWindow());
    }

    // A warning that comes while a dialog of the main window waits still takes
    // its clicks: they come through the window system, which holds back input
    // from windows a modal one blocks.
    void warningTakesClicksWhileADialogWaits_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("New Task dialog") << "task";
        QTest::newRow("question box") << "question";
        QTest::newRow("password prompt") << "password";
    }
    void warningTakesClicksWhileADialogWaits()
    {
        QFETCH(QString, dialog);
        Guarded program(false);
        program.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(program.window.get()));
        program.startCountdown();
        bool exposed = false;
        bool counting = true;
        // While the dialog waits: the warning comes, Cancel is clicked, the dialog is closed.
        const auto meanwhile = [&](QDialog* waiting) {
            program.tick(1);
            QCoreApplication::processEvents(); // the warning's window, where no server answers
            if (WarningWindow* warning = program.warningWindow()) {
                exposed = QTest::qWaitForWindowExposed(warning);
                QPushButton* cancel = warning->m_cancelButton;
                QTest::mouseClick(warning->windowHandle(), Qt::LeftButton, {}, cancel->mapTo(warning, cancel->rect().center()));
                counting = program.timer().isCounting();
            }
            waiting->reject();
        };
        if (dialog == QLatin1String("task")) {
            program.window->tasksPage()->setDialogRunner([&](TaskDialog& taskDialog) {
                taskDialog.show();
                if (QTest::qWaitForWindowExposed(&taskDialog))
                    meanwhile(&taskDialog);
            });
            program.window->tasksPage()->newTask();
        } else {
            QTimer::singleShot(100, [&] {
                if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    meanwhile(box);
            });
            if (dialog == QLatin1String("question"))
                MessageBox::question(program.window.get(), QStringLiteral("Are you sure you want to delete this task?"));
            else
                SafetyKeeper::askInDialog(program.window.get(), QStringLiteral("Password to change the password:"));
        }
        QVERIFY(exposed);
        QVERIFY2(!counting, "Cancel on the warning did nothing");
    }

    // Hidden mode puts an open password prompt away; it comes back asking,
    // and what is typed then is the answer.
    void passwordPromptOutlastsHiddenMode_data()
    {
        QTest::addColumn<bool>("hiddenMeanwhile");
        QTest::newRow("answered") << false;
        QTest::newRow("hidden and shown again, then answered") << true;
    }
    void passwordPromptOutlastsHiddenMode()
    {
        QFETCH(bool, hiddenMeanwhile);
        Guarded program(false);
        ShellVisibility& visibility = *program.window->visibility();
        if (hiddenMeanwhile) {
            QTimer::singleShot(50, [&] { visibility.onHotKey(); });
            QTimer::singleShot(100, [&] { visibility.onHotKey(); });
        }
        QTimer::singleShot(150, [&] {
            if (auto* prompt = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                QVERIFY(prompt->isVisible());
                prompt->setTextValue(kSecret);
                prompt->accept();
            }
        });
        const std::optional<QString> given =
            SafetyKeeper::askInDialog(program.window.get(), QStringLiteral("Password to exit:"));
        QCOMPARE(given, std::optional<QString>(kSecret));
    }

    // A notification server without buttons shows the text; the buttons come
    // in our own window.
    void serverWithoutButtonsGetsTheWindowToo_data()
    {
        QTest::addColumn<bool>("withButtons");
        QTest::newRow("server with buttons") << true;
        QTest::newRow("server without buttons") << false;
    }
    void serverWithoutButtonsGetsTheWindowToo()
    {
        QFETCH(bool, withButtons);
        Guarded program(false);
        program.startCountdown();
        program.tick(1); // asked of the notifier, which answers later
        emit program.window->warningCenter()->notifier().shown(program.timer().countdownKey(), withButtons);
        QCOMPARE(program.warningWindow() != nullptr, !withButtons);
    }

    // A shut down or restart names the other users logged in, whose work it ends too.
    void warningNamesOtherUsers_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("others");
        QTest::addColumn<QString>("said");
        const QString both = QStringLiteral("Other users are logged in (anna, bert): their unsaved work is lost too.");
        QTest::newRow("shut down, two others") << int(ActionKind::ShutDown) << QStringList{"anna", "bert"} << both;
        QTest::newRow("restart, two others") << int(ActionKind::Restart) << QStringList{"anna", "bert"} << both;
        QTest::newRow("stand by keeps their work") << int(ActionKind::StandBy) << QStringList{"anna"} << QString();
        QTest::newRow("shut down, alone") << int(ActionKind::ShutDown) << QStringList() << QString();
    }
    void warningNamesOtherUsers()
    {
        QFETCH(int, action);
        QFETCH(QStringList, others);
        QFETCH(QString, said);
        Guarded program(false);
        program.platform.otherUsers = others;
        Warning warning;
        warning.key = QStringLiteral("task:1");
        warning.action = action;
        warning.moment = program.platform.now().addSecs(30);
        program.window->warningDesk()->consider(warning, program.platform.now());
        QTRY_VERIFY(program.window->warningCenter()->windowOf(warning.key));
        const QString text = program.window->warningCenter()->windowOf(warning.key)->m_textLabel->text();
        QCOMPARE(text.contains(QStringLiteral("Other users")), !said.isEmpty());
        QVERIFY2(text.endsWith(said), qPrintable(text));
    }

    // The forbidden period offers no Cancel while a password is set.
    void periodWarningHasNoCancelUnderPassword_data()
    {
        QTest::addColumn<bool>("withPassword");
        QTest::newRow("no password") << false;
        QTest::newRow("password") << true;
    }
    void periodWarningHasNoCancelUnderPassword()
    {
        QFETCH(bool, withPassword);
        Guarded program(withPassword);
        Warning warning;
        warning.key = QStringLiteral("period:1");
        warning.source = WarningSource::Period;
        warning.action = 1;
        warning.moment = program.platform.now().addSecs(30);
        program.window->warningDesk()->consider(warning, program.platform.now());
        QTRY_VERIFY(program.window->warningCenter()->windowOf(warning.key));
        WarningWindow* window = program.window->warningCenter()->windowOf(warning.key);
        QCOMPARE(window->m_cancelButton->isHidden(), withPassword);
        QVERIFY(
            window->m_textLabel->text().contains(QStringLiteral("The forbidden period starts at")));
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TestSafetyWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_safetywindow.moc"
