#pragma once

#include <QProcess>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

namespace zelkor::test {

// A private X server on a free display, for tests that need real X11.
class XvfbServer {
public:
    XvfbServer()
    {
        int fds[2] = {-1, -1};
        if (pipe(fds) != 0)
            return;
        m_process.setChildProcessModifier([fd = fds[1]] { fcntl(fd, F_SETFD, 0); });
        m_process.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QString::number(fds[1]),
                                                 QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                                                 QStringLiteral("tcp"), QStringLiteral("-screen"),
                                                 QStringLiteral("0"), QStringLiteral("800x600x24")});
        ::close(fds[1]);
        char buffer[16] = {};
        qsizetype used = 0;
        // Xvfb writes the display number and a newline once it accepts clients.
        while (used < qsizetype(sizeof buffer) - 1) {
            const ssize_t n = ::read(fds[0], buffer + used, 1);
            if (n <= 0 || buffer[used] == '\n')
                break;
            ++used;
        }
        ::close(fds[0]);
        if (used > 0)
            m_display = QLatin1Char(':') + QString::fromLatin1(buffer, used);
    }
    ~XvfbServer()
    {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }
    QString display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
};

} // namespace zelkor::test
