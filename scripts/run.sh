#!/usr/bin/env bash
# Builds Korvida and starts it. Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build-app -G Ninja -DKORVIDA_TESTS=OFF -DKORVIDA_BENCH=OFF >/dev/null
cmake --build build-app -j "$(nproc)"
if [[ ! -x build-app/korvida ]]; then
  echo "korvida: the program itself is not built yet; only its libraries and tests exist." >&2
  exit 1
fi
exec build-app/korvida "$@"
