#pragma once

#include <QDBusConnection>
#include <QStringList>

namespace zelkor
{

// The names of the users other than `ownUid` who have a session on this
// computer, at a seat or from afar, in logind's list: those a shut down or a
// restart would take unsaved work from. Login screens and sessions already
// closing do not count. Sorted, each name once; empty where logind cannot be
// asked or does not answer within `timeoutMs`.
QStringList otherUsersLoggedIn(const QDBusConnection& systemBus, uint ownUid, int timeoutMs);

} // namespace zelkor
