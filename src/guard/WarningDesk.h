#pragma once

#include "common/ActionKind.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace zelkor
{

// Who is about to act on its own: the Timer tab's countdown, a stored task,
// or the forbidden period.
enum class WarningSource { Countdown, Task, Period };

// A power action that nobody pressed just now, announced before it happens.
struct Warning {
    QString key; // one occurrence; a moved occurrence gets a new key
    WarningSource source = WarningSource::Task;
    int action = 0;   // action code 1..6
    QDateTime moment; // when it acts, whole seconds
    bool cancelAllowed = true;
    bool forced = false; // programs are closed without being asked to save
    QStringList otherUsers = {}; // logged in besides us, whose work a shut down or restart ends
};

// The answers a warning offers.
enum class WarningAnswer { Cancel, Postpone };

inline constexpr int kDefaultWarningSeconds = 60;
inline constexpr int kPostponeSeconds = 10 * 60;

// Whether `now` lies in the `leadSeconds` before `moment` (the moment itself
// excluded: then the action runs, the warning is over). A lead of 0 never warns.
bool inWarningWindow(const QDateTime& moment, const QDateTime& now, int leadSeconds);

// The warning's text: what happens and when.
QString warningTitle(const Warning& warning);
QString warningBody(const Warning& warning);

// Decides when to warn: the sources hand their next occurrence to consider()
// every second; it announces each occurrence once, when its window opens.
// It never holds up an action: the source acts at its second whatever the
// warning's fate.
class WarningDesk : public QObject
{
    Q_OBJECT
public:
    // `asleepMs` reads how long the computer has slept since it started; none
    // means a computer that never sleeps.
    explicit WarningDesk(std::function<quint64()> asleepMs = {}, QObject* parent = nullptr)
        : QObject(parent), m_asleepMs(std::move(asleepMs))
    {
    }

    int leadSeconds() const { return m_leadSeconds; }
    void setLeadSeconds(int seconds);

    void consider(const Warning& warning, const QDateTime& now);
    // The second from which consider() announces `warning`; not valid when
    // it never will (announced already, an action without warning, no lead).
    QDateTime opensAt(const Warning& warning) const;
    // Asked as `warning`'s action is due: whether nobody can have seen its
    // warning. It never showed (the computer slept through its window, the
    // clock was set past it), or it showed but the computer slept since: the
    // lid closed on it, and the user wakes to an action they could not stop.
    // Such a warning is forgotten and announced anew when next considered.
    bool unseenAtAct(const Warning& warning);
    // The occurrence acted, was stopped or went away: its warning goes.
    void retract(const QString& key);
    // Every open warning whose key starts so goes, but `keep`.
    void retractStartingWith(const QString& prefix, const QString& keep = {});
    bool isOpen(const QString& key) const { return m_open.contains(key); }

signals:
    void warningDue(const zelkor::Warning& warning);
    void warningRetracted(const QString& key);
    // Warnings open at other seconds from now on.
    void leadChanged();

private:
    quint64 asleepNow() const { return m_asleepMs ? m_asleepMs() : 0; }

    int m_leadSeconds = kDefaultWarningSeconds;
    std::function<quint64()> m_asleepMs;
    QHash<QString, quint64> m_warned; // every key announced in this run: the time asleep then
    QSet<QString> m_open;   // announced and not yet retracted
};

} // namespace zelkor
