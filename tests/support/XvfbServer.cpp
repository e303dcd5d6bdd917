#include "XvfbServer.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>

namespace zelkor::test {

XvfbServer::~XvfbServer() { stop(); }

bool XvfbServer::available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty();
}

bool XvfbServer::start(QString* error, const QString& screen)
{
    m_server = std::make_unique<QProcess>();
    // -displayfd: the server takes the first free display and writes its number.
    m_server->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                     QStringLiteral("0"), screen});
    if (!m_server->waitForStarted(5000)) {
        *error = QStringLiteral("Xvfb did not start: ") + m_server->errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!m_server->canReadLine()) {
        if (deadline.hasExpired() || !m_server->waitForReadyRead(int(deadline.remainingTime()))) {
            *error = QStringLiteral("Xvfb named no display: ") +
                     QString::fromLocal8Bit(m_server->readAllStandardError());
            stop();
            return false;
        }
    }
    m_display = QStringLiteral(":") + QString::fromLatin1(m_server->readLine()).trimmed();
    return true;
}

void XvfbServer::stop()
{
    if (m_server && m_server->state() != QProcess::NotRunning) {
        m_server->terminate();
        if (!m_server->waitForFinished(3000)) {
            m_server->kill();
            m_server->waitForFinished(3000);
        }
    }
    m_server.reset();
    m_display.clear();
}

} // namespace zelkor::test
