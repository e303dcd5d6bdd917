#include "tasks/TaskDialog.h"

#include "common/ActionKind.h"
#include "common/DateText.h"
#include "common/Placement.h"
#include "shell/AppIcons.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace zelkor {

namespace {
constexpr int kTwipsPerPixel = 15;
const QString kTimeFormat = QStringLiteral("HH:mm:ss");

QLabel* label(const char* name, const char* text, QWidget* parent)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QPushButton* button(const QString& name, const char* text, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

template <typename Picker> Picker* picker(const char* name, const QString& format, QWidget* parent)
{
    auto* p = new Picker(parent);
    p->setObjectName(QString::fromLatin1(name));
    p->setDisplayFormat(format);
    return p;
}
} // namespace

TaskDialog::TaskDialog(Mode mode, Platform& platform, AppState& state, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_platform(platform), m_state(state),
      m_chooseFile([](QWidget* owner) {
          return QFileDialog::getOpenFileName(owner, QString(), QString(), QStringLiteral("All files (*)"));
      })
{
    buildForm();
    Form_Load();
}

TaskDialog::~TaskDialog() = default;

void TaskDialog::buildForm()
{
    const bool editing = m_mode == Mode::Edit;
    setObjectName(editing ? QStringLiteral("FrmEdit") : QStringLiteral("FrmNew"));
    setWindowTitle(editing ? QStringLiteral("Edit Task") : QStringLiteral("New Task"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    Command2 = button(QStringLiteral("Command2"), "OK", this);
    Command3 = button(QStringLiteral("Command3"), "Cancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildScheduleFrame());
    layout->addWidget(buildActionFrame());
    layout->addLayout(buttons);

    // At least the designed client area; more where the fonts need it.
    const QSize designed(6135 / kTwipsPerPixel, 5010 / kTwipsPerPixel);
    setFixedSize(sizeHint().expandedTo(designed));

    // Takes the focus after an action is chosen so that no visible control
    // keeps it; it lies just below the visible area and does nothing itself.
    cmdTest = button(QStringLiteral("cmdTest"), "Test", this);
    const int belowTwips = editing ? 5040 - 5010 : 5160 - 5010;
    cmdTest->move(0, height() + belowTwips / kTwipsPerPixel);

    for (int k = 0; k < int(Option1.size()); ++k)
        connect(Option1[size_t(k)], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on)
                Option1_Click(k);
        });
    for (int i = 0; i < int(Check1.size()); ++i)
        connect(Check1[size_t(i)], &QPushButton::clicked, this, [this, i] { Check1_Click(i); });
    connect(ImageCombo1, &QComboBox::activated, this, &TaskDialog::ImageCombo1_Click);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &TaskDialog::Combo1_Click);
    connect(Command1, &QPushButton::clicked, this, &TaskDialog::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &TaskDialog::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &TaskDialog::Command3_Click);
}

QWidget* TaskDialog::buildScheduleFrame()
{
    Frame1 = new QGroupBox(QStringLiteral("What time"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    static const char* const kCaptions[] = {"Not allow to use computer everyday:", "Once:", "Daily", "Monthly",
                                            "Weekly"};
    for (int k = 0; k < int(Option1.size()); ++k) {
        Option1[size_t(k)] = new QRadioButton(QString::fromLatin1(kCaptions[k]), Frame1);
        Option1[size_t(k)]->setObjectName(QStringLiteral("Option1_%1").arg(k));
    }
    DTPicker1 = picker<QTimeEdit>("DTPicker1", kTimeFormat, Frame1);
    DTPicker2 = picker<QTimeEdit>("DTPicker2", kTimeFormat, Frame1);
    DTPicker3 = picker<QTimeEdit>("DTPicker3", kTimeFormat, Frame1);
    DTPicker4 = picker<QDateEdit>("DTPicker4", datetext::shortDateFormat(), Frame1);
    DTPicker4->setCalendarPopup(true);
    DTPicker5 = picker<QDateEdit>("DTPicker5", QStringLiteral("dd"), Frame1);
    DTPicker5->setCalendarPopup(true);

    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wen", "Thu", "Fri", "Sat"};
    auto* days = new QGridLayout;
    days->setSpacing(2);
    for (int i = 0; i < int(Check1.size()); ++i) {
        Check1[size_t(i)] = button(QStringLiteral("Check1_%1").arg(i), kDays[i], Frame1);
        Check1[size_t(i)]->setCheckable(true);
        Check1[size_t(i)]->setFixedSize(495 / kTwipsPerPixel + 8, 255 / kTwipsPerPixel + 4);
        days->addWidget(Check1[size_t(i)], i < 3 ? 0 : 1, i < 3 ? i : i - 3);
    }

    auto* grid = new QGridLayout(Frame1);
    grid->addWidget(Option1[0], 0, 0, 1, 2);
    auto* period = new QHBoxLayout;
    period->addWidget(DTPicker1);
    period->addWidget(label("Label3", "to", Frame1));
    period->addWidget(DTPicker2);
    grid->addLayout(period, 0, 2, 1, 2);
    grid->addWidget(Option1[1], 1, 0);
    grid->addWidget(DTPicker4, 1, 1);
    grid->addWidget(Option1[2], 2, 0);
    grid->addWidget(label("Label1", "Start Time:", Frame1), 2, 3);
    grid->addWidget(Option1[3], 3, 0);
    auto* monthly = new QHBoxLayout;
    monthly->addWidget(label("Label4", "Day", Frame1));
    monthly->addWidget(DTPicker5);
    monthly->addStretch(1);
    grid->addLayout(monthly, 3, 1);
    grid->addWidget(DTPicker3, 3, 3);
    grid->addWidget(Option1[4], 4, 0, Qt::AlignTop);
    grid->addLayout(days, 4, 1, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    return Frame1;
}

QWidget* TaskDialog::buildActionFrame()
{
    Frame2 = new QGroupBox(QStringLiteral("What to do"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    ImageCombo1 = new QComboBox(Frame2);
    ImageCombo1->setObjectName(QStringLiteral("ImageCombo1"));
    ImageCombo1->setIconSize(QSize(18, 18));
    Combo1 = new QComboBox(Frame2);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    TxtDir = new QLineEdit(Frame2);
    TxtDir->setObjectName(QStringLiteral("TxtDir"));
    Command1 = button(QStringLiteral("Command1"), "...", Frame2);
    Command1->setFixedWidth(32);

    auto* grid = new QGridLayout(Frame2);
    grid->addWidget(label("Label2", "Action:", Frame2), 0, 0);
    grid->addWidget(ImageCombo1, 0, 1);
    grid->addWidget(Combo1, 1, 0, 1, 2);
    auto* target = new QHBoxLayout;
    target->addWidget(TxtDir, 1);
    target->addWidget(Command1);
    grid->addLayout(target, 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return Frame2;
}

void TaskDialog::Form_Load()
{
    move(goldenPlacement(m_platform.screenGeometry(), frameGeometry().size()));

    for (int code = int(ActionKind::ShutDown); code <= int(ActionKind::EventsRemind); ++code)
        ImageCombo1->addItem(actionIcon(code), actionName(code));
    ImageCombo1->setCurrentIndex(0);

    // Filling the list is not a choice; only the choice below runs its rule.
    Combo1->blockSignals(true);
    Combo1->addItems({QStringLiteral("Launch program or open URL or open any file"), QStringLiteral("Show message")});
    Combo1->setCurrentIndex(-1);
    Combo1->blockSignals(false);
    if (m_mode == Mode::New)
        Combo1->setCurrentIndex(0);

    // As designed: the text inputs open enabled except the second list. The
    // pickers wait for a kind, which also says which of them apply.
    Combo1->setEnabled(false);
    for (QWidget* p : schedulePickers())
        p->setEnabled(false);

    CurrentKind = -1;
    const QDateTime now = m_platform.now();
    TaskDraft start; // the designed values of every picker
    start.onceDate = now.date();
    start.time = QTime(now.time().hour(), now.time().minute(), now.time().second());
    showSchedule(start);

    m_ado.setConnection(taskDatabasePath(m_state.programDir));
    if (m_mode == Mode::Edit)
        LoadTask();
}

} // namespace zelkor
