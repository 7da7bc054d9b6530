#!/usr/bin/env bash
# The Wine environment of tools/wine-env.sh as a ctest fixture, so that a plain ctest run in
# the build folder (`ctest -R frame_tests`) has one too: the fixture's set-up test starts a
# private environment and records it in FILE, each test that runs Windows programs takes its
# variables from there, and the clean-up test stops it again. A caller that brings its own
# environment (tools/test.sh, tools/wine-env.sh: WINEPREFIX is exported) is left alone,
# unless --own asks for an environment of the fixture's own whatever the caller brings: the
# unit tests have one, so that they run beside the GUI tests without sharing their display,
# prefix or windows.
#   wine-fixture.sh [--own] setup FILE
#   wine-fixture.sh [--own] run FILE COMMAND [ARGS...]
#   wine-fixture.sh [--own] cleanup FILE
# FILE belongs to one ctest run at a time; parallel runs go through tools/wine-env.sh.
set -euo pipefail
own=
if [ "${1:-}" = --own ]; then own=1; shift; fi
[ $# -ge 2 ] || { echo "usage: $0 [--own] setup|run|cleanup FILE [COMMAND...]" >&2; exit 2; }
action=$1 file=$2
shift 2

# The caller's environment counts only without --own.
brought() { [ -z "$own" ] && [ -n "${WINEPREFIX:-}" ]; }

# Each test is a child of the ctest run, so the set-up test records its parent as the owner:
# the clean-up test of the same run stops the environment, and one whose run ended without
# cleaning up (interrupted) is stopped by the next.
owner_alive() {
  [ -n "${QUILL_FIXTURE_OWNER:-}" ] && [ "$(cat "/proc/$QUILL_FIXTURE_OWNER/comm" 2>/dev/null)" = ctest ]
}
owned_by_this_run() { [ "${QUILL_FIXTURE_OWNER:-}" = "$PPID" ]; }

# Stops what FILE records and forgets it.
stop_recorded() {
  (
    set +e   # as far as it gets: the rest is still stopped
    # shellcheck source=/dev/null
    . "$file"
    # Xvfb only while that process is still the one the set-up started.
    [ "$(cat "/proc/${QUILL_XVFB_PID:-0}/comm" 2>/dev/null)" = Xvfb ] || QUILL_XVFB_PID=
    quill_env_stop
  )
  rm -f "$file"
}

case $action in
  run)
    if ! brought && [ -f "$file" ]; then
      # shellcheck source=/dev/null
      . "$file"
    fi
    exec "$@"
    ;;
  setup)
    brought && exit 0
    # A caller's run folder keeps its temporary files; this environment makes its own.
    if [ -n "${QUILL_RUN_DIR:-}" ] && [ "${TMPDIR:-}" = "$QUILL_RUN_DIR/sys-tmp" ]; then
      unset TMPDIR
    fi
    source "$(dirname "$0")/../tools/wine-env.sh"
    if [ -f "$file" ]; then
      if (. "$file"; owner_alive); then
        echo "wine-fixture: another ctest run in this build folder holds $file;" >&2
        echo "  wait for it, or run this one through tools/wine-env.sh" >&2
        exit 1
      fi
      stop_recorded   # what an interrupted run left behind
    fi
    trap quill_env_stop EXIT
    quill_env_create
    quill_desktop_keep
    {
      for name in WINEARCH WINEDEBUG WINEDLLOVERRIDES WINEPREFIX DISPLAY TMPDIR QUILL_RUN_DIR \
                  QUILL_RUN_TMP QUILL_WINE_TEMPLATE QUILL_XVFB_PID; do
        printf 'export %s=%q\n' "$name" "${!name}"
      done
      printf 'QUILL_FIXTURE_OWNER=%q\n' "$PPID"
    } > "$file.new"
    mv "$file.new" "$file"
    trap - EXIT
    ;;
  cleanup)
    brought && exit 0
    [ -f "$file" ] || exit 0
    (. "$file"; owned_by_this_run || ! owner_alive) || exit 0
    source "$(dirname "$0")/../tools/wine-env.sh"
    stop_recorded
    ;;
  *)
    echo "wine-fixture: unknown action $action" >&2
    exit 2
    ;;
esac
