# Sourced by the test, demo and benchmark scripts: one Xvfb display (unless one
# is given) and one persistent wineserver for a whole run, so that each Wine
# program starts in a fraction of a second. kes_session_stop undoes only what
# kes_session_start started.
#
#   kes_session_start <wine prefix>
#   kes_session_stop

kes_session_xvfb=""
kes_session_wm=""
kes_session_start() {
  export WINEPREFIX="$1" KES_WINEPREFIX="$1"
  export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 90 140); do
      { [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; } && continue
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
      kes_session_xvfb=$!
      local _
      for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
      export DISPLAY=":$n"
      break
    done
  fi
  # A window manager: without one Wine waits for every hidden window's
  # withdrawn state, and screenshots show no title bars.
  if [ -n "$kes_session_xvfb" ] && command -v openbox >/dev/null; then
    # Openbox's own settings, except that new windows do not take the focus:
    # a tool window shown without activation stays inactive, as on Windows.
    local rc="$WINEPREFIX.openbox-rc.xml"
    sed 's|<focusNew>yes</focusNew>|<focusNew>no</focusNew>|' /etc/xdg/openbox/rc.xml > "$rc" 2>/dev/null
    openbox --sm-disable --config-file "$rc" </dev/null >/dev/null 2>&1 &
    kes_session_wm=$!
  fi
  # Creates the prefix on first use (the runner does that under a lock).
  "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1 || true
  # The server that program started stays while Wine's own services wind down
  # (a few seconds). A persistent one started meanwhile finds it and quits, and
  # then every later program pays a whole Wine start-up: wait for it to go first.
  timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
  # A wineserver that inherits a pipe of ctest's keeps ctest waiting: no stdio.
  wineserver -p </dev/null >/dev/null 2>&1 &
  disown 2>/dev/null || true
  # Wine's own services start with the first program and now stay: start them
  # here, without stdio, or they hold the pipes of the first test for good.
  "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

kes_session_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  [ -n "$kes_session_wm" ] && kill "$kes_session_wm" 2>/dev/null
  kes_session_wm=""
  if [ -n "$kes_session_xvfb" ]; then
    kill "$kes_session_xvfb" 2>/dev/null || true
    unset DISPLAY
    kes_session_xvfb=""
  fi
}
