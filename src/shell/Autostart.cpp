#include "shell/Autostart.h"

#include "common/AppPaths.h"
#include "common/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

namespace zelkor::autostart {

namespace {
// Characters that make an Exec argument need quotes.
const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString kWhat = QStringLiteral("The autostart entry");
} // namespace

QString entryPath()
{
    return xdgBaseFolder("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config")) +
           QStringLiteral("/autostart/zelkor.desktop");
}

QString execValue(const QString& programPath)
{
    QString argument;
    bool quote = false;
    for (const QChar c : programPath) {
        if (kReserved.contains(c))
            quote = true;
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            argument += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            argument += QLatin1Char('%'); // not a field code
        argument += c;
    }
    if (quote)
        argument = QLatin1Char('"') + argument + QLatin1Char('"');
    // The value itself is a desktop-file string: its backslashes and control
    // characters are escaped once more.
    QString value;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QByteArray entryText(const QString& programPath, bool on)
{
    QByteArray text = QByteArrayLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Zelkor\n"
                                        "Comment=Shut down, restart or wake the computer on time\n");
    text += "Exec=" + execValue(programPath).toUtf8() + '\n';
    if (!on)
        text += "Hidden=true\n";
    return text;
}

bool isOn(const QByteArray& contents, const QString& programPath)
{
    // Read as the session reads it: a desktop's settings tool may add its
    // own keys (X-GNOME-Autostart-enabled=true) to an entry that still starts us.
    QString group;
    QMap<QString, QString> keys;
    for (QByteArray line : contents.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            group = QString::fromUtf8(line);
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (group != QLatin1String("[Desktop Entry]") || equals <= 0)
            continue;
        // A key written twice: the last counts, as for the session.
        keys.insert(QString::fromUtf8(line.left(equals).trimmed()), QString::fromUtf8(line.mid(equals + 1).trimmed()));
    }
    const auto isTrue = [&keys](const char* key, const char* unset) {
        const QString value = keys.value(QLatin1String(key), QLatin1String(unset));
        return value == QLatin1String("true") || value == QLatin1String("1");
    };
    return keys.value(QStringLiteral("Exec")) == execValue(programPath) && !isTrue("Hidden", "false") &&
           isTrue("X-GNOME-Autostart-enabled", "true");
}

std::optional<QByteArray> readEntry(const QString& path, QString* problem)
{
    const safefile::ReadResult result = safefile::readRegular(kWhat, path, 64 * 1024);
    if (problem)
        *problem = result.problem;
    return result.bytes;
}

Outcome writeEntry(const QString& path, const QString& programPath, bool on)
{
    if (const Outcome folder = makeUserFolder(QFileInfo(path).absolutePath()); !folder.ok)
        return folder;
    return safefile::replaceRegular(kWhat, path, entryText(programPath, on));
}

} // namespace zelkor::autostart
