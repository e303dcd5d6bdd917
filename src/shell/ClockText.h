#pragma once

#include <QDateTime>
#include <QString>

namespace zelkor {

// "<date and time>  <Sun..Sat>" for the clock label.
QString clockText(const QDateTime& now);

// "<h> hours <mm> minutes " from a 32-bit millisecond tick count.
QString uptimeText(quint32 tickMs);

} // namespace zelkor
