#!/usr/bin/env bash
# Start-up benchmark: time from process start until the main window "Zelkor"
# is mapped, and the program's memory once shown (VmRSS, and Pss from
# smaps_rollup, which shares the Qt libraries out fairly).
#
#   bench/startup.sh [BUILD_DIR [RUNS]]     defaults: build 5
#   cmake --build build --target bench_startup
#
# Each run starts the real program from a fresh copy of the program folder,
# on an Xvfb display of its own without a window manager, with HOME and the
# XDG folders in a temporary folder, a private session bus (dbus-run-session)
# and, as system bus, a private empty one: nothing can reach the real
# session, logind or the user's files. One warm-up run is not counted.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
settle_ms=500
app="$build/zelkor"
probe="$build/bench/startup_probe"
for f in "$app/zelkor" "$probe"; do
    [ -x "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zelkor-bench.XXXXXX")
xvfb_pid=""
bus_pid=""
cleanup() {
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

display=""
for n in $(seq 80 150); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=$n
        break
    fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }
Xvfb ":$display" -screen 0 1920x1080x24 -noreset -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.05
done
[ -e "/tmp/.X11-unix/X$display" ] || { echo "Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }

system_bus="unix:path=$tmp/system_bus"
dbus-daemon --session --nofork --nopidfile --address="$system_bus" >/dev/null 2>&1 &
bus_pid=$!
for _ in $(seq 100); do
    [ -S "$tmp/system_bus" ] && break
    sleep 0.05
done

one_run() {
    local dir="$tmp/run$1"
    mkdir -p "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    cp -a "$app" "$dir/zelkor"
    env -i PATH="$PATH" LANG=C.UTF-8 TZ="${TZ:-Europe/Berlin}" \
        DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
        HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" \
        XDG_CONFIG_HOME="$dir/home/.config" XDG_CACHE_HOME="$dir/home/.cache" \
        XDG_DATA_HOME="$dir/home/.local/share" XDG_STATE_HOME="$dir/home/.local/state" \
        DBUS_SYSTEM_BUS_ADDRESS="$system_bus" \
        dbus-run-session -- "$probe" Zelkor "$settle_ms" "$dir/zelkor/zelkor" \
        2> >(grep -v 'Failed to set fd limit' >&2)
}

echo "warm-up: $(one_run 0)"
results=()
for i in $(seq 1 "$runs"); do
    line=$(one_run "$i")
    echo "run $i:   $line"
    results+=("$line")
done

summary() { # label field scale unit
    printf '%s\n' "${results[@]}" | sed -n "s/.*$2=\([0-9.]*\).*/\1/p" | sort -n |
        awk -v name="$1" -v scale="$3" -v unit="$4" '
            { v[NR] = $1 / scale }
            END {
                med = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                printf "%-11s median %8.1f  min %8.1f  max %8.1f %s\n", name, med, v[1], v[NR], unit
            }'
}
echo "--- $runs runs, memory read ${settle_ms} ms after the window was mapped"
summary "to window" startup_ms 1 ms
summary VmRSS rss_kb 1024 MiB
summary Pss pss_kb 1024 MiB
