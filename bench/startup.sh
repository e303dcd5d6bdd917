#!/usr/bin/env bash
# Start-up benchmark: time from process start until the main window "Zelkor"
# is mapped, and the program's memory once shown (VmRSS, and Pss from
# smaps_rollup, which shares the Qt libraries out fairly); the same for the
# floor, a minimal Qt Widgets window with a one-second clock (floor_window),
# and the program's figures as ratios to the floor's.
# Last, what the program's Pss beyond the floor's is made of: both last
# runs' Pss by library, file or kind of memory, where they differ.
#
#   bench/startup.sh [BUILD_DIR [RUNS [TASKS]]]     defaults: build 5 0
#   cmake --build build --target bench_startup
#
# TASKS stored tasks of every kind fill the program's database first (the
# issue's large case is 100000).
# Each run starts the real program from a fresh copy of the program folder,
# on an Xvfb display of its own without a window manager, with HOME and the
# XDG folders in a temporary folder, a private session bus (dbus-run-session)
# and, as system bus, a private empty one: nothing can reach the real
# session, logind or the user's files. One warm-up run is not counted.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
tasks=${3:-0}
settle_ms=500
app="$build/zelkor"
probe="$build/bench/startup_probe"
floor="$build/bench/floor_window"
for f in "$app/zelkor" "$probe" "$floor"; do
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

# The program folder, its database filled with $tasks tasks of every kind.
template="$tmp/template"
cp -a "$app" "$template"
if [ "$tasks" -gt 0 ]; then
    sqlite3 "$template/dll/zelkor.dll" "
        with recursive n(i) as (select 1 union all select i + 1 from n where i < $tasks)
        insert into task (type, action, starttime, stoptime, day, fujia, description,
                          sun, mon, tue, wed, thu, fri, sat, state)
        select i % 5, 1 + i % 8,
               case when i % 5 = 1 then 46174 + i % 60 + (i % 1440) / 1440.0 else (i % 1440) / 1440.0 end,
               case when i % 5 = 0 then (i % 1440) / 1440.0 + 0.01 end,
               case when i % 5 = 3 then 46174 + i % 28 end,
               case when 1 + i % 8 >= 7 then i % 2 end,
               case when 1 + i % 8 >= 7 then 'Reminder number ' || i end,
               (i >> 0) & 1, (i >> 1) & 1, (i >> 2) & 1, (i >> 3) & 1, (i >> 4) & 1, (i >> 5) & 1, (i >> 6) & 1, 1
        from n;"
fi

one_run() { # run number, title, program folder name (zelkor or floor)
    local dir="$tmp/run$1"
    mkdir -p "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    local program=$floor
    if [ "$3" = zelkor ]; then
        cp -a "$template" "$dir/zelkor"
        program=$dir/zelkor/zelkor
    fi
    env -i PATH="$PATH" LANG=C.UTF-8 TZ="${TZ:-Europe/Berlin}" \
        DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
        HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" \
        XDG_CONFIG_HOME="$dir/home/.config" XDG_CACHE_HOME="$dir/home/.cache" \
        XDG_DATA_HOME="$dir/home/.local/share" XDG_STATE_HOME="$dir/home/.local/state" \
        DBUS_SYSTEM_BUS_ADDRESS="$system_bus" \
        dbus-run-session -- "$probe" --maps "$tmp/maps.$3" "$2" "$settle_ms" "$program" \
        2> >(grep -v 'Failed to set fd limit' >&2)
    rm -rf "$dir"
}

echo "warm-up: $(one_run 0 Zelkor zelkor) / $(one_run 0 Floor floor)"
results=()
floors=()
for i in $(seq 1 "$runs"); do
    # Alternating, so both meet the same load on the machine.
    line=$(one_run "$i" Zelkor zelkor)
    floor_line=$(one_run "$i" Floor floor)
    echo "run $i:   $line   floor: $floor_line"
    results+=("$line")
    floors+=("$floor_line")
done

median() { # field scale, lines on stdin
    sed -n "s/.*$1=\([0-9.]*\).*/\1/p" | sort -n | awk -v scale="$2" '
        { v[NR] = $1 / scale }
        END { printf "%.1f %.1f %.1f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[1], v[NR] }'
}
summary() { # label field scale unit
    read -r med low high < <(printf '%s\n' "${results[@]}" | median "$2" "$3")
    read -r fmed _ _ < <(printf '%s\n' "${floors[@]}" | median "$2" "$3")
    awk -v n="$1" -v m="$med" -v l="$low" -v h="$high" -v f="$fmed" -v u="$4" 'BEGIN {
        printf "%-11s median %8.1f  min %8.1f  max %8.1f %s   floor %8.1f %s   ratio %.2fx\n",
            n, m, l, h, u, f, u, (f > 0 ? m / f : 0) }'
}
echo "--- $runs runs, $tasks stored tasks, memory read ${settle_ms} ms after the window was mapped"
summary "to window" startup_ms 1 ms
summary "CPU so far" cpu_ms 1 ms
summary VmRSS rss_kb 1024 MiB
summary Pss pss_kb 1024 MiB

# Where the difference lies: Pss by what is mapped, from the last run of each.
echo "--- Pss by mapping where the two differ by 64 kB or more (last run; kB)"
awk 'function key(line) { sub(/^[0-9]+ /, "", line); return line }
     FNR == NR { z[key($0)] = $1; next }
     { f[key($0)] = $1 }
     END {
         for (k in f) if (!(k in z)) z[k] = 0
         for (k in z) {
             d = z[k] - f[k]
             if (d >= 64 || d <= -64) printf "%+8d %8d %8d  %s\n", d, z[k], f[k], k
         }
     }' "$tmp/maps.zelkor" "$tmp/maps.floor" | sort -rn |
    awk 'BEGIN { printf "%8s %8s %8s  %s\n", "beyond", "program", "floor", "mapping" } { print }'
