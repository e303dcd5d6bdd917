#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"
#include "tasks/TaskStore.h"
#include "tasks/TaskDialog.h"
#include "tasks/TaskReader.h"

#include <QWidget>

#include <functional>

class QPushButton;

namespace zelkor {

class TaskGrid;

// The "Scheduled Tasks" tab: the task list and its New, Edit and Delete
// commands, made when the page first shows. It owns the main window's record
// set for the list and the commands; after a save or a deletion it asks the
// window to refresh.
class TasksPage : public QWidget {
    Q_OBJECT
public:
    TasksPage(Platform& platform, AppState& state, QWidget* parent = nullptr);
    ~TasksPage() override;

    void connectDatabase(const QString& databasePath)
    {
        m_store.setConnection(databasePath, m_state.databaseState);
        m_reader.setDatabase(databasePath, m_state.databaseState);
    }

    // Rebuilds the list from the table, newest first. The selection and the
    // enabled state of Edit and Delete are kept. While the page is not on
    // screen (another tab, the window in the tray) the rebuild waits until it
    // shows: a large table is read only for somebody who looks at it.
    void refreshTaskList();
    // A row was picked (-1: none): it becomes the task Edit and Delete act on.
    void onRowPicked(int row);

    void newTask();
    void editTask();
    void deleteTask();

    // How a dialog is shown; modal by default. Tests drive the dialog here.
    using DialogRunner = std::function<void(TaskDialog&)>;
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }
    // Asked before a task is edited or deleted (with what is about to
    // happen); false leaves the task alone.
    using ChangeGuard = std::function<bool(const QString& what)>;
    void setChangeGuard(ChangeGuard guard) { m_changeGuard = std::move(guard); }
    // Asked before a new task is stored; false keeps the dialog open.
    void setNewTaskGuard(TaskDialog::NewTaskGuard guard) { m_newTaskGuard = std::move(guard); }

    // Made when the page first shows: a start that never opens the list
    // pays for none of it.
    TaskGrid* m_taskGrid = nullptr;
    QPushButton* m_newButton = nullptr;
    QPushButton* m_editButton = nullptr;
    QPushButton* m_deleteButton = nullptr;

signals:
    // A task was saved or deleted; the main window runs its refresh.
    void taskChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void rebuildList();
    void setCommandsEnabled(bool enabled);
    void runDialog(TaskDialog& dialog);

    Platform& m_platform;
    AppState& m_state;
    TaskStore m_store;
    TaskReader m_reader; // the list's query, kept ready between rebuilds
    DialogRunner m_runDialog;
    ChangeGuard m_changeGuard = [](const QString&) { return true; };
    TaskDialog::NewTaskGuard m_newTaskGuard;
    bool m_listStale = false; // a rebuild waits for the page to show
};

} // namespace zelkor
