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

void printLines(const QStringList& lines)
{
    for (const QString& line : lines)
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}
} // namespace

int main(int argc, char* argv[])
{
    using namespace zelkor::helper;
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
