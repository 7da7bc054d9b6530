#!/usr/bin/env bash
# Builds everything and starts the x86_64 installer under wine64.
#
# With a reachable X display (DISPLAY set) the installer opens there, in a Wine prefix kept
# between runs under build/wine-run (delete that folder for a clean machine); the command
# returns when the installer ends.
# Without one, it runs on a private Xvfb in a throwaway prefix and drives a whole
# installation as a user would (tools/demo_install.py): it prints the install folder and its
# contents and saves screenshots before, during and after to build/screenshots/run-*.png.
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
  (cd "$(dirname "$installer")" && LANG=$(quill_lang) LC_ALL=$(quill_lang) "$QUILL_WINE64" "$installer" </dev/null)
  local rc=$?
  set -e
  "$QUILL_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  echo "run: the installer ended with exit code $rc (255 means -1)"
}

run_headless() {
  quill_env_start
  # A whole installation as a user would do it: start button, advice OK, completion prompt
  # answered with Yes; then the install folder and what it holds, and three screenshots.
  local shots=$root/build/screenshots
  mkdir -p "$shots"
  echo "run: no display; installing under a private Xvfb"
  /usr/bin/python3 "$root/tools/demo_install.py" "$installer" "$driver" "$shots" \
    | sed 's/^/run: /'
  # Leaving ends the product and the prefix's wineserver (quill_env_stop).
}

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  run_on_user_display
else
  unset DISPLAY
  run_headless
fi
