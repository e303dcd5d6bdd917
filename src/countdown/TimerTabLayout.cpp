// The Timer tab's controls and their places.
#include "countdown/CountdownBar.h"
#include "countdown/TimerTab.h"
#include "shell/AppIcons.h"
#include "shell/PictureCombo.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>

namespace zelkor {

namespace {
QDateTimeEdit* timePicker(QWidget* parent, const char* format, QTime initial)
{
    auto* picker = new QTimeEdit(initial, parent);
    picker->setDisplayFormat(QLatin1String(format));
    picker->setWrapping(true);
    return picker;
}

QLabel* text(QWidget* parent, const char* caption)
{
    return new QLabel(QLatin1String(caption), parent);
}
} // namespace

QWidget* TimerTab::buildModes()
{
    auto* modes = new QWidget(this);
    auto* grid = new QGridLayout(modes);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(modes);
    // A picture each instead of a caption, as the rows speak for themselves.
    const Picture pictures[] = {Picture::After, Picture::AtDateAndTime, Picture::Uptime, Picture::NoInput};
    const char* const names[] = {"After", "At a date and time", "Windows Run", "No input"};
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(modes);
        option->setObjectName(QStringLiteral("Option1(%1)").arg(i));
        option->setIcon(pictureIcon(pictures[i]));
        option->setAccessibleName(QLatin1String(names[i]));
        group->addButton(option, i);
        connect(option, &QRadioButton::clicked, this, [this, i] { onModeChosen(i); });
        m_modeButtons[size_t(i)] = option;
        grid->addWidget(option, i, 0);
    }

    m_afterHoursEdit = timePicker(modes, "HH", QTime(2, 0));
    m_afterHoursEdit->setObjectName(QStringLiteral("DTPicker1"));
    m_afterMinutesEdit = timePicker(modes, "mm", QTime(0, 0));
    m_afterMinutesEdit->setObjectName(QStringLiteral("DTPicker4"));
    m_atDateEdit = new QDateEdit(modes);
    m_atDateEdit->setObjectName(QStringLiteral("DTPicker2"));
    m_atDateEdit->setCalendarPopup(true);
    m_atTimeEdit = timePicker(modes, "HH:mm:ss", QTime(0, 0));
    m_atTimeEdit->setObjectName(QStringLiteral("DTPicker3"));
    m_uptimeHoursEdit = timePicker(modes, "HH", QTime(3, 0));
    m_uptimeHoursEdit->setObjectName(QStringLiteral("DTPicker5"));
    m_uptimeMinutesEdit = timePicker(modes, "mm", QTime(0, 0));
    m_uptimeMinutesEdit->setObjectName(QStringLiteral("DTPicker6"));
    m_idleMinutesEdit = timePicker(modes, "mm", QTime(0, 15));
    m_idleMinutesEdit->setObjectName(QStringLiteral("DTPicker7"));
    // Read out by screen readers: the captions around them name no field alone.
    m_afterHoursEdit->setAccessibleName(QStringLiteral("After: hours"));
    m_afterMinutesEdit->setAccessibleName(QStringLiteral("After: minutes"));
    m_atDateEdit->setAccessibleName(QStringLiteral("At date"));
    m_atTimeEdit->setAccessibleName(QStringLiteral("At time"));
    m_uptimeHoursEdit->setAccessibleName(QStringLiteral("Windows Run: hours"));
    m_uptimeMinutesEdit->setAccessibleName(QStringLiteral("Windows Run: minutes"));
    m_idleMinutesEdit->setAccessibleName(QStringLiteral("No input: minutes"));

    auto row = [&](int r, std::initializer_list<QWidget*> widgets) {
        auto* line = new QHBoxLayout;
        for (QWidget* w : widgets)
            line->addWidget(w);
        line->addStretch(1);
        grid->addLayout(line, r, 1);
    };
    row(0, {text(modes, "After"), m_afterHoursEdit, text(modes, "Hours"), m_afterMinutesEdit,
            text(modes, "Minutes")});
    row(1, {m_atDateEdit, m_atTimeEdit});
    row(2, {text(modes, "Windows Run:"), m_uptimeHoursEdit, text(modes, "Hours"),
            m_uptimeMinutesEdit, text(modes, "Minutes")});
    row(3, {text(modes, "No Keyboard Events and Mouse Action:"), m_idleMinutesEdit,
            text(modes, "Minutes")});
    return modes;
}

void TimerTab::build()
{
    auto* grid = new QGridLayout(this);
    m_clockLabel = new SteadyLabel(this);
    m_clockLabel->setObjectName(QStringLiteral("Label2"));
    m_uptimeLabel = new SteadyLabel(this);
    m_uptimeLabel->setObjectName(QStringLiteral("Label4"));
    QLabel* clockCaption = text(this, "Current Time:");
    clockCaption->setObjectName(QStringLiteral("Label1"));
    grid->addWidget(clockCaption, 0, 0);
    grid->addWidget(m_clockLabel, 0, 1, 1, 2, Qt::AlignLeft | Qt::AlignVCenter);
    QLabel* uptimeCaption = text(this, "Windows have run:");
    uptimeCaption->setObjectName(QStringLiteral("Label3"));
    grid->addWidget(uptimeCaption, 1, 0);
    grid->addWidget(m_uptimeLabel, 1, 1, 1, 2, Qt::AlignLeft | Qt::AlignVCenter);

    grid->addWidget(buildModes(), 2, 0, 1, 3);

    m_actionCombo = new PictureCombo(kActionPictureSize, this);
    m_actionCombo->setObjectName(QStringLiteral("ImageCombo1"));
    connect(m_actionCombo, &QComboBox::activated, this, &TimerTab::onActionChosen);
    QLabel* actionCaption = text(this, "Action:");
    actionCaption->setBuddy(m_actionCombo); // names the list for screen readers
    grid->addWidget(actionCaption, 3, 0);
    grid->addWidget(m_actionCombo, 3, 1);

    m_forceCheck = new QCheckBox(QStringLiteral("Force applications to close."), this);
    m_forceCheck->setObjectName(QStringLiteral("ChkForce"));
    m_forceCheck->setChecked(true);
    grid->addWidget(m_forceCheck, 4, 0, 1, 3);

    m_targetEdit = new QLineEdit(this);
    m_targetEdit->setObjectName(QStringLiteral("TxtDir"));
    m_targetEdit->setAccessibleName(QStringLiteral("Program, file or URL"));
    m_browseButton = new QPushButton(QStringLiteral("Browse..."), this);
    m_browseButton->setObjectName(QStringLiteral("CmdOpen"));
    connect(m_browseButton, &QPushButton::clicked, this, &TimerTab::browseForTarget);
    grid->addWidget(m_targetEdit, 5, 0, 1, 2);
    grid->addWidget(m_browseButton, 5, 2);

    // The label lies over the bar.
    m_progressBar = new CountdownBar(this);
    m_progressBar->setObjectName(QStringLiteral("ImgBar"));
    m_progressBar->setMaximum(int(countdown::kBarWidth));
    m_remainLabel = m_progressBar->label();
    m_remainLabel->setObjectName(QStringLiteral("LabRemain"));
    m_remainLabel->setText(QStringLiteral("Timer disabled"));
    grid->addWidget(m_progressBar, 6, 0, 1, 2);
    m_startButton = new QPushButton(QStringLiteral("Start"), this);
    m_startButton->setObjectName(QStringLiteral("CmdStart"));
    connect(m_startButton, &QPushButton::clicked, this, &TimerTab::onStartStop);
    grid->addWidget(m_startButton, 6, 2);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);

    m_countdownTimer = new QTimer(this);
    m_countdownTimer->setObjectName(QStringLiteral("TimerRemain"));
    m_countdownTimer->setInterval(1000);
    m_countdownTimer->setSingleShot(true); // each tick is aimed anew at the count's next second
    m_countdownTimer->setTimerType(Qt::PreciseTimer);
    connect(m_countdownTimer, &QTimer::timeout, this, &TimerTab::onCountdownTick);
}

} // namespace zelkor
