#!/usr/bin/env bash
# Starts Pellowen.exe under Wine in a virtual display, in a folder holding the
# examples and a settings file that names them, and saves a screenshot.
# usage: tools/dialog_screenshot.sh BUILD_DIR OUTPUT.png
set -euo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath "$1")
OUT=$(realpath -m "$2")
EXE="$BUILD/frontend/dialog/Pellowen.exe"
[ -f "$EXE" ] || { echo "no $EXE: build the Windows programs first" >&2; exit 2; }

export WINEPREFIX="$BUILD/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8 LC_ALL=
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$SRC"/examples/sample.sim "$SRC"/examples/sample_land.par "$SRC"/examples/sample_sea.jhd \
  "$SRC"/examples/sample_correction.par "$work"/
printf 'INFILETYPE   <1>\r\nSIMAINFILE   <sample.sim>\r\nOUTFILETYPE  <1>\r\nSIMAOUTFILE  <sample_jgd.sim>\r\nPARAFILE     <sample_land.par>\r\nPARAKFILE    <sample_sea.jhd>\r\nCORRFILE     <sample_correction.par>\r\n' \
  >"$work/Pellowen.env"

xvfb-run -a -s "-screen 0 800x700x24" bash -c '
  cd "$1"
  # The template asks for a proportional Japanese Gothic: draw it with the
  # proportional IPA Gothic, and let windows draw their own title bar.
  wine reg add "HKCU\Software\Wine\Fonts\Replacements" /v "ＭＳ Ｐゴシック" /d "IPAPGothic" /f >/dev/null 2>&1
  wine reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
  wine "$2" &
  pid=$!
  sleep ${PELLOWEN_SHOT_WAIT:-8}
  [ -n "${PELLOWEN_SHOT_DEBUG:-}" ] && xwininfo -root -tree | grep pellowen
  id=$(xwininfo -root -tree | grep "pellowen.exe" | grep "変換" | awk "{print \$1}" | head -n 1)
  import -window "${id:-root}" "$3"
  kill $pid 2>/dev/null || true
  wineserver -k 2>/dev/null || true
' _ "$work" "$EXE" "$OUT"
echo "saved $OUT"
