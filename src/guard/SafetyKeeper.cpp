#include "guard/SafetyKeeper.h"

#include "common/ModalWait.h"
#include "shell/MessageBox.h"

#include <QInputDialog>
#include <QLineEdit>

namespace zelkor
{

std::optional<QString> SafetyKeeper::askInDialog(QWidget* parent, const QString& label)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Zelkor"));
    dialog.setLabelText(label);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setWindowModality(modalityFor(parent));
    // Not exec(): hidden mode puts the prompt away, and it comes back asking.
    dialog.show();
    waitUntilDone(&dialog, &QDialog::finished);
    if (dialog.result() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

SafetyKeeper::SafetyKeeper(Platform& platform, QString path, QObject* parent)
    : QObject(parent), m_platform(platform), m_path(std::move(path)), m_ask(askInDialog)
{
}

void SafetyKeeper::load()
{
    const guard::Loaded loaded = guard::read(m_path);
    m_settings = loaded.settings;
    m_readProblem = loaded.problem;
    m_gate.setHash(m_settings.passwordHash);
    emit changed();
    if (!m_readProblem.isEmpty())
        emit problem(m_readProblem);
}

Outcome SafetyKeeper::save()
{
    // Replacing a file that could not be read would drop the password it may hold.
    if (!m_readProblem.isEmpty())
        return Outcome::failure(m_readProblem +
                                QStringLiteral(" Nothing is saved to it until it can be read."));
    m_settings.passwordHash = m_gate.hash();
    return guard::write(m_path, m_settings);
}

Outcome SafetyKeeper::setWarnSeconds(int seconds)
{
    m_settings.warnSeconds = qBound(0, seconds, guard::kMaxWarnSeconds);
    const Outcome outcome = save();
    emit changed();
    return outcome;
}

bool SafetyKeeper::allow(QWidget* parent, const QString& what)
{
    if (!m_gate.isSet())
        return true;
    const int wait = m_gate.secondsToWait(m_platform.tickCount());
    if (wait > 0) {
        MessageBox::information(
            parent, QStringLiteral("Too many wrong passwords. Try again in %1 seconds.").arg(wait));
        return false;
    }
    const std::optional<QString> given = m_ask(parent, QStringLiteral("Password to %1:").arg(what));
    if (!given)
        return false;
    switch (m_gate.attempt(*given, m_platform.tickCount())) {
    case PasswordGate::Result::Accepted:
        return true;
    case PasswordGate::Result::Waiting:
        MessageBox::information(parent,
                                QStringLiteral("Too many wrong passwords. Try again in %1 seconds.")
                                    .arg(m_gate.secondsToWait(m_platform.tickCount())));
        return false;
    case PasswordGate::Result::Wrong:
        break;
    }
    MessageBox::information(parent, QStringLiteral("Wrong password. Nothing was changed."));
    return false;
}

void SafetyKeeper::changePassword(QWidget* parent)
{
    if (!allow(parent, QStringLiteral("change the password")))
        return;
    const std::optional<QString> first = m_ask(parent, QStringLiteral("New password:"));
    if (!first)
        return;
    if (first->isEmpty()) {
        MessageBox::information(parent, QStringLiteral("An empty password is not set."));
        return;
    }
    const std::optional<QString> again = m_ask(parent, QStringLiteral("The new password again:"));
    if (!again)
        return;
    if (*again != *first) {
        MessageBox::information(parent,
                                QStringLiteral("The two passwords differ. Nothing was changed."));
        return;
    }
    const QByteArray hash = hashPassword(*first);
    if (hash.isEmpty()) {
        MessageBox::failure(
            parent, QStringLiteral("The password could not be hashed. Nothing was changed."));
        return;
    }
    const QByteArray old = m_gate.hash();
    m_gate.setHash(hash);
    const Outcome outcome = save();
    if (!outcome.ok) {
        m_gate.setHash(old);
        MessageBox::failure(
            parent,
            QStringLiteral("The password could not be saved in %1: %2").arg(m_path, outcome.error));
        return;
    }
    emit changed();
}

void SafetyKeeper::removePassword(QWidget* parent)
{
    if (!m_gate.isSet() || !allow(parent, QStringLiteral("remove the password")))
        return;
    const QByteArray old = m_gate.hash();
    m_gate.setHash({});
    const Outcome outcome = save();
    if (!outcome.ok) {
        m_gate.setHash(old);
        MessageBox::failure(parent, QStringLiteral("The password could not be removed in %1: %2")
                                        .arg(m_path, outcome.error));
        return;
    }
    emit changed();
}

} // namespace zelkor
