#pragma once

#include "platform/Platform.h"

#include <QObject>
#include <QString>

namespace zelkor {

// The one timer of the process that can resume a sleeping computer. Arming it
// again replaces the earlier due time, so every wait pending on it ends at the
// new time. Once due it stays signalled until it is armed again.
class WakeTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Fires `ms` milliseconds from now (at once for zero or less) and clears
    // the signalled and failed states. Fails when no timer could be created.
    virtual Outcome armMs(qint64 ms) = 0;
    Outcome arm(qint64 seconds) { return armMs(seconds * 1000); }
    // Nothing pending any more: a sleeping computer must not be woken for it.
    virtual void disarm() = 0;

    // Whether firing also resumes a computer in stand-by or hibernation; when
    // not, whyNoWake() says why in a plain clause ("it has no ...").
    virtual bool canWake() const = 0;
    virtual QString whyNoWake() const = 0;

    bool signalled() const { return m_signalled; }
    // The timer broke while armed; the waits end instead of hanging.
    bool failed() const { return !m_failure.isEmpty(); }
    QString failure() const { return m_failure; }

signals:
    void fired(); // signalled or failed

protected:
    void clearState()
    {
        m_signalled = false;
        m_failure.clear();
    }
    void signal()
    {
        m_signalled = true;
        emit fired();
    }
    void fail(const QString& why)
    {
        m_failure = why;
        emit fired();
    }

private:
    bool m_signalled = false;
    QString m_failure;
};

} // namespace zelkor
