# The one set of options every build of the project is configured with: the test and shipped
# builds of tools/build.sh and the product builds of tools/package.sh. Source it, then
#   quill_configure ARCH DIR [more cmake arguments...]
# configures DIR for ARCH (i686 or x86_64) and keeps an existing configuration when it was
# made from exactly the same arguments (Ninja reruns CMake by itself when a CMakeLists.txt
# changes). Warnings fail the build on CI only, so a new compiler warning never blocks local work.

QUILL_ROOT=${QUILL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# The distro's interpreter, whatever python3 a developer's PATH prefers.
quill_python() {
  if [ -x /usr/bin/python3 ]; then echo /usr/bin/python3; else command -v python3; fi
}

quill_configure() {
  local arch=$1 dir=$2; shift 2
  local werror=OFF
  [ "${CI:-}" = true ] && werror=ON
  local args=(-S "$QUILL_ROOT" -B "$dir" -G Ninja -Wno-dev
    -DCMAKE_TOOLCHAIN_FILE="$QUILL_ROOT/cmake/toolchain-$arch.cmake"
    -DQUILL_DEPS_PREFIX="$QUILL_ROOT/build/deps/$arch"
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
    -DPython3_EXECUTABLE="$(quill_python)"
    -DQUILL_WERROR=$werror "$@")
  # Every argument, in order, is what decides whether the configuration can stay.
  local stamp=$dir/quill-configure-arguments
  local wanted
  wanted=$(printf '%q\n' "${args[@]}")
  if [ -f "$dir/build.ninja" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
    return 0
  fi
  mkdir -p "$dir"
  rm -f "$stamp"
  cmake "${args[@]}" >"$dir/configure.log" 2>&1 || { cat "$dir/configure.log" >&2; return 1; }
  printf '%s\n' "$wanted" >"$stamp"
}
