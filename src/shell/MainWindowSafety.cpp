// The main window's part in the warning and the password: who warns, who
// answers, and which commands ask for the password.
#include "shell/MainWindow.h"

#include "countdown/TimerTab.h"
#include "guard/GuardSettings.h"
#include "guard/SafetyKeeper.h"
#include "guard/SafetyOptions.h"
#include "guard/WarningCenter.h"
#include "guard/WarningDesk.h"
#include "platform/DesktopNotifier.h"
#include "scheduler/PeriodGuard.h"
#include "scheduler/TaskScheduler.h"
#include "shell/AutostartSwitch.h"
#include "shell/OptionsPage.h"
#include "tasks/TaskDraft.h"
#include "tasks/TasksPage.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include <algorithm>

namespace zelkor
{

void MainWindow::buildSafety()
{
    m_safety = new SafetyKeeper(m_platform, guard::filePath(m_state.paths.settingsPath), this);
    m_warningDesk = new WarningDesk([this] { return m_platform.asleepMs(); }, this);
    connect(m_safety, &SafetyKeeper::changed, this,
            [this] { m_warningDesk->setLeadSeconds(m_safety->warnSeconds()); });
    connect(m_safety, &SafetyKeeper::problem, this, &MainWindow::tell);
    m_warningCenter =
        new WarningCenter(m_platform, *m_warningDesk, *m_safety, createDesktopNotifier(), this);
    m_scheduler->setWarningDesk(m_warningDesk);
    m_periodGuard->setWarningDesk(m_warningDesk);
    m_timerTab->setWarningDesk(m_warningDesk);
    connect(m_warningCenter, &WarningCenter::answered, this,
            [this](const Warning& warning, WarningAnswer answer) {
                const bool cancel = answer == WarningAnswer::Cancel;
                switch (warning.source) {
                case WarningSource::Countdown:
                    cancel ? m_timerTab->cancelCountdown(warning.key)
                           : m_timerTab->postponeCountdown(warning.key);
                    break;
                case WarningSource::Task:
                    cancel ? m_scheduler->cancelOccurrence(warning.key)
                           : m_scheduler->postponeOccurrence(warning.key);
                    break;
                case WarningSource::Period:
                    cancel ? m_periodGuard->cancelOccurrence(warning.key)
                           : m_periodGuard->postponeOccurrence(warning.key);
                    break;
                }
            });

    m_timerTab->setStopGuard(
        [this] { return m_safety->allow(this, QStringLiteral("stop the countdown")); });
    m_tasksPage->setChangeGuard(
        [this](const QString& what) { return m_safety->allow(this, what); });
    m_tasksPage->setNewTaskGuard([this](QWidget* asker, const TaskDraft& draft) {
        return !replacesPeriodInForce({draft}) ||
               m_safety->allow(asker, QStringLiteral("replace the forbidden period"));
    });

    m_safetyOptions = new SafetyOptions(*m_safety, m_options);
    if (auto* layout = qobject_cast<QVBoxLayout*>(m_options->layout()))
        layout->insertWidget(1, m_safetyOptions);
    m_autostart->setMenuGuard(
        [this] { return m_safety->allow(this, QStringLiteral("change this option")); });
    for (QCheckBox* box : {m_options->m_runAtStartupCheck, m_options->m_startInTrayCheck,
                           m_options->m_startHiddenCheck})
        m_safetyOptions->guard(box);
}

bool MainWindow::replacesPeriodInForce(const QList<TaskDraft>& drafts) const
{
    return m_periodGuard->isChecking() &&
           std::any_of(drafts.begin(), drafts.end(), [](const TaskDraft& d) {
               return d.kind == int(TaskType::Forbidden);
           });
}

} // namespace zelkor
