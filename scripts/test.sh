#!/usr/bin/env bash
# Builds Korvelin and runs every test. CTest's summary is the last thing printed.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
cd build
ctest --output-on-failure -j "$(nproc)"
