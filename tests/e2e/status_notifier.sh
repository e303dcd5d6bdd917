#!/usr/bin/env bash
# The real program with a StatusNotifier tray (a stand-in watcher on a private
# session bus) that appears only after the program started: the icon must
# register with it, carry the tip "Zelkor", and its activation must toggle the
# window; Ctrl+Alt+H takes the item away and brings it back.
#   status_notifier.sh <program folder> <test source folder>
set -euo pipefail

app_src=$1
here=$2
work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    cat "$work/zelkor.log" >&2 || true
    exit 1
}
passed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
until_true() {
    for _ in $(seq 80); do
        if eval "$1"; then return 0; fi
        sleep 0.1
    done
    return 1
}

cp -r "$app_src" "$work/app"
rm -f "$work/app/last.inc"
mkdir -p "$work/home/.config" "$work/run"
chmod 700 "$work/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER DESKTOP_SESSION XDG_CURRENT_DESKTOP WAYLAND_DISPLAY

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
until_true '[ -s "$work/display" ]' || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"
read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -s -d ' ')
pids+=("$bus_pid")
export DBUS_SESSION_BUS_ADDRESS=$bus_address
openbox >/dev/null 2>&1 &
pids+=($!)
# A window mapped while the window manager is still starting can be lost.
until_true 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
    fail "openbox did not start"

main_shown() {
    local w
    w=$(xwininfo -root -tree | awk '/"Zelkor": \("zelkor" "zelkor"\)/ && !n++ {print $1}')
    [ -n "$w" ] && xwininfo -id "$w" | grep -q IsViewable
}
item() { awk '/^registered / {s = $2} END {print s}' "$work/watcher.log"; }
registrations() { grep -c '^registered ' "$work/watcher.log" || true; }
on_bus() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.ListNames |
        grep -q "\"$1\""
}
activate() {
    dbus-send --session --print-reply --dest="$(item)" /StatusNotifierItem \
        org.kde.StatusNotifierItem.Activate int32:0 int32:0 >/dev/null
}

"$work/app/zelkor" >"$work/zelkor.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")
until_true main_shown || fail "the main window did not appear"
sleep 1 # the tray host comes later than the program
: >"$work/watcher.log"
/usr/bin/python3 "$here/mock_watcher.py" "$work/watcher.log" &
pids+=($!)
until_true '[ -n "$(item)" ]' || fail "the icon did not register with a late StatusNotifierWatcher"
pass "the icon registers with a watcher that started after the program"

tip=$(dbus-send --session --print-reply --dest="$(item)" /StatusNotifierItem \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:ToolTip)
grep -q 'string "Zelkor"' <<<"$tip" || fail "the tip is not Zelkor: $tip"
pass "its tip is Zelkor"

activate
until_true '! main_shown' || fail "activating the icon did not hide the window"
activate
until_true main_shown || fail "activating the icon again did not show the window"
pass "activating the icon toggles the window"

first=$(item)
xdotool key ctrl+alt+h
until_true '! main_shown && ! on_bus "$first"' || fail "Ctrl+Alt+H did not take window and item away"
before=$(registrations)
xdotool key ctrl+alt+h
until_true 'main_shown && [ "$(registrations)" -gt "$before" ]' || fail "Ctrl+Alt+H did not bring them back"
tip=$(dbus-send --session --print-reply --dest="$(item)" /StatusNotifierItem \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:ToolTip)
grep -q 'string "Zelkor"' <<<"$tip" || fail "the tip is gone after the hot key"
pass "Ctrl+Alt+H takes the item away and brings it back with its tip"

kill -TERM "$program_pid"
until_true '! kill -0 $program_pid 2>/dev/null' || fail "the program did not end"
echo "$passed passed, 0 failed"
