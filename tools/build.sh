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

# Warnings fail the build on CI only, so a new compiler warning never blocks local work.
werror=OFF
[ "${CI:-}" = true ] && werror=ON

# The distro's interpreter, whatever python3 a developer's PATH prefers.
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3)

configure() {  # $1 = arch, then extra cmake arguments
  local arch=$1; shift
  local dir=$root/build/$arch
  # An existing configuration with the same settings is kept; Ninja reruns CMake by itself
  # whenever a CMakeLists.txt changes.
  if [ -f "$dir/build.ninja" ] && grep -qx "QUILL_WERROR:BOOL=$werror" "$dir/CMakeCache.txt" 2>/dev/null &&
     grep -qx "QUILL_TESTS:BOOL=$tests" "$dir/CMakeCache.txt" 2>/dev/null; then
    return 0
  fi
  cmake -S "$root" -B "$dir" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
    -DQUILL_DEPS_PREFIX="$root/build/deps/$arch" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DPython3_EXECUTABLE="$python" \
    -DQUILL_WERROR=$werror "$@" >/dev/null
}

# The i686 test programs cannot run here; CI still builds them, so every 32-bit-only branch
# (the stdcall stack check, say) at least compiles and links.
tests=ON configure x86_64 -DQUILL_TESTS=ON
i686tests=OFF
[ "${CI:-}" = true ] && i686tests=ON
tests=$i686tests configure i686 -DQUILL_TESTS=$i686tests

# Two cores on these machines; more jobs only make the builds fight.
jobs=${QUILL_JOBS:-2}
cmake --build build/x86_64 -j "$jobs"
cmake --build build/i686 -j "$jobs"
