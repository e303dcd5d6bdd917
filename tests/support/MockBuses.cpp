#include "MockBuses.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

// The mock's method lists travel as a(ssss).
struct MockMethodWire {
    QString name;
    QString in;
    QString out;
    QString code;
};
Q_DECLARE_METATYPE(MockMethodWire)

QDBusArgument& operator<<(QDBusArgument& arg, const MockMethodWire& m)
{
    arg.beginStructure();
    arg << m.name << m.in << m.out << m.code;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, MockMethodWire& m)
{
    arg.beginStructure();
    arg >> m.name >> m.in >> m.out >> m.code;
    arg.endStructure();
    return arg;
}

namespace zelkor::test {

namespace {
const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kPython = QStringLiteral("/usr/bin/python3"); // Debian's, the one with dbusmock
constexpr int kCallTimeoutMs = 5000;
constexpr int kStartTimeoutMs = 15000;

QVariant wireMethods(const QList<MockMethod>& methods)
{
    QList<MockMethodWire> wire;
    for (const MockMethod& m : methods)
        wire.append({m.name, m.inSignature, m.outSignature, m.code});
    return QVariant::fromValue(wire);
}

void registerTypes()
{
    static const bool done = [] {
        qDBusRegisterMetaType<MockMethodWire>();
        qDBusRegisterMetaType<QList<MockMethodWire>>();
        return true;
    }();
    Q_UNUSED(done);
}
} // namespace

QString describeCall(const MockCall& call)
{
    QStringList args;
    for (const QVariant& v : call.args)
        args.append(QStringLiteral("%1 %2").arg(
            QLatin1String(QDBusMetaType::typeToSignature(v.metaType())), v.toString()));
    return QStringLiteral("%1(%2)").arg(call.method, args.join(QStringLiteral(", ")));
}

MockBuses::MockBuses() { registerTypes(); }

MockBuses::~MockBuses()
{
    stopAllMocks();
    m_session.reset();
    m_system.reset();
}

bool MockBuses::fail(const QString& why)
{
    m_error = why;
    return false;
}

bool MockBuses::start()
{
    if (!m_dir.isValid())
        return fail(QStringLiteral("no temporary folder"));
    for (const char* sub : {"home", "runtime", "config", "data", "cache", "buses"})
        QDir(m_dir.path()).mkpath(QLatin1String(sub));
    QFile::setPermissions(m_dir.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_system = std::make_unique<PrivateBus>(PrivateBus::Kind::System,
                                            m_dir.filePath(QStringLiteral("buses")));
    m_session = std::make_unique<PrivateBus>(PrivateBus::Kind::Session,
                                             m_dir.filePath(QStringLiteral("buses")));
    QString why;
    if (!m_system->start(&why) || !m_session->start(&why))
        return fail(why);
    return true;
}

QString MockBuses::address(Bus bus) const
{
    const auto& b = bus == Bus::System ? m_system : m_session;
    return b ? b->address() : QString();
}

QDBusConnection MockBuses::connection(Bus bus) const
{
    return (bus == Bus::System ? m_system : m_session)->connection();
}

QProcessEnvironment MockBuses::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys()) {
        if (key.startsWith(QLatin1String("DBUS_")) || key.startsWith(QLatin1String("XDG_")))
            env.remove(key);
    }
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address(Bus::System));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address(Bus::Session));
    env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.filePath(QStringLiteral("cache")));
    return env;
}

void MockBuses::exportToThisProcess() const
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address(Bus::System).toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address(Bus::Session).toUtf8());
}

bool MockBuses::startMock(const MockSpec& mock)
{
    if (!m_system)
        return fail(QStringLiteral("the buses are not started"));
    QStringList args{QStringLiteral("-m"), QStringLiteral("dbusmock"),
                     mock.bus == Bus::System ? QStringLiteral("--system")
                                             : QStringLiteral("--session")};
    MockSpec known = mock;
    if (!mock.templateName.isEmpty()) {
        args << QStringLiteral("--template") << mock.templateName;
        if (!mock.templateParams.isEmpty())
            args << QStringLiteral("--parameters") << mock.templateParams;
    } else {
        args << mock.name << mock.path << mock.interface;
    }
    auto running = std::make_shared<Running>();
    running->mock = known;
    running->process = std::make_unique<QProcess>();
    running->process->setProcessEnvironment(environment());
    running->process->setProcessChannelMode(QProcess::SeparateChannels);
    running->process->start(kPython, args);
    if (!running->process->waitForStarted(5000))
        return fail(QStringLiteral("python3 -m dbusmock did not start: ") +
                    running->process->errorString());

    QDBusConnection bus = connection(mock.bus);
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!bus.interface()->isServiceRegistered(mock.name)) {
        if (running->process->state() != QProcess::Running || deadline.hasExpired()) {
            running->process->kill();
            running->process->waitForFinished(2000);
            return fail(QStringLiteral("mock %1 did not appear: %2")
                            .arg(mock.name,
                                 QString::fromLocal8Bit(running->process->readAllStandardError())));
        }
        QThread::msleep(20);
    }
    m_mocks.insert(mock.name, running);
    if (!mock.methods.isEmpty() && !addMethods(mock.name, mock.path, mock.interface, mock.methods))
        return false;
    return true;
}

void MockBuses::stopMock(const QString& service)
{
    const std::shared_ptr<Running> running = m_mocks.take(service);
    if (!running || !running->process)
        return;
    QProcess& p = *running->process;
    if (p.state() != QProcess::NotRunning) {
        p.terminate();
        if (!p.waitForFinished(3000)) {
            p.kill();
            p.waitForFinished(3000);
        }
    }
    // Wait until the bus has seen the name go, so the next step finds it gone.
    QDBusConnection bus = connection(running->mock.bus);
    const QDeadlineTimer deadline(3000);
    while (bus.interface()->isServiceRegistered(service) && !deadline.hasExpired())
        QThread::msleep(10);
}

void MockBuses::stopAllMocks()
{
    const QStringList names = m_mocks.keys();
    for (const QString& name : names)
        stopMock(name);
}

bool MockBuses::isRunning(const QString& service) const
{
    const auto running = m_mocks.value(service);
    return running && running->process->state() == QProcess::Running;
}

Bus MockBuses::busOf(const QString& service) const
{
    const auto running = m_mocks.value(service);
    return running ? running->mock.bus : Bus::Session;
}

QDBusMessage MockBuses::control(const QString& service, const QString& path, const QString& method,
                                const QVariantList& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, kMockInterface, method);
    call.setArguments(args);
    const QDBusMessage reply = connection(busOf(service)).call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        m_error = QStringLiteral("%1.%2: %3").arg(service, method, reply.errorMessage());
    return reply;
}

bool MockBuses::addMethods(const QString& service, const QString& path, const QString& interface,
                           const QList<MockMethod>& methods)
{
    return control(service, path, QStringLiteral("AddMethods"), {interface, wireMethods(methods)})
               .type() != QDBusMessage::ErrorMessage;
}

bool MockBuses::addObject(const QString& service, const QString& path, const QString& interface,
                          const QVariantMap& properties, const QList<MockMethod>& methods)
{
    const auto running = m_mocks.value(service);
    if (!running)
        return fail(service + QStringLiteral(" is not running"));
    // Objects are added through the main object's controls.
    return control(service, running->mock.path, QStringLiteral("AddObject"),
                   {path, interface, properties, wireMethods(methods)})
               .type() != QDBusMessage::ErrorMessage;
}

bool MockBuses::emitSignal(const QString& service, const QString& path, const QString& interface,
                           const QString& signal, const QString& signature,
                           const QVariantList& args)
{
    return control(service, path, QStringLiteral("EmitSignal"),
                   {interface, signal, signature, QVariant::fromValue(args)})
               .type() != QDBusMessage::ErrorMessage;
}

QList<MockCall> MockBuses::calls(const QString& service, const QString& path)
{
    QList<MockCall> result;
    const QDBusMessage reply = control(service, path, QStringLiteral("GetCalls"), {});
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty())
        return result;
    const QDBusArgument arg = reply.arguments().constFirst().value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
        quint64 stamp = 0;
        MockCall call;
        arg.beginStructure();
        arg >> stamp >> call.method >> call.args;
        arg.endStructure();
        result.append(call);
    }
    arg.endArray();
    return result;
}

bool MockBuses::clearCalls(const QString& service, const QString& path)
{
    return control(service, path, QStringLiteral("ClearCalls"), {}).type() !=
           QDBusMessage::ErrorMessage;
}

} // namespace zelkor::test
