#!/usr/bin/env bash
# Builds everything: the x86_64 build with its tests (what the tests run under wine64) in
# build/x86_64, and the i686 build (the shipped 32-bit installer, compiled and linked only) in
# build/i686. Installs the packages and the dependencies first when they are missing.
# Safe and quick to run again: each step skips what is already done.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh
bash tools/build-deps.sh x86_64
bash tools/build-deps.sh i686

source "$root/tools/build-options.sh"

# The tests of the x86_64 build also look at the shipped i686 programs.
quill_configure x86_64 "$root/build/x86_64" -DQUILL_TESTS=ON -DQUILL_I686_BUILD_DIR="$root/build/i686"
# The i686 test programs cannot run here; CI still builds them, so every 32-bit-only branch
# (the stdcall stack check, say) at least compiles and links.
i686tests=OFF
[ "${CI:-}" = true ] && i686tests=ON
quill_configure i686 "$root/build/i686" -DQUILL_TESTS=$i686tests

# Two cores on these machines; more jobs only make the builds fight.
jobs=${QUILL_JOBS:-2}
cmake --build build/x86_64 -j "$jobs"
cmake --build build/i686 -j "$jobs"
