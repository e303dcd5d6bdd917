#pragma once

#include "common/AppPaths.h"

#include <QString>
#include <QStringList>

// The command line: --help, --version, and the options Qt itself takes
// (-platform, -session from the session manager, ...); anything else is
// refused before a window or a display is needed.
namespace zelkor::cli {

enum class Action { Run, Help, Version, Refuse };

struct Request {
    Action action = Action::Run;
    QString error; // for Refuse: what was wrong, in one sentence
};

// `arguments` as main() got them, the program first.
Request parse(const QStringList& arguments);
QStringList argumentsOf(int argc, char* argv[]);

// Exit status of a refused command line, as other command-line tools use it.
inline constexpr int kUsageError = 2;

QString helpText(); // needs the application object for the program's name
QString versionText(const AppPaths& paths);
QString refusalText(const Request& request);

} // namespace zelkor::cli
