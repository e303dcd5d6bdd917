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
    return {m_periodStartEdit, m_periodEndEdit, m_timeOfDayEdit, m_onceDateEdit, m_monthDayEdit};
}

void TaskDialog::resetScheduleInputs()
{
    for (QWidget* p : schedulePickers())
        p->setEnabled(false);
    for (QPushButton* day : m_dayButtons)
        day->setEnabled(false);
}

void TaskDialog::onKindChosen(int kind)
{
    if (kind < 0 || kind >= int(m_kindButtons.size()))
        return;
    {
        const QSignalBlocker quiet(m_kindButtons[size_t(kind)]);
        m_kindButtons[size_t(kind)]->setChecked(true);
    }
    resetScheduleInputs();
    switch (TaskType(kind)) {
    case TaskType::Forbidden:
        m_periodStartEdit->setEnabled(true);
        m_periodEndEdit->setEnabled(true);
        m_actionCombo->setCurrentIndex(kHibernateItem);
        break;
    case TaskType::Once:
        m_timeOfDayEdit->setEnabled(true);
        m_onceDateEdit->setEnabled(true);
        break;
    case TaskType::Daily:
        m_timeOfDayEdit->setEnabled(true);
        break;
    case TaskType::Monthly:
        m_timeOfDayEdit->setEnabled(true);
        m_monthDayEdit->setEnabled(true);
        break;
    case TaskType::Weekly:
        m_timeOfDayEdit->setEnabled(true);
        for (QPushButton* day : m_dayButtons)
            day->setEnabled(true);
        break;
    }
    m_currentKind = kind;
}

void TaskDialog::setTextInputsEnabled(bool enabled)
{
    m_targetModeCombo->setEnabled(enabled);
    m_targetEdit->setEnabled(enabled);
    m_browseButton->setEnabled(enabled);
}

void TaskDialog::onActionChosen()
{
    if (!m_actionCombo->choseByKeys())
        m_focusSink->setFocus();
    const int action = m_actionCombo->currentIndex() + 1;
    setTextInputsEnabled(actionUsesText(action));
    // A forbidden period can only shut the computer down or hibernate it.
    if (m_kindButtons[0]->isChecked() && action != int(ActionKind::ShutDown)) {
        m_actionCombo->setCurrentIndex(kHibernateItem);
        setTextInputsEnabled(false);
    }
}

void TaskDialog::onTargetModeChosen()
{
    m_browseButton->setEnabled(m_targetModeCombo->currentIndex() == 0);
}

void TaskDialog::onDayToggled(int /*weekday*/)
{
    m_kindButtons[4]->setFocus();
}

void TaskDialog::browseForTarget()
{
    // Cancelling the file dialog keeps what is typed.
    const QString chosen = m_chooseFile(this);
    if (!chosen.isEmpty())
        m_targetEdit->setText(chosen);
}

TaskDraft TaskDialog::draft() const
{
    TaskDraft d;
    d.kind = m_currentKind;
    d.periodStart = m_periodStartEdit->time();
    d.periodEnd = m_periodEndEdit->time();
    d.time = m_timeOfDayEdit->time();
    d.onceDate = m_onceDateEdit->date();
    d.monthDay = m_monthDayEdit->date();
    for (size_t i = 0; i < m_dayButtons.size(); ++i)
        d.days[i] = m_dayButtons[i]->isChecked();
    d.action = m_actionCombo->currentIndex() + 1;
    d.targetMode = m_targetModeCombo->currentIndex();
    d.description = m_targetEdit->text();
    return d;
}

void TaskDialog::showSchedule(const TaskDraft& d)
{
    m_periodStartEdit->setTime(d.periodStart);
    m_periodEndEdit->setTime(d.periodEnd);
    m_timeOfDayEdit->setTime(d.time);
    m_onceDateEdit->setDate(d.onceDate);
    m_monthDayEdit->setDate(d.monthDay);
    for (size_t i = 0; i < m_dayButtons.size(); ++i)
        m_dayButtons[i]->setChecked(d.days[i]);
}

void TaskDialog::loadTask()
{
    m_store.setRecordSource(queries::byId(m_state.selectedTaskId));
    if (!m_store.refresh().ok || m_store.isEmpty()) {
        m_store.close();
        return;
    }
    const TaskRow row = m_store.row();
    m_store.close();
    const TaskDraft loaded = loadedDraft(row, draft());
    if (loaded.kind >= 0)
        onKindChosen(loaded.kind);
    showSchedule(loaded);
    m_actionCombo->setCurrentIndex(loaded.action - 1);
    if (actionUsesText(loaded.action)) {
        m_targetModeCombo->setEnabled(true);
        if (TaskRow::integer(row.targetMode))
            m_targetModeCombo->setCurrentIndex(loaded.targetMode);
        m_targetEdit->setText(loaded.description);
    }
}

void TaskDialog::onOkClicked()
{
    const TaskDraft d = draft();
    if (const auto refusal = dialogRefusalOf(d, m_platform.now())) {
        MessageBox::information(this, *refusal);
        return;
    }
    if (m_mode == Mode::New && m_newTaskGuard && !m_newTaskGuard(this, d))
        return;
    const std::optional<qint64> editId =
        m_mode == Mode::Edit ? std::optional<qint64>(m_state.selectedTaskId) : std::nullopt;
    const Outcome stored = storeDraft(m_store, d, editId);
    if (!stored.ok) {
        // Everything typed stays in the dialog for another try.
        MessageBox::failure(this, QStringLiteral("The task was not saved. %1").arg(stored.error));
        return;
    }
    emit saved();
    accept();
}

void TaskDialog::onCancelClicked()
{
    reject();
}

} // namespace zelkor
