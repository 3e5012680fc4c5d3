#!/usr/bin/env bash
# Runs the Wayland suite's test program (first argument, the rest its arguments) inside a
# headless Wayland desktop started for it by desktop.sh, and stops the desktop afterwards,
# also when the program fails or runs out of time. Where the desktop's programs are not
# installed, the tests are told why (TESS_WL_SKIP) and skip.
#
# The desktop lives in a directory named after the build, so a run that was killed outright
# leaves nothing the next run of the same build does not clear.
set -u
here=$(cd "$(dirname "$0")" && pwd)
prog=$1
shift
dir=/tmp/tess-wl-$(dirname "$(readlink -f "$prog")" | md5sum | cut -c1-12)

"$here/desktop.sh" start "$dir"
status=$?
if [ $status -eq 77 ]; then
    export TESS_WL_SKIP="the Wayland desktop's programs are not installed (tools/packages.txt)"
    exec "$prog" "$@"
fi
if [ $status -ne 0 ]; then
    echo "run.sh: the Wayland desktop did not start; its logs:" >&2
    tail -n 20 "$dir"/log/*.log >&2 2>/dev/null
    "$here/desktop.sh" stop "$dir"
    exit 1
fi

# shellcheck disable=SC2317
stop() { "$here/desktop.sh" stop "$dir" || true; }
trap stop EXIT

# shellcheck disable=SC1091
. "$dir/env"
# Below the suite's own 900 s, so the desktop is always stopped here; run in the background
# so that a signal to this script ends the program and the desktop at once.
timeout --kill-after=10 800 "$prog" "$@" &
child=$!
trap 'kill -TERM $child 2>/dev/null; wait $child; exit 143' TERM INT
wait $child
status=$?
if [ $status -ne 0 ]; then
    echo "run.sh: the last lines of the Wayland desktop's logs ($dir/log/):" >&2
    for f in "$dir"/log/*.log; do
        echo "== $f" >&2
        tail -n 15 "$f" >&2
    done
fi
exit $status
