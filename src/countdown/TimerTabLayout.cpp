// The Timer tab's controls and their places.
#include "countdown/TimerTab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimeEdit>
#include <QTimer>

namespace zelkor {

namespace {
QDateTimeEdit* timePicker(QWidget* parent, const char* name, const char* format, QTime initial)
{
    auto* picker = new QTimeEdit(initial, parent);
    picker->setObjectName(QLatin1String(name));
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
    const QStyle::StandardPixmap pictures[] = {QStyle::SP_MediaSeekForward,
                                               QStyle::SP_FileDialogContentsView,
                                               QStyle::SP_ComputerIcon, QStyle::SP_MediaPause};
    const char* const names[] = {"After", "At a date and time", "Windows Run", "No input"};
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(modes);
        option->setObjectName(QStringLiteral("Option1(%1)").arg(i));
        option->setIcon(style()->standardIcon(pictures[i]));
        option->setAccessibleName(QLatin1String(names[i]));
        group->addButton(option, i);
        connect(option, &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
        Option1[size_t(i)] = option;
        grid->addWidget(option, i, 0);
    }

    DTPicker1 = timePicker(modes, "DTPicker1", "HH", QTime(2, 0));
    DTPicker4 = timePicker(modes, "DTPicker4", "mm", QTime(0, 0));
    DTPicker2 = new QDateEdit(modes);
    DTPicker2->setObjectName(QStringLiteral("DTPicker2"));
    DTPicker2->setCalendarPopup(true);
    DTPicker3 = timePicker(modes, "DTPicker3", "HH:mm:ss", QTime(0, 0));
    DTPicker5 = timePicker(modes, "DTPicker5", "HH", QTime(3, 0));
    DTPicker6 = timePicker(modes, "DTPicker6", "mm", QTime(0, 0));
    DTPicker7 = timePicker(modes, "DTPicker7", "mm", QTime(0, 15));

    auto row = [&](int r, std::initializer_list<QWidget*> widgets) {
        auto* line = new QHBoxLayout;
        for (QWidget* w : widgets)
            line->addWidget(w);
        line->addStretch(1);
        grid->addLayout(line, r, 1);
    };
    row(0,
        {text(modes, "After"), DTPicker1, text(modes, "Hours"), DTPicker4, text(modes, "Minutes")});
    row(1, {DTPicker2, DTPicker3});
    row(2, {text(modes, "Windows Run:"), DTPicker5, text(modes, "Hours"), DTPicker6,
            text(modes, "Minutes")});
    row(3,
        {text(modes, "No Keyboard Events and Mouse Action:"), DTPicker7, text(modes, "Minutes")});
    return modes;
}

void TimerTab::build()
{
    auto* grid = new QGridLayout(this);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    QLabel* label1 = text(this, "Current Time:");
    label1->setObjectName(QStringLiteral("Label1"));
    grid->addWidget(label1, 0, 0);
    grid->addWidget(Label2, 0, 1, 1, 2);
    QLabel* label3 = text(this, "Windows have run:");
    label3->setObjectName(QStringLiteral("Label3"));
    grid->addWidget(label3, 1, 0);
    grid->addWidget(Label4, 1, 1, 1, 2);

    grid->addWidget(buildModes(), 2, 0, 1, 3);

    ImageCombo1 = new QComboBox(this);
    ImageCombo1->setObjectName(QStringLiteral("ImageCombo1"));
    ImageCombo1->setIconSize(QSize(18, 18));
    connect(ImageCombo1, &QComboBox::activated, this, &TimerTab::ImageCombo1_Click);
    grid->addWidget(text(this, "Action:"), 3, 0);
    grid->addWidget(ImageCombo1, 3, 1);

    ChkForce = new QCheckBox(QStringLiteral("Force applications to close."), this);
    ChkForce->setObjectName(QStringLiteral("ChkForce"));
    ChkForce->setChecked(true);
    grid->addWidget(ChkForce, 4, 0, 1, 3);

    TxtDir = new QLineEdit(this);
    TxtDir->setObjectName(QStringLiteral("TxtDir"));
    CmdOpen = new QPushButton(QStringLiteral("Browse..."), this);
    CmdOpen->setObjectName(QStringLiteral("CmdOpen"));
    connect(CmdOpen, &QPushButton::clicked, this, &TimerTab::CmdOpen_Click);
    grid->addWidget(TxtDir, 5, 0, 1, 2);
    grid->addWidget(CmdOpen, 5, 2);

    // The label sits over the bar, in the same cell.
    ImgBar = new QProgressBar(this);
    ImgBar->setObjectName(QStringLiteral("ImgBar"));
    ImgBar->setRange(0, int(countdown::kBarWidth));
    ImgBar->setValue(0);
    ImgBar->setTextVisible(false);
    LabRemain = new QLabel(QStringLiteral("Timer disabled"), this);
    LabRemain->setObjectName(QStringLiteral("LabRemain"));
    LabRemain->setAlignment(Qt::AlignCenter);
    LabRemain->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid->addWidget(ImgBar, 6, 0, 1, 2);
    grid->addWidget(LabRemain, 6, 0, 1, 2);
    LabRemain->raise();
    CmdStart = new QPushButton(QStringLiteral("Start"), this);
    CmdStart->setObjectName(QStringLiteral("CmdStart"));
    connect(CmdStart, &QPushButton::clicked, this, &TimerTab::CmdStart_Click);
    grid->addWidget(CmdStart, 6, 2);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);

    TimerRemain = new QTimer(this);
    TimerRemain->setObjectName(QStringLiteral("TimerRemain"));
    TimerRemain->setInterval(1000);
    connect(TimerRemain, &QTimer::timeout, this, &TimerTab::TimerRemain_Timer);
}

} // namespace zelkor
