#!/usr/bin/env bash
# The one build of Korvida in build/ that scripts/run.sh and scripts/test.sh share:
# both configure it with the same compiler flags, so whichever runs first compiles
# the libraries and the other reuses them.
#   scripts/build.sh program   the program only (its libraries and korvida)
#   scripts/build.sh tests     everything: the program, the tests and the benchmarks
# Test builds carry no full debug information: it costs a sixth of the build time
# and nothing here needs it (the sanitizer build, build-asan/, is separate).
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-program}
dir=build
flags=(-G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG")
jobs=${KORVIDA_JOBS:-$(nproc)}

first=0
[[ -f "$dir/build.ninja" ]] || first=1

case "$what" in
  program)
    # A build the tests already configured keeps its options; a new one leaves the
    # tests out, so that starting the program needs no test tools.
    if ((first)); then
      echo "== First build of Korvida into $dir/: the program's libraries and the program," \
           "on $jobs cores (a few minutes). scripts/test.sh reuses it and compiles only the tests."
      cmake -S . -B "$dir" "${flags[@]}" -DKORVIDA_TESTS=OFF -DKORVIDA_BENCH=OFF >/dev/null
    fi
    target=(--target korvida)
    ;;
  tests)
    if ((first)); then
      echo "== First build of Korvida into $dir/: the libraries, the program, the tests and" \
           "the benchmarks, on $jobs cores (several minutes). Later runs compile only what changed."
    elif ! grep -q '^KORVIDA_TESTS:BOOL=ON' "$dir/CMakeCache.txt"; then
      echo "== Adding the tests and the benchmarks to the build in $dir/ (the program's" \
           "libraries are already compiled)."
    fi
    cmake -S . -B "$dir" "${flags[@]}" -DKORVIDA_TESTS=ON -DKORVIDA_BENCH=ON >/dev/null
    target=()
    ;;
  *)
    echo "usage: scripts/build.sh [program|tests]" >&2
    exit 2
    ;;
esac

cmake --build "$dir" -j "$jobs" "${target[@]}"
