#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

#include <optional>

namespace zelkor::helper {

enum class Bus { System, Session };

// One D-Bus call that may bring the action about.
struct Attempt {
    Bus bus = Bus::System;
    QString who; // plain name of the service, for messages
    QString service;
    QString path;
    QString interface;
    QString method;
    QVariantList args;
    // A desktop's own session manager: looked up before it is called (no
    // activation), and left to finish when it is slow to answer.
    bool sessionManager = false;
};

// What one helper name does: a plain description and the calls to try in order
// until one succeeds.
struct Plan {
    QString what; // completes "Could not ..."
    QList<Attempt> attempts;
};

// The plan for the name the helper was started under (its file name), or
// nothing for a name it does not know.
std::optional<Plan> planFor(const QString& programName);

// The eight names, for messages and the build.
QStringList knownNames();

// How one call ended.
enum class CallResult {
    Done,     // the service accepted the request
    NotThere, // no such service, object or method
    Refused,  // the service answered with an error
    NoAnswer, // no reply within the time allowed
};

enum class Next { Stop, TryNext };

// Whether to go on to the next attempt. A session manager that does not
// answer in time is still working on the request (it may be asking the user
// whether applications may close): calling logind behind its back would
// override the user's answer, so we stop there.
Next nextAfter(const Attempt& attempt, CallResult result);

// Sorts a D-Bus error name into the results above.
CallResult classifyError(const QString& errorName);

} // namespace zelkor::helper
