#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelkor::safefile {

namespace {
// As many links as the kernel itself follows before it gives up.
constexpr int kMaxLinks = 40;

Kind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return Kind::Regular;
    if (S_ISDIR(mode))
        return Kind::Directory;
    if (S_ISFIFO(mode))
        return Kind::Fifo;
    if (S_ISSOCK(mode))
        return Kind::Socket;
    if (S_ISCHR(mode))
        return Kind::CharDevice;
    if (S_ISBLK(mode))
        return Kind::BlockDevice;
    return Kind::Unknown;
}

QString kindText(Kind kind)
{
    switch (kind) {
    case Kind::Directory:
        return QStringLiteral("a folder");
    case Kind::Fifo:
        return QStringLiteral("a FIFO (named pipe)");
    case Kind::Socket:
        return QStringLiteral("a socket");
    case Kind::CharDevice:
        return QStringLiteral("a character device");
    case Kind::BlockDevice:
        return QStringLiteral("a block device");
    default:
        return QStringLiteral("something other than a file");
    }
}

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The next step of a link: its text, taken from the link's own folder when relative.
std::optional<QString> linkStep(const QString& link)
{
    const QByteArray name = QFile::encodeName(link);
    QByteArray text(4096, Qt::Uninitialized);
    const ssize_t size = ::readlink(name.constData(), text.data(), size_t(text.size()));
    if (size < 0 || size >= text.size())
        return std::nullopt;
    const QString step = QFile::decodeName(text.left(size));
    if (QDir::isAbsolutePath(step))
        return step;
    return QFileInfo(link).path() + QLatin1Char('/') + step;
}

bool mayBeReplaced(Kind kind) { return kind == Kind::Regular || kind == Kind::Missing; }
} // namespace

Entry inspect(const QString& path)
{
    Entry entry;
    QString at = path;
    for (int step = 0; step <= kMaxLinks; ++step) {
        entry.target = at;
        struct stat info {};
        if (::lstat(QFile::encodeName(at).constData(), &info) != 0) {
            if (errno == ENOENT) {
                entry.kind = Kind::Missing; // a dangling link ends here too
            } else {
                entry.kind = Kind::Unknown;
                entry.error = errnoText(errno);
            }
            return entry;
        }
        if (!S_ISLNK(info.st_mode)) {
            entry.kind = kindOf(info.st_mode);
            return entry;
        }
        entry.viaLink = true;
        const std::optional<QString> next = linkStep(at);
        if (!next) {
            entry.kind = Kind::Unknown;
            entry.error = QStringLiteral("its link cannot be read");
            return entry;
        }
        at = *next;
    }
    entry.kind = Kind::Unknown;
    entry.error = errnoText(ELOOP);
    return entry;
}

QString refusal(const QString& what, const QString& path, const Entry& entry)
{
    if (mayBeReplaced(entry.kind))
        return {};
    const QString shown = QDir::toNativeSeparators(path);
    if (entry.kind == Kind::Unknown)
        return QStringLiteral("%1 %2 cannot be looked at: %3.").arg(what, shown, entry.error);
    if (entry.viaLink)
        return QStringLiteral("%1 %2 leads to %3, which is %4, not a regular file, so it is left "
                              "alone.")
            .arg(what, shown, QDir::toNativeSeparators(entry.target), kindText(entry.kind));
    return QStringLiteral("%1 %2 is %3, not a regular file, so it is left alone.")
        .arg(what, shown, kindText(entry.kind));
}

ReadResult readRegular(const QString& what, const QString& path, qint64 maxBytes)
{
    const Entry entry = inspect(path);
    if (entry.kind == Kind::Missing)
        return {};
    if (entry.kind != Kind::Regular)
        return {std::nullopt, refusal(what, path, entry)};
    // Not blocking, and looked at once more through the open file: whatever
    // was put there after the look above is still never read.
    const int fd = ::open(QFile::encodeName(entry.target).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        return {std::nullopt, QStringLiteral("%1 %2 cannot be read: %3.")
                                  .arg(what, QDir::toNativeSeparators(path), errnoText(errno))};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        Entry raced = entry;
        raced.kind = kindOf(info.st_mode);
        ::close(fd);
        return {std::nullopt, refusal(what, path, raced)};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {std::nullopt, QStringLiteral("%1 %2 cannot be read.").arg(what, path)};
    }
    return {file.read(maxBytes), {}};
}

bool writeAll(QSaveFile& file, const QByteArray& bytes)
{
    return file.write(bytes) == bytes.size() && file.flush();
}

Outcome replaceRegular(const QString& what, const QString& path, const QByteArray& bytes)
{
    const Entry entry = inspect(path);
    if (!mayBeReplaced(entry.kind))
        return Outcome::failure(refusal(what, path, entry));
    const auto failed = [&](const QString& why) {
        return Outcome::failure(QStringLiteral("%1 %2 could not be written: %3")
                                    .arg(what, QDir::toNativeSeparators(path), why));
    };
    // Written at the link's end, so the link stays where the user put it.
    QSaveFile file(entry.target);
    file.setDirectWriteFallback(true); // a folder in which only the file may be written
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    if (!writeAll(file, bytes)) {
        const QString why = file.errorString();
        file.cancelWriting();
        return failed(why);
    }
    // Looked at again just before the rename: something other than a file may
    // have been put there meanwhile, and the rename would replace it.
    Entry now = inspect(entry.target);
    if (now.viaLink || !mayBeReplaced(now.kind)) {
        file.cancelWriting(); // the unfinished copy goes with the object
        if (now.viaLink)
            return Outcome::failure(
                QStringLiteral("%1 %2 was changed while it was being written, so it is left alone.")
                    .arg(what, QDir::toNativeSeparators(path)));
        now.viaLink = entry.viaLink;
        return Outcome::failure(refusal(what, path, now));
    }
    if (!file.commit())
        return failed(file.errorString());
    return Outcome::success();
}

} // namespace zelkor::safefile
