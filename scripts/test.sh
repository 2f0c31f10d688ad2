#!/usr/bin/env bash
# Builds Korvida and runs the whole test suite.
#   scripts/test.sh             the build in build/ that scripts/run.sh shares
#                               (scripts/build.sh), then the display tests on a
#                               virtual display (scripts/show-app.sh)
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test

export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
jobs=$(nproc)

dir=build
if [[ "${1:-}" == "--sanitize" ]]; then
  # Instrumented code cannot share objects with the normal build; it keeps line
  # tables for its reports.
  dir=build-asan
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  [[ -f "$dir/build.ninja" ]] || echo "== First sanitizer build into $dir/ (several minutes)."
  cmake -S . -B "$dir" -G Ninja -DKORVIDA_TESTS=ON -DKORVIDA_SANITIZE=ON -DKORVIDA_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g1" >/dev/null
  cmake --build "$dir" -j "$jobs"
else
  KORVIDA_JOBS=$jobs scripts/build.sh tests
fi
# The display tests type real keys into the focused window: never on the desktop
# this runs on, only on a virtual display of their own afterwards.
env -u DISPLAY ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300
if [[ "$dir" == build ]]; then
  start=$SECONDS
  scripts/show-app.sh "$dir"
  echo "== display tests: $((SECONDS - start))s"
fi
