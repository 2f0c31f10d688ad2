#!/usr/bin/env bash
# Starts the program on a virtual display (Xvfb) with a graph named on the command
# line and then alone, and checks both screenshots. Usage:
#   scripts/show-app.sh [build directory]      (default: build)
# The screenshots stay in $KORVIDA_SHOT_DIR (default: build directory/shots).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || { echo "show-app: $tool is missing (apt-get install xvfb xauth xdotool imagemagick)" >&2; exit 1; }
done
[[ -f "$build/CMakeCache.txt" ]] || cmake -S . -B "$build" -G Ninja -DKORVIDA_BENCH=OFF >/dev/null
cmake --build "$build" --target korvida test_app
export KORVIDA_SHOT_DIR=${KORVIDA_SHOT_DIR:-$PWD/$build/shots}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
  "$build/tests/test_app" --gtest_filter='ShowApp.*'
