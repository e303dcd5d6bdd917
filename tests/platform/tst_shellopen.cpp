// Opening a target through the desktop: only real programs are started,
// everything else goes to the desktop's opener (a stand-in xdg-open first on
// PATH that notes what it was given), a web address needs no scheme, and an
// opener that fails is told.

#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zelkor;

namespace {
constexpr int kEndTimeoutMs = 5000;

bool writeFile(const QString& path, const QByteArray& bytes, bool executable)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    if (executable)
        return file.setPermissions(file.permissions() | QFile::ExeOwner);
    return true;
}
} // namespace

class TestShellOpen : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString openerLog() const { return path(QStringLiteral("opener.log")); }
    QStringList openerCalls() const
    {
        QFile log(openerLog());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(path(QStringLiteral("bin"))));
        QVERIFY(writeFile(path(QStringLiteral("bin/xdg-open")),
                          "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$OPENER_LOG\"\n"
                          "exit \"${OPENER_EXIT:-0}\"\n",
                          true));
        qputenv("PATH", (path(QStringLiteral("bin")) + QStringLiteral(":/usr/bin:/bin")).toUtf8());
        qputenv("OPENER_LOG", openerLog().toUtf8());
        // A document with the execute bit, as FAT, NTFS and SMB mounts show every file.
        QVERIFY(writeFile(path(QStringLiteral("letter.txt")), "Dear reader,\n", true));
        QVERIFY(writeFile(path(QStringLiteral("script.sh")), "#!/bin/sh\ntouch \"$0.ran\"\n", true));
        QVERIFY(writeFile(path(QStringLiteral("plain.sh")), "#!/bin/sh\ntouch \"$0.ran\"\n", false));
        QVERIFY(writeFile(path(QStringLiteral("old.tcl")), "#! /nonexistent/tclsh -f\nputs hi\n", true));
        QVERIFY(QFile::link(QStringLiteral("/bin/true"), path(QStringLiteral("elf-program"))));
        QVERIFY(QDir().mkpath(path(QStringLiteral("a folder"))));
    }

    void init()
    {
        QFile::remove(openerLog());
        qunsetenv("OPENER_EXIT");
    }

    void targetsGoWhereTheyBelong_data()
    {
        QTest::addColumn<QString>("target");   // %1 is the test's folder
        QTest::addColumn<QString>("opener");   // what xdg-open is given, %1 the folder; empty: not called
        QTest::addColumn<QString>("ranMark");  // a file the target leaves when it runs as a program
        QTest::addColumn<bool>("handedOver");

        QTest::newRow("document with the execute bit")
            << "%1/letter.txt" << "%1/letter.txt" << "" << true;
        QTest::newRow("#! script we may execute") << "%1/script.sh" << "" << "%1/script.sh.ran" << true;
        QTest::newRow("#! script without the execute bit")
            << "%1/plain.sh" << "%1/plain.sh" << "" << true;
        QTest::newRow("ELF program behind a link") << "%1/elf-program" << "" << "" << true;
        QTest::newRow("folder") << "%1/a folder" << "%1/a folder" << "" << true;
        QTest::newRow("web address without scheme")
            << "www.example.com" << "http://www.example.com" << "" << true;
        QTest::newRow("host and path without scheme")
            << "example.org/news/today" << "http://example.org/news/today" << "" << true;
        QTest::newRow("web address") << "https://example.org/a?b=c" << "https://example.org/a?b=c"
                                     << "" << true;
        QTest::newRow("mail address") << "mailto:someone@example.org"
                                      << "mailto:someone@example.org" << "" << true;
        QTest::newRow("missing file") << "%1/gone.pdf" << "" << "" << false;
        QTest::newRow("missing file, relative") << "report-that-is-not-here.pdf" << "" << ""
                                                << false;
        QTest::newRow("malformed web address") << "http://exa mple.com" << "" << "" << false;
    }
    void targetsGoWhereTheyBelong()
    {
        QFETCH(QString, target);
        QFETCH(QString, opener);
        QFETCH(QString, ranMark);
        QFETCH(bool, handedOver);
        target = target.arg(m_dir.path());
        opener = opener.arg(m_dir.path());
        ranMark = ranMark.arg(m_dir.path());

        const auto platform = createLinuxPlatform();
        // Asked ahead (a countdown's start), the same answer.
        QCOMPARE(platform->findOpenTarget(target).ok, handedOver);
        std::optional<Outcome> ended;
        const Outcome outcome =
            platform->shellOpen(target, [&ended](const Outcome& end) { ended = end; });
        QCOMPARE(outcome.ok, handedOver);
        if (!handedOver) {
            QVERIFY2(outcome.error.contains(target), qPrintable(outcome.error));
            QTest::qWait(100);
            QVERIFY(!ended); // told at once, and only once
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(ended.has_value(), kEndTimeoutMs);
            QVERIFY2(ended->ok, qPrintable(ended->error));
        }
        QCOMPARE(openerCalls(), opener.isEmpty() ? QStringList() : QStringList{opener});
        if (!ranMark.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ranMark), kEndTimeoutMs);
    }

    // The system's "No such file" names the script, which is there.
    void missingInterpreterIsNamed()
    {
        const auto platform = createLinuxPlatform();
        const Outcome outcome = platform->shellOpen(path(QStringLiteral("old.tcl")), {});
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.error, path(QStringLiteral("old.tcl")) +
                                    QStringLiteral(" could not be started: its interpreter /nonexistent/tclsh is not installed."));
    }

    void failingOpenerIsTold_data()
    {
        QTest::addColumn<QString>("exitCode");
        QTest::addColumn<QString>("words");
        QTest::newRow("no handler") << "4" << "no program is set to open it";
        QTest::newRow("a tool missing") << "3" << "a program it needs is not installed";
        QTest::newRow("unknown status") << "9" << "exit status 9";
    }
    void failingOpenerIsTold()
    {
        QFETCH(QString, exitCode);
        QFETCH(QString, words);
        qputenv("OPENER_EXIT", exitCode.toUtf8());
        const auto platform = createLinuxPlatform();
        std::optional<Outcome> ended;
        const QString target = path(QStringLiteral("letter.txt"));
        QVERIFY(platform->shellOpen(target, [&ended](const Outcome& end) { ended = end; }).ok);
        QTRY_VERIFY_WITH_TIMEOUT(ended.has_value(), kEndTimeoutMs);
        QVERIFY(!ended->ok);
        QVERIFY2(ended->error.contains(target) && ended->error.contains(words),
                 qPrintable(ended->error));
    }
};

QTEST_GUILESS_MAIN(TestShellOpen)
#include "tst_shellopen.moc"
