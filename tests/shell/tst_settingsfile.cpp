#include "common/ActionKind.h"
#include "common/DateText.h"
#include "common/DayNumber.h"
#include "shell/SettingsFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace zelkor;
using settings::SettingsRecord;

namespace {
SettingsRecord fullRecord()
{
    SettingsRecord r;
    r.timer.modes = {false, false, true, false};
    r.timer.pickers = {QDateTime(daynum::kEpoch, QTime(2, 0, 0)), QDateTime(daynum::kEpoch, QTime(0, 30, 0)),
                       QDateTime(daynum::kEpoch, QTime(2, 7, 0)), QDateTime(QDate(2026, 12, 6), QTime(15, 19, 12)),
                       QDateTime(QDate(2026, 12, 6), QTime(0, 0))};
    r.timer.force = true;
    r.timer.action = 9;
    r.startInTray = true;
    r.startHidden = false;
    return r;
}

QList<QByteArray> linesOf(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void writesThirteenLinesByteForByte()
    {
        const QByteArray bytes = settings::format(fullRecord());
        const QByteArray expected = "False\r\nFalse\r\nTrue\r\nFalse\r\n"
                                    "02:00:00\r\n00:30:00\r\n02:07:00\r\n"
                                    "6 Dec 2026 15:19:12\r\n6 Dec 2026\r\n"
                                    " 1\r\n 1\r\n 0\r\n 9\r\n";
        QCOMPARE(bytes, expected);
    }

    void readsBackWhatItWrote()
    {
        const SettingsRecord written = fullRecord();
        const SettingsRecord read = settings::parse(settings::format(written));
        QCOMPARE(read.timer.modes, written.timer.modes);
        QCOMPARE(read.timer.pickers, written.timer.pickers);
        QCOMPARE(read.timer.force, written.timer.force);
        QCOMPARE(read.timer.action, written.timer.action);
        QCOMPARE(read.startInTray, written.startInTray);
        QCOMPARE(read.startHidden, written.startHidden);
    }

    void dateTimeLinesReadBack_data()
    {
        QTest::addColumn<QDateTime>("value");
        QTest::newRow("time alone") << QDateTime(daynum::kEpoch, QTime(23, 59, 59));
        QTest::newRow("date at midnight") << QDateTime(QDate(2031, 2, 28), QTime(0, 0));
        QTest::newRow("date and time") << QDateTime(QDate(2026, 3, 29), QTime(1, 2, 3));
        QTest::newRow("early date") << QDateTime(QDate(1900, 1, 1), QTime(12, 0, 0));
        QTest::newRow("day before the epoch") << QDateTime(QDate(1899, 12, 29), QTime(6, 0, 0));
        QTest::newRow("year 26") << QDateTime(QDate(26, 12, 6), QTime(15, 19, 12));
        QTest::newRow("after the autumn change") << QDateTime(QDate(2026, 10, 25), QTime(2, 30, 0));
    }
    void dateTimeLinesReadBack()
    {
        QFETCH(QDateTime, value);
        SettingsRecord r;
        r.timer.pickers[3] = value;
        const SettingsRecord read = settings::parse(settings::format(r));
        QVERIFY(read.timer.pickers[3]);
        // The same wall-clock value, which is what a picker holds.
        QCOMPARE(read.timer.pickers[3]->date(), value.date());
        QCOMPARE(read.timer.pickers[3]->time(), value.time());
        QCOMPARE(daynum::fromDateTime(*read.timer.pickers[3]), daynum::fromDateTime(value));
    }

    void modeLinesSelectTheLastTrueMode_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("mode"); // -1: none
        QTest::newRow("Windows Run") << QByteArray("False\r\nFalse\r\nTrue\r\nFalse\r\n") << 2;
        QTest::newRow("words in any case") << QByteArray("false\r\nTRUE\r\nfalse\r\nfalse\r\n") << 1;
        QTest::newRow("two true lines: the later wins") << QByteArray("True\r\nFalse\r\nFalse\r\nTrue\r\n") << 3;
        QTest::newRow("a number is a Boolean too") << QByteArray("0\r\n-1\r\n0\r\n0\r\n") << 1;
        QTest::newRow("none") << QByteArray("False\r\nFalse\r\nFalse\r\nFalse\r\n") << -1;
        QTest::newRow("unreadable words are skipped") << QByteArray("yes\r\nno\r\n\r\nTrue\r\n") << 3;
    }
    void modeLinesSelectTheLastTrueMode()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, mode);
        const std::optional<int> selected = selectedMode(settings::parse(file).timer);
        QCOMPARE(selected.value_or(-1), mode);
    }

    void booleanLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("expected"); // -1: no value
        QTest::newRow("True") << "True" << 1;
        QTest::newRow("False with blanks") << "  False \t" << 0;
        QTest::newRow("minus one") << "-1" << 1;
        QTest::newRow("zero") << " 0" << 0;
        QTest::newRow("word") << "Yes" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("not a number") << "nan" << -1;
        QTest::newRow("True with tail") << "Truex" << -1;
    }
    void booleanLine()
    {
        QFETCH(QString, line);
        QFETCH(int, expected);
        const std::optional<bool> value = settings::booleanLine(line);
        QCOMPARE(value ? int(*value) : -1, expected);
    }

    void numberLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("check"); // -1: no value
        QTest::newRow("with its blank") << " 1" << 1.0 << 1;
        QTest::newRow("without a blank") << "1" << 1.0 << 1;
        QTest::newRow("zero") << " 0" << 0.0 << 0;
        QTest::newRow("a letter reads 0") << "x" << 0.0 << 0;
        QTest::newRow("letters after the number") << "  1abc" << 1.0 << 1;
        QTest::newRow("tab before") << "\t1" << 1.0 << 1;
        QTest::newRow("plus sign") << "+1" << 1.0 << 1;
        QTest::newRow("exponent") << "1e0" << 1.0 << 1;
        QTest::newRow("old exponent letter") << "1D0" << 1.0 << 1;
        QTest::newRow("dangling exponent") << "1e" << 1.0 << 1;
        QTest::newRow("half rounds to even 0") << "0.5" << 0.5 << 0;
        QTest::newRow("one and a half rounds to 2") << "1.5" << 1.5 << -1;
        QTest::newRow("point four") << ".4" << 0.4 << 0;
        QTest::newRow("two is no check value") << " 2" << 2.0 << -1;
        QTest::newRow("negative") << "-1" << -1.0 << -1;
        QTest::newRow("sign alone") << "-" << 0.0 << 0;
        QTest::newRow("empty line keeps the box") << "" << 0.0 << -1;
        QTest::newRow("blank line keeps the box") << "   " << 0.0 << -1;
        QTest::newRow("huge") << "99999999999999999999999" << 1e23 << -1;
    }
    void numberLines()
    {
        QFETCH(QString, line);
        QFETCH(double, number);
        QFETCH(int, check);
        QCOMPARE(settings::leadingNumber(line), number);
        const std::optional<bool> value = settings::checkLine(line);
        QCOMPARE(value ? int(*value) : -1, check);
    }

    void overflowingNumbersKeepTheirSign()
    {
        QVERIFY(std::isinf(settings::leadingNumber(u"1e999")));
        QVERIFY(settings::leadingNumber(u"-1e999") < 0);
        QCOMPARE(settings::checkLine(u"1e999"), std::optional<bool>());
        QCOMPARE(settings::actionLine(u"-1e999"), std::optional<int>());
    }

    void actionLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("action"); // -1: no value
        QTest::newRow("nine") << " 9" << 9;
        QTest::newRow("nine without blank") << "9" << 9;
        QTest::newRow("one") << " 1" << 1;
        QTest::newRow("rounded up") << "8.6" << 9;
        QTest::newRow("zero") << " 0" << -1;
        QTest::newRow("ten") << " 10" << -1;
        QTest::newRow("letter") << "x" << -1;
    }
    void actionLine()
    {
        QFETCH(QString, line);
        QFETCH(int, action);
        QCOMPARE(settings::actionLine(line).value_or(-1), action);
    }

    void line13NineIsOpenAFileOrUrl()
    {
        QByteArray file;
        for (int i = 0; i < 12; ++i)
            file += "\r\n";
        file += " 9\r\n";
        const SettingsRecord r = settings::parse(file);
        QCOMPARE(r.timer.action, std::optional<int>(9));
        QCOMPARE(actionName(*r.timer.action), QStringLiteral("Open a file or URL"));
    }

    void shortFileLeavesTheRestEmpty()
    {
        const SettingsRecord r = settings::parse("True\r\nFalse\r\nFalse");
        QCOMPARE(r.timer.modes[0], std::optional<bool>(true));
        QCOMPARE(r.timer.modes[2], std::optional<bool>(false)); // last line without its end
        QVERIFY(!r.timer.modes[3]);
        for (const auto& picker : r.timer.pickers)
            QVERIFY(!picker);
        QVERIFY(!r.timer.force && !r.startInTray && !r.startHidden && !r.timer.action);
    }

    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("ending");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR") << QByteArray("\r");
    }
    void lineEnds()
    {
        QFETCH(QByteArray, ending);
        QByteArray file = settings::format(fullRecord());
        file.replace("\r\n", ending);
        const SettingsRecord r = settings::parse(file);
        QCOMPARE(r.timer.action, std::optional<int>(9));
        QCOMPARE(r.startInTray, std::optional<bool>(true));
        QCOMPARE(r.timer.pickers[3], fullRecord().timer.pickers[3]);
    }

    void missingValuesKeepTheLinesInPlace()
    {
        SettingsRecord r = fullRecord();
        r.timer.modes = {};
        r.timer.pickers = {};
        r.timer.action.reset();
        const QByteArray bytes = settings::format(r);
        QCOMPARE(bytes, QByteArray("\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n 1\r\n 1\r\n 0\r\n"));
        const SettingsRecord read = settings::parse(bytes);
        QVERIFY(!read.timer.modes[0] && !read.timer.pickers[0]);
        QCOMPARE(read.timer.force, std::optional<bool>(true));
        QCOMPARE(read.startInTray, std::optional<bool>(true));
        QCOMPARE(read.startHidden, std::optional<bool>(false));
    }

    void onlyThirteenLinesAreRead()
    {
        QByteArray file = settings::format(fullRecord());
        file += "True\r\n 1\r\n";
        QCOMPARE(linesOf(file).size(), 15);
        QCOMPARE(settings::parse(file).timer.action, std::optional<int>(9));
    }

    void fileRoundTripAndMissingFile()
    {
        QTemporaryDir dir;
        const QString path = settings::filePath(dir.path());
        QCOMPARE(path, dir.path() + QStringLiteral("/last.inc"));
        QVERIFY(!settings::read(path));
        QVERIFY(settings::write(path, fullRecord()).ok);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), settings::format(fullRecord()));
        const std::optional<SettingsRecord> read = settings::read(path);
        QVERIFY(read);
        QCOMPARE(read->timer.action, std::optional<int>(9));
    }

    void failedWriteIsToldNotSwallowed()
    {
        QTemporaryDir dir;
        const QString path = settings::filePath(dir.path() + QStringLiteral("/gone"));
        const Outcome outcome = settings::write(path, fullRecord());
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.error.contains(path));
        QVERIFY(!QFile::exists(path));
    }

    void harmlessInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("only line ends") << QByteArray(40, '\n');
        QTest::newRow("NUL bytes") << QByteArray(300, '\0');
        QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe\xc3\x28True\r\n\xe2\x82\r\n");
        QTest::newRow("one huge line") << QByteArray(200000, '7');
        QTest::newRow("date garbage") << QByteArray("\r\n\r\n\r\n\r\n99/99/9999 99:99:99\r\n-\r\n:\r\n/\r\n 1/1\r\n");
        QByteArray random(4096, Qt::Uninitialized);
        QRandomGenerator generator(20261207);
        for (char& c : random)
            c = char(generator.bounded(256));
        QTest::newRow("random bytes") << random;
    }
    void harmlessInput()
    {
        QFETCH(QByteArray, bytes);
        const SettingsRecord r = settings::parse(bytes);
        if (r.timer.action)
            QVERIFY(*r.timer.action >= 1 && *r.timer.action <= 9);
        for (const auto& picker : r.timer.pickers)
            QVERIFY(!picker || picker->isValid());
        // And from a file, where only the first part of a large one is read.
        QTemporaryDir dir;
        QFile file(settings::filePath(dir.path()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QVERIFY(settings::read(file.fileName()).has_value());
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
