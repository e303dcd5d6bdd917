#pragma once

#include "actions/ActionExecutor.h"
#include "common/ActionKind.h"
#include "countdown/TimerTab.h"
#include "countdown/WakeWaits.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MessageBox.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QRadioButton>

// The Timer tab with what it works with, on the fake clock; a power-on cycle
// built on the same parts shares its wake waits.
namespace zelkor::test
{

struct TimerTabRig {
    TimerTabRig()
    {
        for (const QString& name : actionNames())
            tab.m_actionCombo->addItem(name);
        MessageBox::resetTestState();
    }

    void chooseAction(ActionKind kind) { tab.m_actionCombo->setCurrentIndex(int(kind) - 1); }
    void chooseMode(int mode)
    {
        tab.m_modeButtons[size_t(mode)]->setChecked(true);
        tab.onModeChosen(mode);
    }
    void chooseMoment(QDate date, QTime time)
    {
        chooseMode(countdown::At);
        tab.m_atDateEdit->setDate(date);
        tab.m_atTimeEdit->setTime(time);
    }
    void start()
    {
        MessageBox::setNextAnswer(QMessageBox::Ok); // never block on a box
        tab.onStartStop();
    }

    FakePlatform platform;
    AppState state;
    ActionExecutor actions{platform, state};
    WakeWaits waits{platform};
    TimerTab tab{platform, actions, waits};
};

} // namespace zelkor::test
