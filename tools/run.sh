#!/usr/bin/env bash
# Builds everything and starts the x86_64 installer under wine64.
#
# With a reachable X display (DISPLAY set) the installer opens there, in a Wine prefix kept
# between runs under build/wine-run (delete that folder for a clean machine); the command
# returns when the installer ends.
# Without one, it runs on a private Xvfb in a throwaway prefix, waits for the installer's
# window, saves a screenshot to build/screenshots/run-<time>.png and prints its path.
#
# QUILL_INSTALLER=/path/to/installer.exe runs another build of the installer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/build.sh"
source "$root/tools/wine-env.sh"

paths=$root/build/x86_64/quill-paths.env
installer=${QUILL_INSTALLER:-$(sed -n 's/^QUILL_INSTALLER=//p' "$paths")}
driver=$(sed -n 's/^QUILL_DRIVER=//p' "$paths")
if [ -z "$installer" ] || [ ! -f "$installer" ]; then
  echo "run: the installer has not been built (${installer:-no installer target})" >&2
  exit 1
fi
exe_name=$(basename "$installer")

# quilldrive, quietly and with the Chinese code page, in the current prefix.
drive() {
  LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$QUILL_WINE64" "$driver" "$@" </dev/null 2>/dev/null
}

run_on_user_display() {
  quill_wine_vars
  quill_template_ensure
  local prefix=$root/build/wine-run
  if [ ! -f "$prefix/.quill-template-v$QUILL_TEMPLATE_VERSION" ]; then
    rm -rf "$prefix"
    cp -a "$root/build/wine-template" "$prefix"
  fi
  export WINEPREFIX=$prefix
  echo "run: starting $installer on $DISPLAY (prefix $prefix)"
  set +e
  (cd "$(dirname "$installer")" && LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$QUILL_WINE64" "$installer" </dev/null)
  local rc=$?
  set -e
  "$QUILL_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  echo "run: the installer ended with exit code $rc (255 means -1)"
}

run_headless() {
  quill_env_start
  local log=$QUILL_RUN_DIR/installer.log
  (cd "$(dirname "$installer")" && LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 exec "$QUILL_WINE64" "$installer" </dev/null >"$log" 2>&1) &
  local pid=$!
  local window
  if ! window=$(drive find-window --process "$exe_name" --visible --timeout 20000); then
    echo "run: no installer window appeared within 20 s" >&2
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; echo "run: the installer ended with exit code $?" >&2; }
    exit 1
  fi
  echo "run: installer window: $(cut -f2-8 <<<"$window" | tr '\t' ' ')"
  sleep 1.5   # the first paint of the skinned window
  mkdir -p "$root/build/screenshots"
  local shot=$root/build/screenshots/run-$(date +%Y%m%d-%H%M%S).png
  import -window root "$shot"
  echo "run: screenshot saved to $shot"
  # Leaving ends the installer together with the prefix's wineserver (quill_env_stop).
}

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  run_on_user_display
else
  unset DISPLAY
  run_headless
fi
