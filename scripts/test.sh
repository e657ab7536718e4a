#!/usr/bin/env bash
# From a fresh clone: installs what is missing, builds every lane and runs
# every test: native with ASan/UBSan, the fuzz targets briefly, then the
# Windows tests under Wine twice, the x86_64 build and the i686 build (each in
# a win64 prefix of its own build tree, which runs both kinds of program),
# a short soak, then one round of the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== native lane"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

# The parsers' fuzz targets, built and run briefly so that they keep building.
echo "== fuzz lane (10 s a target)"
scripts/fuzz.sh 10

. scripts/wine-session.sh
wine_lane() { # preset
  echo "== $1 lane under Wine"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
  kes_session_start "$PWD/build/$1/wineprefix"
  trap kes_session_stop EXIT
  local rc=0
  ctest --preset "$1" || rc=$?
  kes_session_stop
  trap - EXIT
  return "$rc"
}
wine_lane win64
wine_lane win32

# A short soak and one start storm: a leak or a lost instance fails the run.
# x86_64 only: its count of the utility's GDI objects reads Wine's 64-bit
# handle table layout out of the other process.
echo "== soak (short)"
scripts/soak.sh 500 --no-build

# One round of the benchmarks in the build with trace points, so that the
# benchmark, its floors and the trace points keep building and running; the
# figures of one round on a busy machine mean nothing.
echo "== benchmarks (one round, with trace points)"
scripts/bench.sh 1 --trace
