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

# One test at a time: the GUI tests share the display and the prefix.
unset CTEST_PARALLEL_LEVEL
cd "$root/build/x86_64"
set +e
ctest --output-on-failure "$@"
exit $?
