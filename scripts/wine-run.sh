#!/usr/bin/env bash
# Runs a Windows program under Wine with the build tree's private prefix.
#
#   scripts/wine-run.sh program.exe [args...]
#
# The prefix is $KES_WINEPREFIX, else <build dir>/wineprefix, where the build
# dir is the nearest folder above the program that holds CMakeCache.txt. It is
# created once (no Mono/Gecko prompts). Without $DISPLAY the command gets an
# Xvfb display of its own. Only what this script started is stopped again.
set -uo pipefail

[ $# -ge 1 ] || { echo "usage: $0 program.exe [args...]" >&2; exit 2; }

find_build_dir() {
  local d
  d=$(cd "$(dirname "$1")" 2>/dev/null && pwd) || return 1
  while [ "$d" != "/" ]; do
    [ -f "$d/CMakeCache.txt" ] && { echo "$d"; return 0; }
    d=$(dirname "$d")
  done
  return 1
}

if [ -z "${KES_WINEPREFIX:-}" ]; then
  bd=$(find_build_dir "$1") || bd="$(pwd)"
  KES_WINEPREFIX="$bd/wineprefix"
fi
export WINEPREFIX="$KES_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
export WINELOADER="$WINE"

started_xvfb=""
cleanup() { [ -n "$started_xvfb" ] && kill "$started_xvfb" 2>/dev/null; }
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    started_xvfb=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export DISPLAY=":$n"
    break
  done
fi

# One initialisation per prefix, also when ctest runs several tests at once.
# This Wine loads only the .fon faces of fonts-wine from its own data folder,
# not the TrueType ones, and falls back to DejaVu Sans, which is wider than
# the faces the windows are designed for: the prefix gets its own copies
# (also a prefix made before this step existed).
wine_fonts=/usr/share/wine/fonts
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.kes-ready" ]; then
    # A win64 prefix runs the x86_64 and the i686 programs alike (with wine32
    # installed, a prefix made without WINEARCH would be 32-bit only).
    WINEARCH=win64 "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w </dev/null >/dev/null 2>&1
    touch "$WINEPREFIX/.kes-ready"
  fi
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  for face in tahoma.ttf ms_sans_serif.ttf sserife.fon; do
    if [ -f "$wine_fonts/$face" ] && [ ! -f "$fonts/$face" ]; then
      mkdir -p "$fonts" && cp "$wine_fonts/$face" "$fonts/$face"
    fi
  done
) 9>"$WINEPREFIX.lock"

"$WINE" "$@"
rc=$?
exit $rc
