#!/usr/bin/env bash
# Builds everything and shows KesUtil working beside KesHost.exe, the stand-in
# host. With a $DISPLAY it opens the stand-in host for you to try by hand;
# without one (or with --tour) it runs a scripted tour on a private virtual
# display and leaves screenshots and a log in demo-output/.
#
#   ./scripts/demo.sh [--tour] [--no-build]
#
# KES_BUILD_DIR picks another build folder than build/win64.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KES_BUILD_DIR:-build/win64}"
tour=0
build_first=1
for arg in "$@"; do
  case "$arg" in
    --tour) tour=1 ;;
    --no-build) build_first=0 ;;
    *) echo "usage: $0 [--tour] [--no-build]" >&2; exit 2 ;;
  esac
done

if [ "$build_first" = 1 ]; then
  scripts/setup.sh
  cmake --preset win64 -B "$build" >/dev/null
  cmake --build "$build" -j2
fi
bin="$build/bin"

if [ -n "${DISPLAY:-}" ] && [ "$tour" = 0 ]; then
  echo "demo: starting the stand-in host; close its window to end the utility as well"
  exec scripts/wine-run.sh "$bin/KesHost.exe"
fi

out=demo-output
rm -rf "$out"
mkdir -p "$out"
# "log SHOT <name>" marks a moment to photograph: this script sees the line in
# the log and captures the X screen while the host holds still in the sleep
# that follows. (KesHost's own screenshot step sees only its own windows
# under Wine.)
cat >"$out/tour.txt" <<'EOF'
# A tour of every request kind, a forwarded second start, and the end with the host.
anchor 300 4000 6000 10000
log SHOT 00-host
sleep 1200

log The host starts the utility with a converter request at its anchor.
start 0@5@@300@4000@6000@10000@False@
wait-window "Units Converter" 5000
read-setting Misc Scrollbar
sleep 400
log SHOT 01-converter
sleep 1200

log Help topic 0, the parser function list, beside the converter.
open 0
wait-window "Kestrelsim Parser Function List" 3000
sleep 400
log SHOT 02-function-list
sleep 1200

log Help topic 1 with a text from the host replaces topic 0.
open 1 Spectral power between the markers: -12.5 dBm in 2.4 MHz, measured at the mixer output.
wait-window "Spectral Power in Selected Range" 3000
sleep 400
log SHOT 03-help-text
sleep 1200

log The token list of the host's parameter window.
open 6 3~Layer~1 Input~3 Mixer~5 Filter~9 Output~
wait-window "Layer Tokens" 3000
sleep 400
log SHOT 04-token-list
sleep 1200
log Closed by a request, the token window hands back the current token.
close 6
wait-no-window "Layer Tokens" 3000
expect-reply 3~3~

log A second start forwards its request over DDE and ends.
close 1
wait-no-window "Spectral Power in Selected Range" 3000
start-again 0@1@Forwarded by a second start of KesUtil.exe.@300@4000@6000@10000@False@
wait-window "Spectral Power in Selected Range" 3000
sleep 400
log SHOT 05-forwarded
sleep 1200

log Close requests, then the host goes and the utility with it.
close 5
wait-no-window "Units Converter" 3000
close-host
wait-exit 10000
wait-no-window "Spectral Power in Selected Range" 1000
expect-no-setting Misc Scrollbar
log SHOT 06-host-gone
sleep 1200
EOF

. scripts/wine-session.sh
kes_session_start "$PWD/$build/wineprefix"
trap kes_session_stop EXIT

shoot_marked() {
  [ -f "$out/tour.log" ] || return 0
  local name
  for name in $(grep -o 'ok: SHOT [A-Za-z0-9_-]*' "$out/tour.log" | awk '{print $3}'); do
    [ -f "$out/$name.png" ] || import -window root "$out/$name.png"
  done
}

echo "demo: scripted tour on display $DISPLAY"
scripts/wine-run.sh "$bin/KesHost.exe" --script "$out/tour.txt" --log "$out/tour.log" \
  --keep-going >/dev/null &
host=$!
while kill -0 "$host" 2>/dev/null; do
  shoot_marked
  sleep 0.2
done
rc=0
wait "$host" || rc=$?
shoot_marked

cat "$out/tour.log"
echo
echo "demo: screenshots in $out/:"
ls "$out"/*.png 2>/dev/null | sed 's/^/  /'
if [ "$rc" -ne 0 ]; then
  echo "demo: a step failed (exit code $rc); see the FAILED lines above" >&2
fi
exit "$rc"
