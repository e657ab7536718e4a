#!/usr/bin/env bash
# Soak and start storm of KesUtil.exe under Wine: builds the Windows x86_64
# tree, then runs KesSoak.exe (tests/soak, built to the tree's bin/) in a
# private Wine session (Xvfb + openbox + wineserver).
#
#   scripts/soak.sh [requests] [--no-build] [--seed N] [--storm-rounds 0|1|2]
#
# Default: 10,000 requests and two storm rounds; fewer requests run one storm
# round (CI: scripts/soak.sh 500 --no-build). stdout carries the soak line and
# one line per storm round; stderr the seed, the rate, progress and failures.
# The exit code is non-zero when any line does not hold, and when a line is
# missing: a run that ended early (its Wine session stopped, say) fails.
# KES_BUILD_DIR picks another build folder than build/win64.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KES_BUILD_DIR:-build/win64}"
usage() { echo "usage: $0 [requests] [--no-build] [--seed N] [--storm-rounds 0|1|2]" >&2; exit 2; }
number() { case "${1:-}" in ''|*[!0-9]*) usage ;; esac; }
args=()
build_first=1
requests=10000
rounds=""
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build_first=0 ;;
    --seed|--storm-rounds) number "${2:-}"; args+=("$1" "$2")
      [ "$1" = --storm-rounds ] && rounds=$2
      shift ;;
    *) number "$1"; args+=(--requests "$1"); requests=$1 ;;
  esac
  shift
done

if [ "$build_first" = 1 ]; then
  cmake --preset win64 -B "$build" >/dev/null
  cmake --build "$build" -j2 --target KesUtil kesGen32 KesSoak
fi

. scripts/wine-session.sh
kes_session_start "$PWD/$build/wineprefix"
out=$(mktemp)
trap 'kes_session_stop; rm -f "$out"' EXIT
start=$(date +%s)
rc=0
LC_ALL=C.UTF-8 scripts/wine-run.sh "$build/bin/KesSoak.exe" "${args[@]}" | tee "$out" || rc=$?
# Every line the run owes: the soak line when it sends requests, one line per
# storm round (KesSoak's default: two from 10,000 requests on, else one).
[ -n "$rounds" ] || rounds=$(( 10#$requests >= 10000 ? 2 : 1 ))
soak_lines=$(grep -c '^soak: [0-9]* requests, ' "$out" || true)
storm_lines=$(grep -c '^storm: [0-9]* starts, ' "$out" || true)
if [ "$soak_lines" -ne $(( 10#$requests > 0 ? 1 : 0 )) ] || [ "$storm_lines" -ne "$rounds" ]; then
  echo "soak.sh: the run ended early (KesSoak.exe exit code $rc): $soak_lines soak line(s)," \
    "$storm_lines of $rounds storm line(s)" >&2
  [ "$rc" -ne 0 ] || rc=1
fi
# Without a window manager Wine waits for every window it hides: say so.
if [ -n "$kes_session_wm" ] && ! kill -0 "$kes_session_wm" 2>/dev/null; then
  echo "soak.sh: the window manager ended during the run; its figures are not comparable" >&2
fi
echo "soak.sh: $(( $(date +%s) - start )) s under Wine, exit code $rc" >&2
exit "$rc"
