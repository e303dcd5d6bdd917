#!/usr/bin/env bash
# The real program with a StatusNotifier tray (a stand-in watcher on a private
# session bus) that appears only after the program started: the icon must
# register with it, carry the tip "Zelkor", and its activation must toggle the
# window; Ctrl+Alt+H takes the item away and brings it back.
#   status_notifier.sh <program folder> <test source folder>
set -euo pipefail

app_src=$1
here=$2
poll_tries=80
. "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"

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
sleep 0.5 # time for a second registration, were there one
[ "$(registrations)" -eq 1 ] || fail "the icon registered $(registrations) times: $(cat "$work/watcher.log")"
pass "the icon registers once with a watcher that started after the program"

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
