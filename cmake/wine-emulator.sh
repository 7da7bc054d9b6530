#!/bin/sh
# Runs a built Windows program under wine64: ctest's CMAKE_CROSSCOMPILING_EMULATOR.
# The prefix, display and a running wineserver come from tools/wine-env.sh (through
# tools/test.sh, or ctest's wine.setup fixture); without a prefix of our own Wine would
# quietly create ~/.wine, so that is refused.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-emulator: WINEPREFIX is not set; run the tests with ctest in the build folder" >&2
  echo "  or tools/test.sh, and a program by hand with: bash tools/wine-env.sh COMMAND..." >&2
  exit 125
fi
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
# The Chinese locale makes the ANSI code page 936 (GBK); QUILL_LANG picks another system
# locale (en_US.UTF-8 gives 1252, zh_TW.UTF-8 950, ja_JP.UTF-8 932). Each needs its glibc locale.
export LANG="${QUILL_LANG:-zh_CN.UTF-8}"
export LC_ALL="$LANG"

# Output goes through a file: Wine's helper processes inherit the program's streams and would
# otherwise hold ctest's pipe open. The file is followed while the program runs, so a program
# that ctest stops for its time-out has shown how far it got. Once in a long while wine64
# fails before the program starts (no output, gone within a few milliseconds, far sooner than
# any program can run); that start alone is tried once more.
out=$(mktemp "${TMPDIR:-/tmp}/wine-emulator.XXXXXX")
trap 'rm -f "$out"' EXIT
for attempt in 1 2; do
  start=$(date +%s%N)
  /usr/lib/wine/wine64 "$@" </dev/null >"$out" 2>&1 &
  pid=$!
  tail -c +1 -s 0.1 --pid="$pid" -f "$out" &
  follower=$!
  wait "$pid"
  rc=$?
  elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
  wait "$follower"
  if [ "$rc" -eq 0 ] || [ -s "$out" ] || [ "$elapsed_ms" -ge 100 ] || [ "$attempt" -eq 2 ]; then
    break
  fi
  echo "wine-emulator: wine64 ended with $rc after $elapsed_ms ms before the program ran; starting it again" >&2
done
exit "$rc"
