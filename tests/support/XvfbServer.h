#pragma once

#include <QProcess>
#include <QString>

#include <memory>

namespace zelkor::test {

// An X server of the test's own, on a display number the server picks itself
// among the free ones (so tests running side by side never share one).
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    static bool available();
    bool start(QString* error, const QString& screen = QStringLiteral("1280x1024x24"));
    void stop();
    QString display() const { return m_display; } // e.g. ":12"

private:
    std::unique_ptr<QProcess> m_server;
    QString m_display;
};

} // namespace zelkor::test
