#pragma once

#include <QIcon>

namespace zelkor {

QIcon appIcon();              // window and tray icon
QIcon actionIcon(int code);   // 1..9, the action list's pictures

} // namespace zelkor
