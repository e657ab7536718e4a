#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need,
# only when something is missing (so a second run costs nothing).
#
# Both Wine architectures are installed: the 64-bit one runs the x86_64 build,
# the 32-bit one (wine32:i386) the i686 build, each in a win64 prefix. apt never
# removes a package here (--no-remove): an install that would take wine64 away
# to satisfy the i386 half stops instead of silently ending the x64 lane.
set -euo pipefail

# The windows are designed in faces Wine lacks without these: fonts-wine holds
# Wine's Tahoma and MS Sans Serif (only a recommendation of wine, and the
# install below leaves recommendations out); Liberation Sans has Arial's
# metrics and is what Wine draws a missing Arial in.
packages=(cmake ninja-build g++ clang mingw-w64 wine wine64 wine32:i386 fonts-wine fonts-liberation
          xvfb imagemagick openbox x11-utils googletest clang-format)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done

apt_install() { # extra apt options..., then -- packages...
  local opts=() ; while [ "$1" != "--" ]; do opts+=("$1"); shift; done; shift
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get "${opts[@]}" install -y -qq \
    --no-install-recommends --no-remove "$@"
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  log=$(mktemp)
  if $SUDO apt-get update -qq >"$log" 2>&1 && apt_install -- "${missing[@]}" >>"$log" 2>&1; then
    :
  else
    # The security suite's i386 index is sometimes not to be had (a download of
    # the wrong size). Then the whole set comes from the main and updates
    # suites, read into lists of their own. An amd64 library already taken
    # from the security suite is pinned back to the main suite's version, so
    # that both architectures of it match.
    echo "setup: the normal install failed ($(grep -m1 -E '^(E|W):' "$log" || echo 'see apt output')); trying the main and updates suites alone"
    alt=/var/lib/apt/lists-kes-nosecurity
    $SUDO mkdir -p "$alt/partial"
    src=$(mktemp --suffix=.list)
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" >"$src"
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main" >>"$src"
    aopts=(-o "Dir::Etc::sourcelist=$src" -o "Dir::Etc::sourceparts=/nonexistent" -o "Dir::State::Lists=$alt")
    $SUDO apt-get "${aopts[@]}" update -qq >>"$log" 2>&1 || true
    if ! apt_install "${aopts[@]}" -- "${missing[@]}" >>"$log" 2>&1; then
      pins=()
      # An amd64 package whose installed version the main suites do not have
      # and that has an i386 half in the set: pin it to the candidate.
      for lib in $(dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' 2>/dev/null |
                   awk '$NF=="installed" && $1 ~ /:amd64$/ {print $1}'); do
        cand=$(apt-cache "${aopts[@]}" policy "$lib" 2>/dev/null | awk '/Candidate:/ {print $2}')
        inst=$(dpkg-query -W -f='${Version}' "$lib" 2>/dev/null)
        [ -n "$cand" ] && [ "$cand" != "(none)" ] && [ "$cand" != "$inst" ] || continue
        apt-cache "${aopts[@]}" policy "$lib" 2>/dev/null | grep -q "^ \*\*\* $inst " || continue
        dpkg --compare-versions "$inst" gt "$cand" && pins+=("$lib=$cand")
      done
      [ ${#pins[@]} -gt 0 ] && echo "setup: pinning ${pins[*]}"
      apt_install "${aopts[@]}" --allow-downgrades -- "${missing[@]}" "${pins[@]}" >>"$log" 2>&1 || {
        echo "setup: cannot install ${missing[*]}: $(grep -m1 -E '^E:' "$log" || tail -n1 "$log")" >&2
        exit 1
      }
    fi
  fi
  rm -f "$log"
fi
for p in "${packages[@]}"; do
  installed "$p" || { echo "setup: $p is still not installed" >&2; exit 1; }
done
# The mingw compilers must exist in their -posix flavour (std::mutex for GoogleTest).
for c in x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix; do
  command -v "$c" >/dev/null || { echo "setup: $c not found" >&2; exit 1; }
done
