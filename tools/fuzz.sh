#!/usr/bin/env bash
# Fuzzes every reader of outside data with libFuzzer (clang, AddressSanitizer, UBSan).
#   tools/fuzz.sh [SECONDS]   explore: each target for SECONDS (default 60), one after another,
#                             growing its corpus in build-fuzz/corpus/NAME
#   tools/fuzz.sh --ci        replay the seeds (fuzz/corpus) and regressions (fuzz/regressions)
#                             plus a short pass with a fixed seed and run count: the same inputs
#                             every time, so CI never fails on an input found by chance
#   FUZZ_TARGETS="png gif"    limits either to some targets
# A crash, leak, hang (1 s for one input) or memory blow-up stops the target; its input is
# left in build-fuzz/artifacts/NAME/. Once the fault is fixed, copy the input to
# fuzz/regressions/NAME/ so it is replayed from then on. The build goes to build-fuzz/ and
# does not touch the gcc builds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

mode=explore
seconds=60
case "${1:-}" in
--ci) mode=ci ;;
"") ;;
*[!0-9]*) echo "usage: $0 [SECONDS | --ci]" >&2; exit 2 ;;
*) seconds=$1 ;;
esac

targets=${FUZZ_TARGETS:-$(sed -n '/^set(tess_fuzz_targets/,/)/p' fuzz/CMakeLists.txt |
                          sed 's/set(tess_fuzz_targets//; s/)//' | tr -s ' \n' ' ')}

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESS_FUZZ=ON \
    -DTESS_TESTS=OFF -DTESS_BENCH=OFF "${launcher[@]}" >/dev/null
build_targets=()
for t in $targets; do build_targets+=("fuzz_$t"); done
cmake --build build-fuzz -j"${FUZZ_JOBS:-2}" --target "${build_targets[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
tmp=$(mktemp -d /tmp/tess-fuzz-run.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export TMPDIR="$tmp"

failed=()
for t in $targets; do
    dirs=()
    for d in "fuzz/corpus/$t" "fuzz/regressions/$t"; do
        if [ -d "$d" ]; then dirs+=("$root/$d"); fi
    done
    artifacts="$root/build-fuzz/artifacts/$t"
    mkdir -p "$artifacts"
    if [ "$mode" = ci ]; then
        work="$tmp/corpus-$t"
        opts=(-seed=1 -runs="${FUZZ_CI_RUNS:-3000}" -timeout=10)
    else
        work="$root/build-fuzz/corpus/$t"
        opts=(-max_total_time="$seconds" -timeout=1)
    fi
    mkdir -p "$work"
    log="$tmp/$t.log"
    start=$(date +%s.%N)
    if "build-fuzz/fuzz/fuzz_$t" "${opts[@]}" -rss_limit_mb=1536 -max_len=65536 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$work" "${dirs[@]}" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        printf '%-14s ok    %8s runs  %6.1f s\n' "$t" "${runs:-?}" \
            "$(awk "BEGIN { print $(date +%s.%N) - $start }")"
    else
        printf '%-14s FAILED (log below; input in %s)\n' "$t" "$artifacts"
        grep -v '^#[0-9]' "$log" | tail -40
        failed+=("$t")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
