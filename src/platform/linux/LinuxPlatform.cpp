#include "platform/linux/LinuxPlatform.h"

#include "platform/linux/LinuxInhibitor.h"
#include "platform/linux/LinuxPower.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QUrl>

#include <ctime>

namespace zelkor {

std::unique_ptr<Platform> createLinuxPlatform() { return std::make_unique<LinuxPlatform>(); }

LinuxPlatform::LinuxPlatform() = default;
LinuxPlatform::~LinuxPlatform() = default;

QDateTime LinuxPlatform::now() const { return QDateTime::currentDateTime(); }

quint32 LinuxPlatform::tickCount() const
{
    // CLOCK_BOOTTIME keeps counting while the machine sleeps.
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const quint64 ms = quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u;
    return static_cast<quint32>(ms);
}

QRect LinuxPlatform::screenGeometry() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

Outcome LinuxPlatform::startDetached(const QString& program)
{
    const QFileInfo info(program);
    if (!info.exists())
        return Outcome::failure(QStringLiteral("%1 is missing.").arg(QDir::toNativeSeparators(program)));
    if (!info.isFile() || !info.isExecutable())
        return Outcome::failure(QStringLiteral("%1 is not an executable program.").arg(program));
    QProcess process;
    process.setProgram(info.absoluteFilePath());
    process.setWorkingDirectory(info.absolutePath());
    // The child must not inherit our standard streams' fate.
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached())
        return Outcome::failure(QStringLiteral("%1 could not be started.").arg(program));
    return Outcome::success();
}

Outcome LinuxPlatform::shellOpen(const QString& target)
{
    const QFileInfo info(target);
    if (info.isFile() && info.isExecutable())
        return startDetached(info.absoluteFilePath());
    const QUrl url = QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
    if (!url.isValid() || !QDesktopServices::openUrl(url))
        return Outcome::failure(QStringLiteral("Could not open %1.").arg(target));
    return Outcome::success();
}

bool LinuxPlatform::claimSingleInstance(const QString& lockPath)
{
    m_instanceLock = std::make_unique<QLockFile>(lockPath);
    m_instanceLock->setStaleLockTime(0); // a crashed instance's lock is taken over by pid check
    return m_instanceLock->tryLock(0);
}

} // namespace zelkor
