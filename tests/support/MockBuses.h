#pragma once

#include "PrivateBus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QHash>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QVariantList>

#include <memory>

namespace zelkor::test {

enum class Bus { System, Session };

// A method of a mock object: name, D-Bus signatures in and out, and the
// Python body the mock runs (args holds the arguments, ret the result).
struct MockMethod {
    QString name;
    QString inSignature;
    QString outSignature;
    QString code;
};

// One mock service: a `python3 -m dbusmock` process owning `name`, with its
// main object at `path` implementing `interface`, or a stock template.
struct MockSpec {
    Bus bus = Bus::Session;
    QString name;
    QString path;
    QString interface;
    QList<MockMethod> methods;
    QString templateName;   // e.g. "logind"; then path and interface come from it
    QString templateParams; // JSON object for the template, may be empty
};

// A call the mock recorded.
struct MockCall {
    QString method;
    QVariantList args;
};

// A call as text with D-Bus types, e.g. "Logout(u 1)" or "Shutdown(b true, b false)".
QString describeCall(const MockCall& call);

// A private system bus and a private session bus in a temporary folder that
// also holds HOME and the XDG folders, plus mock services on them. Everything
// is stopped and removed when the object goes.
class MockBuses {
public:
    MockBuses();
    ~MockBuses();
    MockBuses(const MockBuses&) = delete;
    MockBuses& operator=(const MockBuses&) = delete;

    bool start();
    QString error() const { return m_error; }

    QString folder() const { return m_dir.path(); }
    QString address(Bus bus) const;
    QDBusConnection connection(Bus bus) const;
    // The environment for a program under test: our buses, HOME and the XDG
    // folders in the temporary folder, nothing of the real session.
    QProcessEnvironment environment() const;
    // Points this process's own default buses at ours as well, so that even
    // QDBusConnection::systemBus() in code under test reaches only the mocks.
    void exportToThisProcess() const;

    bool startMock(const MockSpec& mock);
    void stopMock(const QString& service);
    void stopAllMocks();
    bool isRunning(const QString& service) const;

    // The mock's own controls (org.freedesktop.DBus.Mock) on an object of `service`.
    bool addMethods(const QString& service, const QString& path, const QString& interface,
                    const QList<MockMethod>& methods);
    bool addObject(const QString& service, const QString& path, const QString& interface,
                   const QVariantMap& properties, const QList<MockMethod>& methods);
    bool emitSignal(const QString& service, const QString& path, const QString& interface,
                    const QString& signal, const QString& signature, const QVariantList& args);
    QList<MockCall> calls(const QString& service, const QString& path);
    bool clearCalls(const QString& service, const QString& path);
    // Any method of the mock's control interface; the reply, or an error message.
    QDBusMessage control(const QString& service, const QString& path, const QString& method,
                         const QVariantList& args);

private:
    struct Running {
        MockSpec mock;
        std::unique_ptr<QProcess> process;
    };
    Bus busOf(const QString& service) const;
    bool fail(const QString& why);

    QTemporaryDir m_dir;
    std::unique_ptr<PrivateBus> m_system;
    std::unique_ptr<PrivateBus> m_session;
    QHash<QString, std::shared_ptr<Running>> m_mocks;
    QString m_error;
};

} // namespace zelkor::test
