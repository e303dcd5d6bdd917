#include "platform/linux/LinuxPlatform.h"

#include "platform/linux/ChildProcesses.h"
#include "platform/linux/LinuxInhibitor.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/ShellTarget.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <ctime>

namespace zelkor {

namespace {
// A helper's end in its own words: it says on stderr what it could not do and why.
Outcome helperOutcome(const QString& name, const ChildEnd& end)
{
    if (!end.crashed && end.exitCode == 0)
        return Outcome::success();
    QStringList lines;
    for (const QString& line : QString::fromLocal8Bit(end.errorText).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    if (end.crashed)
        lines << QStringLiteral("The helper %1 stopped unexpectedly (signal %2).").arg(name).arg(end.signal);
    else if (lines.isEmpty())
        lines << QStringLiteral("The helper %1 failed (exit status %2) without saying why.")
                     .arg(name)
                     .arg(end.exitCode);
    return Outcome::failure(lines.join(QLatin1Char('\n')));
}

// For what is not watched to its end: told from the event loop, never while
// the starter still waits for the start.
void endWellLater(const Platform::ProgramEnded& ended)
{
    if (ended)
        QTimer::singleShot(0, [ended] { ended(Outcome::success()); });
}

// xdg-open's exit statuses, in plain words.
Outcome openerOutcome(const QString& target, const ChildEnd& end)
{
    if (!end.crashed && end.exitCode == 0)
        return Outcome::success();
    QString why;
    switch (end.crashed ? -1 : end.exitCode) {
    case 1:
        why = QStringLiteral("the request was not understood.");
        break;
    case 2:
        why = QStringLiteral("it does not exist.");
        break;
    case 3:
        why = QStringLiteral("a program it needs is not installed.");
        break;
    case 4:
        why = QStringLiteral("no program is set to open it, or that program failed.");
        break;
    default:
        why = end.crashed ? QStringLiteral("its opener stopped unexpectedly.")
                          : QStringLiteral("its opener ended with exit status %1.").arg(end.exitCode);
    }
    return Outcome::failure(QStringLiteral("The desktop could not open %1: %2").arg(target, why));
}

Outcome noSuchTarget(const QString& target)
{
    return Outcome::failure(
        QStringLiteral("%1 cannot be opened: there is no such file or web address.").arg(target));
}
} // namespace

std::unique_ptr<Platform> createLinuxPlatform() { return std::make_unique<LinuxPlatform>(); }

LinuxPlatform::LinuxPlatform() = default;
LinuxPlatform::~LinuxPlatform() = default;

QDateTime LinuxPlatform::now() const { return QDateTime::currentDateTime(); }

quint64 LinuxPlatform::uptimeMs() const
{
    // CLOCK_BOOTTIME keeps counting while the machine sleeps.
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u;
}

quint64 LinuxPlatform::asleepMs() const
{
    // CLOCK_MONOTONIC stops while the machine sleeps; the boot clock does not.
    timespec awake{};
    clock_gettime(CLOCK_MONOTONIC, &awake);
    const quint64 awakeMs = quint64(awake.tv_sec) * 1000u + quint64(awake.tv_nsec) / 1000000u;
    const quint64 sinceBoot = uptimeMs();
    return sinceBoot > awakeMs ? sinceBoot - awakeMs : 0;
}

QRect LinuxPlatform::screenGeometry() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

ChildProcesses& LinuxPlatform::children()
{
    if (!m_children)
        m_children = std::make_unique<ChildProcesses>();
    return *m_children;
}

Outcome LinuxPlatform::startHelper(const QString& program, ProgramEnded ended)
{
    const QFileInfo info(program);
    if (!info.exists())
        return Outcome::failure(QStringLiteral("%1 is missing.").arg(QDir::toNativeSeparators(program)));
    if (!info.isFile() || !info.isExecutable())
        return Outcome::failure(QStringLiteral("%1 is not an executable program.").arg(program));
    return children().start(info.absoluteFilePath(), {}, info.absolutePath(), true,
                             [name = info.fileName(), ended](const ChildEnd& end) {
                                 if (ended)
                                     ended(helperOutcome(name, end));
                             });
}

Outcome LinuxPlatform::findOpenTarget(const QString& target) const
{
    // Blank names the working folder, which nobody means.
    if (target.trimmed().isEmpty())
        return Outcome::failure(
            QStringLiteral("Nothing to open: type a program, file or web address."));
    if (classifyShellTarget(target, QDir::currentPath()).kind == ShellTarget::Kind::Missing)
        return noSuchTarget(target);
    return Outcome::success();
}

Outcome LinuxPlatform::shellOpen(const QString& target, ProgramEnded ended)
{
    const ShellTarget how = classifyShellTarget(target, QDir::currentPath());
    switch (how.kind) {
    case ShellTarget::Kind::Missing:
        return noSuchTarget(target);
    case ShellTarget::Kind::Program: {
        // The user's own program: started and left to itself, like one
        // started from the desktop; how it ends is its own business.
        const Outcome started =
            children().start(how.path, {}, QFileInfo(how.path).absolutePath(), false, {});
        if (started.ok)
            endWellLater(ended);
        return started;
    }
    case ShellTarget::Kind::Document:
        return openWithDesktop(target, QUrl::fromLocalFile(how.path), how.path, std::move(ended));
    case ShellTarget::Kind::Address:
        return openWithDesktop(target, how.url, how.url.toString(QUrl::FullyEncoded),
                               std::move(ended));
    }
    return Outcome::success();
}

Outcome LinuxPlatform::openWithDesktop(const QString& target, const QUrl& url,
                                       const QString& argument, ProgramEnded ended)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        // No xdg-open: Qt's own search for the desktop's handler, which
        // cannot say more than whether it found one.
        if (!QDesktopServices::openUrl(url))
            return Outcome::failure(
                QStringLiteral("The desktop has no program to open %1 (xdg-open is not installed).")
                    .arg(target));
        endWellLater(ended);
        return Outcome::success();
    }
    // The opener's stderr stays ours: the program it starts inherits it and
    // may write there long after the opener has ended.
    return children().start(opener, {argument}, QString(), false,
                             [target, ended](const ChildEnd& end) {
                                 if (ended)
                                     ended(openerOutcome(target, end));
                             });
}

bool LinuxPlatform::claimSingleInstance(const QString& lockPath)
{
    switch (m_instanceLock.claim(lockPath)) {
    case InstanceLock::Result::Claimed:
        return true;
    case InstanceLock::Result::Held:
        return false;
    case InstanceLock::Result::Unusable:
        break;
    }
    // Better two instances than none: a lock that cannot be made must not
    // keep the program from starting.
    qWarning("Zelkor cannot make sure it runs only once: %s", qPrintable(m_instanceLock.error()));
    return true;
}

} // namespace zelkor
