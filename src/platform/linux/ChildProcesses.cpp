#include "platform/linux/ChildProcesses.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zelkor {

namespace {
// Why a program that is there could not be started: for ENOENT its "#!"
// line names an interpreter that is not (the system's word names the script).
QString whyNotStarted(const QString& program, int error)
{
    QFile file(program);
    if (error == ENOENT && file.open(QIODevice::ReadOnly)) {
        if (const QByteArray head = file.readLine(256).trimmed(); head.startsWith("#!")) {
            const QString interpreter =
                QString::fromLocal8Bit(head.mid(2).trimmed()).section(QLatin1Char(' '), 0, 0);
            return QStringLiteral("its interpreter %1 is not installed.").arg(interpreter);
        }
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

// A helper says why it failed in a few lines; more is not kept.
constexpr qsizetype kMaxErrorBytes = 8 * 1024;
// Where the kernel offers no process descriptor, how often to look for the end.
constexpr int kPollMs = 100;

int openPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid, 0));
#else
    Q_UNUSED(pid);
    errno = ENOSYS;
    return -1;
#endif
}

// Everything posix_spawn needs, released however the start ends.
struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};
} // namespace

struct ChildProcesses::Child {
    pid_t pid = -1;
    int errorFd = -1; // our end of its stderr, when captured
    int pidFd = -1;
    std::unique_ptr<QSocketNotifier> errorNotifier;
    std::unique_ptr<QSocketNotifier> endNotifier;
    std::unique_ptr<QTimer> endPoll; // where there is no pidFd
    QByteArray errorText;
    Ended ended;

    ~Child()
    {
        errorNotifier.reset();
        endNotifier.reset();
        if (errorFd >= 0)
            ::close(errorFd);
        if (pidFd >= 0)
            ::close(pidFd);
    }
};

ChildProcesses::ChildProcesses(QObject* parent) : QObject(parent) {}

// Children still running are left to run; their descriptors close here.
ChildProcesses::~ChildProcesses() = default;

Outcome ChildProcesses::start(const QString& program, const QStringList& arguments,
                              const QString& workingDir, bool captureErrors, Ended ended)
{
    const QString shown = QDir::toNativeSeparators(program);
    int errorPipe[2] = {-1, -1};
    if (captureErrors && ::pipe2(errorPipe, O_CLOEXEC) != 0)
        return Outcome::failure(QStringLiteral("%1 could not be started: %2")
                                    .arg(shown, QString::fromLocal8Bit(std::strerror(errno))));

    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (captureErrors)
        posix_spawn_file_actions_adddup2(&setup.actions, errorPipe[1], STDERR_FILENO);
    const QByteArray dir = QFile::encodeName(workingDir);
    if (!workingDir.isEmpty())
        posix_spawn_file_actions_addchdir_np(&setup.actions, dir.constData());
    // Its own session, default signal handling and nothing blocked, as a
    // program started from the desktop would have.
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setflags(&setup.attributes,
                             POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);

    QList<QByteArray> argumentBytes{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        argumentBytes.append(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argv.front(), &setup.actions, &setup.attributes,
                                    argv.data(), environ);
    if (captureErrors)
        ::close(errorPipe[1]);
    if (error != 0) {
        if (captureErrors)
            ::close(errorPipe[0]);
        return Outcome::failure(QStringLiteral("%1 could not be started: %2")
                                    .arg(shown, whyNotStarted(program, error)));
    }

    auto child = std::make_unique<Child>();
    Child* watched = child.get();
    child->pid = pid;
    child->ended = std::move(ended);
    if (captureErrors) {
        child->errorFd = errorPipe[0];
        ::fcntl(child->errorFd, F_SETFL, ::fcntl(child->errorFd, F_GETFL) | O_NONBLOCK);
        child->errorNotifier =
            std::make_unique<QSocketNotifier>(child->errorFd, QSocketNotifier::Read);
        connect(child->errorNotifier.get(), &QSocketNotifier::activated, this,
                [this, watched] { readErrors(*watched); });
    }
    child->pidFd = openPidFd(pid);
    if (child->pidFd >= 0) {
        child->endNotifier = std::make_unique<QSocketNotifier>(child->pidFd, QSocketNotifier::Read);
        connect(child->endNotifier.get(), &QSocketNotifier::activated, this,
                [this, watched] { reap(watched); });
    } else {
        child->endPoll = std::make_unique<QTimer>();
        child->endPoll->setInterval(kPollMs);
        connect(child->endPoll.get(), &QTimer::timeout, this, [this, watched] { reap(watched); });
        child->endPoll->start();
    }
    m_children.push_back(std::move(child));
    return Outcome::success();
}

void ChildProcesses::readErrors(Child& child)
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(child.errorFd, buffer, sizeof buffer);
        if (got > 0) {
            const qsizetype room = kMaxErrorBytes - child.errorText.size();
            child.errorText.append(buffer, qMin<qsizetype>(room, got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0) { // all writers gone: nothing more will come
            child.errorNotifier->setEnabled(false);
        }
        return;
    }
}

void ChildProcesses::reap(Child* child)
{
    int status = 0;
    const pid_t done = ::waitpid(child->pid, &status, WNOHANG);
    if (done == 0)
        return; // still running (a poll tick, or a spurious wake-up)
    ChildEnd end;
    if (done == child->pid) {
        end.crashed = WIFSIGNALED(status);
        end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
        end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    } // else someone else reaped it: its status is unknown, so nothing is claimed
    if (child->errorFd >= 0 && child->errorNotifier->isEnabled())
        readErrors(*child); // what it wrote just before the end
    end.errorText = child->errorText;

    const auto it = std::find_if(m_children.begin(), m_children.end(),
                                 [child](const std::unique_ptr<Child>& c) { return c.get() == child; });
    if (it == m_children.end())
        return;
    std::unique_ptr<Child> finished = std::move(*it);
    m_children.erase(it);
    const Ended ended = std::move(finished->ended);
    // The notifier or timer that called us goes once we are back in the
    // event loop; silenced first, as its descriptor closes now.
    for (QObject* watcher : std::initializer_list<QObject*>{
             finished->endNotifier.release(), finished->errorNotifier.release(),
             finished->endPoll.release()}) {
        if (auto* notifier = qobject_cast<QSocketNotifier*>(watcher))
            notifier->setEnabled(false);
        if (auto* timer = qobject_cast<QTimer*>(watcher))
            timer->stop();
        if (watcher)
            watcher->deleteLater();
    }
    finished.reset();
    if (ended)
        ended(end);
}

} // namespace zelkor
