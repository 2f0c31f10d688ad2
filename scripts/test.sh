#!/usr/bin/env bash
# Builds Korvida and runs the whole test suite.
#   scripts/test.sh             normal build in build/, then the display tests on
#                               a virtual display (scripts/show-app.sh)
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test

# Test builds carry no full debug information: it costs a sixth of the build time
# and the tests need none (the sanitizer build keeps line tables for its reports).
dir=build
flags=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG")
if [[ "${1:-}" == "--sanitize" ]]; then
  dir=build-asan
  flags=(-DKORVIDA_SANITIZE=ON -DKORVIDA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g1")
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
jobs=$(nproc)

cmake -S . -B "$dir" -G Ninja -DKORVIDA_TESTS=ON "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
# The display tests type real keys into the focused window: never on the desktop
# this runs on, only on a virtual display of their own afterwards.
env -u DISPLAY ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300
if [[ "$dir" == build ]]; then
  start=$SECONDS
  scripts/show-app.sh "$dir"
  echo "== display tests: $((SECONDS - start))s"
fi
