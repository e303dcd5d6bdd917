#pragma once

#include <QDateTime>
#include <QString>

namespace zelkor {

// "<date and time>  <Sun..Sat>" for the clock label.
QString clockText(const QDateTime& now);

// "<h> hours <mm> minutes " for how long the computer has run.
QString uptimeText(quint64 uptimeMs);

} // namespace zelkor
