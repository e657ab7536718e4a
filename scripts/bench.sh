#!/usr/bin/env bash
# Latency and footprint benchmarks of KesUtil.exe under Wine against floor
# programs: builds the Windows x86_64 tree as released (preset win64-bench:
# optimised, stripped), then runs tools/bench/KesBench.exe in a private Wine session
# (Xvfb + openbox + wineserver) and prints medians and ratios.
#
#   scripts/bench.sh [repetitions] [--no-build] [--trace]     (default 10)
#
# --trace measures the build with trace points (preset win64-trace, in
# build/win64-trace) and adds, per path, when each point was reached.
# KES_BUILD_DIR picks another build folder than build/<preset>.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=win64-bench
reps=10
build_first=1
trace=""
for arg in "$@"; do
  case "$arg" in
    --no-build) build_first=0 ;;
    --trace) preset=win64-trace; trace=--trace ;;
    *[!0-9]*|"") echo "usage: $0 [repetitions] [--no-build] [--trace]" >&2; exit 2 ;;
    *) reps="$arg" ;;
  esac
done
build="$(realpath -m "${KES_BUILD_DIR:-build/$preset}")"

if [ "$build_first" = 1 ]; then
  cmake --preset "$preset" -B "$build" >/dev/null
  cmake --build "$build" -j2 --target KesUtil kesGen32 KesBench KesFloorWindow KesFloorDde KesFloorTool
fi

. scripts/wine-session.sh
kes_session_start "$build/wineprefix"
trap kes_session_stop EXIT
echo "bench: $(date -u +%Y-%m-%d), $(nproc) cores, $(wine64 --version 2>/dev/null || wine --version)"
LC_ALL=C.UTF-8 scripts/wine-run.sh "$build/bin/KesBench.exe" --reps "$reps" $trace
