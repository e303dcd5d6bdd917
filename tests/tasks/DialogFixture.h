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
        m_state.programDir = m_dir->path();
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
        return {d.DTPicker1->isEnabled(), d.DTPicker2->isEnabled(), d.DTPicker3->isEnabled(),
                d.DTPicker4->isEnabled(), d.DTPicker5->isEnabled()};
    }
    static QList<bool> pressedDays(const TaskDialog& d)
    {
        QList<bool> days;
        for (QPushButton* b : d.Check1)
            days << b->isChecked();
        return days;
    }
    // Combo1, TxtDir, Command1
    static QList<bool> textInputs(const TaskDialog& d)
    {
        return {d.Combo1->isEnabled(), d.TxtDir->isEnabled(), d.Command1->isEnabled()};
    }
};

} // namespace zelkor::test
