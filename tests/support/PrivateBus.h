#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

#include <memory>

namespace zelkor::test {

// One dbus-daemon of our own, listening on a socket in a folder we own, with
// a policy that lets anyone own any name and no service activation, so that
// nothing of the real desktop or system can be started or reached through it.
class PrivateBus {
public:
    enum class Kind { System, Session };

    PrivateBus(Kind kind, QString folder);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool start(QString* error);
    void stop();

    bool running() const;
    QString address() const { return m_address; }
    // The test process's own connection to this bus.
    QDBusConnection connection() const;

private:
    Kind m_kind = Kind::System;
    QString m_folder;
    QString m_address;
    QString m_connectionName;
    std::unique_ptr<QProcess> m_daemon;
};

} // namespace zelkor::test
