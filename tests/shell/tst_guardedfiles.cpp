// The settings files and the autostart entry against whatever may sit at their
// paths: a regular file is read and replaced, also behind a link; a device, a
// FIFO or a folder, at the path or at a link's end, is neither read nor
// replaced, and never holds the program up. Every special file is made in the
// test's own folder; no link ever leads into /dev.

#include "guard/GuardSettings.h"
#include "shell/Autostart.h"
#include "shell/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

using namespace zelkor;

namespace {
const QByteArray kOldBytes = "old contents\n";
// The numbers of the null device: if a faulty build ever wrote to the node, nothing is harmed.
const dev_t kNodeNumber = makedev(1, 3);

struct FileStat {
    bool exists = false;
    mode_t type = 0;
    dev_t rdev = 0;
};

FileStat lstatOf(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {true, mode_t(info.st_mode & S_IFMT), info.st_rdev};
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Opens a FIFO's other end if the code under test is still stuck waiting for
// a writer after a few seconds, so that a faulty build fails instead of hanging.
class FifoRescue {
public:
    explicit FifoRescue(const QString& fifo)
        : m_thread([this, path = QFile::encodeName(fifo)] {
              for (int i = 0; i < 30 && !m_done; ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              if (m_done)
                  return;
              m_rescued = true;
              const int fd = ::open(path.constData(), O_RDWR | O_NONBLOCK);
              std::this_thread::sleep_for(std::chrono::milliseconds(200));
              if (fd >= 0)
                  ::close(fd);
          })
    {
    }
    ~FifoRescue() { finish(); }
    bool finish()
    {
        m_done = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_rescued;
    }

private:
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_rescued{false};
    std::thread m_thread;
};
// Files may grow to a few bytes only while it lives, as on a full disk:
// writes beyond fail (EFBIG) instead of stopping the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_ok = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = m_old;
        tight.rlim_cur = bytes;
        m_ok = m_ok && ::setrlimit(RLIMIT_FSIZE, &tight) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldSignal)(int) = SIG_DFL;
    bool m_ok = false;
};
} // namespace

class TestGuardedFiles : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_case = 0;

    // Puts `kind` at a fresh path and says where the thing itself lies (the
    // link's end for the links).
    bool prepare(const QString& kind, QString* path, QString* end)
    {
        const QString folder = m_dir.filePath(QString::number(++m_case));
        if (!QDir().mkpath(folder))
            return false;
        *path = folder + QStringLiteral("/file");
        *end = *path;
        const QByteArray name = QFile::encodeName(*path);
        if (kind.startsWith(QLatin1String("link"))) {
            *end = folder + QStringLiteral("/elsewhere/target");
            QDir().mkpath(folder + QStringLiteral("/elsewhere"));
            if (!QFile::link(QStringLiteral("elsewhere/target"), *path)) // relative, as people make them
                return false;
        }
        const QByteArray endName = QFile::encodeName(*end);
        if (kind == QLatin1String("regular") || kind == QLatin1String("link to regular")) {
            QFile file(*end);
            return file.open(QIODevice::WriteOnly) && file.write(kOldBytes) == kOldBytes.size();
        }
        if (kind == QLatin1String("link to character device"))
            return ::mknod(endName.constData(), S_IFCHR | 0600, kNodeNumber) == 0;
        if (kind == QLatin1String("FIFO"))
            return ::mkfifo(name.constData(), 0600) == 0;
        if (kind == QLatin1String("directory"))
            return QDir().mkdir(*path);
        return kind == QLatin1String("dangling link");
    }

    // The row's file and kind, put in place.
    struct Case {
        QString file;
        QString kind;
        QString path; // where the program looks
        QString end;  // where the thing itself lies (a link's end)
        bool made = false;
    };
    Case makeCase()
    {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        Case row{file, kind, {}, {}, false};
        row.made = prepare(kind, &row.path, &row.end);
        return row;
    }

    static void addRows(std::initializer_list<const char*> files)
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("kind");
        for (const char* file : files) {
            for (const char* kind : {"regular", "link to regular", "link to character device",
                                     "FIFO", "directory", "dangling link"})
                QTest::addRow("%s: %s", file, kind) << QString::fromLatin1(file)
                                                    << QString::fromLatin1(kind);
        }
    }

    static bool isFileKind(const QString& kind)
    {
        return kind == QLatin1String("regular") || kind == QLatin1String("link to regular") ||
               kind == QLatin1String("dangling link");
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void savingReplacesOnlyRegularFiles_data() { addRows({"settings", "autostart"}); }
    void savingReplacesOnlyRegularFiles()
    {
        const Case row = makeCase();
        if (!row.made)
            QSKIP(qPrintable(QStringLiteral("%1 cannot be made here").arg(row.kind)));
        const QString& file = row.file;
        const QString& kind = row.kind;
        const QString& path = row.path;
        const QString& end = row.end;
        const FileStat before = lstatOf(end);

        Outcome outcome;
        QByteArray written;
        if (file == QLatin1String("settings")) {
            settings::SettingsRecord record;
            record.startInTray = true;
            written = settings::format(record);
            outcome = settings::write(path, record);
        } else {
            written = autostart::entryText(QStringLiteral("/opt/z/zelkor"), true);
            outcome = autostart::writeEntry(path, QStringLiteral("/opt/z/zelkor"), true);
        }

        if (kind.startsWith(QLatin1String("link")))
            QCOMPARE(lstatOf(path).type, mode_t(S_IFLNK)); // the link stays a link
        if (isFileKind(kind)) {
            QVERIFY2(outcome.ok, qPrintable(outcome.error));
            QCOMPARE(lstatOf(end).type, mode_t(S_IFREG));
            QCOMPARE(contents(end), written);
            return;
        }
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(path) && outcome.error.contains(QLatin1String("left alone")),
                 qPrintable(outcome.error));
        const FileStat after = lstatOf(end);
        QCOMPARE(after.type, before.type);
        QCOMPARE(after.rdev, before.rdev);
        // Nothing was left beside it either: no half-written copy.
        QCOMPARE(QDir(QFileInfo(end).path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries |
                                                       QDir::System | QDir::Hidden)
                     .size(),
                 1);
    }

    // A file that cannot be written whole is not replaced: the old one stays
    // and the failure is said.
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* file : {"settings", "autostart", "guard"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }
    void fullDiskKeepsTheOldFile()
    {
        QFETCH(QString, file);
        QString path;
        QString end;
        QVERIFY(prepare(QStringLiteral("regular"), &path, &end));
        Outcome outcome;
        {
            const FileSizeLimit full(4);
            QVERIFY(full.ok());
            if (file == QLatin1String("settings")) {
                settings::SettingsRecord record;
                record.startInTray = true;
                outcome = settings::write(path, record);
            }
            else if (file == QLatin1String("autostart"))
                outcome = autostart::writeEntry(path, QStringLiteral("/opt/z/zelkor"), true);
            else
                outcome = guard::write(path, guard::GuardSettings{60, QByteArray(100, 'h')});
        }
        QVERIFY(!outcome.ok);
        QVERIFY2(!outcome.error.isEmpty(), "no reason given");
        QCOMPARE(contents(path), kOldBytes);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no copy left
    }

    void readingLooksFirst_data() { addRows({"settings", "autostart", "guard"}); }
    void readingLooksFirst()
    {
        const Case row = makeCase();
        if (!row.made)
            QSKIP(qPrintable(QStringLiteral("%1 cannot be made here").arg(row.kind)));

        FifoRescue rescue(row.kind == QLatin1String("FIFO") ? row.path : QString());
        QString problem;
        bool read = false;
        if (row.file == QLatin1String("settings")) {
            // A file that is there but cannot be read still counts as "there".
            const std::optional<settings::SettingsRecord> record =
                settings::read(row.path, &problem);
            read = record.has_value() && problem.isEmpty();
        } else if (row.file == QLatin1String("guard")) {
            problem = guard::read(row.path).problem;
            read = problem.isEmpty() && QFileInfo(row.path).isFile(); // it holds no settings to compare
        } else {
            const std::optional<QByteArray> entry = autostart::readEntry(row.path, &problem);
            read = entry.has_value();
            if (read)
                QCOMPARE(*entry, kOldBytes);
        }
        QVERIFY2(!rescue.finish(), "the read waited for a writer at the FIFO");

        if (row.kind == QLatin1String("dangling link")) { // as good as no file: nothing to tell
            QVERIFY(!read);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        } else if (isFileKind(row.kind)) {
            QVERIFY(read);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        } else {
            QVERIFY(!read);
            QVERIFY2(problem.contains(row.path) &&
                         problem.contains(QLatin1String("not a regular file")),
                     qPrintable(problem));
        }
    }
};

QTEST_GUILESS_MAIN(TestGuardedFiles)
#include "tst_guardedfiles.moc"
