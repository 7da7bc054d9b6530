#!/bin/sh
# Runs a built Windows program under wine64: ctest's CMAKE_CROSSCOMPILING_EMULATOR.
# The prefix, display and a running wineserver come from tools/test.sh (or tools/wine-env.sh);
# without a prefix of our own Wine would quietly create ~/.wine, so that is refused.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-emulator: WINEPREFIX is not set; run the tests through tools/test.sh" >&2
  echo "  (or: bash tools/wine-env.sh ctest ... in the build folder)" >&2
  exit 125
fi
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
# The Chinese locale makes the ANSI code page 936 (GBK); it needs the glibc zh_CN.UTF-8 locale.
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
exec /usr/lib/wine/wine64 "$@"
