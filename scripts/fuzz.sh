#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test
seconds="${1:-60}"

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKORVIDA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "$(nproc)"

status=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
  [[ -f "$target" && -x "$target" ]] || continue
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="tests/fuzz/seeds/${name#fuzz_}"
  echo "== $name for ${seconds}s"
  args=("$corpus")
  [[ -d "$seeds" ]] && args+=("$seeds")
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/$name-" "${args[@]}" 2>"build-fuzz/$name.log"; then
    tail -50 "build-fuzz/$name.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "build-fuzz/$name.log" | tail -2 || true
  fi
done
exit $status
