#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"; shift || true
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
for t in "${targets[@]}"; do
  corpus="build/fuzz/corpus/$t"
  mkdir -p "$corpus"
  echo "fuzz: $t for ${seconds}s"
  # The repo's seeds are read, new inputs go to the build tree's corpus.
  "build/fuzz/tests/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="build/fuzz/$t-" "$corpus" "tests/fuzz/corpus/$t" 2>&1 | tail -n 12
done
