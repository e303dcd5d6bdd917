// The task dialog: its controls as it opens, the rules of choosing, and saving a new task.
#include "DialogFixture.h"

#include <QApplication>
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
        QCOMPARE(d->CurrentKind, -1);
        for (QRadioButton* option : d->Option1)
            QVERIFY(!option->isChecked());
        QCOMPARE(d->ImageCombo1->count(), 8);
        QCOMPARE(d->ImageCombo1->itemText(7), QStringLiteral("Events Remind"));
        QCOMPARE(d->ImageCombo1->currentIndex(), 0);
        QCOMPARE(d->Combo1->currentIndex(), secondList);
        QCOMPARE(textInputs(*d), (QList<bool>{false, true, browseEnabled}));
        QCOMPARE(pressedDays(*d), (QList<bool>{false, true, true, true, true, true, false}));
        QStringList dayCaptions;
        for (QPushButton* b : d->Check1)
            dayCaptions << b->text();
        QCOMPARE(dayCaptions, (QStringList{"Sun", "Mon", "Tue", "Wen", "Thu", "Fri", "Sat"}));
        QCOMPARE(d->DTPicker1->time(), QTime(21, 30));
        QCOMPARE(d->DTPicker2->time(), QTime(23, 59));
        QCOMPARE(d->DTPicker3->time(), test::fixedNow().time());
        QCOMPARE(d->DTPicker4->date(), test::fixedNow().date());
        QCOMPARE(d->DTPicker5->date(), QDate(2009, 10, 1));
        QCOMPARE(d->DTPicker5->text(), QStringLiteral("01"));
        // The focus sink exists but lies outside the visible area.
        QVERIFY(d->cmdTest->geometry().top() >= d->height());
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
        d->Option1[4]->click(); // start from another kind, so the reset shows
        d->Option1[size_t(kind)]->click();
        QCOMPARE(d->CurrentKind, kind);
        QCOMPARE(enabledPickers(*d), pickers);
        for (QPushButton* b : d->Check1)
            QCOMPARE(b->isEnabled(), days);
        QCOMPARE(d->ImageCombo1->currentIndex() + 1, action);
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
        d->Option1[forbidden ? 0 : 2]->click();
        d->ImageCombo1->setCurrentIndex(chosen - 1);
        d->ImageCombo1_Click();
        QCOMPARE(d->ImageCombo1->currentIndex() + 1, result);
        QCOMPARE(DialogFixture::textInputs(*d), (QList<bool>(3, textInputs)));
        QCOMPARE(d->focusWidget(), d->cmdTest);
    }

    void secondListDecidesBrowsing()
    {
        auto d = open(TaskDialog::Mode::New);
        d->Combo1->setCurrentIndex(1);
        QVERIFY(!d->Command1->isEnabled());
        d->Combo1->setCurrentIndex(0);
        QVERIFY(d->Command1->isEnabled());
    }

    void dayButtonsToggleAndPointAtWeekly()
    {
        auto d = open(TaskDialog::Mode::New);
        d->Check1[0]->click();
        d->Check1[3]->click();
        QCOMPARE(pressedDays(*d), (QList<bool>{true, true, true, false, true, true, false}));
        QCOMPARE(d->focusWidget(), d->Option1[4]);
        QVERIFY(!d->Option1[4]->isChecked()); // pointing at it does not choose it
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
        d->TxtDir->setText(QStringLiteral("https://example.org/"));
        d->setFileChooser([chosen](QWidget*) { return chosen; });
        d->Command1->click();
        QCOMPARE(d->TxtDir->text(), text);
    }

    void savingWithoutAKindIsRefused()
    {
        auto d = open(TaskDialog::Mode::New);
        QSignalSpy saved(d.get(), &TaskDialog::saved);
        d->Command2->click();
        QCOMPARE(MessageBox::lastText(), kNoKindChosen);
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
        d->Option1[1]->click();
        const QDateTime moment = test::fixedNow().addSecs(secondsAhead);
        d->DTPicker4->setDate(moment.date());
        d->DTPicker3->setTime(moment.time());
        d->Command2->click();
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
        d->Option1[4]->click();
        d->Command2->click();
        const TaskRow row = test::readRow(db(), 1);
        QCOMPARE(row.typeValue(), std::optional<qint64>(4));
        for (int w = 1; w <= 7; ++w)
            QCOMPARE(row.weekdayFlag(w), w >= 2 && w <= 6);
    }

    void weeklyWithNoDayStoresAllFalse()
    {
        auto d = open(TaskDialog::Mode::New);
        d->Option1[4]->click();
        for (int i = 1; i <= 5; ++i)
            d->Check1[size_t(i)]->click();
        d->Command2->click();
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
        d->Option1[2]->click();
        d->Command2->click();
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
        d->Option1[2]->click();
        d->DTPicker3->setTime(QTime(6, 30, 15));
        d->ImageCombo1->setCurrentIndex(7);
        d->ImageCombo1_Click();
        d->Combo1->setCurrentIndex(1);
        d->TxtDir->setText(QStringLiteral("Take the pills"));
        d->Command2->click();
        QVERIFY(MessageBox::lastText().startsWith(QStringLiteral("The task was not saved.")));
        QVERIFY(MessageBox::lastText().size() > QStringLiteral("The task was not saved. ").size());
        QCOMPARE(saved.count(), 0);
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(d->CurrentKind, 2);
        QCOMPARE(d->DTPicker3->time(), QTime(6, 30, 15));
        QCOMPARE(d->ImageCombo1->currentIndex(), 7);
        QCOMPARE(d->Combo1->currentIndex(), 1);
        QCOMPARE(d->TxtDir->text(), QStringLiteral("Take the pills"));
        locker.reset();
        QVERIFY(test::rowCount(db()) <= 0);
    }

    void cancelWritesNothing()
    {
        auto d = open(TaskDialog::Mode::New);
        QSignalSpy saved(d.get(), &TaskDialog::saved);
        d->Option1[2]->click();
        d->Command3->click();
        QCOMPARE(saved.count(), 0);
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(test::rowCount(db()), 0);
    }
};

QTEST_MAIN(TestTaskDialog)
#include "tst_taskdialog.moc"
