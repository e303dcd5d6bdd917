// How long each helper of the dll folder takes from start to exit, against a
// mock logind and a mock GNOME session manager on private buses (so the time
// is the helper's own: start-up, the bus connections and its calls).
//
//   build/bench/helper_calls [runs per name, default 20]

#include "MockServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>

using namespace zelkor::test;

namespace {
QList<double> timeRuns(const QString& program, const QProcessEnvironment& env, int runs)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess helper;
        helper.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        helper.start(program, {});
        helper.waitForFinished(10000);
        ms.append(clock.nsecsElapsed() / 1e6);
        if (helper.exitCode() != 0)
            std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                         helper.readAllStandardError().constData());
    }
    std::sort(ms.begin(), ms.end());
    return ms;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;
    MockBuses buses;
    if (!buses.start() || !startLogind(buses)) {
        std::fprintf(stderr, "mock buses: %s\n", qPrintable(buses.error()));
        return 1;
    }
    const QString dll = buses.folder() + QStringLiteral("/dll");
    if (QProcess::execute(QStringLiteral("cp"),
                          {QStringLiteral("-a"), QStringLiteral(ZELKOR_DLL_DIR), dll}) != 0)
        return 1;

    for (const bool gnome : {false, true}) {
        if (gnome && !buses.startMock(gnomeSessionManager())) {
            std::fprintf(stderr, "mock GNOME: %s\n", qPrintable(buses.error()));
            return 1;
        }
        std::printf("%s\n", gnome ? "GNOME session manager present" : "logind only");
        for (const char* name : {"guan.dll", "guan_f.dll", "res.dll", "res_f.dll", "log.dll",
                                 "gua.dll", "gua_f.dll", "suo.dll"}) {
            const QList<double> ms =
                timeRuns(dll + QLatin1Char('/') + QLatin1String(name), buses.environment(), runs);
            std::printf("  %-11s %3d runs  min %6.1f ms  median %6.1f ms  max %6.1f ms\n", name,
                        runs, ms.first(), ms.at(ms.size() / 2), ms.last());
        }
    }
    return 0;
}
