#pragma once

#include "platform/Platform.h"

#include <QHash>
#include <QString>

namespace zelkor {

// The rule for failures that may repeat, as when a timer retries every
// second: each cause is told once, and told again only after the thing
// worked in between. Causes are kept apart by a key (a helper's name, a file).
class OncePerCause {
public:
    // True when `outcome` is a failure not yet told for `key`. A success
    // forgets what was told for it.
    bool shouldTell(const QString& key, const Outcome& outcome)
    {
        if (outcome.ok) {
            m_told.remove(key);
            return false;
        }
        if (m_told.value(key) == outcome.error)
            return false;
        m_told.insert(key, outcome.error);
        return true;
    }
    // The next failure for `key` is told even when it was told before: the
    // user has just asked again and waits for an answer.
    void forget(const QString& key) { m_told.remove(key); }

private:
    QHash<QString, QString> m_told; // key -> message already told
};

} // namespace zelkor
