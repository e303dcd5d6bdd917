// One program for every helper of the dll folder: it is installed under each
// helper's name and does what that name stands for.

#include "HelperPlan.h"
#include "HelperRunner.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {
// Long enough for a busy service, short enough that the helper still returns
// at once to the one who started it.
constexpr int kCallTimeoutMs = 3000;

// What the helper writes to stderr is read by the program and shown to the
// user as the helper's reason: Qt's own notes (some come while the bus
// connection is taken down at exit) must not mix into it.
void dropQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

void printLines(const QStringList& lines)
{
    for (const QString& line : lines)
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}
} // namespace

int main(int argc, char* argv[])
{
    using namespace zelkor::helper;
    qInstallMessageHandler(dropQtMessages);
    const bool hasArguments = argc > 1; // counted before Qt may take some away
    QCoreApplication app(argc, argv);
    const QString name =
        argc > 0 ? QFileInfo(QString::fromLocal8Bit(argv[0])).fileName() : QString();
    const std::optional<Plan> plan = planFor(name);
    if (!plan) {
        printLines(
            {QStringLiteral("%1: this program acts by the name it is started under, one of: %2.")
                 .arg(name, knownNames().join(QStringLiteral(", ")))});
        return 2;
    }
    if (hasArguments) { // "--help" must never shut anything down
        printLines(usageText(name, *plan));
        return 2;
    }
    const BusProvider buses = [](Bus bus) {
        return bus == Bus::System ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
    };
    const RunResult result = runPlan(*plan, buses, kCallTimeoutMs);
    if (!result.ok) {
        printLines(failureText(*plan, result));
        return 1;
    }
    return 0;
}
