#include "TaskFixtures.h"
#include "common/DateText.h"
#include "countdown/PowerOnCycle.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/ShellProgram.h"
#include "support/Contrast.h"
#include "support/TempProgramDir.h"
#include "tasks/TaskDialog.h"
#include "tasks/TaskGrid.h"
#include "tasks/TasksPage.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

using namespace zelkor;

class TestTasksPage : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TempProgramDir> m_dir;
    FakePlatform m_platform;
    AppState m_state;
    std::unique_ptr<TasksPage> m_page;
    // As a desktop set to open items with one click.
    struct SingleClickStyle : QProxyStyle {
        int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* returned) const override
        {
            return hint == SH_ItemView_ActivateItemOnSingleClick
                       ? 1
                       : QProxyStyle::styleHint(hint, option, widget, returned);
        }
    } m_singleClickStyle;

    QString db() const { return m_dir->databasePath(); }
    QString cell(int row, int column) const
    {
        const TaskListModel& model = m_page->m_taskGrid->lines();
        return model.data(model.index(row, column)).toString();
    }
    int rows() const { return m_page->m_taskGrid->lines().rowCount(); }
    QList<qint64> listedIds() const
    {
        QList<qint64> ids;
        for (int r = 0; r < rows(); ++r)
            ids << cell(r, tasklist::ColId).toLongLong();
        return ids;
    }
    void clickRow(int row)
    {
        TaskGrid* grid = m_page->m_taskGrid;
        const QRect r = grid->visualRect(grid->lines().index(row, tasklist::ColDescription));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    }
    bool commandsEnabled() const
    {
        return m_page->m_editButton->isEnabled() && m_page->m_deleteButton->isEnabled();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<test::TempProgramDir>();
        QVERIFY(m_dir->isValid());
        m_platform.setNow(test::fixedNow());
        m_state = AppState();
        m_state.paths = portablePaths(m_dir->path());
        MessageBox::resetTestState();
        MessageBox::setNextAnswer(QMessageBox::Ok); // no box can block a test
        m_page = std::make_unique<TasksPage>(m_platform, m_state);
        m_page->connectDatabase(taskDatabasePath(m_dir->path()));
        // What the main window does on a change, as far as the list is concerned.
        connect(m_page.get(), &TasksPage::taskChanged, m_page.get(), &TasksPage::refreshTaskList);
        m_page->resize(600, 300);
        m_page->show();
    }
    void cleanup() { m_page.reset(); }

    void emptyTableShowsTheHeaderOnly()
    {
        m_page->refreshTaskList();
        TaskGrid* grid = m_page->m_taskGrid;
        QCOMPARE(rows(), 0);
        QStringList headers;
        for (int c = 0; c < tasklist::kColumnCount; ++c)
            headers << grid->lines().headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"State", "Start Time", "End Time", "Description", "id"}));
        QCOMPARE(grid->columnWidth(0), 33);
        // At least the designed widths; wider where the font needs it to
        // show a whole date and time.
        QVERIFY(grid->columnWidth(1) >= 120);
        QVERIFY(grid->columnWidth(2) >= 53);
        const QString start = datetext::general(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)));
        QVERIFY(grid->columnWidth(1) > grid->fontMetrics().horizontalAdvance(start));
        QVERIFY(grid->columnWidth(2) > grid->fontMetrics().horizontalAdvance(QStringLiteral("23:58:58")));
        QCOMPARE(grid->columnWidth(3), 280);
        QVERIFY(grid->isColumnHidden(tasklist::ColId));
        QVERIFY(!commandsEnabled());
        QVERIFY(m_page->m_newButton->isEnabled());
        QCOMPARE(m_page->m_newButton->text(), QStringLiteral("New"));
        QCOMPARE(m_page->m_deleteButton->text(), QStringLiteral("Delete"));
    }

    // The pale cells keep their colours under a dark desktop theme too, and
    // their text stays readable on them (WCAG's 4.5:1 for body text).
    void colouredCellsReadInEveryTheme_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light theme") << QColor(0xef, 0xef, 0xef) << QColor(Qt::black);
        QTest::newRow("dark theme") << QColor(0x2a, 0x2e, 0x32) << QColor(0xfc, 0xfc, 0xfc);
    }
    void colouredCellsReadInEveryTheme()
    {
        QFETCH(QColor, window);
        QFETCH(QColor, text);
        const QPalette desktop = QApplication::palette();
        const auto restore = qScopeGuard([&desktop] { QApplication::setPalette(desktop); });
        QPalette themed(text, window);
        themed.setColor(QPalette::Base, window);
        QApplication::setPalette(themed);
        test::addRow(db(), {{"type", 2}, {"action", 1}, {"starttime", test::timeOfDay(8, 0)}});
        m_page->refreshTaskList();
        const TaskListModel& model = m_page->m_taskGrid->lines();
        for (int c = 0; c < 4; ++c) {
            const QModelIndex cell = model.index(0, c);
            const QColor back = model.data(cell, Qt::BackgroundRole).value<QColor>();
            const QVariant ink = model.data(cell, Qt::ForegroundRole);
            const QColor fore = ink.isValid() ? ink.value<QColor>() : themed.color(QPalette::Text);
            QVERIFY2(test::contrastRatio(back, fore) >= 4.5, qPrintable(QString::number(c)));
        }
    }

    void missingDatabaseShowsTheHeaderOnly()
    {
        test::addRow(db(), {{"type", 2}, {"action", 1}});
        QFile::remove(db());
        m_page->refreshTaskList();
        QCOMPARE(rows(), 0);
    }

    void listsNewestFirstWithColoursAndAlignment()
    {
        test::addRow(db(), {{"type", 0}, {"action", 5}, {"starttime", test::timeOfDay(21, 30)},
                            {"stoptime", test::timeOfDay(23, 59)}});
        test::addRow(db(), {{"type", 4}, {"action", 1}, {"starttime", test::timeOfDay(23, 0)}}, {9, 11, 13});
        m_page->refreshTaskList();
        QCOMPARE(listedIds(), (QList<qint64>{2, 1}));
        QCOMPARE(cell(0, 3), QStringLiteral("Shut Down -- Weekly -- Mon Wed Fri"));
        QCOMPARE(cell(1, 0), QStringLiteral("\u221A"));
        QCOMPARE(cell(1, 1), QStringLiteral("21:30:00"));
        QCOMPARE(cell(1, 2), QStringLiteral("23:59:00"));
        const TaskListModel& model = m_page->m_taskGrid->lines();
        const QColor blue(0xF0, 0xF0, 0xFF);  // 0xFFF0F0 as BGR
        const QColor green(0xF0, 0xFF, 0xF0); // 0xF0FFF0 as BGR
        const QList<QColor> colours{blue, green, blue, green};
        for (int c = 0; c < 4; ++c)
            QCOMPARE(model.data(model.index(0, c), Qt::BackgroundRole).value<QColor>(), colours[c]);
        QVERIFY(!model.data(model.index(0, 4), Qt::BackgroundRole).isValid());
        QCOMPARE(model.data(model.index(0, 1), Qt::TextAlignmentRole).toInt(), int(Qt::AlignHCenter | Qt::AlignTop));
        QVERIFY(!model.data(model.index(0, 3), Qt::TextAlignmentRole).isValid());
    }

    void clickingPicksTheTask_data()
    {
        QTest::addColumn<qint64>("id");
        QTest::newRow("small id") << qint64(3);
        QTest::newRow("id beyond 16 bits") << qint64(70000);
        QTest::newRow("id beyond 2^53") << qint64(9007199254740993);
    }
    void clickingPicksTheTask()
    {
        QFETCH(qint64, id);
        test::addRow(db(), {{"id", id}, {"type", 2}, {"action", 6}});
        test::addRow(db(), {{"id", 2}, {"type", 2}, {"action", 3}});
        m_page->refreshTaskList();
        const int row = listedIds().indexOf(id);
        QVERIFY(row >= 0);
        clickRow(row);
        QCOMPARE(m_state.selectedTaskId, id);
        QVERIFY(commandsEnabled());
        clickRow(1 - row);
        QCOMPARE(m_state.selectedTaskId, qint64(2));
    }

    void clickBesideEveryRowPicksNothing()
    {
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        m_page->refreshTaskList();
        clickRow(0);
        QVERIFY(commandsEnabled());
        QTest::mouseClick(m_page->m_taskGrid->viewport(), Qt::LeftButton, {},
                          QPoint(5, m_page->m_taskGrid->viewport()->height() - 3));
        QCOMPARE(m_state.selectedTaskId, qint64(0));
        QVERIFY(!commandsEnabled());
        QVERIFY(m_page->m_taskGrid->selectionModel()->selectedRows().isEmpty());
    }

    void rowWithoutUsableIdPicksNothing()
    {
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        m_page->refreshTaskList();
        clickRow(0);
        QCOMPARE(m_state.selectedTaskId, qint64(1));
        // A row whose id cannot be used, as a damaged table gives.
        QVERIFY(test::replaceTable(db(), QStringLiteral("id, type INTEGER, action INTEGER, starttime REAL, "
                                                        "stoptime REAL, day REAL, fujia INTEGER, description "
                                                        "TEXT, %1, state INTEGER")
                                             .arg(test::kFlagColumns)));
        QVERIFY(test::RawConnection(db()).exec(QStringLiteral("insert into task (id, type, action) values ('x', 2, 6)")));
        m_page->refreshTaskList();
        QCOMPARE(cell(0, tasklist::ColId), QStringLiteral("x"));
        clickRow(0);
        QCOMPARE(m_state.selectedTaskId, qint64(0));
        QVERIFY(!commandsEnabled());
    }

    void keyboardMovesThePick()
    {
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        test::addRow(db(), {{"type", 2}, {"action", 3}});
        m_page->refreshTaskList();
        clickRow(0);
        QCOMPARE(m_state.selectedTaskId, qint64(2));
        QTest::keyClick(m_page->m_taskGrid, Qt::Key_Down);
        QCOMPARE(m_state.selectedTaskId, qint64(1));
    }

    // Focus arriving in the list makes a row current without highlighting it:
    // that is no pick, so a later Delete must not reach the task in that row.
    void focusArrivingPicksNothing_data()
    {
        QTest::addColumn<bool>("afterDeletion");
        QTest::newRow("nothing picked yet") << false;
        QTest::newRow("after the picked task was deleted") << true;
    }
    void focusArrivingPicksNothing()
    {
        QFETCH(bool, afterDeletion);
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        test::addRow(db(), {{"type", 2}, {"action", 3}});
        test::addRow(db(), {{"type", 2}, {"action", 4}});
        m_page->refreshTaskList();
        if (afterDeletion) {
            clickRow(1);
            MessageBox::setNextAnswer(QMessageBox::Yes);
            m_page->m_deleteButton->click();
            QCOMPARE(listedIds(), (QList<qint64>{3, 1}));
        }
        m_page->m_newButton->setFocus();
        QTest::keyClick(m_page->m_newButton, Qt::Key_Backtab); // Shift+Tab into the list
        // What an accessibility tool does: a current row, nothing highlighted.
        m_page->m_taskGrid->selectionModel()->setCurrentIndex(
            m_page->m_taskGrid->lines().index(1, tasklist::ColDescription), QItemSelectionModel::NoUpdate);
        QCOMPARE(m_state.selectedTaskId, afterDeletion ? qint64(2) : qint64(0));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        m_page->m_deleteButton->click();
        QCOMPARE(test::rowCount(db()), afterDeletion ? 2 : 3);
    }

    void rebuildKeepsThePick()
    {
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        m_page->refreshTaskList();
        clickRow(0);
        test::addRow(db(), {{"type", 2}, {"action", 1}});
        m_page->refreshTaskList();
        QCOMPARE(m_state.selectedTaskId, qint64(1));
        QVERIFY(commandsEnabled());
        const QModelIndexList selected = m_page->m_taskGrid->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().row(), 1); // the picked task, now below the new one
    }

    void damagedRowsAreListed()
    {
        test::addRow(db(), {{"type", "weekly"}, {"action", 3}, {"starttime", "noon"}});
        test::addRow(db(), {{"type", 9}, {"action", 99}});
        test::addRow(db(), {{"action", 1}});
        test::addRow(db(), {{"type", 1}, {"action", 1}, {"starttime", 1e200}});
        m_page->refreshTaskList();
        QCOMPARE(rows(), 4);
        QCOMPARE(cell(3, 1), QStringLiteral("noon"));
        QCOMPARE(cell(3, 3), QString());
        QCOMPARE(cell(0, 0), QStringLiteral("\u00D7")); // a Once moment that cannot be read never comes
        clickRow(3);
        QCOMPARE(m_state.selectedTaskId, qint64(1));
        int opened = 0;
        m_page->setDialogRunner([&](TaskDialog& d) {
            ++opened;
            QCOMPARE(d.m_currentKind, -1);
        });
        m_page->m_editButton->click();
        QCOMPARE(opened, 1);
    }

    void deleteAnsweredNo()
    {
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        m_page->refreshTaskList();
        clickRow(0);
        QSignalSpy changed(m_page.get(), &TasksPage::taskChanged);
        MessageBox::setNextAnswer(QMessageBox::No);
        m_page->m_deleteButton->click();
        QCOMPARE(MessageBox::lastText(), QStringLiteral("Are you sure you want to delete this task?"));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(test::rowCount(db()), 1);
        QCOMPARE(rows(), 1);
    }

    void deleteThenEditAndDeleteFindNothing()
    {
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        test::addRow(db(), {{"type", 2}, {"action", 3}});
        m_page->refreshTaskList();
        clickRow(1);
        QSignalSpy changed(m_page.get(), &TasksPage::taskChanged);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        m_page->m_deleteButton->click();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(listedIds(), QList<qint64>{2});
        QCOMPARE(m_state.selectedTaskId, qint64(1));
        QVERIFY(commandsEnabled());

        int opened = 0;
        m_page->setDialogRunner([&](TaskDialog&) { ++opened; });
        m_page->m_editButton->click();
        QCOMPARE(opened, 0);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        const int boxes = MessageBox::shownCount();
        m_page->m_deleteButton->click();
        QCOMPARE(MessageBox::shownCount(), boxes + 1); // still asks first
        QCOMPARE(changed.count(), 1);
        QCOMPARE(test::rowCount(db()), 1);
    }

    // After a deletion nothing is picked: the focus entering the list makes a
    // row current without highlighting it, and neither that nor a command
    // pressed then, by mouse or by a screen reader, picks or changes a task.
    void focusInTheListPicksNothing_data()
    {
        QTest::addColumn<Qt::Key>("key"); // how the focus comes into the list
        QTest::addColumn<bool>("edit");   // Edit, else Delete
        QTest::addColumn<bool>("assistive");
        for (const Qt::Key key : {Qt::Key_Backtab, Qt::Key_Tab})
            for (const bool edit : {true, false})
                for (const bool assistive : {false, true})
                    QTest::addRow("%s, %s by %s", key == Qt::Key_Tab ? "Tab" : "Shift+Tab", edit ? "Edit" : "Delete",
                                  assistive ? "accessibility" : "mouse")
                        << key << edit << assistive;
    }
    void focusInTheListPicksNothing()
    {
        QFETCH(Qt::Key, key);
        QFETCH(bool, edit);
        QFETCH(bool, assistive);
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        test::addRow(db(), {{"type", 2}, {"action", 3}});
        test::addRow(db(), {{"type", 2}, {"action", 1}});
        m_page->refreshTaskList();
        clickRow(1);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        m_page->m_deleteButton->click();
        QCOMPARE(listedIds(), (QList<qint64>{3, 1}));
        QCOMPARE(m_state.selectedTaskId, qint64(2)); // the deleted one: nothing to act on

        TaskGrid* grid = m_page->m_taskGrid;
        QWidget* from = key == Qt::Key_Tab ? static_cast<QWidget*>(m_page->m_deleteButton) : m_page->m_newButton;
        m_page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
        from->setFocus();
        QTest::keyClick(from, key);
        QCOMPARE(QApplication::focusWidget(), grid);
        QVERIFY(grid->currentIndex().isValid()); // a current row, not highlighted
        QVERIFY(grid->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(m_state.selectedTaskId, qint64(2));

        int opened = 0;
        m_page->setDialogRunner([&](TaskDialog&) { ++opened; });
        QSignalSpy changed(m_page.get(), &TasksPage::taskChanged);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QPushButton* command = edit ? m_page->m_editButton : m_page->m_deleteButton;
        if (assistive) {
            QAccessibleInterface* button = QAccessible::queryAccessibleInterface(command);
            QVERIFY(button && button->actionInterface());
            button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QTest::qWait(300); // an accessible press clicks a moment later
        } else {
            command->click();
        }
        QCOMPARE(opened, 0);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(test::rowCount(db()), 2);
        QCOMPARE(m_state.selectedTaskId, qint64(2));
    }

    // Enter or a double click edits the highlighted task, Delete deletes it
    // (after the question); with the focus only resting on a row, nothing.
    void listKeysActOnTheHighlightedTask_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("highlighted");
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("Enter") << "Enter" << true << 1 << 2;
        QTest::newRow("keypad Enter") << "keypad Enter" << true << 1 << 2;
        QTest::newRow("double click") << "double click" << true << 1 << 2;
        QTest::newRow("Delete") << "Delete" << true << 0 << 1;
        QTest::newRow("a click where one click activates") << "single click" << true << 0 << 2;
        QTest::newRow("Enter, focus only") << "Enter" << false << 0 << 2;
        QTest::newRow("Delete, focus only") << "Delete" << false << 0 << 2;
    }
    void listKeysActOnTheHighlightedTask()
    {
        QFETCH(QString, input);
        QFETCH(bool, highlighted);
        QFETCH(int, dialogs);
        QFETCH(int, rowsLeft);
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        test::addRow(db(), {{"type", 2}, {"action", 3}});
        m_page->refreshTaskList();
        TaskGrid* grid = m_page->m_taskGrid;
        m_page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
        if (highlighted) {
            clickRow(1);
        } else {
            m_page->m_newButton->setFocus();
            QTest::keyClick(m_page->m_newButton, Qt::Key_Backtab);
            QVERIFY(grid->currentIndex().isValid());
        }
        QCOMPARE(QApplication::focusWidget(), grid);
        int opened = 0;
        m_page->setDialogRunner([&](TaskDialog& d) {
            ++opened;
            QCOMPARE(d.mode(), TaskDialog::Mode::Edit);
        });
        MessageBox::setNextAnswer(QMessageBox::Yes);
        const int boxes = MessageBox::shownCount();
        if (input == QLatin1String("Enter")) {
            QTest::keyClick(grid, Qt::Key_Return);
        } else if (input == QLatin1String("single click")) {
            grid->setStyle(&m_singleClickStyle);
            clickRow(1);
        } else if (input == QLatin1String("keypad Enter")) {
            QTest::keyClick(grid, Qt::Key_Enter, Qt::KeypadModifier);
        } else if (input == QLatin1String("Delete")) {
            QTest::keyClick(grid, Qt::Key_Delete);
        } else {
            const QRect r = grid->visualRect(grid->lines().index(1, tasklist::ColDescription));
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, r.center());
        }
        QCOMPARE(opened, dialogs);
        QCOMPARE(MessageBox::shownCount() - boxes, input == QLatin1String("Delete") && highlighted ? 1 : 0);
        QCOMPARE(test::rowCount(db()), rowsLeft);
        if (rowsLeft == 1)
            QCOMPARE(listedIds(), QList<qint64>{2}); // the highlighted one went
    }

    void deleteThatCannotBeStoredIsTold()
    {
        test::addRow(db(), {{"type", 2}, {"action", 6}});
        m_page->refreshTaskList();
        clickRow(0);
        QSignalSpy changed(m_page.get(), &TasksPage::taskChanged);
        {
            test::RawConnection locker(db());
            QVERIFY(locker.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            const int boxes = MessageBox::shownCount();
            MessageBox::setNextAnswers({QMessageBox::Yes, QMessageBox::Ok}); // the question, the report
            m_page->m_deleteButton->click();
            QCOMPARE(MessageBox::shownCount(), boxes + 2);
            QVERIFY(MessageBox::lastText().startsWith(QStringLiteral("The task was not deleted.")));
        }
        QCOMPARE(changed.count(), 0);
        QCOMPARE(test::rowCount(db()), 1);
    }

    void newAndEditOpenTheirDialogs()
    {
        test::addRow(db(), {{"type", 2}, {"action", 8}, {"starttime", 0.5}, {"fujia", 1}, {"description", "Hi"}});
        m_page->refreshTaskList();
        QSignalSpy changed(m_page.get(), &TasksPage::taskChanged);
        QList<TaskDialog::Mode> modes;
        m_page->setDialogRunner([&](TaskDialog& d) {
            modes << d.mode();
            if (d.mode() == TaskDialog::Mode::New) {
                d.m_kindButtons[2]->click();
            } else {
                QCOMPARE(d.m_targetEdit->text(), QStringLiteral("Hi"));
                d.m_targetEdit->setText(QStringLiteral("Hello"));
            }
            d.m_okButton->click();
        });
        m_page->m_newButton->click();
        QCOMPARE(rows(), 2);
        clickRow(1);
        m_page->m_editButton->click();
        QCOMPARE(modes, (QList<TaskDialog::Mode>{TaskDialog::Mode::New, TaskDialog::Mode::Edit}));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(test::readRow(db(), 1).descriptionText(), QStringLiteral("Hello"));
    }

    void mainWindowRefreshesAfterADeletion()
    {
        m_page.reset();
        test::addRow(db(), {{"type", 0}, {"action", 5}});
        test::addRow(db(), {{"type", 2}, {"action", 1}});
        MainWindow window(m_platform, m_state);
        QVERIFY(window.startUp());
        TasksPage* page = window.tasksPage();
        QVERIFY(page);
        QCOMPARE(window.m_tabs->widget(1), page);
        QCOMPARE(window.m_tabs->tabText(1), QStringLiteral("Scheduled Tasks"));
        // Made and read only once it shows: the window starts on the Timer tab.
        QVERIFY(!page->m_taskGrid);
        test::showTaskList(window);
        QCOMPARE(page->m_taskGrid->lines().rowCount(), 2);
        page->onRowPicked(1);
        QCOMPARE(m_state.selectedTaskId, qint64(1));
        QTRY_VERIFY(window.powerOn()->cycles() > 0);
        const int searches = window.powerOn()->cycles();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        page->m_deleteButton->click();
        QCOMPARE(page->m_taskGrid->lines().rowCount(), 1);
        // The rest of the refresh ran too: the Power On search runs again.
        QTRY_VERIFY(window.powerOn()->cycles() > searches);
        m_state.exitRequested = true;
    }
};

QTEST_MAIN(TestTasksPage)
#include "tst_taskspage.moc"
