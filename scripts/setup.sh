#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need,
# only when something is missing (so a second run costs nothing).
set -euo pipefail

# The windows are designed in faces Wine lacks without these: fonts-wine holds
# Wine's Tahoma and MS Sans Serif (only a recommendation of wine, and the
# install below leaves recommendations out); Liberation Sans has Arial's
# metrics and is what Wine draws a missing Arial in.
packages=(cmake ninja-build g++ clang mingw-w64 wine wine64 fonts-wine fonts-liberation xvfb
          imagemagick openbox x11-utils googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The mingw compilers must exist in their -posix flavour (std::mutex for GoogleTest).
for c in x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix; do
  command -v "$c" >/dev/null || { echo "setup: $c not found" >&2; exit 1; }
done
