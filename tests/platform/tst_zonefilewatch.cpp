// The watch on the file naming the local time zone: each way a system
// changes the zone is told once, once the file has settled; other files in
// its folder are not.

#include "platform/linux/LinuxPlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace zelkor;

namespace {
bool linkTo(const QString& target, const QString& link)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}
} // namespace

class TestZoneFileWatch : public QObject {
    Q_OBJECT
private slots:
    void eachChangeIsToldOnce_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("told");
        QTest::newRow("link replaced by a rename") << "rename" << 1;
        QTest::newRow("link removed and made anew") << "relink" << 1;
        QTest::newRow("copy written in place") << "rewrite" << 1;
        QTest::newRow("removed") << "remove" << 1;
        QTest::newRow("another file of the folder") << "other" << 0;
    }
    void eachChangeIsToldOnce()
    {
        QFETCH(QString, change);
        QFETCH(int, told);
        QTemporaryDir dir;
        const QString zone = dir.filePath(QStringLiteral("localtime"));
        const QString berlin = QStringLiteral("/usr/share/zoneinfo/Europe/Berlin");
        const QString london = QStringLiteral("/usr/share/zoneinfo/Europe/London");
        if (change == u"rewrite")
            QVERIFY(QFile::copy(berlin, zone));
        else
            QVERIFY(linkTo(berlin, zone));
        int calls = 0;
        const auto watch = watchZoneFile(zone, [&] { ++calls; });

        if (change == u"rename") {
            const QString fresh = dir.filePath(QStringLiteral(".localtime.new"));
            QVERIFY(linkTo(london, fresh));
            QCOMPARE(std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(zone).constData()), 0);
        } else if (change == u"relink") {
            QVERIFY(QFile::remove(zone));
            QVERIFY(linkTo(london, zone));
        } else if (change == u"rewrite") {
            QFile file(zone);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QFile source(london);
            QVERIFY(source.open(QIODevice::ReadOnly));
            QVERIFY(file.write(source.readAll()) > 0);
        } else if (change == u"remove") {
            QVERIFY(QFile::remove(zone));
        } else {
            QFile other(dir.filePath(QStringLiteral("timezone")));
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write("Europe/London\n");
        }
        // Told after the file settles (a busy machine may be slow to say so),
        // and only once for a removal and a new link.
        if (told > 0)
            QTRY_COMPARE_WITH_TIMEOUT(calls, told, 10000);
        QTest::qWait(1000);
        QCOMPARE(calls, told);
    }
};

QTEST_GUILESS_MAIN(TestZoneFileWatch)
#include "tst_zonefilewatch.moc"
