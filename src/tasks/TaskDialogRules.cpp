// The dialog's rules: choosing a kind, an action, a launch-or-message item or
// a day; browsing; loading the selected task; saving.
#include "tasks/TaskDialog.h"

#include "common/ActionKind.h"
#include "shell/MessageBox.h"
#include "tasks/TaskQueries.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimeEdit>

namespace zelkor {

namespace {
constexpr int kHibernateItem = int(ActionKind::Hibernate) - 1;
} // namespace

std::array<QWidget*, 5> TaskDialog::schedulePickers() const
{
    return {DTPicker1, DTPicker2, DTPicker3, DTPicker4, DTPicker5};
}

void TaskDialog::ResetScheduleInputs()
{
    for (QWidget* p : schedulePickers())
        p->setEnabled(false);
    for (QPushButton* day : Check1)
        day->setEnabled(false);
}

void TaskDialog::Option1_Click(int kind)
{
    if (kind < 0 || kind >= int(Option1.size()))
        return;
    {
        const QSignalBlocker quiet(Option1[size_t(kind)]);
        Option1[size_t(kind)]->setChecked(true);
    }
    ResetScheduleInputs();
    switch (TaskType(kind)) {
    case TaskType::Forbidden:
        DTPicker1->setEnabled(true);
        DTPicker2->setEnabled(true);
        ImageCombo1->setCurrentIndex(kHibernateItem);
        break;
    case TaskType::Once:
        DTPicker3->setEnabled(true);
        DTPicker4->setEnabled(true);
        break;
    case TaskType::Daily:
        DTPicker3->setEnabled(true);
        break;
    case TaskType::Monthly:
        DTPicker3->setEnabled(true);
        DTPicker5->setEnabled(true);
        break;
    case TaskType::Weekly:
        DTPicker3->setEnabled(true);
        for (QPushButton* day : Check1)
            day->setEnabled(true);
        break;
    }
    CurrentKind = kind;
}

void TaskDialog::setTextInputsEnabled(bool enabled)
{
    Combo1->setEnabled(enabled);
    TxtDir->setEnabled(enabled);
    Command1->setEnabled(enabled);
}

void TaskDialog::ImageCombo1_Click()
{
    cmdTest->setFocus();
    const int action = ImageCombo1->currentIndex() + 1;
    setTextInputsEnabled(actionUsesText(action));
    // A forbidden period can only shut the computer down or hibernate it.
    if (Option1[0]->isChecked() && action != int(ActionKind::ShutDown)) {
        ImageCombo1->setCurrentIndex(kHibernateItem);
        setTextInputsEnabled(false);
    }
}

void TaskDialog::Combo1_Click() { Command1->setEnabled(Combo1->currentIndex() == 0); }

void TaskDialog::Check1_Click(int /*weekday*/) { Option1[4]->setFocus(); }

void TaskDialog::Command1_Click()
{
    // Cancelling the file dialog keeps what is typed.
    const QString chosen = m_chooseFile(this);
    if (!chosen.isEmpty())
        TxtDir->setText(chosen);
}

TaskDraft TaskDialog::draft() const
{
    TaskDraft d;
    d.kind = CurrentKind;
    d.periodStart = DTPicker1->time();
    d.periodEnd = DTPicker2->time();
    d.time = DTPicker3->time();
    d.onceDate = DTPicker4->date();
    d.monthDay = DTPicker5->date();
    for (size_t i = 0; i < Check1.size(); ++i)
        d.days[i] = Check1[i]->isChecked();
    d.action = ImageCombo1->currentIndex() + 1;
    d.fujia = Combo1->currentIndex();
    d.description = TxtDir->text();
    return d;
}

void TaskDialog::showSchedule(const TaskDraft& d)
{
    DTPicker1->setTime(d.periodStart);
    DTPicker2->setTime(d.periodEnd);
    DTPicker3->setTime(d.time);
    DTPicker4->setDate(d.onceDate);
    DTPicker5->setDate(d.monthDay);
    for (size_t i = 0; i < Check1.size(); ++i)
        Check1[i]->setChecked(d.days[i]);
}

void TaskDialog::LoadTask()
{
    m_ado.setRecordSource(queries::byId(m_state.SelectedTaskId));
    if (!m_ado.Refresh().ok || m_ado.isEmpty()) {
        m_ado.Close();
        return;
    }
    const TaskRow row = m_ado.row();
    m_ado.Close();
    const TaskDraft loaded = loadedDraft(row, draft());
    if (loaded.kind >= 0)
        Option1_Click(loaded.kind);
    showSchedule(loaded);
    ImageCombo1->setCurrentIndex(loaded.action - 1);
    if (actionUsesText(loaded.action)) {
        Combo1->setEnabled(true);
        if (TaskRow::integer(row.fujia))
            Combo1->setCurrentIndex(loaded.fujia);
        TxtDir->setText(loaded.description);
    }
}

void TaskDialog::Command2_Click()
{
    const TaskDraft d = draft();
    if (const auto refusal = refusalOf(d, m_platform.now())) {
        MessageBox::information(this, *refusal);
        return;
    }
    const std::optional<qint64> editId =
        m_mode == Mode::Edit ? std::optional<qint64>(m_state.SelectedTaskId) : std::nullopt;
    const Outcome stored = storeDraft(m_ado, d, editId);
    if (!stored.ok) {
        // Everything typed stays in the dialog for another try.
        MessageBox::information(this, QStringLiteral("The task was not saved. %1").arg(stored.error));
        return;
    }
    emit saved();
    accept();
}

void TaskDialog::Command3_Click() { reject(); }

} // namespace zelkor
