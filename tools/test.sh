#!/usr/bin/env bash
# Builds the test build (AddressSanitizer + UndefinedBehaviorSanitizer) into build-test/
# and runs the whole suite headless: a private X server (Xvfb), a private PulseAudio
# daemon with a sine source, and temporary XDG directories so no test touches a real home.
# Then, when the set-up command's optimised build/ is there with its tests, runs the suite
# there too, but for the tests labelled "realtime" (recordings, sound, playback): those
# wait on the clock, so they run once, in the sanitizer build above. CTest knows every test
# by name (FOLDER/Suite.Test) and labels each with its folder, so arguments, which go to
# both ctest runs, can pick some: -L '^(media|app)$', -R 'SettingsIO'.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DTESS_SANITIZE=ON -DTESS_TESTS=ON \
      -DTESS_BENCH=OFF
cmake --build build-test -j"$(nproc)"

tmp=$(mktemp -d /tmp/tess-run.XXXXXX)
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_STATE_HOME="$tmp/state"
export XDG_RUNTIME_DIR="$tmp/runtime" HOME="$tmp/home" TMPDIR="$tmp/tmp"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$HOME" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export NO_AT_BRIDGE=1 GTK_A11Y=none
# The program's texts in English (the tests compare them) whatever the machine's language; the
# tests of the translations choose theirs.
unset LANGUAGE LC_ALL LC_MESSAGES LC_CTYPE LC_TIME LC_NUMERIC
export LANG=C.UTF-8
# The sound tests talk to the private daemon started below, never to an inherited one.
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE
# Every process the run starts inherits this mark (but those that clear their environment, as
# the Wayland suite's desktop does, which ends its own); the run ends with none of them left.
export TESS_TEST_RUN="$tmp"

# The processes that carry the mark, as "pid command" lines. Read with the mark taken out of
# this shell, so the reading commands are not among them.
# shellcheck disable=SC2317
marked_processes() {
    local p
    for p in /proc/[0-9]*; do
        if { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "TESS_TEST_RUN=$tmp"; then
            echo "${p#/proc/} $(tr '\0' ' ' <"$p/cmdline" 2>/dev/null)"
        fi
    done
}

# shellcheck disable=SC2317
cleanup() {
    local rc=$?
    unset TESS_TEST_RUN
    # The sound server that runs now: a test that restarted it wrote the new pid. Its keeper
    # ends the tone feeder and the reader with it (tests/start-pulse.sh).
    local pid left
    pid=$(cat "$XDG_RUNTIME_DIR/pulse-test.pid" 2>/dev/null || true)
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    for _ in $(seq 1 50); do
        left=$(marked_processes)
        [ -n "$left" ] || break
        sleep 0.1
    done
    if [ -n "$left" ]; then
        # Ended and named, so the next run and the machine start clean; a leftover is a
        # fault of the test that started it, but not a reason to fail the run's results.
        echo "tools/test.sh: warning: the run left these processes running (now ended):" >&2
        echo "$left" >&2
        # shellcheck disable=SC2046
        kill -KILL $(echo "$left" | cut -d' ' -f1) 2>/dev/null || true
    fi
    rm -rf "$tmp"
    exit "$rc"
}
trap cleanup EXIT

"$root/tests/start-pulse.sh"

status=0
# -noreset: an X server resets when its last client leaves, and a program that connects during
# the reset is refused; with every test a process of its own, the suite's server would reset
# between tests (and between the window program's first probe and the toolkit's connection).
xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" \
    ctest --test-dir build-test --output-on-failure --timeout 900 "$@" || status=1

# The readers of outside data under libFuzzer: the seeds, the regressions and a short pass
# with a fixed seed (clang build in build-fuzz/). TESS_NO_FUZZ=1 leaves it out.
if [ -z "${TESS_NO_FUZZ:-}" ]; then
    "$root/tools/fuzz.sh" --ci || status=1
fi

if [ -f build/CTestTestfile.cmake ]; then
    echo "== The optimised build/ (without the realtime suites)"
    cmake --build build -j"$(nproc)"
    xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" \
        ctest --test-dir build --output-on-failure --timeout 900 -LE realtime "$@" || status=1
fi

# What failed, last, where a long log's tail shows it: for each failed test in CTest's log of
# the run, its name and its program's own words (gtest's failures with the lines after them,
# sanitizer reports, the end of a script's output).
if [ "$status" -ne 0 ]; then
    for log in build-test/Testing/Temporary/LastTest.log build/Testing/Temporary/LastTest.log; do
        [ -f "$log" ] || continue
        echo "== What failed in ${log%%/*}/"
        awk '
            /^[0-9]+\/[0-9]+ Testing: / { name = $0; n = 0; next }
            { line[++n] = $0 }
            /^Test Failed/ {
                print "-- " name
                shown = 0
                for (i = 1; i <= n; i++)
                    if (line[i] ~ /: Failure$|^\[  FAILED  \]|Sanitizer|runtime error:/)
                        for (j = (i > shown ? i : shown + 1); j <= i + 8 && j <= n; j++) {
                            print line[j]; shown = j
                        }
                if (!shown)
                    for (i = (n > 15 ? n - 15 : 1); i <= n; i++) print line[i]
            }' "$log" | tail -n 150
    done
fi

# The clean-up (on exit) ends whatever the run started and left, and names it.
exit $status
