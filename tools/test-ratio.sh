#!/usr/bin/env bash
# Prints the C++ line counts of the tests (tests/) and of the program (the .cpp, .h and .c
# files git tracks outside tests/, bench/, fuzz/ and tools/), and their ratio; the benchmarks
# and fuzz targets are counted apart. Run from anywhere in the checkout.
set -euo pipefail
cd "$(git -C "$(dirname "$0")" rev-parse --show-toplevel)"

lines() { # the files git tracks among the given pathspecs, C and C++ only
    git ls-files -z -- "$@" | grep -zE '\.(cpp|h|c)$' | xargs -0 -r cat | wc -l
}
tests=$(lines tests)
program=$(lines . ':!tests' ':!bench' ':!fuzz' ':!tools')
other=$(lines bench fuzz)
echo "tests:   $tests"
echo "program: $program"
echo "bench and fuzz (in neither): $other"
awk -v t="$tests" -v p="$program" 'BEGIN { printf "ratio:   %.2f\n", t / p }'
