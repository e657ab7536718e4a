#!/usr/bin/env bash
# Release packages of KesUtil for x86_64 and i686, into build/release/:
#
#   KesUtil-<version>-<arch>.zip             KesUtil.exe, host-integration.md, host-link/ sources
#   KesUtil-<version>-<arch>-test-tools.zip  KesHost.exe and the stand-in kesGen32.dll
#
# One workflow preset per architecture (release-x64, release-x86) configures an
# optimised, stripped, test-free build and packs it with CPack. Then every
# package is checked: what goes where, the exe's size, sections and version
# resource, that the host-link sources build on their own, and that the
# package runs: its KesUtil.exe, with its own test-tools kesGen32.dll beside
# it (the bitness of the two must match), is started under Wine by the
# stand-in host, converts an expression through the evaluator and ends with
# the host.
#
#   scripts/release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
./scripts/setup.sh

out=build/release
rm -f "$out"/KesUtil-*.zip "$out"/KesUtil-*.zip.sha256
for arch in x64 x86; do
  cmake --workflow --preset "release-$arch"
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/x64/CMakeCache.txt")
check=$(mktemp -d)
. scripts/wine-session.sh
trap 'kes_session_stop; rm -rf "$check"' EXIT
fail() { echo "release: $*" >&2; exit 1; }
has() { grep -qx "$2" <<<"$1"; }

for arch in x64 x86; do
  case "$arch" in
    x64) triple=x86_64-w64-mingw32 ;;
    x86) triple=i686-w64-mingw32 ;;
  esac
  main="$out/KesUtil-$version-$arch.zip"
  tools="$out/KesUtil-$version-$arch-test-tools.zip"
  [ -f "$main" ] || fail "$main was not made"
  [ -f "$tools" ] || fail "$tools was not made"

  # cmake's own archive reader: unzip is not among the installed tools.
  listing=$(cmake -E tar tf "$main")
  for f in KesUtil.exe host-integration.md host-link/hostlink/HostLink.h host-link/hostlink/HostLink.cpp; do
    has "$listing" "$f" || fail "$main lacks $f"
  done
  for f in kesGen32.dll KesHost.exe; do
    if grep -q "$f" <<<"$listing"; then fail "$main holds the test tool $f"; fi
  done
  tlisting=$(cmake -E tar tf "$tools")
  for f in kesGen32.dll KesHost.exe; do
    has "$tlisting" "$f" || fail "$tools lacks $f"
  done

  dir="$check/$arch"
  mkdir -p "$dir"
  (cd "$dir" && cmake -E tar xf "$root/$main")
  exe="$dir/KesUtil.exe"
  size=$(stat -c %s "$exe")
  [ "$size" -le 1048576 ] || fail "$arch KesUtil.exe is $size bytes, over 1 MiB"
  sections=$("$triple-objdump" -h "$exe")
  if grep -qE '^ +[0-9]+ +\.z?debug' <<<"$sections"; then fail "$arch KesUtil.exe has debug sections"; fi
  if "$triple-objdump" -t "$exe" | grep -q '^\['; then fail "$arch KesUtil.exe is not stripped"; fi
  resource=$("$triple-strings" -el "$exe")
  for s in ProductName KesUtil FileVersion ProductVersion "$version"; do
    has "$resource" "$s" || fail "$arch KesUtil.exe: version resource lacks \"$s\""
  done
  grep -q 'Microsoft.Windows.Common-Controls' "$exe" || fail "$arch KesUtil.exe lost its manifest"
  # The common controls are loaded on first use: an import would make every
  # start, a forwarding one too, pay for loading them.
  if "$triple-objdump" -p "$exe" | grep -qi 'DLL Name: comctl32'; then
    fail "$arch KesUtil.exe imports COMCTL32.dll"
  fi

  # The host-link sources must build and link on their own, as a host would
  # take them: a missing or moved include shows up here.
  cat >"$dir/LinkCheck.cpp" <<'EOF'
#include "hostlink/HostLink.h"
int main() {
    kes::host::HostLink link(L"KesUtil.exe");
    return link.Send(kes::host::CloseRequest(kes::kWindowConverter), 0) ? 0 : 1;
}
EOF
  mapfile -t units < <(find "$dir/host-link" -name '*.cpp' | sort)
  "$triple-g++-posix" -std=c++20 -Wall -Wextra -Wpedantic -Werror \
    -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 \
    -I"$dir/host-link" "$dir/LinkCheck.cpp" "${units[@]}" -static -luser32 -ladvapi32 \
    -o "$dir/LinkCheck.exe" || fail "$arch host-link sources do not build on their own"

  # Run as a host would: "2*3+0.5" goes through the evaluator's ordinal 11
  # (__stdcall on i686), and 6.5 dBm is 4.46683592150963 mW.
  (cd "$dir" && cmake -E tar xf "$root/$tools")
  cat >"$dir/run-check.txt" <<'EOF'
start 0@5@@300@4000@4500@2400@False@
wait-window "Units Converter"
set-text "Units Converter" 301 2*3+0.5
click "Units Converter" 331
expect-text "Units Converter" 303 4.46683592150963  mW
close-host
wait-exit
EOF
  kes_session_start "$root/$out/wineprefix"
  rc=0
  scripts/wine-run.sh "$dir/KesHost.exe" --script "Z:${dir//\//\\}\\run-check.txt" \
    >"$dir/run-check.log" 2>&1 || rc=$?
  kes_session_stop
  [ "$rc" -eq 0 ] || { cat "$dir/run-check.log" >&2; fail "$arch package did not convert through its evaluator"; }

  echo "release: $arch KesUtil.exe $size bytes, ${#units[@]} host-link units build alone, converts through its kesGen32.dll under Wine"
done

ls -l "$out"/KesUtil-*.zip
