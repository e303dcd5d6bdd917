#include "shell/SettingsFile.h"

#include "common/ActionKind.h"
#include "common/DateText.h"
#include "common/SafeFile.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace zelkor::settings {

namespace {
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QString kWhat = QStringLiteral("The settings file");

QByteArray booleanText(bool value) { return value ? QByteArrayLiteral("True") : QByteArrayLiteral("False"); }

// Numbers go out with one blank in the place of the sign.
QByteArray numberText(int value)
{
    const QByteArray digits = QByteArray::number(value);
    return value < 0 ? digits : ' ' + digits;
}

template <typename T, typename F>
std::optional<QByteArray> textOf(const std::optional<T>& value, F&& toText)
{
    if (!value)
        return std::nullopt;
    return toText(*value);
}

// Lines end with CR LF as written; a bare LF or CR is taken as an end too.
QStringList splitLines(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size() && lines.size() < kLineCount; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines << QString::fromUtf8(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size() && lines.size() < kLineCount)
        lines << QString::fromUtf8(bytes.mid(start)); // a last line without its end
    return lines;
}

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

std::optional<qint64> roundedInteger(QStringView line)
{
    if (line.trimmed().isEmpty())
        return std::nullopt; // no value written: keep the control
    const double value = std::nearbyint(leadingNumber(line)); // half to even
    if (!std::isfinite(value) || std::fabs(value) > 1e15)
        return std::nullopt;
    return static_cast<qint64>(value);
}
} // namespace

QString filePath(const QString& programDir) { return programDir + QStringLiteral("/last.inc"); }

QByteArray format(const SettingsRecord& record)
{
    const TimerTabState& t = record.timer;
    std::array<std::optional<QByteArray>, kLineCount> lines;
    for (int i = 0; i < 4; ++i)
        lines[i] = textOf(t.modes[i], booleanText);
    for (int i = 0; i < 5; ++i)
        lines[4 + i] = textOf(t.pickers[i], [](const QDateTime& v) { return datetext::general(v).toUtf8(); });
    const auto checkText = [](bool v) { return numberText(v ? 1 : 0); };
    lines[9] = textOf(t.force, checkText);
    lines[10] = textOf(record.startInTray, checkText);
    lines[11] = textOf(record.startHidden, checkText);
    lines[12] = textOf(t.action, numberText);

    int count = kLineCount;
    while (count > 0 && !lines[count - 1])
        --count;
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += lines[i].value_or(QByteArray()) + kLineEnd;
    return bytes;
}

SettingsRecord parse(const QByteArray& bytes)
{
    const QStringList lines = splitLines(bytes);
    const auto line = [&lines](int i) { return i < lines.size() ? QStringView(lines.at(i)) : QStringView(); };
    SettingsRecord record;
    for (int i = 0; i < 4 && i < lines.size(); ++i)
        record.timer.modes[i] = booleanLine(line(i));
    for (int i = 0; i < 5 && 4 + i < lines.size(); ++i)
        record.timer.pickers[i] = dateTimeLine(line(4 + i));
    if (lines.size() > 9)
        record.timer.force = checkLine(line(9));
    if (lines.size() > 10)
        record.startInTray = checkLine(line(10));
    if (lines.size() > 11)
        record.startHidden = checkLine(line(11));
    if (lines.size() > 12)
        record.timer.action = actionLine(line(12));
    return record;
}

Outcome write(const QString& path, const SettingsRecord& record)
{
    return safefile::replaceRegular(kWhat, path, format(record));
}

std::optional<SettingsRecord> read(const QString& path, QString* problem)
{
    const safefile::ReadResult result = safefile::readRegular(kWhat, path, kMaxReadBytes);
    if (problem)
        *problem = result.problem;
    if (!result.bytes)
        return result.problem.isEmpty() ? std::nullopt : std::optional(SettingsRecord{});
    return parse(*result.bytes);
}

std::optional<bool> booleanLine(QStringView line)
{
    const QStringView text = line.trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = QLocale::c().toDouble(text, &ok);
    if (ok && std::isfinite(number))
        return number != 0.0;
    return std::nullopt;
}

double leadingNumber(QStringView line)
{
    qsizetype i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    const qsizetype start = i;
    const auto digitAt = [&line](qsizetype at) { return at < line.size() && line[at].isDigit() && line[at].unicode() < 128; };
    if (i < line.size() && (line[i] == QLatin1Char('+') || line[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (digitAt(i)) {
        ++i;
        ++digits;
    }
    if (i < line.size() && line[i] == QLatin1Char('.')) {
        ++i;
        while (digitAt(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < line.size() && QStringLiteral("eEdD").contains(line[i])) {
        qsizetype e = i + 1;
        if (e < line.size() && (line[e] == QLatin1Char('+') || line[e] == QLatin1Char('-')))
            ++e;
        if (digitAt(e)) {
            while (digitAt(e))
                ++e;
            end = e;
        }
    }
    QString number = line.mid(start, end - start).toString();
    number.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    if (number.endsWith(QLatin1Char('.')))
        number.chop(1);
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (ok)
        return value;
    // Out of range: the sign of an overflowing number still counts.
    return number.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL;
}

std::optional<bool> checkLine(QStringView line)
{
    const std::optional<qint64> value = roundedInteger(line);
    if (value == 0 || value == 1)
        return *value == 1;
    return std::nullopt;
}

std::optional<int> actionLine(QStringView line)
{
    const std::optional<qint64> value = roundedInteger(line);
    if (value && *value >= 1 && *value <= actionNames().size())
        return int(*value);
    return std::nullopt;
}

std::optional<QDateTime> dateTimeLine(QStringView line)
{
    const QDateTime value = datetext::parseGeneral(line.toString());
    if (!value.isValid())
        return std::nullopt;
    return value;
}

} // namespace zelkor::settings
