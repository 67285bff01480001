#!/usr/bin/env bash
# Installs what is missing, then configures and builds Korvelin into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DKORVELIN_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)"
