#pragma once

#include <QString>

namespace zelkor {

// The single-instance lock: an flock on a file. The kernel drops the lock
// with the last descriptor of the process that holds it, so a lock can never
// outlive its instance, whatever a killed or crashed one left in the file;
// what the file holds is only a note for people (pid and host).
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result {
        Claimed,  // this process holds the lock now
        Held,     // another running instance holds it
        Unusable, // the file cannot be made or locked; see error()
    };
    Result claim(const QString& path);
    // The process that holds the lock on `path`, or 0: read from the kernel's
    // table of locks, since testing by taking the lock could make a program
    // that starts meanwhile take itself for a second instance.
    static qint64 holder(const QString& path);
    // The program's own lock, one for the process: claimed first thing at a
    // start, before the toolkit loads, so that a command given in the same
    // moment finds the program starting rather than none.
    static InstanceLock& ofThisProcess();
    QString error() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

} // namespace zelkor
