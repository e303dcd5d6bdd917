#!/usr/bin/env bash
# What the program costs while it merely waits: context switches of all its
# threads and CPU time, per minute, in four states of the real program, and
# the same for the floor, a minimal Qt Widgets window with a one-second clock
# (the ratios' base), that window's timer alone and its repaint alone.
#
#   bench/idle_cost.sh [BUILD_DIR [SECONDS [VERBOSE]]]   defaults: build 60 0
#   cmake --build build --target bench_idle_cost
#
# SECONDS is the sampling window of each state (60 gives the figures per
# minute directly; 10 gives a quick look). VERBOSE=1 also lists every thread.
# Each state is a fresh start of the program from a copy of its folder on a
# private X server with a window manager (openbox) and an XEmbed tray
# (trayer), a private session bus and no system bus; it is sampled after it
# has settled. CPU is the threads' run time from /proc/PID/task/*/schedstat
# (nanoseconds), switches are voluntary plus involuntary ones from
# /proc/PID/task/*/status.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
seconds=${2:-60}
verbose=${3:-0}
settle=3
poll_tries=150 # a loaded machine may take its time to start things
app_src="$build/zelkor"
floor="$build/bench/floor_window"
for f in "$app_src/zelkor" "$floor"; do
    [ -x "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done
export TZ=${TZ:-Europe/Berlin} LC_ALL=C.UTF-8
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../tests/e2e/desktop.sh"

trayer --edge top --align right --widthtype pixel --width 100 --heighttype pixel --height 32 \
    >"$work/trayer.log" 2>&1 &
pids+=($!)
# grep reads to the end (no -q): under pipefail, a writer cut off by an early
# match fails the whole pipe.
until_true 'xwininfo -root -tree 2>/dev/null | grep "\"panel\": (\"panel\" \"trayer\")" >/dev/null' ||
    fail "trayer did not start"

# One line per thread: tid, name, switches (voluntary + involuntary), run ns.
threads() {
    local t
    for t in /proc/"$1"/task/*; do
        [ -r "$t/status" ] || continue
        awk -v tid="${t##*/}" -v run="$(cut -d' ' -f1 "$t/schedstat" 2>/dev/null || echo 0)" '
            /^Name:/ { name = $2 }
            /_ctxt_switches:/ { sw += $2 }
            END { print tid, name, sw, run }' "$t/status" 2>/dev/null || true
    done
}

# Samples a running process for $seconds; prints "switches_per_min cpu_ms_per_min".
results=()
measure() { # label pid
    local label=$1 pid=$2 before after
    before=$(threads "$pid")
    sleep "$seconds"
    after=$(threads "$pid")
    kill -0 "$pid" 2>/dev/null || fail "$label: the program ended while sampled"
    local line
    line=$(awk -v secs="$seconds" -v verbose="$verbose" -v label="$label" '
        NR == FNR { sw[$1] = $3; run[$1] = $4; next }
        {
            dsw = $3 - sw[$1]; drun = $4 - run[$1]
            tsw += dsw; trun += drun
            if (verbose == 1)
                printf "    %-18s thread %-7s %8.1f switches/min %8.2f ms CPU/min\n",
                    $2, $1, dsw * 60 / secs, drun / 1e6 * 60 / secs > "/dev/stderr"
        }
        END { printf "%.1f %.2f\n", tsw * 60 / secs, trun / 1e6 * 60 / secs }
    ' <(echo "$before") <(echo "$after"))
    results+=("$label $line")
}

window_of() { # title -> window id, once mapped
    xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1
}

# --- the floor ---
measure_floor() { # label mode [environment assignments]
    local label=$1 mode=$2
    shift 2
    env "$@" "$floor" Floor ${mode:+"$mode"} >"$work/floor.log" 2>&1 &
    floor_pid=$!
    pids+=("$floor_pid")
    if [ "$mode" != hidden ]; then
        [ -n "$(window_of Floor)" ] || fail "the floor window did not show"
    fi
    sleep "$settle"
    measure "$label" "$floor_pid"
    kill "$floor_pid"
    wait "$floor_pid" 2>/dev/null || true
}
measure_floor "floor: clock window" ""
measure_floor "floor: bare one-second timer" hidden
# The toolkit's repaint with nothing drawn, updates sent as the program sends
# them (over the connection, not shared memory): what no window with a clock
# can go below.
measure_floor "floor: repaint of nothing" blank QT_XCB_NO_MITSHM=1

# --- the program ---
# last.inc lines: four mode flags, five pickers, force, "minimized to tray",
# "hidden", action. Mode "After" (2 hours, from the default pickers), action
# "Events Remind", so a countdown never acts within the benchmark.
settings() { # in_tray
    printf 'True\r\nFalse\r\nFalse\r\nFalse\r\n\r\n\r\n\r\n\r\n\r\n 1\r\n %s\r\n 0\r\n 8\r\n' "$1"
}
start_program() { # in_tray [daily task]
    rm -rf "$work/app"
    cp -r "$app_src" "$work/app"
    settings "$1" >"$work/app/last.inc"
    if [ -n "${2:-}" ]; then
        # A Daily task twelve hours ahead: the task poll runs, nothing fires.
        local at
        at=$(date -d '+12 hours' +%H:%M:%S | awk -F: '{ printf "%.8f", ($1 * 3600 + $2 * 60 + $3) / 86400 }')
        sqlite3 "$work/app/dll/zelkor.dll" \
            "insert into task (type, action, starttime, state) values (2, 6, $at, 1);"
    fi
    "$work/app/zelkor" >"$work/zelkor.log" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
    # Its X connection shows as the toolkit's selection owner, shown or not.
    until_true 'xwininfo -root -tree 2>/dev/null | grep "Qt Selection Owner for zelkor" >/dev/null' ||
        fail "the program did not start"
}
stop_program() {
    kill "$program_pid"
    wait "$program_pid" 2>/dev/null || true
}

start_program 0
main=$(window_of Zelkor)
[ -n "$main" ] || fail "the main window did not show"
sleep "$settle"
measure "shown, nothing armed" "$program_pid"
# The focus is on Start (a mode was restored); Space presses it.
xdotool windowactivate --sync "$main" key --clearmodifiers space
sleep "$settle"
measure "shown, countdown running" "$program_pid"
stop_program

start_program 1
sleep "$settle"
xwininfo -id "$(xdotool search --name '^Zelkor$' | head -1)" | grep IsUnMapped >/dev/null ||
    fail "the main window did not start in the tray"
measure "in the tray, nothing scheduled" "$program_pid"
stop_program

start_program 1 daily
sleep "$settle"
measure "in the tray, a task armed" "$program_pid"
stop_program

echo "--- idle cost per minute, sampled over ${seconds} s per state"
printf '%s\n' "${results[@]}" | awk '
    {
        cpu = $NF; sw = $(NF - 1); $NF = ""; $(NF - 1) = ""; sub(/ +$/, "")
        if (NR == 1) { fsw = sw; fcpu = cpu }
        rsw = fsw > 0 ? sprintf("%.2fx", sw / fsw) : "-"
        rcpu = fcpu > 0 ? sprintf("%.2fx", cpu / fcpu) : "-"
        printf "%-32s %9.1f switches/min (%7s floor) %8.2f ms CPU/min (%7s floor)\n", $0, sw, rsw, cpu, rcpu
    }'
