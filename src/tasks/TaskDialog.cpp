#include "tasks/TaskDialog.h"

#include "common/ActionKind.h"
#include "common/DateText.h"
#include "common/Placement.h"
#include "shell/AppIcons.h"
#include "shell/PictureCombo.h"

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
#include <QScrollArea>
#include <QStyle>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <limits>

namespace zelkor {

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kWindowEdge = 4; // a window manager's border, at most, on each side
const QString kTimeFormat = QStringLiteral("HH:mm:ss");

QLabel* label(const char* text, QWidget* parent)
{
    return new QLabel(QString::fromUtf8(text), parent);
}

QPushButton* button(const char* text, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setAutoDefault(false);
    return b;
}

// As large as the fields it holds, so that the dialog is laid out at its
// natural size; it scrolls only where the screen has less room than that.
class FieldScroller final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override
    {
        const int frame = 2 * frameWidth();
        return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
    }
};

template <typename Picker> Picker* picker(const QString& format, QWidget* parent)
{
    auto* p = new Picker(parent);
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
    loadForm();
    fitToScreen();
}

void TaskDialog::showEvent(QShowEvent* event)
{
    // The lists know their widths only now, at their first show.
    if (!m_fittedShown) {
        m_fittedShown = true;
        fitToScreen();
    }
    QDialog::showEvent(event);
}

void TaskDialog::fitToScreen()
{
    // At least the designed client area; more where the fonts and the lists'
    // pictures need it; no more than the screen holds with the title bar (a
    // small or scaled screen), where the fields scroll and OK and Cancel stay
    // in reach.
    const QSize designed(6135 / kTwipsPerPixel, 5010 / kTwipsPerPixel);
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 2 * kWindowEdge;
    const QSize room = m_platform.screenGeometry().size() - QSize(2 * kWindowEdge, titleBar);
    ensurePolished(); // the fonts and margins of the style, which the sizes depend on
    m_fieldScroller->updateGeometry(); // its size follows the fields only when asked
    setFixedSize(sizeHint().expandedTo(designed).boundedTo(room));
    const int belowTwips = m_mode == Mode::Edit ? 5040 - 5010 : 5160 - 5010;
    m_focusSink->move(0, height() + belowTwips / kTwipsPerPixel);
    move(goldenPlacement(m_platform.screenGeometry(), frameGeometry().size()));
}

TaskDialog::~TaskDialog() = default;

void TaskDialog::buildForm()
{
    const bool editing = m_mode == Mode::Edit;
    setObjectName(editing ? QStringLiteral("FrmEdit") : QStringLiteral("FrmNew"));
    setWindowTitle(editing ? QStringLiteral("Edit Task") : QStringLiteral("New Task"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Modal to the main window only: a warning or reminder window that comes
    // meanwhile must still take its clicks.
    setWindowModality(Qt::WindowModal);

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QWidget(this);
    auto* fieldLayout = new QVBoxLayout(fields);
    fieldLayout->setContentsMargins(0, 0, 0, 0);
    fieldLayout->addWidget(buildScheduleFrame());
    fieldLayout->addWidget(buildActionFrame());
    m_fieldScroller = new FieldScroller(this);
    m_fieldScroller->setFrameShape(QFrame::NoFrame);
    m_fieldScroller->setFocusPolicy(Qt::NoFocus); // the fields take the Tab, not the scroller
    m_fieldScroller->setWidgetResizable(true);
    m_fieldScroller->setWidget(fields);
    layout->addWidget(m_fieldScroller);

    // Made after the fields, so that Tab meets them first and OK last.
    m_okButton = button("OK", this);
    m_okButton->setObjectName(QStringLiteral("Command2"));
    m_okButton->setDefault(true); // Return in a field saves, as in any dialog
    m_cancelButton = button("Cancel", this);
    m_cancelButton->setObjectName(QStringLiteral("Command3"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons);

    // Takes the focus after an action is chosen so that no visible control
    // keeps it; it lies just below the visible area and does nothing itself.
    m_focusSink = button("Test", this);
    m_focusSink->setObjectName(QStringLiteral("cmdTest"));
    m_focusSink->setFocusPolicy(Qt::NoFocus); // out of sight, so out of the Tab order

    for (int k = 0; k < int(m_kindButtons.size()); ++k)
        connect(m_kindButtons[size_t(k)], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on)
                onKindChosen(k);
        });
    for (int i = 0; i < int(m_dayButtons.size()); ++i)
        connect(m_dayButtons[size_t(i)], &QPushButton::clicked, this,
                [this, i] { onDayToggled(i); });
    connect(m_actionCombo, &QComboBox::activated, this, &TaskDialog::onActionChosen);
    connect(m_targetModeCombo, &QComboBox::currentIndexChanged, this,
            &TaskDialog::onTargetModeChosen);
    connect(m_browseButton, &QPushButton::clicked, this, &TaskDialog::browseForTarget);
    connect(m_okButton, &QPushButton::clicked, this, &TaskDialog::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &TaskDialog::onCancelClicked);
}

QWidget* TaskDialog::buildScheduleFrame()
{
    m_scheduleFrame = new QGroupBox(QStringLiteral("What time"), this);
    m_scheduleFrame->setObjectName(QStringLiteral("Frame1"));
    static const char* const kCaptions[] = {"Not allow to use computer everyday:", "Once:", "Daily", "Monthly",
                                            "Weekly"};
    for (int k = 0; k < int(m_kindButtons.size()); ++k) {
        m_kindButtons[size_t(k)] =
            new QRadioButton(QString::fromLatin1(kCaptions[k]), m_scheduleFrame);
        m_kindButtons[size_t(k)]->setObjectName(QStringLiteral("Option1_%1").arg(k));
    }
    m_periodStartEdit = picker<QTimeEdit>(kTimeFormat, m_scheduleFrame);

    m_periodStartEdit->setObjectName(QStringLiteral("DTPicker1"));
    m_periodEndEdit = picker<QTimeEdit>(kTimeFormat, m_scheduleFrame);

    m_periodEndEdit->setObjectName(QStringLiteral("DTPicker2"));
    m_timeOfDayEdit = picker<QTimeEdit>(kTimeFormat, m_scheduleFrame);

    m_timeOfDayEdit->setObjectName(QStringLiteral("DTPicker3"));
    m_onceDateEdit = picker<QDateEdit>(datetext::shortDateFormat(), m_scheduleFrame);

    m_onceDateEdit->setObjectName(QStringLiteral("DTPicker4"));
    m_onceDateEdit->setCalendarPopup(true);
    m_monthDayEdit = picker<QDateEdit>(QStringLiteral("dd"), m_scheduleFrame);

    m_monthDayEdit->setObjectName(QStringLiteral("DTPicker5"));
    m_monthDayEdit->setCalendarPopup(true);
    // Read out by screen readers, which would name each by the frame's title.
    m_periodStartEdit->setAccessibleName(QStringLiteral("Not allowed from"));
    m_periodEndEdit->setAccessibleName(QStringLiteral("Not allowed until"));
    m_timeOfDayEdit->setAccessibleName(QStringLiteral("Start Time"));
    m_onceDateEdit->setAccessibleName(QStringLiteral("Once: date"));
    m_monthDayEdit->setAccessibleName(QStringLiteral("Monthly: day"));

    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wen", "Thu", "Fri", "Sat"};
    auto* days = new QGridLayout;
    days->setSpacing(2);
    for (int i = 0; i < int(m_dayButtons.size()); ++i) {
        m_dayButtons[size_t(i)] = button(kDays[i], m_scheduleFrame);
        m_dayButtons[size_t(i)]->setObjectName(QStringLiteral("Check1_%1").arg(i));
        m_dayButtons[size_t(i)]->setCheckable(true);
        m_dayButtons[size_t(i)]->setFixedSize(495 / kTwipsPerPixel + 8, 255 / kTwipsPerPixel + 4);
        days->addWidget(m_dayButtons[size_t(i)], i < 3 ? 0 : 1, i < 3 ? i : i - 3);
    }

    auto* grid = new QGridLayout(m_scheduleFrame);
    grid->addWidget(m_kindButtons[0], 0, 0, 1, 2);
    auto* period = new QHBoxLayout;
    period->addWidget(m_periodStartEdit);
    auto* toLabel = label("to", m_scheduleFrame);
    toLabel->setObjectName(QStringLiteral("Label3"));
    period->addWidget(toLabel);
    period->addWidget(m_periodEndEdit);
    grid->addLayout(period, 0, 2, 1, 2);
    grid->addWidget(m_kindButtons[1], 1, 0);
    grid->addWidget(m_onceDateEdit, 1, 1);
    grid->addWidget(m_kindButtons[2], 2, 0);
    auto* startTimeLabel = label("Start Time:", m_scheduleFrame);
    startTimeLabel->setObjectName(QStringLiteral("Label1"));
    grid->addWidget(startTimeLabel, 2, 3);
    grid->addWidget(m_kindButtons[3], 3, 0);
    auto* monthly = new QHBoxLayout;
    auto* dayLabel = label("Day", m_scheduleFrame);
    dayLabel->setObjectName(QStringLiteral("Label4"));
    monthly->addWidget(dayLabel);
    monthly->addWidget(m_monthDayEdit);
    monthly->addStretch(1);
    grid->addLayout(monthly, 3, 1);
    grid->addWidget(m_timeOfDayEdit, 3, 3);
    grid->addWidget(m_kindButtons[4], 4, 0, Qt::AlignTop);
    grid->addLayout(days, 4, 1, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    return m_scheduleFrame;
}

QWidget* TaskDialog::buildActionFrame()
{
    m_actionFrame = new QGroupBox(QStringLiteral("What to do"), this);
    m_actionFrame->setObjectName(QStringLiteral("Frame2"));
    m_actionCombo = new PictureCombo(kActionPictureSize, m_actionFrame);
    m_actionCombo->setObjectName(QStringLiteral("ImageCombo1"));
    m_targetModeCombo = new QComboBox(m_actionFrame);
    m_targetModeCombo->setObjectName(QStringLiteral("Combo1"));
    m_targetEdit = new QLineEdit(m_actionFrame);
    m_targetEdit->setObjectName(QStringLiteral("TxtDir"));
    // A stored message or target of any length comes back whole after Edit.
    m_targetEdit->setMaxLength(std::numeric_limits<int>::max());
    m_browseButton = button("...", m_actionFrame);
    m_browseButton->setObjectName(QStringLiteral("Command1"));
    m_browseButton->setFixedWidth(32);
    m_browseButton->setAccessibleName(QStringLiteral("Browse"));
    m_targetEdit->setAccessibleName(QStringLiteral("Program, file, URL or message"));

    auto* grid = new QGridLayout(m_actionFrame);
    auto* actionLabel = label("Action:", m_actionFrame);
    actionLabel->setObjectName(QStringLiteral("Label2"));
    actionLabel->setBuddy(m_actionCombo);
    grid->addWidget(actionLabel, 0, 0);
    grid->addWidget(m_actionCombo, 0, 1);
    grid->addWidget(m_targetModeCombo, 1, 0, 1, 2);
    auto* target = new QHBoxLayout;
    target->addWidget(m_targetEdit, 1);
    target->addWidget(m_browseButton);
    grid->addLayout(target, 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return m_actionFrame;
}

void TaskDialog::loadForm()
{

    for (int code = int(ActionKind::ShutDown); code <= int(ActionKind::EventsRemind); ++code)
        m_actionCombo->addItem(actionIcon(code), actionName(code));
    m_actionCombo->setCurrentIndex(0);

    // Filling the list is not a choice; only the choice below runs its rule.
    m_targetModeCombo->blockSignals(true);
    m_targetModeCombo->addItems({QStringLiteral("Launch program or open URL or open any file"),
                                 QStringLiteral("Show message")});
    m_targetModeCombo->setCurrentIndex(-1);
    m_targetModeCombo->blockSignals(false);
    if (m_mode == Mode::New)
        m_targetModeCombo->setCurrentIndex(0);

    // As designed: the text inputs open enabled except the second list. The
    // pickers wait for a kind, which also says which of them apply.
    m_targetModeCombo->setEnabled(false);
    for (QWidget* p : schedulePickers())
        p->setEnabled(false);

    m_currentKind = -1;
    const QDateTime now = m_platform.now();
    TaskDraft start; // the designed values of every picker
    start.onceDate = now.date();
    start.time = QTime(now.time().hour(), now.time().minute(), now.time().second());
    showSchedule(start);

    m_store.setConnection(m_state.paths.databasePath, m_state.databaseState);
    if (m_mode == Mode::Edit)
        loadTask();
}

} // namespace zelkor
