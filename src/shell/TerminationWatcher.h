#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace zelkor {

// Turns SIGTERM, SIGHUP and SIGINT into a call on the event loop, so that the
// end of the session (systemd stops the user's processes) closes the program
// the way Exit does instead of killing it mid-way.
class TerminationWatcher : public QObject {
    Q_OBJECT
public:
    explicit TerminationWatcher(std::function<void()> onTerminate, QObject* parent = nullptr);
    ~TerminationWatcher() override;

private:
    std::function<void()> m_onTerminate;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace zelkor
