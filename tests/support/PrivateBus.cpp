#include "PrivateBus.h"

#include <QDir>
#include <QFile>
#include <QUuid>

namespace zelkor::test {

namespace {
// No <servicedir>, so no name can be activated; every name may be owned.
const char* const kConfig =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>%1</type>
  <listen>unix:path=%2</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
)";
} // namespace

PrivateBus::PrivateBus(Kind kind, QString folder) : m_kind(kind), m_folder(std::move(folder)) {}

PrivateBus::~PrivateBus() { stop(); }

bool PrivateBus::start(QString* error)
{
    const QString kind =
        m_kind == Kind::System ? QStringLiteral("system") : QStringLiteral("session");
    QDir().mkpath(m_folder);
    const QString socket = m_folder + QStringLiteral("/%1_bus_socket").arg(kind);
    const QString configPath = m_folder + QStringLiteral("/%1.conf").arg(kind);
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write %1").arg(configPath);
        return false;
    }
    config.write(QString::fromLatin1(kConfig).arg(kind, socket).toUtf8());
    config.close();

    m_daemon = std::make_unique<QProcess>();
    m_daemon->setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon->start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                     QStringLiteral("--print-address=1")});
    if (!m_daemon->waitForStarted(5000)) {
        *error = QStringLiteral("dbus-daemon did not start: ") + m_daemon->errorString();
        return false;
    }
    // The daemon prints its address once it listens.
    while (!m_daemon->canReadLine()) {
        if (!m_daemon->waitForReadyRead(5000)) {
            *error = QStringLiteral("dbus-daemon printed no address: ") +
                     QString::fromLocal8Bit(m_daemon->readAllStandardError());
            stop();
            return false;
        }
    }
    m_address = QString::fromLatin1(m_daemon->readLine()).trimmed();
    m_connectionName =
        QStringLiteral("zelkor-test-%1-%2").arg(kind, QUuid::createUuid().toString(QUuid::Id128));
    if (!connection().isConnected()) {
        *error = QStringLiteral("cannot connect to our own %1 bus at %2").arg(kind, m_address);
        stop();
        return false;
    }
    return true;
}

QDBusConnection PrivateBus::connection() const
{
    if (m_address.isEmpty())
        return QDBusConnection(QStringLiteral("zelkor-test-unconnected"));
    return QDBusConnection::connectToBus(m_address, m_connectionName);
}

bool PrivateBus::running() const { return m_daemon && m_daemon->state() == QProcess::Running; }

void PrivateBus::stop()
{
    if (!m_connectionName.isEmpty()) {
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_connectionName.clear();
    }
    if (m_daemon && m_daemon->state() != QProcess::NotRunning) {
        m_daemon->terminate();
        if (!m_daemon->waitForFinished(3000)) {
            m_daemon->kill();
            m_daemon->waitForFinished(3000);
        }
    }
    m_daemon.reset();
    m_address.clear();
}

} // namespace zelkor::test
