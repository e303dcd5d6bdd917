// What a user without a mouse, or with a screen reader, meets: every control
// the Tab key reaches has a name of its own to be read out, and Tab reaches
// every action of the window.

#include "ShellProgram.h"
#include "countdown/TimerTab.h"
#include "tasks/TaskDialog.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QToolBar>
#include <QToolButton>

#include <QSet>

using namespace zelkor;
using namespace zelkor::test;

namespace {
QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

// The controls of `root` that Tab may land on as it shows now; the editors
// inside spin boxes and combo boxes speak through their owners.
QList<QWidget*> tabStops(QWidget* root)
{
    QList<QWidget*> stops;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(root) || w->focusProxy())
            continue;
        if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        stops << w;
    }
    return stops;
}

// "objectName: why" for each stop without a name, or with one another stop has too.
QStringList namingFaults(QWidget* root)
{
    QStringList faults;
    QHash<QString, QStringList> byName;
    for (QWidget* w : tabStops(root)) {
        const QString name = accessibleName(w);
        if (name.isEmpty())
            faults << w->objectName() + QStringLiteral(" (") + QLatin1String(w->metaObject()->className()) +
                          QStringLiteral("): no name");
        else if (!qobject_cast<QComboBox*>(w)) // a list is read as its choice, beside its label
            byName[name] << w->objectName();
    }
    for (auto it = byName.cbegin(); it != byName.cend(); ++it)
        if (it.value().size() > 1)
            faults << it.key() + QStringLiteral(": named alike: ") + it.value().join(QStringLiteral(", "));
    return faults;
}
// The widgets shown to screen readers that lie beyond their parent's edges,
// where nobody sees them: "objectName (class)" each. The focus sinks, which
// must take the focus they are given, are the known ones.
QStringList outOfSight(QWidget* root)
{
    QStringList found;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const QWidget* parent = w->parentWidget();
        if (!w->isVisibleTo(root) || !parent || w->objectName().compare(u"cmdtest", Qt::CaseInsensitive) == 0)
            continue;
        if (!QRect(QPoint(0, 0), parent->size()).intersects(w->geometry()))
            found << w->objectName() + QStringLiteral(" (") + QLatin1String(w->metaObject()->className()) +
                         QLatin1Char(')');
    }
    return found;
}
} // namespace

class TestKeyboardReach : public ShellTest {
    Q_OBJECT
private slots:
    void everyControlIsNamedAndInSight_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("tab");
        QTest::newRow("main window, timer") << "main" << 0;
        QTest::newRow("main window, task list") << "main" << 1;
        QTest::newRow("main window, options") << "main" << 2;
        QTest::newRow("New Task") << "new" << -1;
        QTest::newRow("Edit Task") << "edit" << -1;
    }
    void everyControlIsNamedAndInSight()
    {
        QFETCH(QString, window);
        QFETCH(int, tab);
        Program program;
        program.start();
        std::unique_ptr<TaskDialog> dialog;
        QWidget* root = program.window.get();
        if (window == u"main") {
            program.window->show();
            program.window->m_tabs->setCurrentIndex(tab);
        } else {
            dialog = std::make_unique<TaskDialog>(window == u"new" ? TaskDialog::Mode::New : TaskDialog::Mode::Edit,
                                                  program.platform, program.state);
            dialog->show();
            root = dialog.get();
        }
        QVERIFY(QTest::qWaitForWindowExposed(root));
        QApplication::processEvents(); // the layouts of the tab just chosen
        QVERIFY(!tabStops(root).isEmpty());
        const QStringList faults = namingFaults(root) + outOfSight(root);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    // Choosing an action with the mouse sends the focus away from the list,
    // to a sink out of sight; with keys it stays, so the arrows step on.
    void actionListKeepsTheKeyboardFocus_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("staysOnTheList");
        for (const char* window : {"main", "new"}) {
            QTest::addRow("%s, arrows on the closed list", window) << window << "arrows" << true;
            QTest::addRow("%s, Return in the open list", window) << window << "list keys" << true;
            QTest::addRow("%s, click in the open list", window) << window << "mouse" << false;
        }
    }
    void actionListKeepsTheKeyboardFocus()
    {
        QFETCH(QString, window);
        QFETCH(QString, how);
        QFETCH(bool, staysOnTheList);
        Program program;
        program.start();
        std::unique_ptr<TaskDialog> dialog;
        QWidget* root = program.window.get();
        PictureCombo* list = program.window->timerTab()->m_actionCombo;
        if (window == u"new") {
            dialog = std::make_unique<TaskDialog>(TaskDialog::Mode::New, program.platform, program.state);
            root = dialog.get();
            list = dialog->m_actionCombo;
        }
        root->show();
        root->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(root));
        list->setCurrentIndex(0);
        list->setFocus();
        if (how == u"arrows") {
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        } else {
            list->showPopup();
            QAbstractItemView* items = list->view();
            QTRY_VERIFY(items->isVisible());
            if (how == u"mouse") {
                const QRect third = items->visualRect(list->model()->index(2, 0));
                QTest::mouseClick(items->viewport(), Qt::LeftButton, {}, third.center());
            } else {
                items->setCurrentIndex(list->model()->index(2, 0));
                QTest::keyClick(items, Qt::Key_Return);
            }
        }
        QTRY_COMPARE(list->currentIndex(), 2);
        QCOMPARE(QApplication::focusWidget() == list, staysOnTheList);
    }

    // Tab goes round the whole window, the toolbar's actions included.
    void tabReachesEveryAction()
    {
        Program program;
        program.start();
        MainWindow& window = *program.window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSet<QWidget*> reached;
        for (int i = 0; i < 80 && QApplication::focusWidget(); ++i) {
            reached.insert(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QToolBar* toolbar = window.findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        QVERIFY(toolbar);
        const QList<QAction*> actions = toolbar->actions();
        QVERIFY(actions.size() >= 7);
        for (QAction* action : actions)
            QVERIFY2(reached.contains(toolbar->widgetForAction(action)), qPrintable(action->text()));
    }
};

QTEST_MAIN(TestKeyboardReach)
#include "tst_keyboardreach.moc"
