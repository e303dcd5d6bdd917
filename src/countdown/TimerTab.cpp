#include "countdown/TimerTab.h"

#include "common/ActionKind.h"
#include "shell/AppIcons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace zelkor {

TimerTab::TimerTab(QWidget* parent) : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    auto* label1 = new QLabel(QStringLiteral("Current Time:"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    auto* label3 = new QLabel(QStringLiteral("Windows have run:"), this);
    label3->setObjectName(QStringLiteral("Label3"));
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    grid->addWidget(label1, 0, 0);
    grid->addWidget(Label2, 0, 1);
    grid->addWidget(label3, 1, 0);
    grid->addWidget(Label4, 1, 1);

    ImageCombo1 = new QComboBox(this);
    ImageCombo1->setObjectName(QStringLiteral("ImageCombo1"));
    ImageCombo1->setIconSize(QSize(18, 18));
    grid->addWidget(new QLabel(QStringLiteral("Action:"), this), 2, 0);
    grid->addWidget(ImageCombo1, 2, 1);

    ChkForce = new QCheckBox(QStringLiteral("Force applications to close."), this);
    ChkForce->setObjectName(QStringLiteral("ChkForce"));
    ChkForce->setChecked(true);
    grid->addWidget(ChkForce, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);
}

TimerTabState TimerTab::timerState() const
{
    TimerTabState state;
    // The countdown modes and their pickers are read here with the countdown
    // controls.
    state.force = ChkForce->isChecked();
    if (ImageCombo1->currentIndex() >= 0)
        state.action = ImageCombo1->currentIndex() + 1;
    return state;
}

void TimerTab::applyTimerState(const TimerTabState& state)
{
    // The countdown modes and their pickers are applied here with the
    // countdown controls, lines 1 to 9 of the file, before the rest.
    if (state.force)
        ChkForce->setChecked(*state.force);
    if (state.action && *state.action >= 1 && *state.action <= ImageCombo1->count())
        ImageCombo1->setCurrentIndex(*state.action - 1);
}

bool TimerTab::forced() const { return ChkForce->isChecked(); }

void TimerTab::setClock(const QString& clock, const QString& uptime)
{
    Label2->setText(clock);
    Label4->setText(uptime);
}

} // namespace zelkor
