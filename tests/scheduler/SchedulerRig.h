#pragma once

#include "TaskRows.h"
#include "actions/ActionExecutor.h"
#include "common/AppState.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempProgramDir.h"

#include <QDir>

// The scheduling objects over a private program folder, with the fake clock
// and a force choice the test sets.
namespace zelkor::test {

struct SchedulerRig {
    SchedulerRig()
    {
        state.paths = portablePaths(dir.path());
        actions.setReminderPresenter([this] { ++reminders; });
    }

    qint64 store(const TaskRow& row) { return storeRow(dir.databasePath(), row); }
    QString helper(const QString& name) const { return dir.path() + QStringLiteral("/dll/") + name; }

    TempProgramDir dir;
    FakePlatform platform;
    AppState state;
    ActionExecutor actions{platform, state};
    bool forced = true;
    int reminders = 0;
};

} // namespace zelkor::test
