#!/usr/bin/env bash
# Installs what is missing, builds Korvelin's benchmark program in release mode into
# build-release/ (the test build in build/ stays as it is), and runs it. It prints Google
# Benchmark's table, then one line per figure: its name, the ratio measured in this run, the
# goal and whether the goal was met. Arguments go to the program (--benchmark_filter=...).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DKORVELIN_WERROR=ON \
  -DKORVELIN_TESTS=OFF >/dev/null
cmake --build build-release -j "$(nproc)" --target korvelin_bench
./build-release/bench/korvelin_bench "$@"
