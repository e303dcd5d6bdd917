#pragma once

#include "common/DayNumber.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <functional>

// A private program folder with a copy of the built task database, filled by
// the benchmarks with plain SQL.
namespace zelkor::bench {

class BenchFolder {
public:
    BenchFolder()
    {
        QDir().mkpath(path() + QStringLiteral("/dll"));
        m_ok = QFile::copy(QStringLiteral(ZELKOR_APP_DIR "/dll/zelkor.dll"), database());
        QFile::setPermissions(database(), QFile::ReadOwner | QFile::WriteOwner);
    }
    ~BenchFolder() { QSqlDatabase::removeDatabase(QStringLiteral("bench")); }

    bool isValid() const { return m_ok; }
    QString path() const { return m_dir.path(); }
    QString database() const { return path() + QStringLiteral("/dll/zelkor.dll"); }

    // Rows of (type, action, starttime, stoptime, day, weekday bits 1 = Sunday).
    struct Row {
        int type = 1;
        int action = 1;
        double start = 0;
        double stop = 0;
        double day = 0;
        unsigned weekdays = 0;
    };
    bool insert(const QList<Row>& rows)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(database());
        if (!db.open() || !db.transaction())
            return false;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("insert into task (type, action, starttime, stoptime, day, fujia,"
                                     " description, sun, mon, tue, wed, thu, fri, sat, state)"
                                     " values (?, ?, ?, ?, ?, 0, '', ?, ?, ?, ?, ?, ?, ?, 1)"));
        for (const Row& row : rows) {
            query.addBindValue(row.type);
            query.addBindValue(row.action);
            query.addBindValue(row.start);
            query.addBindValue(row.stop);
            query.addBindValue(row.day);
            for (int w = 0; w < 7; ++w)
                query.addBindValue((row.weekdays >> w) & 1u ? 1 : 0);
            if (!query.exec())
                return false;
        }
        return db.commit();
    }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

// Medians of a piece of work run again and again: the time it took, and the
// processor time this thread spent on it, which other programs busy on the
// same machine do not stretch.
struct Medians {
    double wallMs = 0;
    double cpuMs = 0;
};

inline Medians medians(int runs, const std::function<void()>& work)
{
    const auto cpuNow = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
    };
    QList<double> wall;
    QList<double> cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double start = cpuNow();
        timer.start();
        work();
        wall << timer.nsecsElapsed() / 1e6;
        cpu << cpuNow() - start;
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

} // namespace zelkor::bench
