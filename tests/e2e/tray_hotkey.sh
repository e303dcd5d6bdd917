#!/usr/bin/env bash
# The real program on a private X server with a window manager (openbox) and
# an XEmbed tray (trayer), driven with xdotool: the tray icon and its tip, left
# and right clicks, the menu's items, Ctrl+Alt+H, the start-up options and Exit.
# No real bus is reachable: the system bus points nowhere and the session bus
# is a private one. Screenshots are left in the folder given as $2.
#   tray_hotkey.sh <program folder> <screenshot folder>
set -euo pipefail

app_src=$1
shots=$2
mkdir -p "$shots"
. "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"
on_failure() { import -window root "$shots/failure.png" 2>/dev/null || true; }

# A stand-in for the lock helper: it only leaves a mark.
cat >"$work/app/dll/suo.dll" <<HELPER
#!/bin/sh
echo locked >>"$work/lock.mark"
HELPER
chmod +x "$work/app/dll/suo.dll"

# --- the tray ---
start_tray() {
    trayer --edge top --align right --widthtype pixel --width 100 --heighttype pixel --height 32 \
        >>"$work/trayer.log" 2>&1 &
    tray_pid=$!
    pids+=("$tray_pid")
}
stop_tray() {
    kill "$tray_pid"
    wait "$tray_pid" 2>/dev/null || true
}
start_tray

tree() { xwininfo -root -tree 2>/dev/null; }
# (No early exits in these pipelines: a reader that stops early would break
# the writer's pipe and end the script.)
panel() { tree | awk '/"panel": \("panel" "trayer"\)/ && !n++ {print $1}'; }
until_true '[ -n "$(panel)" ]' || fail "trayer did not start"
main_window() { tree | awk '/"Zelkor": \("zelkor" "zelkor"\)/ && !n++ {print $1}'; }
viewable() { [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
main_shown() { local w; w=$(main_window); [ -n "$w" ] && viewable "$w"; }
icon_line() {
    local p
    p=$(panel)
    [ -n "$p" ] || return 0 # (xwininfo without a window would wait for a click)
    xwininfo -tree -id "$p" 2>/dev/null | awk '/"zelkor": \("zelkor" "zelkor"\)/ && !n++'
}
icon_there() { [ -n "$(icon_line)" ] && viewable "$(icon_line | awk '{print $1}')"; }
# The centre of the icon, from its size and absolute place in the tree line.
icon_xy() {
    icon_line | sed -E 's/.* ([0-9]+)x([0-9]+)\+-?[0-9]+\+-?[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \3 \4/' |
        awk '{print int($3 + $1 / 2), int($4 + $2 / 2)}'
}
# Top-level windows of the program bypassing the window manager: menus and tips.
popup_windows() {
    tree | awk '/^     0x[0-9a-f]+ "zelkor": \("zelkor" "zelkor"\)/ {print $1}' | while read -r w; do
        viewable "$w" && echo "$w"
    done
}
popup_geometry() { # x y w h of the first big popup (the menu)
    for w in $(popup_windows); do
        xwininfo -id "$w" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
            /Width:/ {w=$2} /Height:/ {h=$2} END {if (h > 100) print x, y, w, h}'
    done | awk '!n++'
}
tooltip_window() {
    for w in $(popup_windows); do
        xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q TOOLTIP && echo "$w" && return 0
    done
    return 1
}
click_icon() {
    read -r x y < <(icon_xy)
    xdotool mousemove "$x" "$y" click "$1"
}
# Clicks item $1 (0-based) of the 8 in the open tray menu.
menu_item() {
    local x y w h
    read -r x y w h < <(popup_geometry)
    xdotool mousemove $((x + 40)) $((y + h * (2 * $1 + 1) / 16)) click 1
}
open_menu() {
    click_icon 3
    until_true '[ -n "$(popup_geometry)" ]' || fail "the tray menu did not open"
    sleep 0.3 # let the menu take the pointer before it is clicked
}
close_menu() {
    xdotool key Escape
    until_true '[ -z "$(popup_geometry)" ]' || fail "the tray menu did not close"
}
settings_line() { sed -n "${1}p" "$work/app/last.inc" | tr -d '\r'; }
start_program() {
    "$work/app/zelkor" >"$work/zelkor.log" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
}
hover_tip() { # leaves a crop of the tip in $1
    xdotool mousemove 10 700
    sleep 0.3
    read -r x y < <(icon_xy)
    xdotool mousemove "$x" "$y"
    until_true tooltip_window >/dev/null || fail "no tip over the icon"
    sleep 0.3
    import -window "$(tooltip_window)" "$1"
}

# --- first run: shown, with the icon ---
start_program
until_true main_shown || fail "the main window did not appear"
until_true icon_there || fail "no tray icon"
pass "window and tray icon after start-up"
hover_tip "$shots/tip-first.png"
import -window root "$shots/started.png"
pass "a tip shows over the icon"

click_icon 1
until_true '! main_shown' || fail "left click did not hide the window"
click_icon 1
until_true main_shown || fail "left click did not bring the window back"
pass "left click toggles the window"

open_menu
import -window root "$shots/menu.png"
close_menu
pass "right click opens the menu"

open_menu
menu_item 0 # Show/Hide: checked, so it hides
until_true '! main_shown' || fail "Show/Hide did not hide the window"
open_menu
menu_item 0
until_true main_shown || fail "Show/Hide did not show the window"
pass "Show/Hide main window"

open_menu
read -r mx my mw mh < <(popup_geometry)
xdotool mousemove $((mx + 40)) $((my + mh * 7 / 16)) # Quick launch
sleep 0.6
import -window root "$shots/quick-launch.png"
# The submenu opens to the side; its last item is Lock.
sub=$(for w in $(popup_windows); do
    xwininfo -id "$w" | awk -v mx="$mx" '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {if (h > 100 && x != mx) print x, y, w, h}'
done | awk '!n++')
[ -n "$sub" ] || fail "Quick launch did not open"
read -r sx sy sw sh <<<"$sub"
xdotool mousemove $((sx + 30)) $((sy + sh / 2)) mousemove $((sx + 30)) $((sy + sh * 11 / 12)) click 1
until_true '[ -s "$work/lock.mark" ]' || fail "Quick launch Lock did not start the lock helper"
pass "Quick launch runs its helper"

open_menu
menu_item 5 # Run at Windows Startup
entry=$XDG_CONFIG_HOME/autostart/zelkor.desktop
until_true "grep -qx 'Exec=$work/app/zelkor' '$entry' 2>/dev/null" || fail "no autostart entry"
grep -q Hidden "$entry" && fail "the new entry is switched off"
open_menu
menu_item 5
until_true "grep -qx 'Hidden=true' '$entry'" || fail "the entry was not switched off"
pass "Run at Windows Startup writes and switches off the entry"

xdotool key ctrl+alt+h
until_true '! main_shown && ! icon_there' || fail "Ctrl+Alt+H did not hide everything"
import -window root "$shots/hidden.png"
xdotool key ctrl+alt+shift+h
sleep 1
main_shown && fail "Ctrl+Alt+Shift+H brought the window back"
icon_there && fail "Ctrl+Alt+Shift+H brought the icon back"
pass "Ctrl+Alt+Shift+H does nothing"
xdotool key ctrl+alt+h
until_true 'main_shown && icon_there' || fail "Ctrl+Alt+H did not bring everything back"
hover_tip "$shots/tip-after-hot-key.png"
[ "$(compare -metric AE "$shots/tip-first.png" "$shots/tip-after-hot-key.png" null: 2>&1)" = 0 ] ||
    fail "the tip differs after the hot key"
pass "Ctrl+Alt+H twice hides and brings back window, icon and tip"

open_menu
menu_item 1 # Hide (Press Ctrl+Alt+H to show)
until_true '! main_shown && ! icon_there' || fail "Hide did not hide everything"
xdotool key ctrl+alt+h
until_true 'main_shown && icon_there' || fail "Ctrl+Alt+H did not end hidden mode"
pass "Hide and back with the hot key"

# "Minimized to system tray when run" on the Options tab saves at once.
w=$(main_window)
xdotool mousemove --window "$w" 226 79 click 1
sleep 0.3
xdotool mousemove --window "$w" 39 166 click 1
until_true '[ "$(settings_line 11)" = " 1" ]' || fail "checking the option did not save it"
[ "$(grep -c $'\r$' "$work/app/last.inc")" = 13 ] || fail "the saved file has not 13 lines"
import -window root "$shots/options.png"
pass "the option is saved at once with all 13 lines"

open_menu
menu_item 7 # Exit
until_true '! kill -0 $program_pid 2>/dev/null' || fail "Exit did not end the program"
icon_there && fail "the icon stayed after Exit"
[ "$(settings_line 11)" = " 1" ] || fail "Exit lost the option"
pass "Exit ends the program and removes the icon"

# --- second run: the option takes it straight to the tray ---
before=$(md5sum <"$work/app/last.inc")
start_program
until_true icon_there || fail "no tray icon on the second start"
sleep 0.5
main_shown && fail "the window showed although it should start in the tray"
[ "$(md5sum <"$work/app/last.inc")" = "$before" ] || fail "loading rewrote the settings file"
pass "the option survives the restart: starts in the tray, file untouched"
click_icon 1
until_true main_shown || fail "left click did not show the window from the tray"
pass "left click brings it from the tray"
open_menu
menu_item 7
until_true '! kill -0 $program_pid 2>/dev/null' || fail "Exit did not end the second run"

# --- third run: no tray at first, then one that starts late and restarts ---
stop_tray
rm -f "$work/app/last.inc"
start_program
until_true main_shown || fail "the main window did not appear without a tray"
w=$(main_window)
xdotool windowactivate --sync "$w" key alt+F4
# It asks whether to end the program; Escape answers No.
# The question must have the keyboard: between two windows none is active,
# and an Escape sent then would go nowhere.
until_true 'a=$(xdotool getactivewindow 2>/dev/null) && [ -n "$a" ] && [ "$a" != "$w" ]' ||
    fail "closing without a tray asked nothing"
xdotool key Escape
until_true '! main_shown' || fail "the close button did nothing"
xprop -id "$w" WM_STATE | grep -q Iconic || fail "without a tray closing must minimize, not hide"
kill -0 "$program_pid" || fail "answering No ended the program"
pass "without a tray the close button asks, and No minimizes"
start_tray
until_true icon_there || fail "a tray that started later got no icon"
pass "a tray started after the program gets the icon"
click_icon 1
until_true main_shown || fail "left click did not restore the minimized window"
stop_tray
start_tray
until_true icon_there || fail "the icon did not come back to a restarted tray"
pass "a restarted tray gets the icon back"

xdotool key ctrl+alt+h
until_true '! main_shown && ! icon_there' || fail "Ctrl+Alt+H did not hide everything"
kill -TERM "$program_pid"
until_true '! kill -0 $program_pid 2>/dev/null' || fail "the end of the session did not end the program"
[ "$(grep -c $'\r$' "$work/app/last.inc")" = 13 ] || fail "ending while hidden did not save the settings"
pass "ending while hidden saves the settings"

echo "$passed passed, 0 failed"
