#!/usr/bin/env bash
# Builds Korvelin and runs every test twice: once in the normal build, once in a clang build
# with AddressSanitizer and UndefinedBehaviorSanitizer that also runs the fuzz targets for a
# short while. CTest's summary is the last thing printed.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
(cd build && ctest --output-on-failure -j "$(nproc)")

cmake -S . -B build-sanitize -DCMAKE_CXX_COMPILER=clang++ -DKORVELIN_WERROR=ON \
  -DKORVELIN_SANITIZE=ON -DKORVELIN_FUZZ=ON -DKORVELIN_BENCH=OFF >/dev/null
cmake --build build-sanitize -j "$(nproc)"
cd build-sanitize
# Stricter than the defaults: use of a stack frame after its return, and of a static object
# before its initialisation; a stack trace with every undefined-behaviour report.
export ASAN_OPTIONS="detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
ctest --output-on-failure -j "$(nproc)"
