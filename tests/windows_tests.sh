#!/usr/bin/env bash
# The Windows programs under Wine in a virtual X server: the dialog driven
# from inside, the command-line tests against pellowen-batch.exe, and the
# same conversions by the Linux and the Windows build compared byte for byte.
# Runs once with a non-Japanese Windows (LANG=C: ANSI code page 1252; file
# names on the disk stay UTF-8 through LC_CTYPE, else Wine could not name
# files in kanji at all) and once with a Japanese one.
# usage: windows_tests.sh WINDOWS_BUILD_DIR SOURCE_DIR LINUX_PELLOWEN_BATCH
set -u
mode=all
if [ "$1" = --session ]; then
  mode=$2
  shift 2
fi
WIN=$(realpath "$1")
SRC=$(realpath "$2")
LINUX_BATCH=$(realpath "$3")
export WINEPREFIX="$WIN/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset LC_ALL
failed=0

# Everything Wine runs in one session of the virtual X server, so that the
# Wine server started here is the one with a display.
session() {
  local lang=$1
  export LANG=$lang
  if [ "$lang" = C ]; then export LC_CTYPE=C.UTF-8; else unset LC_CTYPE; fi
  # Windows without a window manager: unmanaged, so that closing a window
  # does not wait for a manager that never answers.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  local status=0

  echo "== dialog under LANG=$lang"
  wine "$WIN/frontend/dialog/dialog_tests.exe" "$(winepath -w "$SRC")" || status=1

  echo "== same bytes as the Linux build under LANG=$lang"
  local work
  work=$(mktemp -d)
  cp "$SRC"/examples/* "$work"/
  (
    # Each build in a folder of its own, with the same names, so that the
    # logs, which name their files, can be compared whole.
    cd "$work" || exit 1
    mkdir linux windows
    local n=0 bad=0
    for dir in tokyo-to-jgd jgd-to-tokyo; do
      for input in sample.sim sample_jgd.sim sample_xy.csv; do
        for fmt in sima xybl; do
          for decimals in 3 8; do
            n=$((n + 1))
            args=(--zone 9 --direction $dir --decimals $decimals --input ../$input --output-format $fmt
                  --gsi-grid ../sample_land.par --jcg-grid ../sample_sea.jhd --quiet --output "out$n.txt" --map)
            (cd linux && "$LINUX_BATCH" "${args[@]}" 2>/dev/null)
            linux_status=$?
            (cd windows && wine "$WIN/cli/pellowen-batch.exe" "${args[@]}" 2>/dev/null)
            windows_status=$?
            [ $linux_status = $windows_status ] || { echo "FAILED: exit status $windows_status, Linux $linux_status"; bad=1; }
          done
        done
      done
    done
    for f in linux/*; do
      cmp -s "$f" "windows/${f#linux/}" || { echo "FAILED: ${f#linux/} differs"; bad=1; }
    done
    echo "$n conversions, $(ls linux | wc -l) files compared"
    [ "$(ls linux | wc -l)" -ge $n ] || { echo "FAILED: outputs missing"; bad=1; }
    [ "$(ls linux/*_map.geojson 2>/dev/null | wc -l)" = $n ] || { echo "FAILED: map files missing"; bad=1; }
    exit $bad
  ) || status=1
  rm -rf "$work"

  # Without a correction file, with one, and with the map file asked for:
  # the settings the Run saves are the ones it was started with, which
  # pellowen-batch reads.
  local extra
  for extra in '' 'CORRFILE     <sample_correction.par>\r\n' 'MAPFILE      <1>\r\n'; do
    echo "== Pellowen.exe driven from outside under LANG=$lang${extra:+, with ${extra%% *}}"
    work=$(mktemp -d)
    (
      cd "$work" || exit 1
      mkdir dialog linux
      for d in dialog linux; do
        cp "$SRC"/examples/* $d/
        printf 'INFILETYPE   <1>\r\nSIMAINFILE   <sample.sim>\r\nOUTFILETYPE  <1>\r\nSIMAOUTFILE  <out.sim>\r\nPARAFILE     <sample_land.par>\r\nPARAKFILE    <sample_sea.jhd>\r\n'"$extra" >$d/Pellowen.env
      done
      (cd dialog && wine "$WIN/frontend/dialog/drive_dialog.exe" "$(winepath -w "$WIN/frontend/dialog/Pellowen.exe")" 9) || exit 1
      (cd linux && "$LINUX_BATCH" --settings Pellowen.env --zone 9 --quiet 2>/dev/null)
      bad=0
      for f in out.sim out_Log.txt Pellowen.env; do
        cmp -s "dialog/$f" "linux/$f" || { echo "FAILED: $f from the dialog differs from the Linux build's"; bad=1; }
      done
      # The map file exactly when the settings ask for it, the same bytes.
      if [ "${extra%% *}" = MAPFILE ]; then
        [ -f linux/out_map.geojson ] && cmp -s dialog/out_map.geojson linux/out_map.geojson ||
          { echo "FAILED: out_map.geojson from the dialog differs from the Linux build's"; bad=1; }
      elif [ -e dialog/out_map.geojson ]; then
        echo "FAILED: the dialog wrote a map file not asked for"; bad=1
      fi
      if [ "${extra%% *}" = CORRFILE ] && ! LC_ALL=C grep -aq '^#.*1     : sample_correction.par,' linux/out_Log.txt; then
        echo "FAILED: the log does not name the correction file"; bad=1
      fi
      exit $bad
    ) || status=1
    rm -rf "$work"
  done
  # The editor the Run started is still open.
  wineserver -k 2>/dev/null
  return $status
}

if [ "$mode" != all ]; then
  session "$mode"
  exit $?
fi

# A console that shows Japanese: the Windows program writes CP932 to it,
# and this wrapper shows it as the UTF-8 the command-line tests expect.
wrapper=$(mktemp)
cat >"$wrapper" <<WRAP
#!/usr/bin/env bash
err=\$(mktemp)
LC_ALL=ja_JP.UTF-8 wine "$WIN/cli/pellowen-batch.exe" "\$@" 2>"\$err"
status=\$?
# The console ends lines with CR LF; the tests compare lines as on Linux.
iconv -f CP932 -t UTF-8 "\$err" | tr -d "\\r" >&2
rm -f "\$err"
exit \$status
WRAP
chmod +x "$wrapper"

for lang in C ja_JP.UTF-8; do
  xvfb-run -a bash "$0" --session "$lang" "$WIN" "$SRC" "$LINUX_BATCH" || failed=1
done
echo "== command-line tests against pellowen-batch.exe"
# One wine server for the whole series of short runs: left to itself it
# exits a few seconds after each last client, and a run that starts just
# then loses its connection ("wine client error") and fails for no reason
# of the program's.
wineserver -p
PELLOWEN_UNDER_WINE=1 xvfb-run -a bash "$SRC/tests/cli_tests.sh" "$wrapper" "$SRC" || failed=1
wineserver -k 2>/dev/null
rm -f "$wrapper"
[ $failed = 0 ]
