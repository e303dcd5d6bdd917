#include "common/AppPaths.h"
#include "common/AppState.h"
#include "common/BuildInfo.h"
#include "platform/Platform.h"
#include "platform/linux/InstanceLock.h"
#include "platform/linux/PlainWindowUpdates.h"
#include "shell/AppStyle.h"
#include "shell/CommandLine.h"
#include "shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/RemoteCommand.h"
#include "shell/RemoteControl.h"
#include "shell/TerminationWatcher.h"
#include "tasks/TaskReader.h"

#include <QApplication>
#include <QSessionManager>

#include <cstdio>

namespace {
// --help, --version and refused command lines are answered without a display,
// so they work from any terminal.
int answerCommandLine(int argc, char* argv[], const zelkor::cli::Request& request)
{
    using namespace zelkor;
    QCoreApplication app(argc, argv);
    switch (request.action) {
    case cli::Action::Help:
        std::fputs(qPrintable(cli::helpText()), stdout);
        return 0;
    case cli::Action::Version:
        std::fputs(qPrintable(cli::versionText(choosePaths(QCoreApplication::applicationDirPath()))), stdout);
        return 0;
    default:
        std::fputs(qPrintable(cli::refusalText(request)), stderr);
        return cli::kUsageError;
    }
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("zelkor"));
    QCoreApplication::setApplicationVersion(QLatin1String(zelkor::build::kVersion));
    // Commands for the running program need no window of their own.
    if (zelkor::cli::isCommand(argc, argv))
        return zelkor::cli::run(argc, argv);
    const zelkor::cli::Request request = zelkor::cli::parse(zelkor::cli::argumentsOf(argc, argv));
    if (request.action != zelkor::cli::Action::Run)
        return answerCommandLine(argc, argv, request);

    // Claimed again, and the second instance told, once the window is there.
    zelkor::InstanceLock::ofThisProcess().claim(zelkor::lockPath());
    zelkor::TaskReader::allocatePagesAsRead();
    zelkor::PlainWindowUpdates plainUpdates; // quiet while the clock ticks
    QApplication app(argc, argv);
    plainUpdates.connected();
    QApplication::setQuitOnLastWindowClosed(false); // closing the window only hides it
    QApplication::setStyle(new zelkor::AppStyle);
    // Ties the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QLatin1String(zelkor::build::kAppId));

    auto platform = zelkor::createLinuxPlatform();
    zelkor::AppState state;
    state.paths = zelkor::choosePaths(QCoreApplication::applicationDirPath());
    state.startedForCommand = zelkor::cli::takeStartedForCommand();
    const zelkor::Outcome prepared = zelkor::prepareUserFiles(state.paths);

    zelkor::MainWindow window(*platform, state);
    if (!prepared.ok)
        window.tell(prepared.error);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.sessionEnding(); });
    zelkor::TerminationWatcher termination([&window] { window.sessionEnding(); });
    // Offered once the start has run, so that no command meets a program half
    // started; without a session bus the program runs on.
    zelkor::RemoteControl remote(window);
    QObject::connect(&window, &zelkor::MainWindow::startedUp, &remote, [&remote] {
        QString busProblem;
        if (!remote.publish(QDBusConnection::sessionBus(), true, &busProblem))
            qWarning("zelkor: no D-Bus interface: %s", qPrintable(busProblem));
    });
    if (!window.startUp(zelkor::MainWindow::StartOrder::WindowFirst))
        return 0;
    return app.exec();
}
