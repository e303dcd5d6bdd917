// Rebuilds the task list from a table of 10,000 tasks of every kind and
// prints the median time of one rebuild.
//   bench_tasklist [tasks] [runs]
#include "common/DayNumber.h"
#include "platform/fake/FakePlatform.h"
#include "tasks/TaskGrid.h"
#include "tasks/TaskStore.h"
#include "tasks/TasksPage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace zelkor;

namespace {
bool fill(const QString& path, int tasks)
{
    const QString name = QStringLiteral("bench-fill");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            return false;
        db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("insert into task (type, action, starttime, stoptime, day, fujia, description, "
                                 "sun, mon, tue, wed, thu, fri, sat, state) "
                                 "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"));
        const double base = daynum::fromDate(QDate(2026, 6, 1));
        ok = true;
        for (int i = 0; i < tasks && ok; ++i) {
            const int type = i % 5;
            const int action = 1 + i % 8;
            const double time = (i % 1440) / 1440.0;
            q.addBindValue(type);
            q.addBindValue(action);
            q.addBindValue(type == 1 ? base + i % 60 + time : time);
            q.addBindValue(type == 0 ? QVariant(time + 0.01) : QVariant());
            q.addBindValue(type == 3 ? QVariant(base + i % 28) : QVariant());
            q.addBindValue(action >= 7 ? QVariant(i % 2) : QVariant());
            q.addBindValue(action >= 7 ? QVariant(QStringLiteral("Reminder number %1").arg(i)) : QVariant());
            for (int w = 0; w < 7; ++w)
                q.addBindValue(type == 4 ? QVariant((i >> w) & 1) : QVariant());
            ok = q.exec();
        }
        ok = ok && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int tasks = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 9;

    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/dll"));
    const QString database = taskDatabasePath(dir.path());
    if (!QFile::copy(QStringLiteral(ZELKOR_APP_DIR "/dll/zelkor.dll"), database) ||
        !QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner) || !fill(database, tasks)) {
        std::fprintf(stderr, "could not prepare a task database from %s\n", ZELKOR_APP_DIR "/dll/zelkor.dll");
        return 1;
    }

    FakePlatform platform;
    platform.setNow(QDateTime(QDate(2026, 6, 20), QTime(12, 0)));
    AppState state;
    state.paths = portablePaths(dir.path());
    TasksPage page(platform, state);
    page.connectDatabase(database);
    page.resize(640, 400);
    page.show();

    QList<double> ms;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        page.refreshTaskList();
        QCoreApplication::processEvents(); // the grid paints its new rows
        ms << timer.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    if (qEnvironmentVariableIsSet("BENCH_KEEP_DB"))
        QFile::copy(database, qEnvironmentVariable("BENCH_KEEP_DB"));
    std::printf("task list rebuild, %d tasks, %d rows listed: median %.1f ms (min %.1f, max %.1f) "
                "over %d runs\n",
                tasks, page.m_taskGrid->lines().rowCount(), ms.at(ms.size() / 2), ms.first(),
                ms.last(), runs);
    return page.m_taskGrid->lines().rowCount() == tasks ? 0 : 1;
}
