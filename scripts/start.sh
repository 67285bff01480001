#!/usr/bin/env bash
# Builds Korvelin and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
if [[ -x build/app/korvelin ]]; then
  exec build/app/korvelin
fi
echo "The build did not make build/app/korvelin." >&2
exit 1
