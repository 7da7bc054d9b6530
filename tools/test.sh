#!/usr/bin/env bash
# Builds everything and runs every test (GoogleTest unit tests and GUI tests) under wine64 in
# a private Wine prefix and Xvfb, which are removed again at the end, also on failure.
# Arguments go to ctest, e.g.: tools/test.sh -R archive     tools/test.sh -L gui
# The exit code is ctest's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/build.sh"

source "$root/tools/wine-env.sh"
quill_env_start
quill_desktop_keep

# Two at a time: the GUI tests one after another in this environment, the unit tests one after
# another in one of their own (their fixture's), the host-side checks beside them.
cd "$root/build/x86_64"
set +e
ctest --output-on-failure -j "${QUILL_TEST_JOBS:-2}" "$@"
exit $?
