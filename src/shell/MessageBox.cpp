#include "shell/MessageBox.h"

#include "common/ActionKind.h"

namespace zelkor {

namespace {
QMessageBox::StandardButton g_nextAnswer = QMessageBox::NoButton;
QString g_lastText;
int g_shown = 0;
} // namespace

QMessageBox::StandardButton MessageBox::show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                             QMessageBox::StandardButtons buttons)
{
    g_lastText = text;
    ++g_shown;
    if (g_nextAnswer != QMessageBox::NoButton) {
        const auto answer = g_nextAnswer;
        g_nextAnswer = QMessageBox::NoButton;
        return answer;
    }
    QMessageBox box(icon, kAppTitle, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBox::information(QWidget* parent, const QString& text)
{
    show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

bool MessageBox::question(QWidget* parent, const QString& text)
{
    return show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void MessageBox::notify(QWidget* parent, const QString& text)
{
    g_lastText = text;
    ++g_shown;
    if (g_nextAnswer != QMessageBox::NoButton) {
        g_nextAnswer = QMessageBox::NoButton;
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, kAppTitle, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer) { g_nextAnswer = answer; }
QString MessageBox::lastText() { return g_lastText; }
int MessageBox::shownCount() { return g_shown; }

void MessageBox::resetTestState()
{
    g_nextAnswer = QMessageBox::NoButton;
    g_lastText.clear();
    g_shown = 0;
}

} // namespace zelkor
