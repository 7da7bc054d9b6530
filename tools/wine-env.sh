#!/usr/bin/env bash
# A private Wine environment for one run: its own Xvfb, its own copy of a cached template
# prefix and that prefix's persistent wineserver, all torn down again at the end.
#
# As a library (what tools/test.sh and tools/run.sh do):
#   source tools/wine-env.sh
#   quill_env_start            # exports WINEPREFIX, DISPLAY, ... and installs an EXIT trap
#   ... wine64 commands ...
#   (quill_env_stop runs from the trap, also on failure or Ctrl-C)
#
# As a command, to run anything inside such an environment:
#   bash tools/wine-env.sh ctest -R archive --output-on-failure
#
# The template prefix is created once (wineboot, about 15 s) under build/wine-template and
# reused by every run; each run copies it (cp -a, about 1.5 s), so no run sees another's files.

QUILL_ROOT=${QUILL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
QUILL_WINE64=/usr/lib/wine/wine64
QUILL_WINESERVER=/usr/lib/wine/wineserver
# Bump when the template's preparation changes, so cached templates are rebuilt.
QUILL_TEMPLATE_VERSION=3

# The variables every wine command needs. LANG/LC_ALL stay out of the shell: set there they
# would translate the output of every other tool; cmake/wine-emulator.sh and quilltest.py add
# them to the wine commands themselves.
quill_wine_vars() {
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
}

# The system locale of every wine command: zh_CN.UTF-8 (code page 936) unless QUILL_LANG names
# another (en_US.UTF-8 is 1252, zh_TW.UTF-8 950, ja_JP.UTF-8 932).
quill_lang() { echo "${QUILL_LANG:-zh_CN.UTF-8}"; }

# Runs one wine command quietly in that locale. All three standard streams are redirected:
# Wine's helper processes inherit them and would keep a pipe open.
quill_wine_quiet() {
  LANG=$(quill_lang) LC_ALL=$(quill_lang) "$QUILL_WINE64" "$@" </dev/null >/dev/null 2>&1
}

# Starts the persistent wineserver of $WINEPREFIX and one trivial program, so later wine
# commands attach to a running server instead of each starting (and lingering in) their own.
quill_server_start() {
  "$QUILL_WINESERVER" -p </dev/null >/dev/null 2>&1
  quill_wine_quiet cmd /c exit
}

# Stops exactly $WINEPREFIX's wineserver and every Windows process in that prefix.
quill_server_stop() {
  "$QUILL_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  timeout 30 "$QUILL_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
}

# Starts Xvfb on a display number the server itself picks as free (-displayfd), so parallel
# runs never collide. Sets QUILL_XVFB_PID and exports DISPLAY.
quill_xvfb_start() {
  local fdfile=$1/displayfd
  : > "$fdfile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fdfile" </dev/null >/dev/null 2>&1 &
  QUILL_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$fdfile" ]; then
      export DISPLAY=:$(tr -d '[:space:]' < "$fdfile")
      # Until the pointer has moved once, Wine drops the first mouse click sent with
      # SendInput; one move to the far corner settles it.
      xdotool mousemove 1023 767 </dev/null >/dev/null 2>&1 || true
      return 0
    fi
    kill -0 "$QUILL_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "wine-env: Xvfb did not start" >&2
  return 1
}

# Builds the template prefix once; serialised with a lock so parallel runs don't race.
quill_template_ensure() {
  local tpl=$QUILL_ROOT/build/wine-template
  local stamp=$tpl/.quill-template-v$QUILL_TEMPLATE_VERSION
  [ -f "$stamp" ] && return 0
  mkdir -p "$QUILL_ROOT/build"
  (
    flock 9
    [ -f "$stamp" ] && exit 0
    # One template whatever locale the run asks for: Wine keeps the user's language from the
    # locale the prefix was made in, so it is always made in the default one.
    QUILL_LANG=zh_CN.UTF-8
    local work=$QUILL_ROOT/build/wine-template.new
    rm -rf "$work" "$tpl"
    mkdir -p "$work"
    export WINEPREFIX=$work
    quill_wine_vars
    "$QUILL_WINESERVER" -p </dev/null >/dev/null 2>&1
    quill_wine_quiet wineboot --init
    # Wine links the user folders (Desktop, Documents, ...) to $HOME: make them real folders
    # inside the prefix, so an installation never writes outside it.
    local d
    for d in "$work"/drive_c/users/*/*; do
      if [ -L "$d" ]; then rm -f "$d" && mkdir -p "$d"; fi
    done
    # Without marlett the caption buttons of dialogs draw as letters.
    cp /usr/share/wine/fonts/marlett.ttf "$work/drive_c/windows/Fonts/"
    # Bare Xvfb has no window manager: one virtual desktop the size of the screen holds every
    # window, and its screen coordinates equal the X ones.
    quill_wine_quiet reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    quill_wine_quiet reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
    # Windows draws one-pixel window borders black; Wine's own scheme makes them grey.
    quill_wine_quiet reg add 'HKCU\Control Panel\Colors' /v WindowFrame /d '0 0 0' /f
    # The installer draws its Chinese texts in SimSun, which every Windows carries; the
    # machine's Chinese font stands in for it, so that the window looks the same in every
    # system locale (Wine's own choice for the GB2312 set differs between them).
    quill_wine_quiet reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /d 'WenQuanYi Micro Hei' /f
    quill_server_stop   # flushes the registry to disk
    [ -f "$work/system.reg" ] && [ -d "$work/drive_c/windows" ] || { echo "wine-env: wineboot failed" >&2; exit 1; }
    touch "$work/.quill-template-v$QUILL_TEMPLATE_VERSION"
    mv "$work" "$tpl"
  ) 9>"$QUILL_ROOT/build/wine-template.lock"
}

# Makes the run folder and starts its display, prefix and server; quill_env_stop undoes it.
quill_env_create() {
  quill_wine_vars
  QUILL_RUN_DIR=$(mktemp -d /tmp/quill-run.XXXXXX)
  export QUILL_RUN_DIR
  # Wine keeps its server sockets under TMPDIR: inside the run folder they go away with it.
  mkdir -p "$QUILL_RUN_DIR/sys-tmp"
  export TMPDIR=$QUILL_RUN_DIR/sys-tmp
  quill_xvfb_start "$QUILL_RUN_DIR"
  quill_template_ensure
  cp -a "$QUILL_ROOT/build/wine-template" "$QUILL_RUN_DIR/prefix"
  mkdir -p "$QUILL_RUN_DIR/tmp"
  export WINEPREFIX=$QUILL_RUN_DIR/prefix
  export QUILL_RUN_TMP=$QUILL_RUN_DIR/tmp
  export QUILL_WINE_TEMPLATE=$QUILL_ROOT/build/wine-template
  quill_server_start
}

# The environment for the rest of this shell, torn down when it ends.
quill_env_start() {
  trap quill_env_stop EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  quill_env_create
}

# Starts the test build's desktop keeper, when it is built: without it Wine closes the desktop
# a few seconds after each windowed test program and reopens it for the next one (about a
# second per test). It ends with the prefix's wineserver.
quill_desktop_keep() {
  local keeper=$QUILL_ROOT/build/x86_64/tests/driver/desktop_keeper.exe
  [ -f "$keeper" ] || return 0
  LANG=$(quill_lang) LC_ALL=$(quill_lang) "$QUILL_WINE64" "$keeper" </dev/null >/dev/null 2>&1 &
}

quill_env_stop() {
  local rc=$?
  trap - EXIT INT TERM
  [ -n "${QUILL_RUN_DIR:-}" ] && [ -d "$QUILL_RUN_DIR" ] || return $rc
  # Any prefix below the run folder (tests may make fresh ones) gets its server stopped.
  local p
  for p in "$QUILL_RUN_DIR"/prefix $(find "$QUILL_RUN_DIR/tmp" -maxdepth 4 -name system.reg -printf '%h\n' 2>/dev/null); do
    [ -d "$p" ] && WINEPREFIX=$p quill_server_stop
  done
  if [ -n "${QUILL_XVFB_PID:-}" ]; then
    kill "$QUILL_XVFB_PID" 2>/dev/null
    wait "$QUILL_XVFB_PID" 2>/dev/null
  fi
  # A test that died may have left a mount or an immutable folder behind; neither may keep
  # the run folder from going away.
  local m
  for m in $(awk -v d="$QUILL_RUN_DIR/" 'index($2, d) == 1 {print $2}' /proc/mounts | sort -r); do
    umount -l "$m" 2>/dev/null
  done
  if ! rm -rf "$QUILL_RUN_DIR" 2>/dev/null; then
    chattr -R -i "$QUILL_RUN_DIR" 2>/dev/null
    rm -rf "$QUILL_RUN_DIR" 2>/dev/null
  fi
  return $rc
}

# Run as a command: the rest of the command line inside a fresh environment.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  [ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }
  quill_env_start
  quill_desktop_keep
  set +e
  "$@"
  exit $?
fi
