#!/usr/bin/env bash
# Packages your own product: checks it, then builds the shipped 32-bit installer (and the
# 64-bit one the tests run) that installs it, into dist/.
#
#   bash tools/package.sh --product PRODUCT.zip|FOLDER --name NAME --folder PREFIX \
#        [--button JPG] [--hover JPG] [--finish JPG] [--logo JPG] [--icon ICO] \
#        [--version X.Y.Z.W] [--copyright TEXT] [--advice TEXT_FILE]
#        [--sign CERT.pfx --sign-password-file FILE [--timestamp URL]]
#
#   --product  the product: a ZIP archive, or a folder (packed with GBK names)
#   --name     product name; NAME.exe at the product's root is what the installer starts,
#              and the desktop shortcut and the install folder's last level are called NAME
#   --folder   install-folder prefix: the default install folder is D:\PREFIX\NAME
#   --button, --hover, --finish   start button, its picture under the pointer, finish
#              button: JPEG 220 x 80 each
#   --logo     JPEG 424 x 534, shown stretched to 211 x 211
#   --icon     the application icon (.ico)
#   --version  the product's version, one to four numbers 0-65535 joined by dots (default
#              1.0.0.0): the programs' version information and the uninstall entry show it
#   --copyright  the copyright text of the programs' version information (optional)
#   --advice   text file (UTF-8 or GBK) of the advice shown before installing, in place of
#              the installer's own: at most 12 lines of at most 48 GBK bytes (24 Chinese
#              characters) each
#   --sign     PKCS#12 file holding the code-signing certificate and its key: the
#              uninstaller is signed before it is embedded, the installer after it is linked
#   --sign-password-file  file whose first line is the PKCS#12 password (never on a command line)
#   --timestamp  RFC 3161 time-stamp server for the signatures (without it no network is used)
#   --dist DIR     where the installers go (default: dist/)
#   --build PATH   the build folders are PATH-i686 and PATH-x86_64 (default: build/package)
#   --arch ARCH    i686, x86_64 or both (default)
#
# Produces DIST/NAME-setup.exe (i686, the one to ship) and DIST/NAME-setup-x86_64.exe.
# The same inputs give the same bytes from any build folder; the executables' link time is
# SOURCE_DATE_EPOCH when the environment sets it, else zero.
# Nothing is built when a check fails; each problem is named on its own line (exit code 1).
# The same build is reachable with CMake options alone: QUILL_PRODUCT, QUILL_PRODUCT_NAME,
# QUILL_FOLDER_PREFIX, QUILL_PICTURE_BUTTON/HOVER/FINISH/LOGO, QUILL_ICON,
# QUILL_PRODUCT_VERSION, QUILL_COPYRIGHT and QUILL_ADVICE.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  sed -n '4,38p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

product= product_given= name= name_given= folder= folder_given= version= version_given= copyright= advice= sign= sign_pass= timestamp= dist=$root/dist build=$root/build/package arch=both
declare -A picture=()
abs() { [ -z "$1" ] || realpath -m -- "$1"; }  # paths are the caller's, relative to where it stands
# Options given an empty value; the checks of the name, the prefix and the version name those
# three themselves.
empty=()
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in --name|--folder|--version) ;; *) [ -n "$2" ] || empty+=("$1") ;; esac
  case $1 in
    --product) product=$(abs "$2") product_given=1 ;;
    --name) name=$2 name_given=1 ;;
    --folder) folder=$2 folder_given=1 ;;
    --version) version=$2 version_given=1 ;;
    --copyright) copyright=$2 ;;
    --advice) advice=$(abs "$2") ;;
    --button|--hover|--finish|--logo|--icon) picture[${1#--}]=$(abs "$2") ;;
    --sign) sign=$(abs "$2") ;;
    --sign-password-file) sign_pass=$(abs "$2") ;;
    --timestamp) timestamp=$2 ;;
    --dist) dist=$(abs "$2") ;;
    --build) build=$(abs "$2") ;;
    --arch) arch=$2 ;;
    *) usage ;;
  esac
  shift 2
done
# Given, even empty, they reach the checks below, which name what is wrong with them.
[ -n "$product_given" ] && [ -n "$name_given" ] && [ -n "$folder_given" ] || usage
case $arch in both) archs=(i686 x86_64) ;; i686|x86_64|'') archs=("$arch") ;; *) usage ;; esac

source "$root/tools/build-options.sh"
python=$(quill_python)

# What the checker and CMake are told, in the form both take.
checks=(--product="$product" --name="$name" --folder="$folder")
options=(-DQUILL_PRODUCT="$product" -DQUILL_PRODUCT_NAME="$name" -DQUILL_FOLDER_PREFIX="$folder")
for role in button hover finish logo; do
  value=${picture[$role]:-}
  [ -z "$value" ] || checks+=(--$role="$value")
  options+=(-DQUILL_PICTURE_${role^^}="$value")
done
[ -z "${picture[icon]:-}" ] || checks+=(--icon="${picture[icon]}")
options+=(-DQUILL_ICON="${picture[icon]:-}")
# Without --version the build's own default applies, whatever an earlier run left cached.
if [ -n "$version_given" ]; then
  checks+=(--version="$version")
  options+=(-DQUILL_PRODUCT_VERSION="$version")
else
  options+=(-UQUILL_PRODUCT_VERSION)
fi
[ -z "$copyright" ] || checks+=(--copyright="$copyright")
options+=(-DQUILL_COPYRIGHT="$copyright")
[ -z "$advice" ] || checks+=(--advice="$advice")
options+=(-DQUILL_ADVICE="$advice")
options+=(-DQUILL_SIGN_PFX="$sign" -DQUILL_SIGN_PASSWORD_FILE="$sign_pass" -DQUILL_SIGN_TIMESTAMP="$timestamp")
options+=(-DQUILL_SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-}")

cd "$root"
bash tools/setup.sh

# The certificate is opened once here, so a wrong password or a certificate that may not sign
# code is named before the build, not halfway through it.
signing_problems() {
  local ok=0
  if [ -z "$sign" ]; then
    [ -z "$sign_pass$timestamp" ] || { echo "package: --sign-password-file and --timestamp need --sign" >&2; ok=1; }
    return $ok
  fi
  [ -f "$sign" ] || { echo "package: --sign: no such file: $sign" >&2; return 1; }
  [ -n "$sign_pass" ] || { echo "package: --sign needs --sign-password-file" >&2; return 1; }
  [ -f "$sign_pass" ] || { echo "package: --sign-password-file: no such file: $sign_pass" >&2; return 1; }
  local cert
  if ! cert=$(openssl pkcs12 -in "$sign" -passin file:"$sign_pass" -nokeys -clcerts 2>/dev/null) ||
     ! openssl pkcs12 -in "$sign" -passin file:"$sign_pass" -nocerts -nodes 2>/dev/null | grep -q 'PRIVATE KEY'; then
    echo "package: --sign: cannot open $sign with the password in $sign_pass (wrong password or not a PKCS#12 file with a key)" >&2
    return 1
  fi
  if ! openssl x509 -noout -ext extendedKeyUsage <<<"$cert" 2>/dev/null | grep -q 'Code Signing'; then
    echo "package: --sign: the certificate in $sign is not for code signing (its extended key usage lacks codeSigning)" >&2
    return 1
  fi
  case $timestamp in ''|http://*|https://*) ;; *) echo "package: --timestamp must be an http:// or https:// URL, not '$timestamp'" >&2; return 1 ;; esac
}

# The checks before anything is built: a mistake shows in a second.
fine=1
for option in "${empty[@]}"; do
  echo "package: $option was given an empty value; give one, or leave the option out" >&2
  fine=
done
# Without a product there is nothing for the checker to look at.
if [ -z "$product" ] || ! "$python" "$root/tools/package_product.py" check "${checks[@]}"; then
  fine=
fi
signing_problems || fine=
[ -n "$fine" ] || {
  echo "package: nothing was built" >&2
  exit 1
}
for a in "${archs[@]}"; do bash tools/build-deps.sh "$a"; done

mkdir -p "$dist"
for a in "${archs[@]}"; do
  # Beside build/<arch>, at the same depth: the shared compiler cache then knows every
  # object but those of the product's own data.
  dir=$build-$a
  mkdir -p "$dir"
  # Every option is passed each time, so one left out of this run does not linger in the cache.
  quill_configure "$a" "$dir" -DQUILL_TESTS=OFF -DQUILL_PAYLOAD_ARCHIVE= "${options[@]}" || exit 1
  cmake --build "$dir" --target installer -j "${QUILL_JOBS:-2}"
  suffix=
  [ "$a" = i686 ] || suffix=-$a
  cp "$dir/flow/installer.exe" "$dist/$name-setup$suffix.exe"
  echo "package: $dist/$name-setup$suffix.exe"
done
