#include "tasks/TasksPage.h"

#include "shell/MessageBox.h"
#include "tasks/TaskDialog.h"
#include "tasks/TaskGrid.h"
#include "tasks/TaskListText.h"
#include "tasks/TaskQueries.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

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
    : QWidget(parent), m_platform(platform), m_state(state), m_runDialog([](TaskDialog& d) { d.exec(); })
{
    setObjectName(QStringLiteral("TasksPage"));
    MSFlexGrid1 = new TaskGrid(this);
    cmdNew = commandButton("cmdNew", "New", this);
    cmdEdit = commandButton("cmdEdit", "Edit", this);
    cmdDel = commandButton("cmdDel", "Delete", this);
    setCommandsEnabled(false); // nothing is picked yet

    auto* buttons = new QHBoxLayout;
    buttons->addSpacing(480 / 15);
    for (QPushButton* button : {cmdNew, cmdEdit, cmdDel}) {
        buttons->addWidget(button);
        buttons->addSpacing(225 / 15);
    }
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MSFlexGrid1, 1);
    layout->addLayout(buttons);

    connect(MSFlexGrid1, &TaskGrid::rowPicked, this, &TasksPage::MSFlexGrid1_Click);
    connect(cmdNew, &QPushButton::clicked, this, &TasksPage::cmdNew_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &TasksPage::cmdEdit_Click);
    connect(cmdDel, &QPushButton::clicked, this, &TasksPage::cmdDel_Click);
}

TasksPage::~TasksPage() = default;

void TasksPage::setCommandsEnabled(bool enabled)
{
    cmdEdit->setEnabled(enabled);
    cmdDel->setEnabled(enabled);
}

void TasksPage::MSFlexGrid1disp()
{
    MSFlexGrid1->formatGrid();
    // A table that cannot be read leaves the header alone, as an empty one does.
    MSFlexGrid1->lines().setLines(
        tasklist::buildLines(m_ado.rowsOf(queries::kListNewestFirst), m_platform.now()));
    if (m_state.SelectedTaskId != 0)
        MSFlexGrid1->showSelected(m_state.SelectedTaskId);
}

void TasksPage::MSFlexGrid1_Click(int row)
{
    // A row without a usable id, or a click beside every row, leaves nothing
    // picked: Edit and Delete never fall back on a task picked earlier.
    const tasklist::Line* line = MSFlexGrid1->lines().lineAt(row);
    if (!line || !line->id || *line->id == 0) {
        m_state.SelectedTaskId = 0;
        MSFlexGrid1->clearSelection();
        setCommandsEnabled(false);
        return;
    }
    m_state.SelectedTaskId = *line->id;
    setCommandsEnabled(true);
}

void TasksPage::runDialog(TaskDialog& dialog)
{
    connect(&dialog, &TaskDialog::saved, this, &TasksPage::taskChanged);
    m_runDialog(dialog);
}

void TasksPage::cmdNew_Click()
{
    TaskDialog dialog(TaskDialog::Mode::New, m_platform, m_state, window());
    runDialog(dialog);
}

void TasksPage::cmdEdit_Click()
{
    m_ado.setRecordSource(queries::byId(m_state.SelectedTaskId));
    const bool found = m_ado.Refresh().ok && !m_ado.isEmpty();
    m_ado.Close();
    if (!found)
        return;
    TaskDialog dialog(TaskDialog::Mode::Edit, m_platform, m_state, window());
    runDialog(dialog);
}

void TasksPage::cmdDel_Click()
{
    if (!MessageBox::question(window(), QStringLiteral("Are you sure you want to delete this task?")))
        return;
    m_ado.setRecordSource(queries::byId(m_state.SelectedTaskId));
    Outcome outcome = m_ado.Refresh();
    if (outcome.ok && m_ado.isEmpty()) {
        m_ado.Close(); // deleted before: nothing left to do
        return;
    }
    if (outcome.ok)
        outcome = m_ado.Delete();
    m_ado.Close();
    if (!outcome.ok) {
        MessageBox::information(window(), QStringLiteral("The task was not deleted. %1").arg(outcome.error));
        return;
    }
    emit taskChanged();
}

} // namespace zelkor
