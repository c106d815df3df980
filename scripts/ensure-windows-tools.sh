#!/usr/bin/env bash
# Installs what the Windows build and its tests under Wine need: the MinGW-w64
# compilers, 64-bit Wine, a virtual X server, a Japanese font and the
# Japanese UTF-8 locale (Wine draws Japanese only with both).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 \
  xvfb xauth fonts-ipafont-gothic locales "$@"
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "Generating the ja_JP.UTF-8 locale"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
