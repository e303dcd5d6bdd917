#include "guard/GuardSettings.h"

#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zelkor::guard
{

namespace
{
constexpr qint64 kMaxBytes = 16 * 1024;
} // namespace

QString filePath(const QString& settingsPath)
{
    return QFileInfo(settingsPath).dir().filePath(QStringLiteral("guard.inc"));
}

QByteArray format(const GuardSettings& settings)
{
    QByteArray bytes = "warn=" + QByteArray::number(settings.warnSeconds) + '\n';
    if (!settings.passwordHash.isEmpty())
        bytes += "password=" + settings.passwordHash + '\n';
    return bytes;
}

Loaded parse(const QByteArray& bytes, const QString& path)
{
    Loaded loaded;
    GuardSettings& settings = loaded.settings;
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF")) // an editor's byte order mark
        text.remove(0, 3);
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "warn") {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (ok && seconds >= 0 && seconds <= kMaxWarnSeconds)
                settings.warnSeconds = seconds;
        } else if (key == "password") {
            // Passed over, a password the user meant to set would be gone
            // unseen, and the next save would drop it for good.
            if (value.startsWith("$argon2id$"))
                settings.passwordHash = value;
            else
                loaded.problem = QStringLiteral("The password and warning file %1 holds a password "
                                                "that is not a password hash of this program.")
                                     .arg(path);
        }
    }
    return loaded;
}

Loaded read(const QString& path)
{
    const safefile::ReadResult result =
        safefile::readRegular(QStringLiteral("The password and warning file"), path, kMaxBytes);
    if (!result.bytes)
        return {GuardSettings{}, result.problem};
    return parse(*result.bytes, path);
}

Outcome write(const QString& path, const GuardSettings& settings)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::failure(file.errorString());
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!safefile::writeAll(file, format(settings))) {
        const QString why = file.errorString();
        file.cancelWriting();
        return Outcome::failure(why);
    }
    if (!file.commit())
        return Outcome::failure(file.errorString());
    return Outcome::success();
}

} // namespace zelkor::guard
