#!/usr/bin/env bash
# From a fresh clone: installs what is missing, builds every lane and runs
# every test (native with ASan/UBSan, then Windows x86_64 under Wine, then a
# short soak; the i686 build is compiled and linked only, since 32-bit Wine
# cannot run here).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== native lane"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== win32 build (i686)"
cmake --preset win32 >/dev/null
cmake --build --preset win32

echo "== win64 lane under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64
. scripts/wine-session.sh
kes_session_start "$PWD/build/win64/wineprefix"
trap kes_session_stop EXIT
ctest --preset win64
kes_session_stop
trap - EXIT

# A short soak and one start storm: a leak or a lost instance fails the run.
echo "== soak (short)"
scripts/soak.sh 500 --no-build
