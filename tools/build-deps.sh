#!/usr/bin/env bash
# Fetches the Debian source packages of zlib and libjpeg-turbo and builds zlib, minizip
# and libjpeg-turbo as static libraries for one target, into build/deps/<arch>.
# Usage: tools/build-deps.sh x86_64|i686. Does nothing when that prefix is complete and was
# built by this recipe: the stamp names the recipe, so a prefix an older one built is built
# again from nothing.
set -euo pipefail
arch=$1
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$root/build/deps
prefix=$deps/$arch
stamp=$prefix/.complete-v2
[ -f "$stamp" ] && exit 0
rm -rf "$prefix"

src=$deps/src
mkdir -p "$src"

fetch() {  # $1 = source package; leaves its unpacked tree in $src/$1
  local pkg=$1
  [ -d "$src/$pkg" ] && return 0
  local dl=$src/dl-$pkg
  rm -rf "$dl" && mkdir -p "$dl"
  # The newest version first; a suite whose pool lacks the files makes us try the next.
  local ok=
  for v in "" $(apt-cache showsrc "$pkg" | awk '/^Version:/{print $2}' | sort -ru); do
    if (cd "$dl" && apt-get source --download-only -qq "$pkg${v:+=$v}" >/dev/null 2>&1); then ok=1; break; fi
    rm -f "$dl"/*
  done
  [ -n "$ok" ] || { echo "cannot fetch the source package $pkg" >&2; exit 1; }
  (cd "$dl" && dpkg-source -x --no-check ./*.dsc tree >/dev/null)
  mv "$dl/tree" "$src/$pkg"
  rm -rf "$dl"
}

fetch zlib
fetch libjpeg-turbo

tc=$root/cmake/toolchain-$arch.cmake
work=$deps/work-$arch
rm -rf "$work"
cmake -S "$root/tools/deps" -B "$work/zlib" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$tc" \
  -DZLIB_SRC="$src/zlib" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$work/zlib" >/dev/null
cmake --install "$work/zlib" >/dev/null

# The installer only decodes a handful of small pictures: the plain C decoder, built for size.
# The SIMD code would be some 180 KB of each installer (its dispatcher links the encoder's
# routines too) for a few milliseconds saved at start-up. No arithmetic encoder either;
# arithmetic-coded pictures are still decoded.
cmake -S "$src/libjpeg-turbo" -B "$work/jpeg" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$tc" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=0 -DENABLE_STATIC=1 -DWITH_TURBOJPEG=0 -DWITH_SIMD=0 -DWITH_ARITH_ENC=0 \
  -DCMAKE_C_FLAGS="-ffunction-sections -fdata-sections" >/dev/null
cmake --build "$work/jpeg" >/dev/null
cmake --install "$work/jpeg" >/dev/null
rm -rf "$work"
touch "$stamp"
