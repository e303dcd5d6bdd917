#include "tasks/TasksPage.h"

#include "common/ModalWait.h"
#include "shell/MessageBox.h"
#include "tasks/TaskDialog.h"
#include "tasks/TaskGrid.h"
#include "tasks/TaskListText.h"
#include "tasks/TaskQueries.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <initializer_list>

namespace zelkor {

namespace {
QPushButton* commandButton(const char* name, const char* caption, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(1215 / 15, 375 / 15);
    return button;
}
} // namespace

TasksPage::TasksPage(Platform& platform, AppState& state, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_state(state), m_runDialog([](TaskDialog& d) {
          // Modal, yet not ended by hidden mode: the dialog comes back with
          // everything typed into it.
          d.show();
          waitUntilDone(&d, &QDialog::finished);
      })
{
    setObjectName(QStringLiteral("TasksPage"));
}

void TasksPage::build()
{
    m_taskGrid = new TaskGrid(this);
    m_taskGrid->setAccessibleName(QStringLiteral("Scheduled tasks"));
    m_newButton = commandButton("cmdNew", "New", this);
    m_editButton = commandButton("cmdEdit", "Edit", this);
    m_deleteButton = commandButton("cmdDel", "Delete", this);
    setCommandsEnabled(false); // nothing is picked yet

    auto* buttons = new QHBoxLayout;
    buttons->addSpacing(480 / 15);
    for (QPushButton* button : {m_newButton, m_editButton, m_deleteButton}) {
        buttons->addWidget(button);
        buttons->addSpacing(225 / 15);
    }
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_taskGrid, 1);
    layout->addLayout(buttons);

    connect(m_taskGrid, &TaskGrid::rowPicked, this, &TasksPage::onRowPicked);
    connect(m_newButton, &QPushButton::clicked, this, &TasksPage::newTask);
    connect(m_editButton, &QPushButton::clicked, this, &TasksPage::editTask);
    connect(m_deleteButton, &QPushButton::clicked, this, &TasksPage::deleteTask);
    // The list's own keys, as in file managers: Enter or a double click edits,
    // Delete deletes, each only the row the user sees highlighted.
    const auto onHighlighted = [this](QPushButton* command) {
        if (!m_taskGrid->selectionModel()->selectedRows().isEmpty())
            command->click(); // does nothing while the command is disabled
    };
    // Not the view's "activated": where the desktop activates on a single
    // click, every click that picks a task would open it.
    connect(m_taskGrid, &TaskGrid::doubleClicked, this, [this, onHighlighted] { onHighlighted(m_editButton); });
    const auto onKey = [this, onHighlighted](const QKeySequence& key, QPushButton* command) {
        auto* shortcut = new QShortcut(key, m_taskGrid);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, [command, onHighlighted] { onHighlighted(command); });
    };
    onKey(QKeySequence(Qt::Key_Return), m_editButton);
    onKey(QKeySequence(Qt::Key_Enter), m_editButton);
    onKey(QKeySequence::Delete, m_deleteButton);
    // Made while the page is being shown: shown now, not on a later turn.
    for (QWidget* child : std::initializer_list<QWidget*>{m_taskGrid, m_newButton, m_editButton, m_deleteButton})
        child->show();
}

TasksPage::~TasksPage() = default;

void TasksPage::setCommandsEnabled(bool enabled)
{
    m_editButton->setEnabled(enabled);
    m_deleteButton->setEnabled(enabled);
}

void TasksPage::refreshTaskList()
{
    m_listStale = !isVisible();
    if (!m_listStale)
        rebuildList();
}

void TasksPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_taskGrid) {
        build();
        m_listStale = true;
    }
    if (m_listStale) {
        m_listStale = false;
        rebuildList();
    }
}

void TasksPage::rebuildList()
{
    m_taskGrid->formatColumns();
    // A table that cannot be read leaves the header alone, as an empty one
    // does. The rows are packed as they are read: none is kept whole.
    tasklist::ListRows rows;
    tasklist::StateMarks marks(m_platform.now());
    m_reader.forEach(
        queries::kListNewestFirst, [&](const TaskRow& row) { rows.append(row, marks.next(row)); },
        tasklist::ListRows::kFields);
    rows.squeeze();
    m_taskGrid->setRows(std::move(rows));
    if (m_state.selectedTaskId != 0)
        m_taskGrid->showSelected(m_state.selectedTaskId);
}

void TasksPage::onRowPicked(int row)
{
    // A row without a usable id, or a click beside every row, leaves nothing
    // picked: Edit and Delete never fall back on a task picked earlier.
    const std::optional<qint64> id = m_taskGrid->lines().idAt(row);
    if (!id || *id == 0) {
        m_state.selectedTaskId = 0;
        m_taskGrid->clearSelection();
        setCommandsEnabled(false);
        return;
    }
    m_state.selectedTaskId = *id;
    setCommandsEnabled(true);
}

void TasksPage::runDialog(TaskDialog& dialog)
{
    connect(&dialog, &TaskDialog::saved, this, &TasksPage::taskChanged);
    m_runDialog(dialog);
}

void TasksPage::newTask()
{
    TaskDialog dialog(TaskDialog::Mode::New, m_platform, m_state, window());
    dialog.setNewTaskGuard(m_newTaskGuard);
    runDialog(dialog);
}

void TasksPage::editTask()
{
    if (!m_changeGuard(QStringLiteral("edit the task")))
        return;
    m_store.setRecordSource(queries::byId(m_state.selectedTaskId));
    const Outcome read = m_store.refresh();
    const bool found = read.ok && !m_store.isEmpty();
    m_store.close();
    if (!read.ok) // locked by another program, gone, damaged: never a silent click
        MessageBox::failure(window(), QStringLiteral("The task could not be opened. %1").arg(read.error));
    if (!found)
        return;
    TaskDialog dialog(TaskDialog::Mode::Edit, m_platform, m_state, window());
    runDialog(dialog);
}

void TasksPage::deleteTask()
{
    if (!m_changeGuard(QStringLiteral("delete the task")))
        return;
    if (!MessageBox::question(window(), QStringLiteral("Are you sure you want to delete this task?")))
        return;
    m_store.setRecordSource(queries::byId(m_state.selectedTaskId));
    Outcome outcome = m_store.refresh();
    if (outcome.ok && m_store.isEmpty()) {
        m_store.close(); // deleted before: nothing left to do
        return;
    }
    if (outcome.ok)
        outcome = m_store.remove();
    m_store.close();
    if (!outcome.ok) {
        MessageBox::failure(window(), QStringLiteral("The task was not deleted. %1").arg(outcome.error));
        return;
    }
    emit taskChanged();
}

} // namespace zelkor
