#!/usr/bin/env bash
# Installs every dependency (Debian 12) and builds the program into build/.
# After it, build/tessaray runs the program.
set -euo pipefail
cd "$(dirname "$0")/.."

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

mapfile -t pkgs < <(grep -v '^\s*#' tools/packages.txt | grep -v '^\s*$')
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${pkgs[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESS_TESTS=ON -DTESS_BENCH=ON
cmake --build build -j"$(nproc)"
echo "Built: build/tessaray"
