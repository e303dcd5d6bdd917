#pragma once

#include "XvfbServer.h"

#include <QApplication>
#include <QProcess>
#include <QTest>

// For tests of windows on an X server of the test's own.
namespace zelkor::test
{

// Runs `program` with `args` against the X server `display` and gives what it
// printed; a tool that hangs is given 5 s.
inline QString runOnDisplay(const QString& display, const QString& program, const QStringList& args)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    tool.setProcessEnvironment(env);
    tool.start(program, args);
    if (!tool.waitForFinished(5000))
        tool.kill();
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

// The main() of such a test: the X server comes first, so that the test's own
// windows go to it as well; then the test object, made from the display and
// what kept the server from starting (empty when it runs).
template <typename Test> int execOnOwnXServer(int argc, char* argv[])
{
    XvfbServer xvfb;
    QString problem;
    if (XvfbServer::available() && xvfb.start(&problem)) {
        qputenv("DISPLAY", xvfb.display().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    Test test(xvfb.display(), problem);
    return QTest::qExec(&test, argc, argv);
}

} // namespace zelkor::test
