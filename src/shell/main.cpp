#include "common/AppState.h"
#include "platform/Platform.h"
#include "shell/MainWindow.h"
#include "shell/TerminationWatcher.h"

#include <QApplication>
#include <QSessionManager>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelkor"));
    QApplication::setQuitOnLastWindowClosed(false); // closing the window only hides it

    auto platform = zelkor::createLinuxPlatform();
    zelkor::AppState state;
    state.programDir = QCoreApplication::applicationDirPath();

    zelkor::MainWindow window(*platform, state);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.sessionEnding(); });
    zelkor::TerminationWatcher termination([&window] { window.sessionEnding(); });
    if (!window.startUp())
        return 0;
    return app.exec();
}
