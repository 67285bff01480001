#!/usr/bin/env bash
# Runs every fuzz target for longer than the test command does: ./scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
./scripts/install-deps.sh
cmake -S . -B build-sanitize -DCMAKE_CXX_COMPILER=clang++ -DKORVELIN_WERROR=ON \
  -DKORVELIN_SANITIZE=ON -DKORVELIN_FUZZ=ON -DKORVELIN_BENCH=OFF \
  -DKORVELIN_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build build-sanitize -j "$(nproc)"
cd build-sanitize
ctest --output-on-failure -j "$(nproc)" -L fuzz
