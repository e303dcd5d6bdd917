#pragma once

#include "platform/Platform.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace zelkor {

// How a watched child ended.
struct ChildEnd {
    bool crashed = false; // killed by a signal
    int exitCode = 0;     // when not crashed
    int signal = 0;       // when crashed
    QByteArray errorText; // what it wrote to stderr, when that was captured
};

// Programs started without waiting and watched until they end: the helpers of
// the dll folder and the desktop's opener. Each child runs in a session of its
// own, like a detached program; its end is reported on this object's thread.
// Nothing here waits for a child, and children still running when this object
// goes are left running, never killed: a helper that has sent its request to
// logind must be allowed to finish even when the program ends meanwhile.
class ChildProcesses : public QObject {
    Q_OBJECT
public:
    using Ended = std::function<void(const ChildEnd&)>;

    explicit ChildProcesses(QObject* parent = nullptr);
    ~ChildProcesses() override;

    // Starts `program` (an absolute path) with `arguments` in `workingDir`,
    // standard input and output on /dev/null. Its stderr is captured when
    // `captureErrors` is set (then for a program that starts no children of
    // its own, which would inherit the pipe), else shared with ours.
    // A program that cannot be started is told at once; `ended` never comes.
    Outcome start(const QString& program, const QStringList& arguments, const QString& workingDir,
                  bool captureErrors, Ended ended);

private:
    struct Child;
    void readErrors(Child& child);
    void reap(Child* child);

    std::vector<std::unique_ptr<Child>> m_children;
};

} // namespace zelkor
