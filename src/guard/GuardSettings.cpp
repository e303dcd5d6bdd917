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

GuardSettings parse(const QByteArray& bytes)
{
    GuardSettings settings;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (key == "warn") {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (ok && seconds >= 0 && seconds <= kMaxWarnSeconds)
                settings.warnSeconds = seconds;
        } else if (key == "password" && value.startsWith("$argon2id$")) {
            settings.passwordHash = value;
        }
    }
    return settings;
}

Loaded read(const QString& path)
{
    const safefile::ReadResult result =
        safefile::readRegular(QStringLiteral("The password and warning file"), path, kMaxBytes);
    return {result.bytes ? parse(*result.bytes) : GuardSettings{}, result.problem};
}

Outcome write(const QString& path, const GuardSettings& settings)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::failure(file.errorString());
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    file.write(format(settings));
    if (!file.commit())
        return Outcome::failure(file.errorString());
    return Outcome::success();
}

} // namespace zelkor::guard
