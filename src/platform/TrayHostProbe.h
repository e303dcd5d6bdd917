#pragma once

// Whether something on the desktop can show a tray icon. Asked before the icon
// is made, because the toolkit settles once per process which kind of tray it
// talks to.
namespace zelkor::trayhost {

// A StatusNotifierWatcher on the session bus with a host registered.
bool statusNotifierHostPresent();
// An XEmbed system tray on the X display (never on other window systems).
bool xembedTrayPresent();
// Whether XEmbed trays exist on this window system at all.
bool xembedPossible();

} // namespace zelkor::trayhost
