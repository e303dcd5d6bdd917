#include "common/Placement.h"
#include "shell/ClockText.h"

#include <QTest>

using namespace zelkor;

class TestClockText : public QObject {
    Q_OBJECT
private slots:
    void uptime_data()
    {
        QTest::addColumn<quint64>("uptimeMs");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << quint64(0) << "0 hours 00 minutes ";
        QTest::newRow("27 hours 7 minutes") << quint64(27 * 3600000 + 7 * 60000 + 59999)
                                           << "27 hours 07 minutes ";
        QTest::newRow("59 minutes") << quint64(59 * 60000) << "0 hours 59 minutes ";
        // A laptop that only ever sleeps runs past 2^32 ms (49.7 days).
        QTest::newRow("2^32 ms less one") << quint64(0xFFFFFFFFu) << "1193 hours 02 minutes ";
        QTest::newRow("2^32 ms and a minute") << quint64(0x100000000ull + 61000) << "1193 hours 03 minutes ";
        QTest::newRow("a year") << quint64(365) * 86400000 << "8760 hours 00 minutes ";
    }
    void uptime()
    {
        QFETCH(quint64, uptimeMs);
        QFETCH(QString, text);
        QCOMPARE(uptimeText(uptimeMs), text);
    }

    void clockEndsWithTwoBlanksAndTheDayName_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("day");
        QTest::newRow("sunday") << QDate(2026, 12, 6) << "  Sun";
        QTest::newRow("monday") << QDate(2026, 12, 7) << "  Mon";
        QTest::newRow("saturday") << QDate(2026, 12, 12) << "  Sat";
    }
    void clockEndsWithTwoBlanksAndTheDayName()
    {
        QFETCH(QDate, date);
        QFETCH(QString, day);
        const QString text = clockText(QDateTime(date, QTime(15, 19, 12)));
        QVERIFY2(text.endsWith(day), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("15:19:12")), qPrintable(text));
        QVERIFY2(text.contains(QString::number(date.year())), qPrintable(text));
    }

    void goldenPlacement_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("topLeft");
        // centre y = 0.381966 * height
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1080) << QSize(540, 400) << QPoint(690, 213);
        QTest::newRow("1024x768") << QRect(0, 0, 1024, 768) << QSize(300, 200) << QPoint(362, 193);
        QTest::newRow("offset screen") << QRect(1920, 0, 1280, 1024) << QSize(400, 300)
                                       << QPoint(1920 + 440, 241);
        // Too large to centre: kept on the screen, the title bar in reach.
        QTest::newRow("taller than the golden room") << QRect(0, 0, 800, 600) << QSize(600, 560) << QPoint(100, 0);
        QTest::newRow("larger than the screen") << QRect(0, 0, 800, 600) << QSize(1196, 900) << QPoint(0, 0);
        QTest::newRow("larger, offset screen") << QRect(1920, 0, 800, 600) << QSize(1000, 700) << QPoint(1920, 0);
    }
    void goldenPlacement()
    {
        QFETCH(QRect, screen);
        QFETCH(QSize, window);
        QFETCH(QPoint, topLeft);
        QCOMPARE(zelkor::goldenPlacement(screen, window), topLeft);
    }
};

QTEST_GUILESS_MAIN(TestClockText)
#include "tst_clocktext.moc"
