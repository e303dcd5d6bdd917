#include "platform/linux/InstanceLock.h"

#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace zelkor {

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

InstanceLock::Result InstanceLock::claim(const QString& path)
{
    if (m_fd >= 0)
        return Result::Claimed;
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
        m_error = QStringLiteral("%1 is not a regular file").arg(path);
        return Result::Unusable;
    }
    // Close-on-exec: a helper or program we start must not carry the lock on
    // after we are gone. No links followed, never a terminal.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    if (fd < 0) {
        m_error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return Result::Unusable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Result::Held;
        m_error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
        return Result::Unusable;
    }
    m_fd = fd;
    // Whatever an earlier instance left here means nothing now.
    const QByteArray note = QByteArray::number(qint64(::getpid())) + '\n' +
                            QSysInfo::machineHostName().toUtf8() + "\nzelkor\n";
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, note.constData(), size_t(note.size()), 0);
    return Result::Claimed;
}

InstanceLock& InstanceLock::ofThisProcess()
{
    static InstanceLock lock;
    return lock;
}

qint64 InstanceLock::holder(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    // "1: FLOCK  ADVISORY  WRITE 4242 00:2d:131 0 EOF"; a waiter's line has "->" after the number.
    const QByteArray file = QString::asprintf("%02x:%02x:%llu", ::major(info.st_dev), ::minor(info.st_dev),
                                              static_cast<unsigned long long>(info.st_ino))
                                .toLatin1();
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields.at(1) == "FLOCK" && fields.at(5) == file)
            return fields.at(4).toLongLong();
    }
    return 0;
}

} // namespace zelkor
