// The task dialog: its controls as it opens, the rules of choosing, and saving a new task.
#include "DialogFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace zelkor;

class TestTaskDialog : public QObject, private test::DialogFixture {
    Q_OBJECT
private slots:
    void init() { QVERIFY(setUp()); }

    void opensAsDesigned_data()
    {
        QTest::addColumn<TaskDialog::Mode>("mode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("secondList");
        QTest::addColumn<bool>("browseEnabled");
        QTest::newRow("new") << TaskDialog::Mode::New << "New Task" << 0 << true;
        QTest::newRow("edit, nothing selected") << TaskDialog::Mode::Edit << "Edit Task" << -1 << true;
    }
    void opensAsDesigned()
    {
        QFETCH(TaskDialog::Mode, mode);
        QFETCH(QString, caption);
        QFETCH(int, secondList);
        QFETCH(bool, browseEnabled);
        auto d = open(mode);
        QCOMPARE(d->windowTitle(), caption);
        QCOMPARE(d->m_currentKind, -1);
        for (QRadioButton* option : d->m_kindButtons)
            QVERIFY(!option->isChecked());
        QCOMPARE(d->m_actionCombo->count(), 8);
        QCOMPARE(d->m_actionCombo->itemText(7), QStringLiteral("Events Remind"));
        QCOMPARE(d->m_actionCombo->currentIndex(), 0);
        QCOMPARE(d->m_targetModeCombo->currentIndex(), secondList);
        QCOMPARE(textInputs(*d), (QList<bool>{false, true, browseEnabled}));
        QCOMPARE(pressedDays(*d), (QList<bool>{false, true, true, true, true, true, false}));
        QStringList dayCaptions;
        for (QPushButton* b : d->m_dayButtons)
            dayCaptions << b->text();
        QCOMPARE(dayCaptions, (QStringList{"Sun", "Mon", "Tue", "Wen", "Thu", "Fri", "Sat"}));
        QCOMPARE(d->m_periodStartEdit->time(), QTime(21, 30));
        QCOMPARE(d->m_periodEndEdit->time(), QTime(23, 59));
        QCOMPARE(d->m_timeOfDayEdit->time(), test::fixedNow().time());
        QCOMPARE(d->m_onceDateEdit->date(), test::fixedNow().date());
        QCOMPARE(d->m_monthDayEdit->date(), QDate(2009, 10, 1));
        QCOMPARE(d->m_monthDayEdit->text(), QStringLiteral("01"));
        // The focus sink exists but lies outside the visible area.
        QVERIFY(d->m_focusSink->geometry().top() >= d->height());
    }

    void choosingAKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<bool>>("pickers");
        QTest::addColumn<bool>("days");
        QTest::addColumn<int>("action");
        QTest::newRow("forbidden period") << 0 << QList<bool>{true, true, false, false, false} << false << 5;
        QTest::newRow("once") << 1 << QList<bool>{false, false, true, true, false} << false << 1;
        QTest::newRow("daily") << 2 << QList<bool>{false, false, true, false, false} << false << 1;
        QTest::newRow("monthly") << 3 << QList<bool>{false, false, true, false, true} << false << 1;
        QTest::newRow("weekly") << 4 << QList<bool>{false, false, true, false, false} << true << 1;
    }
    void choosingAKind()
    {
        QFETCH(int, kind);
        QFETCH(QList<bool>, pickers);
        QFETCH(bool, days);
        QFETCH(int, action);
        auto d = open(TaskDialog::Mode::New);
        d->m_kindButtons[4]->click(); // start from another kind, so the reset shows
        d->m_kindButtons[size_t(kind)]->click();
        QCOMPARE(d->m_currentKind, kind);
        QCOMPARE(enabledPickers(*d), pickers);
        for (QPushButton* b : d->m_dayButtons)
            QCOMPARE(b->isEnabled(), days);
        QCOMPARE(d->m_actionCombo->currentIndex() + 1, action);
        QCOMPARE(textInputs(*d), (QList<bool>{false, true, true})); // a kind leaves them alone
    }

    void choosingAnAction_data()
    {
        QTest::addColumn<bool>("forbidden");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("textInputs");
        for (int action = 1; action <= 8; ++action) {
            const bool text = action == 7 || action == 8;
            QTest::addRow("daily, action %d", action) << false << action << action << text;
            QTest::addRow("forbidden period, action %d", action)
                << true << action << (action == 1 ? 1 : 5) << false;
        }
    }
    void choosingAnAction()
    {
        QFETCH(bool, forbidden);
        QFETCH(int, chosen);
        QFETCH(int, result);
        QFETCH(bool, textInputs);
        auto d = open(TaskDialog::Mode::New);
        d->m_kindButtons[forbidden ? 0 : 2]->click();
        d->m_actionCombo->setCurrentIndex(chosen - 1);
        d->onActionChosen();
        QCOMPARE(d->m_actionCombo->currentIndex() + 1, result);
        QCOMPARE(DialogFixture::textInputs(*d), (QList<bool>(3, textInputs)));
        QCOMPARE(d->focusWidget(), d->m_focusSink);
    }

    void secondListDecidesBrowsing()
    {
        auto d = open(TaskDialog::Mode::New);
        d->m_targetModeCombo->setCurrentIndex(1);
        QVERIFY(!d->m_browseButton->isEnabled());
        d->m_targetModeCombo->setCurrentIndex(0);
        QVERIFY(d->m_browseButton->isEnabled());
    }

    void dayButtonsToggleAndPointAtWeekly()
    {
        auto d = open(TaskDialog::Mode::New);
        d->m_dayButtons[0]->click();
        d->m_dayButtons[3]->click();
        QCOMPARE(pressedDays(*d), (QList<bool>{true, true, true, false, true, true, false}));
        QCOMPARE(d->focusWidget(), d->m_kindButtons[4]);
        QVERIFY(!d->m_kindButtons[4]->isChecked()); // pointing at it does not choose it
    }

    void browsing_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("text");
        QTest::newRow("a file") << "/usr/share/doc/notes.txt" << "/usr/share/doc/notes.txt";
        QTest::newRow("cancelled keeps what was typed") << "" << "https://example.org/";
    }
    void browsing()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, text);
        auto d = open(TaskDialog::Mode::New);
        d->m_targetEdit->setText(QStringLiteral("https://example.org/"));
        d->setFileChooser([chosen](QWidget*) { return chosen; });
        d->m_browseButton->click();
        QCOMPARE(d->m_targetEdit->text(), text);
    }

    void refusedDraftsAreNotSaved_data()
    {
        QTest::addColumn<int>("kind"); // -1: none chosen
        QTest::addColumn<QString>("refusal");
        QTest::newRow("no kind") << -1 << kNoKindChosen;
        QTest::newRow("a week without days") << int(TaskType::Weekly) << kNoDayChosen;
    }
    void refusedDraftsAreNotSaved()
    {
        QFETCH(int, kind);
        QFETCH(QString, refusal);
        auto d = open(TaskDialog::Mode::New);
        if (kind >= 0)
            d->m_kindButtons[size_t(kind)]->click();
        for (QPushButton* day : d->m_dayButtons)
            day->setChecked(false);
        QSignalSpy saved(d.get(), &TaskDialog::saved);
        d->m_okButton->click();
        QCOMPARE(MessageBox::lastText(), refusal);
        QCOMPARE(saved.count(), 0);
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(test::rowCount(db()), 0);
    }

    void onceMustLieAhead_data()
    {
        QTest::addColumn<int>("secondsAhead");
        QTest::addColumn<bool>("stored");
        QTest::newRow("now") << 0 << false;
        QTest::newRow("a second ago") << -1 << false;
        QTest::newRow("yesterday") << -86400 << false;
        QTest::newRow("next second") << 1 << true;
        QTest::newRow("tomorrow") << 86400 << true;
    }
    void onceMustLieAhead()
    {
        QFETCH(int, secondsAhead);
        QFETCH(bool, stored);
        auto d = open(TaskDialog::Mode::New);
        QSignalSpy saved(d.get(), &TaskDialog::saved);
        d->m_kindButtons[1]->click();
        const QDateTime moment = test::fixedNow().addSecs(secondsAhead);
        d->m_onceDateEdit->setDate(moment.date());
        d->m_timeOfDayEdit->setTime(moment.time());
        d->m_okButton->click();
        QCOMPARE(saved.count(), stored ? 1 : 0);
        QCOMPARE(test::rowCount(db()), stored ? 1 : 0);
        QCOMPARE(MessageBox::shownCount(), stored ? 0 : 1);
        if (!stored)
            QCOMPARE(MessageBox::lastText(), QStringLiteral("Invalid date/time"));
        QCOMPARE(d->result(), int(stored ? QDialog::Accepted : QDialog::Rejected));
    }

    void weeklyUntouchedRunsMondayToFriday()
    {
        auto d = open(TaskDialog::Mode::New);
        d->m_kindButtons[4]->click();
        d->m_okButton->click();
        const TaskRow row = test::readRow(db(), 1);
        QCOMPARE(row.typeValue(), std::optional<qint64>(4));
        for (int w = 1; w <= 7; ++w)
            QCOMPARE(row.weekdayFlag(w), w >= 2 && w <= 6);
    }

    void weeklyWithNoDayStoresAllFalse()
    {
        auto d = open(TaskDialog::Mode::New);
        d->m_kindButtons[4]->click();
        for (int i = 1; i <= 5; ++i)
            d->m_dayButtons[size_t(i)]->click();
        d->m_okButton->click();
        const TaskRow row = test::readRow(db(), 1);
        for (const QVariant& flag : row.weekday)
            QCOMPARE(flag.toInt(), 0);
    }

    void refreshRunsBeforeTheDialogCloses()
    {
        auto d = open(TaskDialog::Mode::New);
        int resultWhenSaved = -1;
        int rowsWhenSaved = -1;
        connect(d.get(), &TaskDialog::saved, this, [&] {
            resultWhenSaved = d->result();
            rowsWhenSaved = test::rowCount(db());
        });
        d->m_kindButtons[2]->click();
        d->m_okButton->click();
        QCOMPARE(rowsWhenSaved, 1);                     // stored before the refresh
        QCOMPARE(resultWhenSaved, int(QDialog::Rejected)); // still open then
        QCOMPARE(d->result(), int(QDialog::Accepted));
    }

    void failedSaveKeepsEverythingTyped_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("database missing") << "missing";
        QTest::newRow("database locked") << "locked";
        QTest::newRow("table lacks a column") << "column";
    }
    void failedSaveKeepsEverythingTyped()
    {
        QFETCH(QString, how);
        std::unique_ptr<test::RawConnection> locker;
        if (how == QLatin1String("missing")) {
            QFile::remove(db());
        } else if (how == QLatin1String("locked")) {
            locker = std::make_unique<test::RawConnection>(db());
            QVERIFY(locker->exec(QStringLiteral("BEGIN EXCLUSIVE")));
        } else {
            QVERIFY(test::replaceTable(db(), QStringLiteral("id INTEGER PRIMARY KEY, type, action, starttime, day, "
                                                            "fujia, state, x, ") + test::kFlagColumns));
        }
        auto d = open(TaskDialog::Mode::New);
        QSignalSpy saved(d.get(), &TaskDialog::saved);
        d->m_kindButtons[2]->click();
        d->m_timeOfDayEdit->setTime(QTime(6, 30, 15));
        d->m_actionCombo->setCurrentIndex(7);
        d->onActionChosen();
        d->m_targetModeCombo->setCurrentIndex(1);
        d->m_targetEdit->setText(QStringLiteral("Take the pills"));
        d->m_okButton->click();
        QVERIFY(MessageBox::lastText().startsWith(QStringLiteral("The task was not saved.")));
        QCOMPARE(MessageBox::lastIcon(), QMessageBox::Warning);
        QVERIFY(MessageBox::lastText().size() > QStringLiteral("The task was not saved. ").size());
        QCOMPARE(saved.count(), 0);
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(d->m_currentKind, 2);
        QCOMPARE(d->m_timeOfDayEdit->time(), QTime(6, 30, 15));
        QCOMPARE(d->m_actionCombo->currentIndex(), 7);
        QCOMPARE(d->m_targetModeCombo->currentIndex(), 1);
        QCOMPARE(d->m_targetEdit->text(), QStringLiteral("Take the pills"));
        locker.reset();
        QVERIFY(test::rowCount(db()) <= 0);
    }

    // On a screen with room the dialog shows whole; on a small one (or a
    // scaled one: 800x600 at twice the size) it fits, its fields scroll and
    // OK and Cancel stay in sight.
    void fitsTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("full HD") << QSize(1920, 1080);
        QTest::newRow("800x600 at twice the size") << QSize(400, 300);
    }
    void fitsTheScreen()
    {
        QFETCH(QSize, screen);
        m_platform.setScreen(QRect(QPoint(0, 0), screen));
        auto d = open(TaskDialog::Mode::New);
        d->show();
        QVERIFY(d->width() <= screen.width());
        QVERIFY(d->height() < screen.height());
        const bool roomy = screen.height() > 600;
        QCOMPARE(d->m_fieldScroller->verticalScrollBar()->isVisible(), !roomy);
        for (QPushButton* button : {d->m_okButton, d->m_cancelButton}) {
            QVERIFY(button->isVisible());
            QVERIFY(d->rect().contains(QRect(button->mapTo(d.get(), QPoint(0, 0)), button->size())));
        }
        if (roomy) // laid out at its natural size, the designed one at least
            QVERIFY(d->height() >= 5010 / 15 && d->width() >= 6135 / 15);
    }

    // From the keyboard: Tab starts at the fields, Return in one saves, Escape cancels.
    void keysAnswerTheDialog_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("rows");
        QTest::newRow("Return") << int(Qt::Key_Return) << 1;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << 1;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 0;
    }
    void keysAnswerTheDialog()
    {
        QFETCH(int, key);
        QFETCH(int, rows);
        auto d = open(TaskDialog::Mode::New);
        d->show();
        QWidget* first = d->nextInFocusChain();
        while (first != d.get() && !(first->focusPolicy() & Qt::TabFocus))
            first = first->nextInFocusChain();
        QVERIFY(d->m_scheduleFrame->isAncestorOf(first));
        d->m_kindButtons[2]->click();
        QTest::keyClick(d->m_timeOfDayEdit, Qt::Key(key));
        QCOMPARE(test::rowCount(db()), rows);
        QCOMPARE(d->result(), int(rows ? QDialog::Accepted : QDialog::Rejected));
    }

    void cancelWritesNothing()
    {
        auto d = open(TaskDialog::Mode::New);
        QSignalSpy saved(d.get(), &TaskDialog::saved);
        d->m_kindButtons[2]->click();
        d->m_cancelButton->click();
        QCOMPARE(saved.count(), 0);
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(test::rowCount(db()), 0);
    }
};

QTEST_MAIN(TestTaskDialog)
#include "tst_taskdialog.moc"
