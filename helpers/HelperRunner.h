#pragma once

#include "HelperPlan.h"

#include <QDBusConnection>
#include <QStringList>

#include <functional>

namespace zelkor::helper {

struct RunResult {
    bool ok = false;
    QString doneBy;       // who accepted the request
    QStringList messages; // plain words on what went wrong along the way
};

// Gives the connection to a bus; asked only for buses the plan uses.
using BusProvider = std::function<QDBusConnection(Bus)>;

// Tries the plan's calls in order, each bounded by timeoutMs, until one is
// accepted or nextAfter() says to stop.
RunResult runPlan(const Plan& plan, const BusProvider& buses, int timeoutMs);

// The lines to print when the helper is started with arguments: it takes
// none, and acts on none, however harmless they look.
QStringList usageText(const QString& name, const Plan& plan);

// The lines to print when the helper could not act.
QStringList failureText(const Plan& plan, const RunResult& result);

} // namespace zelkor::helper
