#include "guard/WarningCenter.h"

#include "guard/SafetyKeeper.h"
#include "guard/WarningWindow.h"

namespace zelkor
{

namespace
{
const QString kCancelId = QStringLiteral("cancel");
const QString kPostponeId = QStringLiteral("postpone");
} // namespace

WarningCenter::WarningCenter(Platform& platform, WarningDesk& desk, SafetyKeeper& safety,
                             std::unique_ptr<DesktopNotifier> notifier, QObject* parent)
    : QObject(parent), m_platform(platform), m_desk(desk), m_safety(safety),
      m_notifier(std::move(notifier))
{
    connect(&m_desk, &WarningDesk::warningDue, this, &WarningCenter::present);
    connect(&m_desk, &WarningDesk::warningRetracted, this, &WarningCenter::withdraw);
    connect(m_notifier.get(), &DesktopNotifier::unavailable, this, &WarningCenter::showWindow);
    // A server without buttons shows the text only: the answers need our window.
    connect(m_notifier.get(), &DesktopNotifier::shown, this, [this](const QString& key, bool withButtons) {
        if (!withButtons)
            showWindow(key);
    });
    connect(m_notifier.get(), &DesktopNotifier::buttonPressed, this,
            [this](const QString& key, const QString& id) {
                if (id == kCancelId || id == kPostponeId)
                    onAnswer(key,
                             id == kCancelId ? WarningAnswer::Cancel : WarningAnswer::Postpone);
            });
}

WarningCenter::~WarningCenter()
{
    for (const QPointer<WarningWindow>& window : std::as_const(m_windows))
        delete window.data();
}

void WarningCenter::present(Warning warning)
{
    // With a password set, nobody may call off the forbidden period this way.
    if (warning.source == WarningSource::Period && m_safety.isPasswordSet())
        warning.cancelAllowed = false;
    if (endsEverySession(warning.action))
        warning.otherUsers = m_platform.otherUsersLoggedIn();
    m_open.insert(warning.key, warning);
    NotificationRequest request;
    request.key = warning.key;
    request.title = warningTitle(warning);
    request.body = warningBody(warning);
    if (warning.cancelAllowed)
        request.buttons.append({kCancelId, QStringLiteral("Cancel")});
    request.buttons.append({kPostponeId, QStringLiteral("Postpone 10 minutes")});
    m_notifier->show(request);
}

void WarningCenter::showWindow(const QString& key)
{
    if (!m_open.contains(key) || m_windows.value(key))
        return;
    // No parent: it must stay on top of other programs even while ours is hidden.
    auto* window = new WarningWindow(m_platform, m_open.value(key));
    connect(window, &WarningWindow::answered, this, &WarningCenter::onAnswer);
    m_windows.insert(key, window);
    window->show();
    window->raise();
}

void WarningCenter::onAnswer(const QString& key, WarningAnswer answer)
{
    if (!m_open.contains(key))
        return; // acted already, or answered before
    const Warning warning = m_open.value(key);
    if (answer == WarningAnswer::Cancel && !warning.cancelAllowed)
        return;
    const QString what = answer == WarningAnswer::Cancel ? QStringLiteral("cancel the action")
                                                         : QStringLiteral("postpone the action");
    if (!m_safety.allow(m_windows.value(key), what))
        return;
    // The action may have come while the password was asked.
    if (!m_open.contains(key))
        return;
    withdraw(key);
    emit answered(warning, answer);
}

void WarningCenter::withdraw(const QString& key)
{
    m_open.remove(key);
    m_notifier->close(key);
    if (QPointer<WarningWindow> window = m_windows.take(key))
        window->close();
}

} // namespace zelkor
