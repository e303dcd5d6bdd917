#pragma once

#include "TaskFixtures.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MessageBox.h"
#include "support/TempProgramDir.h"
#include "tasks/TaskDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

#include <memory>

namespace zelkor::test {

// A private program folder, the fixed clock and the program-wide state for
// the task dialog's tests, plus readings of the dialog's controls.
class DialogFixture {
protected:
    std::unique_ptr<TempProgramDir> m_dir;
    FakePlatform m_platform;
    AppState m_state;

    bool setUp()
    {
        m_dir = std::make_unique<TempProgramDir>();
        m_platform.setNow(fixedNow());
        m_state = AppState();
        m_state.paths = portablePaths(m_dir->path());
        MessageBox::resetTestState();
        // Any box, expected or not, is answered so that no test can hang on one.
        MessageBox::setNextAnswer(QMessageBox::Ok);
        return m_dir->isValid();
    }

    QString db() const { return m_dir->databasePath(); }
    std::unique_ptr<TaskDialog> open(TaskDialog::Mode mode)
    {
        return std::make_unique<TaskDialog>(mode, m_platform, m_state);
    }

    static QList<bool> enabledPickers(const TaskDialog& d)
    {
        return {d.m_periodStartEdit->isEnabled(), d.m_periodEndEdit->isEnabled(),
                d.m_timeOfDayEdit->isEnabled(), d.m_onceDateEdit->isEnabled(),
                d.m_monthDayEdit->isEnabled()};
    }
    static QList<bool> pressedDays(const TaskDialog& d)
    {
        QList<bool> days;
        for (QPushButton* b : d.m_dayButtons)
            days << b->isChecked();
        return days;
    }
    // m_targetModeCombo, m_targetEdit, m_browseButton
    static QList<bool> textInputs(const TaskDialog& d)
    {
        return {d.m_targetModeCombo->isEnabled(), d.m_targetEdit->isEnabled(),
                d.m_browseButton->isEnabled()};
    }
};

} // namespace zelkor::test
