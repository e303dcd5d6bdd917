#include "shell/Autostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zelkor;

class TestAutostart : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    QString configHome() const { return m_home.path() + QStringLiteral("/config"); }
    QString program() const { return m_home.path() + QStringLiteral("/apps/zelkor/zelkor"); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    }

    void entryPathFollowsXdgConfigHome()
    {
        QCOMPARE(autostart::entryPath(), configHome() + QStringLiteral("/autostart/zelkor.desktop"));
        qputenv("XDG_CONFIG_HOME", "");
        QCOMPARE(autostart::entryPath(), m_home.path() + QStringLiteral("/.config/autostart/zelkor.desktop"));
        qputenv("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored, as the XDG base directory rules say
        QCOMPARE(autostart::entryPath(), m_home.path() + QStringLiteral("/.config/autostart/zelkor.desktop"));
        qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    }

    void onAndOffTexts()
    {
        const QByteArray on = autostart::entryText(QStringLiteral("/opt/z/zelkor"), true);
        QCOMPARE(on, QByteArray("[Desktop Entry]\nType=Application\nName=Zelkor\n"
                                "Comment=Shut down, restart or wake the computer on time\n"
                                "Exec=/opt/z/zelkor\n"));
        QCOMPARE(autostart::entryText(QStringLiteral("/opt/z/zelkor"), false), on + "Hidden=true\n");
    }

    void execValueQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/opt/z/zelkor" << "/opt/z/zelkor";
        QTest::newRow("blank") << "/home/a b/zelkor" << "\"/home/a b/zelkor\"";
        QTest::newRow("double quote") << "/x\"y/zelkor" << "\"/x\\\\\"y/zelkor\"";
        QTest::newRow("dollar") << "/x$y/zelkor" << "\"/x\\\\$y/zelkor\"";
        QTest::newRow("backslash") << "/x\\y/zelkor" << "\"/x\\\\\\\\y/zelkor\"";
        QTest::newRow("percent") << "/x%f/zelkor" << "/x%%f/zelkor";
        QTest::newRow("umlaut") << QString::fromUtf8("/home/jörg/zelkor") << QString::fromUtf8("/home/jörg/zelkor");
    }
    void execValueQuoting()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(autostart::execValue(path), exec);
    }

    void switchingOnAndOffKeepsTheFile()
    {
        const QString path = autostart::entryPath();
        QVERIFY(!autostart::readEntry(path)); // none yet: reads as off
        QVERIFY(autostart::writeEntry(path, program(), true).ok);
        QVERIFY(autostart::isOn(*autostart::readEntry(path), program()));

        QVERIFY(autostart::writeEntry(path, program(), false).ok);
        const std::optional<QByteArray> off = autostart::readEntry(path);
        QVERIFY(off); // never deleted
        QVERIFY(off->contains("\nHidden=true\n"));
        QVERIFY(off->contains("\nExec=" + program().toUtf8() + "\n"));
        QVERIFY(!autostart::isOn(*off, program()));

        QVERIFY(autostart::writeEntry(path, program(), true).ok);
        QVERIFY(autostart::isOn(*autostart::readEntry(path), program()));
    }

    void movedProgramReadsAsOff()
    {
        const QString path = autostart::entryPath();
        QVERIFY(autostart::writeEntry(path, program(), true).ok);
        const QString moved = m_home.path() + QStringLiteral("/elsewhere/zelkor");
        QVERIFY(!autostart::isOn(*autostart::readEntry(path), moved));
        QVERIFY(autostart::isOn(*autostart::readEntry(path), program()));
    }

    void entryReadAsTheSessionReadsIt_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("on");
        const QByteArray on = autostart::entryText(QStringLiteral("/opt/z/zelkor"), true);
        QTest::newRow("on text") << on << true;
        QTest::newRow("off text") << autostart::entryText(QStringLiteral("/opt/z/zelkor"), false) << false;
        QTest::newRow("other case") << QByteArray(on).replace("zelkor\n", "Zelkor\n") << false;
        QTest::newRow("a desktop's key added") << on + "X-GNOME-Autostart-enabled=true\n" << true;
        QTest::newRow("switched off by the desktop") << on + "X-GNOME-Autostart-enabled=false\n" << false;
        QTest::newRow("rewritten with comments and CRLF")
            << "# written by a settings tool\r\n" + QByteArray(on).replace("\n", "\r\n") << true;
        QTest::newRow("Exec of another group only")
            << QByteArray(on).replace("Exec=", "X-Exec=") + "[Desktop Action run]\nExec=/opt/z/zelkor\n" << false;
        QTest::newRow("hidden, as 1") << on + "Hidden=1\n" << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void entryReadAsTheSessionReadsIt()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, on);
        QCOMPARE(autostart::isOn(contents, QStringLiteral("/opt/z/zelkor")), on);
    }

    void unwritableConfigIsReported()
    {
        QTemporaryDir dir;
        const QString blocker = dir.path() + QStringLiteral("/config");
        QFile file(blocker); // a file where the folder should be
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const Outcome outcome =
            autostart::writeEntry(blocker + QStringLiteral("/autostart/zelkor.desktop"), program(), true);
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.error.contains(blocker));
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
