#!/usr/bin/env bash
# Latency and footprint benchmarks of KesUtil.exe under Wine against floor programs: builds
# the Windows x86_64 tree, then runs bench/KesBench.exe in a private Wine
# session (Xvfb + openbox + wineserver) and prints medians and ratios.
#
#   scripts/bench.sh [repetitions] [--no-build]      (default 10)
#
# KES_BUILD_DIR picks another build folder than build/win64.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KES_BUILD_DIR:-build/win64}"
reps=10
build_first=1
for arg in "$@"; do
  case "$arg" in
    --no-build) build_first=0 ;;
    *[!0-9]*|"") echo "usage: $0 [repetitions] [--no-build]" >&2; exit 2 ;;
    *) reps="$arg" ;;
  esac
done

if [ "$build_first" = 1 ]; then
  cmake --preset win64 -B "$build" >/dev/null
  cmake --build "$build" -j2 --target KesUtil kesGen32 KesBench KesFloorWindow KesFloorDde
fi

. scripts/wine-session.sh
kes_session_start "$PWD/$build/wineprefix"
trap kes_session_stop EXIT
echo "bench: $(date -u +%Y-%m-%d), $(nproc) cores, $(wine64 --version 2>/dev/null || wine --version)"
LC_ALL=C.UTF-8 scripts/wine-run.sh "$build/bin/KesBench.exe" --reps "$reps"
