#!/usr/bin/env bash
# The real program while the system's time zone changes under it, as a
# desktop's zone setting changes it (a new /etc/localtime): a countdown to a
# date and time, started from the command line, then ends at that date and
# time on the new zone's clock. The zone is changed inside a private mount
# namespace, on an overlay of /etc, so the machine's own file stays untouched;
# that needs root (as CI runs), and the test is skipped without it.
#   zone_change.sh <program folder>
set -euo pipefail

if [ -z "${ZELKOR_ZONE_NAMESPACE:-}" ]; then
    if [ "$(id -u)" != 0 ] || ! unshare -m --propagation private true 2>/dev/null; then
        echo "SKIP: a private mount namespace needs root"
        exit 77
    fi
    ZELKOR_ZONE_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
fi

layer=$(mktemp -d)
mkdir "$layer/upper" "$layer/work"
if ! mount -t overlay overlay -o "lowerdir=/etc,upperdir=$layer/upper,workdir=$layer/work" /etc; then
    echo "SKIP: /etc cannot be overlaid here"
    exit 77
fi
# From here on only the overlay may change: make sure it is in place.
grep -q '^overlay /etc overlay ' /proc/self/mounts || { echo "FAIL: no overlay on /etc"; exit 1; }
set_zone() { ln -sfn "/usr/share/zoneinfo/$1" /etc/localtime; }
set_zone Europe/Berlin
unset TZ # the program reads the zone from /etc/localtime, as in a session

app_src=$1
. "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"
app=$work/app/zelkor

at=$(date -d '+3 min' +%H:%M:%S)
"$app" --do remind --at "$at" >"$work/zelkor.log" 2>&1 || fail "the countdown did not start"
status() { "$app" --status 2>&1; }
case $(status) in
*"$at (at countdown)"*) pass "counting to $at in Berlin" ;;
*) fail "status before the change: $(status)" ;;
esac

# Hidden, nothing ticks to look at the clock: the change itself must be seen.
"$app" --hide >/dev/null 2>&1 || fail "the window did not hide"
set_zone Europe/London
# The wall clock went back an hour; the count now ends an hour later in real
# time, at the same wall-clock second.
until_true 'status | grep -q "in 1h .*$at (at countdown)"' ||
    fail "status after the change to London: $(status)"
pass "still counting to $at on London's clock"

"$app" --cancel >/dev/null 2>&1 || true
"$app" --quit >/dev/null 2>&1 || true
echo "$passed passed"
