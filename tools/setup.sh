#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian 12 machine (run as root).
# Safe to run again: every step checks first whether it is already done.
set -euo pipefail

need_pkgs=(cmake ninja-build make dpkg-dev nasm googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686
           wine64 fonts-wine xvfb xauth xdotool imagemagick locales fonts-wqy-microhei python3 e2fsprogs
           osslsigncode openssl nsis)  # nsis: only the silent-install benchmark's comparison installer

missing=()
for p in "${need_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Source packages (zlib, libjpeg-turbo) come from deb-src entries.
if ! grep -rqs 'deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/ ; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > /etc/apt/sources.list.d/debian-src.sources
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/debian-src.list
  fi
  missing+=(__update__)
fi

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  pkgs=()
  for p in "${missing[@]}"; do [ "$p" = __update__ ] || pkgs+=("$p"); done
  [ ${#pkgs[@]} -eq 0 ] || apt-get install -y -qq "${pkgs[@]}" >/dev/null
fi

# Wine only honours LANG when the glibc locale exists; without it Chinese file names fail.
# zh_CN gives the tests' code page 936; the others let the same tests run on a Windows whose
# code page is 1252 (en_US), 950 (zh_TW) or 932 (ja_JP).
wanted_locales=(zh_CN en_US zh_TW ja_JP)
missing_locales=()
for l in "${wanted_locales[@]}"; do
  locale -a 2>/dev/null | grep -qi "^$l.utf8$" || missing_locales+=("$l")
done
if [ ${#missing_locales[@]} -gt 0 ]; then
  for l in "${missing_locales[@]}"; do
    sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" >> /etc/locale.gen
  done
  locale-gen >/dev/null
fi
