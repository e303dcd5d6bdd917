#include "tasks/TaskDatabaseState.h"

#include <QTimer>

namespace zelkor
{

namespace
{
QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString cannotUse(const QString& path, const DatabaseFinding& finding)
{
    return QStringLiteral("Zelkor cannot use its task database %1: %2.")
        .arg(path, findingText(finding));
}
} // namespace

QString recoveredPath(const QString& path)
{
    return path + QStringLiteral(".recovered");
}

QString recoveryCommand(const QString& path)
{
    // The sqlite3 tool's dump reads past damaged pages and ends with a
    // rollback when it met any; committing instead keeps what it read.
    // (Debian's sqlite3 lacks what .recover needs, so .dump is the way that works.)
    return QStringLiteral(
               "sqlite3 %1 .dump | sed 's/^ROLLBACK; -- due to errors$/COMMIT;/' | sqlite3 %2")
        .arg(shellQuoted(path), shellQuoted(recoveredPath(path)));
}

QString recoveryAdvice(const QString& path)
{
    return QStringLiteral(
               "To recover the tasks, quit Zelkor and run\n    %1\n(or .recover in place of .dump, "
               "with "
               "a sqlite3 tool that offers it), then move the damaged file away and put %2 in "
               "its place.")
        .arg(recoveryCommand(path), recoveredPath(path));
}

TaskDatabaseState::TaskDatabaseState(QObject* parent) : QObject(parent), m_retry(new QTimer(this))
{
    m_retry->setObjectName(QStringLiteral("taskDatabaseRetry"));
    m_retry->setInterval(1000);
    connect(m_retry, &QTimer::timeout, this, &TaskDatabaseState::lookAgain);
}

void TaskDatabaseState::setRetryIntervalMs(int ms)
{
    m_retry->setInterval(ms);
}

void TaskDatabaseState::check()
{
    apply(checkTaskDatabase(m_path, kTaskDatabaseBusyMs));
}

// Never waits for a lock: it runs on the user interface's thread.
void TaskDatabaseState::lookAgain()
{
    apply(checkTaskDatabase(m_path, 0));
}

void TaskDatabaseState::reportFailure(int sqliteCode)
{
    if (isLockCode(sqliteCode)) {
        apply({DatabaseFinding::Kind::Locked, {}});
        return;
    }
    // Known damage makes statements fail; looking again would find the same.
    if (m_state == State::Damaged && isDamageCode(sqliteCode))
        return;
    lookAgain();
}

void TaskDatabaseState::apply(const DatabaseFinding& finding)
{
    const State before = m_state;
    m_finding = finding;
    m_state = finding.usable()     ? State::Usable
              : finding.readable() ? State::Damaged
                                   : State::Unusable;
    if (m_state == State::Unusable) {
        if (before != State::Unusable) {
            m_unusableSince.start();
            m_told = false;
        }
        if (!m_retry->isActive())
            m_retry->start();
        tellWhenDue();
        return;
    }
    m_retry->stop();
    if (m_state == State::Damaged && !m_damageTold) {
        m_damageTold = true;
        emit problem(problemText());
    }
    if (before == State::Unusable)
        emit becameReadable();
}

void TaskDatabaseState::tellWhenDue()
{
    if (m_told)
        return;
    if (m_finding.kind == DatabaseFinding::Kind::Locked &&
        m_unusableSince.elapsed() < m_lockGraceMs)
        return;
    m_told = true;
    emit problem(problemText());
}

Outcome TaskDatabaseState::readRefusal() const
{
    if (m_state != State::Unusable)
        return Outcome::success();
    return Outcome::failure(cannotUse(m_path, m_finding));
}

Outcome TaskDatabaseState::writeRefusal() const
{
    if (m_state == State::Damaged)
        return Outcome::failure(
            QStringLiteral("The task database %1 is damaged, so Zelkor writes nothing to it. %2")
                .arg(m_path, recoveryAdvice(m_path)));
    return readRefusal();
}

QString TaskDatabaseState::problemText() const
{
    switch (m_state) {
    case State::Unusable:
        return cannotUse(m_path, m_finding) +
               QStringLiteral(
                   "\n\nUntil it can, the task list is not brought up to date, nothing is stored, "
                   "and of the stored tasks only the next one already chosen runs, with the forbidden "
                   "period as last read. Zelkor looks at the file again every second and loads the "
                   "tasks as soon as it can use it.");
    case State::Damaged:
        return QStringLiteral(
                   "The task database %1 is damaged (%2).\n\nZelkor shows and runs the tasks it "
                   "can "
                   "still read, and writes nothing to the file, so that no more is lost. %3")
            .arg(m_path, m_finding.detail, recoveryAdvice(m_path));
    case State::Unchecked:
    case State::Usable:
        break;
    }
    return {};
}

} // namespace zelkor
