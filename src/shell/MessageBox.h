#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>

namespace zelkor {

// Message boxes titled "Zelkor". Tests set the answers of the next boxes so
// that no box blocks them; the text of the last box is kept for them to check.
class MessageBox {
public:
    static void information(QWidget* parent, const QString& text);
    // Something the user asked for could not be done: the warning sign.
    static void failure(QWidget* parent, const QString& text);
    static bool question(QWidget* parent, const QString& text); // Yes -> true
    // A box that does not block its caller: for problems found by timers.
    // In hidden mode it waits for the mode's end, unless it is the way out.
    enum class WhileHidden { Wait, Show };
    static void notify(QWidget* parent, const QString& text, WhileHidden whileHidden = WhileHidden::Wait);
    // Asked before a box shows: true when it took the box to show later (the
    // program is in hidden mode). None: every box shows at once.
    using Holder = std::function<bool(QWidget* box)>;
    static void setHolder(Holder holder);

    // The answers of the next boxes, in turn; each box takes one (a box that
    // does not block takes one too). Replaces answers still waiting.
    static void setNextAnswers(const QList<QMessageBox::StandardButton>& answers);
    static void setNextAnswer(QMessageBox::StandardButton answer) { setNextAnswers({answer}); }
    static QString lastText();
    static QMessageBox::Icon lastIcon();
    static int shownCount();
    static void resetTestState();

private:
    static void showOrHold(QWidget* box);
    static QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons);
};

} // namespace zelkor
