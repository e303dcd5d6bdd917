// The task dialog in its Edit mode: loading the selected task and changing it in place.
#include "DialogFixture.h"

#include <QApplication>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace zelkor;

class TestTaskEditDialog : public QObject, private test::DialogFixture {
    Q_OBJECT
private slots:
    void init() { QVERIFY(setUp()); }

    void editShowsAndKeepsASundayTask()
    {
        const qint64 id = test::addRow(db(), {{"type", 4}, {"action", 2}, {"starttime", test::timeOfDay(7, 15)},
                                              {"state", 1}}, {8});
        for (int p = 9; p <= 14; ++p) { // the others stored as False, as the dialog does
            TaskStore ado(db());
            ado.setRecordSource(queries::byId(id));
            ado.refresh();
            ado.setField(p, 0);
            QVERIFY(ado.update().ok);
        }
        m_state.selectedTaskId = id;
        auto d = open(TaskDialog::Mode::Edit);
        QCOMPARE(d->m_currentKind, 4);
        QVERIFY(d->m_kindButtons[4]->isChecked());
        QCOMPARE(pressedDays(*d), (QList<bool>{true, false, false, false, false, false, false}));
        QCOMPARE(d->m_timeOfDayEdit->time(), QTime(7, 15));
        QCOMPARE(d->m_actionCombo->currentIndex() + 1, 2);
        QCOMPARE(textInputs(*d), (QList<bool>{false, true, true})); // loading is not choosing
        const TaskRow before = test::readRow(db(), id);
        d->m_okButton->click();
        QCOMPARE(d->result(), int(QDialog::Accepted));
        const TaskRow after = test::readRow(db(), id);
        QCOMPARE(after.type, before.type);
        QCOMPARE(after.action, before.action);
        QCOMPARE(after.starttime, before.starttime);
        for (size_t i = 0; i < 7; ++i)
            QCOMPARE(after.weekday[i], before.weekday[i]);
        QCOMPARE(test::rowCount(db()), 1);
    }

    void editOfExpiredOnceNeedsAFutureMoment()
    {
        const double past = daynum::fromDateTime(test::fixedNow().addDays(-2));
        m_state.selectedTaskId =
            test::addRow(db(), {{"type", 1}, {"action", 1}, {"starttime", past}});
        auto d = open(TaskDialog::Mode::Edit);
        QCOMPARE(d->m_onceDateEdit->date(), test::fixedNow().date().addDays(-2));
        d->m_okButton->click();
        QCOMPARE(MessageBox::lastText(), QStringLiteral("Invalid date/time"));
        QCOMPARE(d->result(), int(QDialog::Rejected));
        d->m_onceDateEdit->setDate(test::fixedNow().date().addDays(1));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        d->m_okButton->click();
        QCOMPARE(d->result(), int(QDialog::Accepted));
        const TaskRow row = test::readRow(db(), m_state.selectedTaskId);
        QCOMPARE(daynum::toDateTime(*row.startValue()), test::fixedNow().addDays(-2).addDays(3));
    }

    void editToMessageWithoutSecondListStoresMinusOne()
    {
        m_state.selectedTaskId =
            test::addRow(db(), {{"type", 2}, {"action", 1}, {"starttime", 0.25}});
        auto d = open(TaskDialog::Mode::Edit);
        QCOMPARE(d->m_targetModeCombo->currentIndex(), -1);
        d->m_actionCombo->setCurrentIndex(7);
        d->onActionChosen();
        d->m_targetEdit->setText(QStringLiteral("  Lunch  "));
        d->m_okButton->click();
        const TaskRow row = test::readRow(db(), m_state.selectedTaskId);
        QCOMPARE(row.targetMode.toInt(), -1);
        QVERIFY(row.showsMessage()); // read as "Show message"
        QCOMPARE(row.descriptionText(), QStringLiteral("Lunch"));
    }

    void editLoadsAMessage()
    {
        m_state.selectedTaskId = test::addRow(db(), {{"type", 2},
                                                     {"action", 8},
                                                     {"starttime", 0.5},
                                                     {"fujia", 1},
                                                     {"description", "Water the plants"}});
        auto d = open(TaskDialog::Mode::Edit);
        QCOMPARE(d->m_targetModeCombo->currentIndex(), 1);
        QVERIFY(d->m_targetModeCombo->isEnabled());
        QVERIFY(!d->m_browseButton->isEnabled()); // "Show message" needs no file
        QCOMPARE(d->m_targetEdit->text(), QStringLiteral("Water the plants"));
    }

    void editWhenTheRowIsGone()
    {
        m_state.selectedTaskId = 99;
        auto d = open(TaskDialog::Mode::Edit);
        QCOMPARE(d->m_currentKind, -1);
        d->m_kindButtons[2]->click();
        QSignalSpy saved(d.get(), &TaskDialog::saved);
        d->m_okButton->click();
        QVERIFY(MessageBox::lastText().contains(kTaskGone));
        QCOMPARE(saved.count(), 0);
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(test::rowCount(db()), 0);
    }

    // Edit and OK with no change store the task's texts as they were.
    void editKeepsTheTexts_data()
    {
        QTest::addColumn<QString>("description");
        QTest::newRow("longer than a line edit's default") << QString(40000, QLatin1Char('x'));
        QTest::newRow("lines, tabs, quotes") << QStringLiteral("first \"line\"\n\tsecond \u05e9\u05dc\u05d5\u05dd");
    }
    void editKeepsTheTexts()
    {
        QFETCH(QString, description);
        m_state.selectedTaskId = test::addRow(db(), {{"type", 2}, {"action", 8}, {"starttime", test::timeOfDay(8, 0)},
                                                     {"fujia", 0}, {"description", description}, {"state", 1}});
        auto d = open(TaskDialog::Mode::Edit);
        d->m_okButton->click();
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(test::readRow(db(), m_state.selectedTaskId).descriptionText(), description);
    }

    void editOfDamagedRows_data()
    {
        QTest::addColumn<QVariantMap>("columns");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("action");
        QTest::newRow("all Null") << QVariantMap{} << -1 << 1;
        QTest::newRow("kind -1") << QVariantMap{{"type", -1}, {"action", 3}} << -1 << 3;
        QTest::newRow("codes outside the tables") << QVariantMap{{"type", 12}, {"action", 40}} << -1 << 1;
        QTest::newRow("text everywhere")
            << QVariantMap{{"type", "daily"}, {"action", "lock"}, {"starttime", "noon"}, {"day", "x"},
                           {"fujia", "y"}, {"description", 5}}
            << -1 << 1;
        QTest::newRow("monthly with text for day")
            << QVariantMap{{"type", 3}, {"action", 8}, {"day", "x"}, {"fujia", "y"}} << 3 << 8;
    }
    void editOfDamagedRows()
    {
        QFETCH(QVariantMap, columns);
        QFETCH(int, kind);
        QFETCH(int, action);
        m_state.selectedTaskId = test::addRow(db(), columns);
        QVERIFY(m_state.selectedTaskId > 0);
        auto d = open(TaskDialog::Mode::Edit);
        QCOMPARE(d->m_currentKind, kind);
        QCOMPARE(d->m_actionCombo->currentIndex() + 1, action);
        QCOMPARE(d->m_monthDayEdit->date(), QDate(2009, 10, 1));
        // Saving it once a kind is chosen repairs the row.
        d->m_kindButtons[2]->click();
        d->m_okButton->click();
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(test::readRow(db(), m_state.selectedTaskId).typeValue(), std::optional<qint64>(2));
    }
};

QTEST_MAIN(TestTaskEditDialog)
#include "tst_taskeditdialog.moc"
