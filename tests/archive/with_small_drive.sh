#!/bin/sh
# Runs a test program with drive R: on a 256 KiB tmpfs, for the full-volume cases.
# Exits 77 (ctest: skipped) when no tmpfs can be mounted here.
#   with_small_drive.sh EMULATOR PROGRAM [ARGS...]
[ -n "${WINEPREFIX:-}" ] || { echo "with_small_drive: WINEPREFIX is not set" >&2; exit 125; }
dir=$(mktemp -d "${QUILL_RUN_TMP:-${TMPDIR:-/tmp}}/small-drive.XXXXXX") || exit 125
if ! mount -t tmpfs -o size=256k tmpfs "$dir" 2>/dev/null; then
  rmdir "$dir"
  echo "with_small_drive: cannot mount a tmpfs here; skipped"
  exit 77
fi
link=$WINEPREFIX/dosdevices/r:
ln -sfn "$dir" "$link"
QUILL_SMALL_DRIVE=R: "$@"
rc=$?
rm -f "$link"
umount -l "$dir"
rmdir "$dir"
exit $rc
