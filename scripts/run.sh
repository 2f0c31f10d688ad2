#!/usr/bin/env bash
# Builds Korvida (the build in build/ that scripts/test.sh shares) and starts it.
# Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh program
if [[ ! -x build/korvida ]]; then
  echo "korvida: the program itself is not built yet; only its libraries and tests exist." >&2
  exit 1
fi
exec build/korvida "$@"
