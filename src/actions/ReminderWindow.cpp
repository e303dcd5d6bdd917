#include "actions/ReminderWindow.h"

#include "actions/BeepLoop.h"
#include "common/ModalWait.h"
#include "common/Placement.h"
#include "shell/AppIcons.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTimer>
#include <QWindow>

namespace zelkor
{

namespace
{
// As wide as the text area grows for a word wider than that: the rest of
// the word scrolls sideways.
int widestTextArea(const QWidget* area)
{
    return area->screen()->availableGeometry().width() * 3 / 4;
}

// A scroll area that asks its text for its size every time (the toolkit's
// keeps the first answer), so that the window grows with the texts added to
// it; the window's own limit, a part of the screen, then makes it scroll.
class TextScroller final : public QScrollArea
{
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override
    {
        if (!widget())
            return QScrollArea::sizeHint();
        const QSize text = widget()->sizeHint();
        return {qMin(text.width(), widestTextArea(this)) + verticalScrollBar()->sizeHint().width(), text.height()};
    }
};

constexpr QSize kLeastTextSize(240, 80);

// The widest run of text that word wrapping cannot break (a key, a code, a
// long file name, words joined by no-break spaces), found where the text's
// layout itself may break lines: between words, and in Chinese or Japanese
// between characters.
int widestWord(const QFontMetrics& metrics, const QString& text)
{
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    int widest = 0;
    qsizetype start = 0;
    for (qsizetype at = breaks.toNextBoundary(); at != -1; at = breaks.toNextBoundary()) {
        widest = qMax(widest, metrics.horizontalAdvance(text.mid(start, at - start).trimmed()));
        start = at;
    }
    return widest;
}
} // namespace

ReminderWindow::ReminderWindow(Platform& platform, AppState& state, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_state(state)
{
    setObjectName(QStringLiteral("FrmRemind"));
    setWindowTitle(QStringLiteral("Message"));
    // It comes by itself, while the user may be typing elsewhere: taking the
    // keyboard would let an Enter or a blank meant for another program press
    // OK and close it unread.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowIcon(appIcon());
    auto* grid = new QGridLayout(this);
    m_iconLabel = new QLabel(this);
    m_iconLabel->setObjectName(QStringLiteral("Image1"));
    m_iconLabel->setPixmap(appIcon().pixmap(32, 32));
    m_iconLabel->setFixedSize(32, 32);
    m_messageLabel = new QLabel(QStringLiteral("Hurry, time is up!"), this);
    m_messageLabel->setObjectName(QStringLiteral("Label1"));
    m_messageLabel->setWordWrap(true);
    // The user's own words, shown as written, never read as markup.
    m_messageLabel->setTextFormat(Qt::PlainText);
    m_messageLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = m_messageLabel->font();
    bold.setBold(true);
    bold.setPointSizeF(9.75);
    m_messageLabel->setFont(bold);
    m_messageLabel->setMinimumSize(kLeastTextSize);
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    m_okButton->setDefault(true);
    // Texts longer than the screen has room for (several reminders at once,
    // a small or scaled screen) scroll instead of being cut off; sideways
    // only for a word wider than most of the screen.
    auto* scroller = new TextScroller(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(m_messageLabel);
    m_textArea = scroller;
    grid->addWidget(m_iconLabel, 0, 0, Qt::AlignTop);
    grid->addWidget(scroller, 0, 1);
    m_soundNotice = new QLabel(this);
    m_soundNotice->setObjectName(QStringLiteral("soundNotice"));
    m_soundNotice->setWordWrap(true);
    m_soundNotice->setTextFormat(Qt::PlainText);
    m_soundNotice->hide();
    grid->addWidget(m_soundNotice, 1, 1);
    grid->addWidget(m_okButton, 2, 0, 1, 2, Qt::AlignHCenter);
    connect(m_okButton, &QPushButton::clicked, this, &ReminderWindow::onOkClicked);

    m_beepStartTimer = new QTimer(this);
    m_beepStartTimer->setObjectName(QStringLiteral("Timer1"));
    m_beepStartTimer->setInterval(500);
    connect(m_beepStartTimer, &QTimer::timeout, this, &ReminderWindow::startBeeping);
    m_beeps = new BeepLoop(
        m_platform, [this] { return m_closedByOk; }, this);
    // A reminder that relies on its beeps says when they cannot be heard.
    connect(m_beeps, &BeepLoop::problemChanged, this, &ReminderWindow::showSoundProblem);
}

ReminderWindow::~ReminderWindow()
{
    // The beeping never outlives the window, not even the tail of a burst after OK.
    m_beeps->stopNow();
}

void ReminderWindow::present()
{
    // Open, it is not loaded again; put away by hidden mode, it stays away
    // (still beeping) until the hot key brings every window back.
    if (m_open) {
        addLaterText();
        if (isVisible())
            bringToTop();
        return;
    }
    prepare(false);
    show();
    bringToTop();
}

void ReminderWindow::presentModal()
{
    if (!m_open) {
        prepare(true);
        show();
        windowHandle()->installEventFilter(this);
    } else {
        addLaterText();
        if (isVisible())
            bringToTop();
    }
    // Also serves a caller that arrives while the window is already open.
    waitUntilDone(this, &ReminderWindow::closed);
}

bool ReminderWindow::isBeeping() const
{
    return m_beeps->isRunning();
}

void ReminderWindow::prepare(bool modal)
{
    // A burst still finishing after an earlier OK gives way to the new reminder.
    m_beeps->stopNow();
    m_open = true;
    // Flags and modality are set only while hidden: changing them on a shown
    // window hides it.
    setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    setWindowFlag(Qt::WindowStaysOnTopHint, !modal);
    // Window managers give a modal window the keyboard whatever it asks for:
    // this one takes none until it is clicked (see eventFilter).
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, modal);
    m_closedByOk = false;
    m_texts = {m_state.remindText};
    showText(m_state.remindText);
    move(goldenPlacement(m_platform.screenGeometry(), frameGeometry().size()));
    m_beepStartTimer->start();
}

void ReminderWindow::addLaterText()
{
    // A message that comes while the window is open is shown below the
    // others, not lost; one that shows already is not repeated.
    if (m_texts.contains(m_state.remindText))
        return;
    m_texts.append(m_state.remindText);
    showText(m_texts.join(QStringLiteral("\n\n")));
    // Grown beyond the screen's edge, it comes back onto the screen.
    if (const QPoint kept = keptOnScreen(m_platform.screenGeometry(), frameGeometry()); kept != frameGeometry().topLeft())
        move(kept);
}

void ReminderWindow::showText(const QString& text)
{
    m_messageLabel->setText(text);
    // Never narrower than the text's widest word, which wrapping cannot
    // break; up to three quarters of the screen, beyond that it scrolls.
    const int least = qMax(kLeastTextSize.width(), widestWord(m_messageLabel->fontMetrics(), text));
    m_messageLabel->setMinimumWidth(least);
    m_textArea->setMinimumWidth(qMin(least, widestTextArea(m_textArea)) +
                                m_textArea->verticalScrollBar()->sizeHint().width());
    m_textArea->updateGeometry(); // its size follows the text only when asked
    adjustSize();
}

void ReminderWindow::bringToTop()
{
    raise(); // not activated: see the constructor
}

void ReminderWindow::showSoundProblem(const QString& problem)
{
    m_soundNotice->setText(QStringLiteral("The beeps cannot be heard: %1.").arg(problem));
    m_soundNotice->setVisible(!problem.isEmpty());
    adjustSize();
    if (const QPoint kept = keptOnScreen(m_platform.screenGeometry(), frameGeometry()); kept != frameGeometry().topLeft())
        move(kept);
}

void ReminderWindow::startBeeping()
{
    m_beepStartTimer->stop(); // once per load
    m_beeps->start();
}

void ReminderWindow::onOkClicked()
{
    m_closedByOk = true;
    close();
}

// Every way of closing (OK, the title bar, Escape, the end of the program)
// ends here. A hide alone is no close: minimizing and hidden mode keep the
// window open and beeping.
void ReminderWindow::done(int result)
{
    QDialog::done(result);
    ended();
}

void ReminderWindow::closeEvent(QCloseEvent* event)
{
    QDialog::closeEvent(event);
    // Closed while hidden mode has it put away: there is no hide to end it.
    if (event->isAccepted() && !isVisible())
        ended();
}

bool ReminderWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The first click into a message that came without the keyboard gives it the keyboard.
    QWindow* window = windowHandle();
    if (watched == window && event->type() == QEvent::MouseButtonPress &&
        window->flags().testFlag(Qt::WindowDoesNotAcceptFocus)) {
        window->setFlag(Qt::WindowDoesNotAcceptFocus, false);
        activateWindow();
    }
    return QDialog::eventFilter(watched, event);
}

void ReminderWindow::ended()
{
    if (!m_open)
        return;
    m_open = false;
    m_beepStartTimer->stop();
    // Only OK lets the burst in progress be heard to its end.
    if (!m_closedByOk)
        m_beeps->stopNow();
    emit closed();
}

} // namespace zelkor
