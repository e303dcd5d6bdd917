#pragma once

#include <QIcon>

namespace zelkor {

QIcon appIcon();            // window and tray icon
QIcon actionIcon(int code); // 1..9, the action list's pictures
inline constexpr int kActionPictureSize = 18; // as the action lists show them

// The pictures of the Timer tab's four modes and of the Help button.
enum class Picture { After, AtDateAndTime, Uptime, NoInput, Help };
QIcon pictureIcon(Picture picture);

// A double arrow pointing along `orientation`: more lies that way.
QIcon chevronIcon(Qt::Orientation orientation);

} // namespace zelkor
