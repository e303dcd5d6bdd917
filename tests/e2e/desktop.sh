# shellcheck shell=bash
# Sourced by the end-to-end scripts, with $app_src set to the program folder:
# a temporary folder $work holding a copy of the program folder ($work/app,
# without saved settings), HOME and the XDG folders, and a private desktop: an
# X server, a session bus and a window manager. The system bus leads nowhere.
# Whatever a script starts goes on the list pids; all of it is ended, newest
# first, and $work removed when the script exits.

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

# What a script wants kept when it fails (a screenshot, say); run by fail.
on_failure() { :; }
fail() {
    echo "FAIL: $*" >&2
    on_failure
    if [ -f "$work/zelkor.log" ]; then cat "$work/zelkor.log" >&2; fi
    exit 1
}
passed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }

# Polls a condition every 0.1 s, $poll_tries times at most (a script may set
# it before sourcing this file).
poll_tries=${poll_tries:-50}
until_true() {
    for _ in $(seq "$poll_tries"); do
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
export XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
export QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER DESKTOP_SESSION XDG_CURRENT_DESKTOP WAYLAND_DISPLAY

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
until_true '[ -s "$work/display" ]' || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"
read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -s -d ' ')
pids+=("$bus_pid")
export DBUS_SESSION_BUS_ADDRESS=$bus_address
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
# A window mapped while the window manager is still starting can be lost.
until_true 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
    fail "openbox did not start"
