#pragma once

#include "platform/Platform.h"
#include "tasks/DatabaseCheck.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QTimer;

namespace zelkor
{

// The state of the task database, one for the program, read by every record
// set that reaches the file (the task list, the selection pass, the forbidden
// period, the power-on cycle, the task dialogs):
//   usable;
//   unusable because ... - nothing is read or written, and the file is looked
//     at again every second until it can be used, then the tasks load;
//   damaged - what can be read is read, nothing is written.
// Each turn for the worse is told once through problem(); a lock only when it
// has lasted a moment, so a program that holds the file briefly goes unnoticed.
class TaskDatabaseState : public QObject
{
    Q_OBJECT
public:
    enum class State { Unchecked, Usable, Unusable, Damaged };

    explicit TaskDatabaseState(QObject* parent = nullptr);

    void setPath(const QString& path) { m_path = path; }
    QString path() const { return m_path; }

    // The look when the database is opened at start: waits for a lock only briefly.
    void check();
    // A statement failed with this SQLite code (0: not SQLite's failure, the
    // file may be gone). A lock is waited out in the background; anything
    // else has the file looked at again.
    void reportFailure(int sqliteCode);

    State state() const { return m_state; }
    const DatabaseFinding& finding() const { return m_finding; }
    // Whether record sets may read (also before the first look).
    bool readable() const { return m_state != State::Unusable; }
    // Why nothing may be read; success while reading is allowed.
    Outcome readRefusal() const;
    // Why nothing may be written; success while writing is allowed.
    Outcome writeRefusal() const;

    // The message a user gets for the present state; empty while usable.
    QString problemText() const;

    // Tests shorten the waits.
    void setRetryIntervalMs(int ms);
    void setLockGraceMs(int ms) { m_lockGraceMs = ms; }
    QTimer* retryTimer() const { return m_retry; }

signals:
    // Something the user must know; once per turn for the worse.
    void problem(const QString& message);
    // The file can be read again after it could not: the tasks should be loaded anew.
    void becameReadable();

private:
    void lookAgain(); // the background retry and the look after a failure
    void apply(const DatabaseFinding& finding);
    void tellWhenDue();

    QString m_path;
    State m_state = State::Unchecked;
    DatabaseFinding m_finding;
    QTimer* m_retry = nullptr;
    QElapsedTimer m_unusableSince;
    bool m_told = false;       // the present trouble was told
    bool m_damageTold = false; // damage stays; it is told once a run
    int m_lockGraceMs = 3000;
};

// How to get the tasks out of a damaged file with the sqlite3 tool: the
// command line, and the advice around it.
QString recoveredPath(const QString& path);
QString recoveryCommand(const QString& path);
QString recoveryAdvice(const QString& path);

} // namespace zelkor
