#include "shell/MessageBox.h"

#include "common/ActionKind.h"
#include "common/ModalWait.h"

#include <optional>

namespace zelkor {

namespace {
QList<QMessageBox::StandardButton> g_nextAnswers;
QString g_lastText;
QMessageBox::Icon g_lastIcon = QMessageBox::NoIcon;
int g_shown = 0;
MessageBox::Holder g_holder;

// Notes the box for tests and takes its answer from them, if they gave one.
std::optional<QMessageBox::StandardButton> shownAndAnswered(const QString& text, QMessageBox::Icon icon)
{
    g_lastText = text;
    g_lastIcon = icon;
    ++g_shown;
    if (g_nextAnswers.isEmpty())
        return std::nullopt;
    return g_nextAnswers.takeFirst();
}
} // namespace

QMessageBox::StandardButton MessageBox::show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                             QMessageBox::StandardButtons buttons)
{
    if (const auto answer = shownAndAnswered(text, icon))
        return *answer;
    QMessageBox box(icon, kAppTitle, text, buttons, parent);
    box.setTextFormat(Qt::PlainText); // paths and system messages may hold '<'
    // Hidden mode puts the box away unanswered; it comes back still asking.
    box.setWindowModality(modalityFor(parent));
    showOrHold(&box);
    waitUntilDone(&box, &QDialog::finished);
    return static_cast<QMessageBox::StandardButton>(box.result());
}

void MessageBox::information(QWidget* parent, const QString& text)
{
    show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

void MessageBox::failure(QWidget* parent, const QString& text)
{
    show(parent, QMessageBox::Warning, text, QMessageBox::Ok);
}

bool MessageBox::question(QWidget* parent, const QString& text)
{
    return show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void MessageBox::notify(QWidget* parent, const QString& text, WhileHidden whileHidden)
{
    if (shownAndAnswered(text, QMessageBox::Warning))
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, kAppTitle, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    if (whileHidden == WhileHidden::Show)
        box->show();
    else
        showOrHold(box);
}

void MessageBox::setHolder(Holder holder) { g_holder = std::move(holder); }

void MessageBox::showOrHold(QWidget* box)
{
    if (!g_holder || !g_holder(box))
        box->show();
}

void MessageBox::setNextAnswers(const QList<QMessageBox::StandardButton>& answers)
{
    g_nextAnswers = answers;
}

QString MessageBox::lastText() { return g_lastText; }
QMessageBox::Icon MessageBox::lastIcon() { return g_lastIcon; }
int MessageBox::shownCount() { return g_shown; }

void MessageBox::resetTestState()
{
    g_nextAnswers.clear();
    g_lastText.clear();
    g_lastIcon = QMessageBox::NoIcon;
    g_shown = 0;
}

} // namespace zelkor
