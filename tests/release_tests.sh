#!/usr/bin/env bash
# The release files of scripts/package.sh as a user gets them. The zip is
# unpacked into an empty folder and run from there under Wine, in a fresh
# prefix, with a non-Japanese (LANG=C) and a Japanese Windows: the version,
# pellowen-batch.exe converting the samples to the Linux build's bytes, and
# the dialog started and its Run driven from outside. The Debian package's
# control data and contents, its pellowen-batch converting the samples, and
# its manual pages rendered without a warning. The Japanese texts a user
# opens in Notepad first are CP932 with CR LF, under a name Explorer reads.
# usage: release_tests.sh DIST_DIR SOURCE_DIR WINDOWS_BUILD_DIR LINUX_PELLOWEN_BATCH WORK_DIR
set -u
if [ "$1" = --session ]; then
  mode=$2
  shift 2
else
  mode=all
fi
DIST=$(realpath "$1")
SRC=$(realpath "$2")
WIN=$(realpath "$3")
LINUX_BATCH=$(realpath "$4")
WORK=$(realpath -m "$5")
version=$(sed -n 's/^project(Pellowen VERSION \([0-9.]*\) .*/\1/p' "$SRC/CMakeLists.txt")
zip=$DIST/Pellowen-$version-win64.zip
deb=$DIST/pellowen_${version}_amd64.deb
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset LC_ALL
failed=0
fail() { failed=1; echo "FAILED: $*"; }

# The arguments of the sample conversion, run from a folder holding samples/.
SAMPLE_ARGS=(--zone 9 --input samples/sample.sim --gsi-grid samples/sample_land.par
             --jcg-grid samples/sample_sea.jhd --quiet)

# A UTF-16 text of a version resource: KEY, then its value VALUE.
has_version_value() {
  local file=$1 key=$2 value=$3 pattern="" hex
  for hex in $(printf '%s' "$key" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v) 00 00; do pattern+="\\x$hex"; done
  pattern+="(\\x00\\x00)*"
  for hex in $(printf '%s' "$value" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v) 00 00; do pattern+="\\x$hex"; done
  LC_ALL=C grep -qaP "$pattern" "$file"
}

# Everything Wine runs, in one session of the virtual X server.
session() {
  local lang=$1 dir=$WORK/zip-${1%%.*}
  export LANG=$lang
  if [ "$lang" = C ]; then export LC_CTYPE=C.UTF-8; else unset LC_CTYPE; fi
  export WINEPREFIX=$WORK/wineprefix-${lang%%.*}
  rm -rf "$WINEPREFIX" "$dir"
  mkdir -p "$dir"
  (cd "$dir" && unzip -q "$zip") || { echo "FAILED: unzip"; return 1; }
  dir=$dir/Pellowen-$version-win64
  cd "$dir" || return 1
  local status=0
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w

  echo "== version under LANG=$lang"
  local program
  for program in pellowen-batch pellowen-ntv2; do
    local printed
    printed=$(wine "./$program.exe" --version 2>/dev/null | tr -d '\r')
    [ "$printed" = "$program $version" ] || { echo "FAILED: $program.exe --version printed '$printed'"; status=1; }
  done

  echo "== pellowen-batch.exe from the zip under LANG=$lang"
  local linux=$WORK/linux out fmt want got
  for fmt in sima xybl; do
    out=out_$fmt.txt
    (cd "$linux" && "$LINUX_BATCH" "${SAMPLE_ARGS[@]}" --output-format $fmt --output $out 2>/dev/null)
    want=$?
    wine ./pellowen-batch.exe "${SAMPLE_ARGS[@]}" --output-format $fmt --output $out 2>/dev/null
    got=$?
    # Two sample points lie outside both grids.
    [ $got = 1 ] && [ $want = 1 ] || { echo "FAILED: $fmt: exit status $got, Linux $want, expected 1"; status=1; }
    local f
    for f in $out out_${fmt}_Log.txt; do
      [ -e "$linux/$f" ] || continue
      cmp -s "$f" "$linux/$f" || { echo "FAILED: $f differs from the Linux build's"; status=1; }
    done
  done
  cmp -s out_sima.txt "$SRC/tests/data/forward_sima.sim" || { echo "FAILED: the zip's SIMA output is not the known one"; status=1; }

  echo "== Pellowen.exe from the zip, driven from outside, under LANG=$lang"
  printf 'INFILETYPE   <1>\r\nSIMAINFILE   <samples\\sample.sim>\r\nOUTFILETYPE  <1>\r\nSIMAOUTFILE  <dialog_out.sim>\r\nPARAFILE     <samples\\sample_land.par>\r\nPARAKFILE    <samples\\sample_sea.jhd>\r\n' >Pellowen.env
  wine "$WIN/frontend/dialog/drive_dialog.exe" "$(winepath -w "$dir/Pellowen.exe")" 9 || status=1
  cmp -s dialog_out.sim "$SRC/tests/data/forward_sima.sim" || { echo "FAILED: the dialog's output is not the known one"; status=1; }
  # The log names its files as the settings give them; its points are the
  # Linux build's.
  if ! cmp -s <(grep -av '^#' dialog_out_Log.txt) <(grep -av '^#' "$linux/out_sima_Log.txt"); then
    echo "FAILED: the dialog's log differs from the Linux build's"; status=1
  fi
  grep -aq "^#SIMA入力ﾌｧｲﾙ *: samples\\\\sample.sim,"$'\r'"\$" <(iconv -f CP932 -t UTF-8 dialog_out_Log.txt) ||
    { echo "FAILED: the dialog's log does not name its input"; status=1; }
  # The editor the Run started is still open.
  wineserver -k 2>/dev/null
  return $status
}

if [ "$mode" != all ]; then
  session "$mode"
  exit $?
fi

# The driver of the dialog is a test program, not shipped: build it when
# the Windows build has not yet.
cmake --build "$WIN" --target drive_dialog >/dev/null || fail "cannot build drive_dialog"
rm -rf "$WORK"
mkdir -p "$WORK/linux"
cp -r "$SRC/examples" "$WORK/linux/samples"

echo "== dist/"
(cd "$DIST" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS"

echo "== the zip's contents"
readme=はじめにお読みください.txt
expected=$(printf '%s\n' LICENSE.txt Pellowen.exe README.md dialog.png guide-ja.html map.png pellowen-batch.exe pellowen-ntv2.exe "$readme" \
           samples/ $(cd "$SRC/examples" && ls | sed 's|^|samples/|') | sed "s|^|Pellowen-$version-win64/|" | LC_ALL=C sort)
listed=$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort)
[ "$listed" = "$(grep -v '/$' <<<"$expected")" ] || fail "the zip holds:"$'\n'"$listed"
unzip -q "$zip" -d "$WORK/zip-contents" || fail "unzip"
contents=$WORK/zip-contents/Pellowen-$version-win64
for f in README.md guide-ja.html dialog.png map.png "$readme"; do
  src=$SRC/$f
  [ -e "$src" ] || src=$SRC/docs/$f
  cmp -s "$contents/$f" "$src" || fail "$f in the zip is not the tree's"
done
# Stored as UTF-8 with the zip's UTF-8 flag: a Japanese Windows would read
# the name as CP932 without it.
python3 -c 'import sys, zipfile; sys.exit(sys.argv[2] not in zipfile.ZipFile(sys.argv[1]).namelist())' \
  "$zip" "Pellowen-$version-win64/$readme" || fail "$readme: its name is not marked as UTF-8 in the zip"
# Read as CP932 (a UTF-8 text read so would not say its words), every line
# ended by CR LF.
for f in "$readme" samples/README-ja.txt; do
  iconv -f CP932 -t UTF-8 "$contents/$f" 2>/dev/null | grep -q 'はじめての変換' || fail "$f is not CP932 text naming the first chapter"
  cmp -s "$contents/$f" <(LC_ALL=C sed 's/\r$//; s/$/\r/' "$contents/$f") && [ "$(tail -c 2 "$contents/$f" | od -An -tx1)" = " 0d 0a" ] ||
    fail "$f does not end every line with CR LF"
done
grep -q 'src="dialog.png"' "$contents/guide-ja.html" || fail "the guide does not show the dialog"
for program in Pellowen pellowen-batch pellowen-ntv2; do
  exe=$contents/$program.exe
  # No DLL beside the programs: they may import only Windows' own.
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' |
            grep -v -E '^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|advapi32|msvcrt|ole32|api-ms-win-.*)\.dll$')
  [ -z "$imports" ] || fail "$program.exe needs $imports"
  has_version_value "$exe" ProductName Pellowen || fail "$program.exe: product name"
  has_version_value "$exe" ProductVersion "$version" || fail "$program.exe: product version"
  has_version_value "$exe" FileVersion "$version" || fail "$program.exe: file version"
  has_version_value "$exe" OriginalFilename "$program.exe" || fail "$program.exe: original file name"
done
has_version_value "$contents/Pellowen.exe" FileDescription "Pellowen 旧日本測地系⇔世界測地系 座標変換" ||
  fail "Pellowen.exe: description"

for lang in C ja_JP.UTF-8; do
  xvfb-run -a bash "$0" --session "$lang" "$DIST" "$SRC" "$WIN" "$LINUX_BATCH" "$WORK" || failed=1
done

echo "== the Debian package"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = pellowen ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "architecture $(field Architecture)"
# Every library the programs link is a declared dependency.
depends=$(field Depends)
dpkg -x "$deb" "$WORK/deb" || fail "dpkg -x"
for lib in $(readelf -d "$WORK"/deb/usr/bin/* | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | sort -u); do
  path=$(ldconfig -p | awk -v lib="$lib" '$1 == lib && /x86-64/ {print $NF; exit}')
  # /lib is /usr/lib: dpkg knows the file under one of the two names.
  package=$( (dpkg -S "$path" || dpkg -S "$(realpath "$path")" || dpkg -S "/usr$path") 2>/dev/null | head -1 | cut -d: -f1)
  [ -n "$package" ] && sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends" | grep -qxF "$package" ||
    fail "$lib (package '$package') is not in Depends: $depends"
done
listing=$(dpkg-deb -c "$deb")
for f in usr/bin/pellowen-batch usr/bin/pellowen-ntv2 usr/share/man/man1/pellowen-batch.1.gz usr/share/man/man1/pellowen-ntv2.1.gz \
         usr/share/doc/pellowen/guide-ja.html usr/share/doc/pellowen/dialog.png usr/share/doc/pellowen/README.md \
         usr/share/doc/pellowen/copyright usr/share/doc/pellowen/examples/sample.sim usr/share/doc/pellowen/examples/sample_land.par \
         usr/share/doc/pellowen/examples/sample_sea.jhd; do
  grep -qE "^-rw[-x]r-[-x]r-[-x] root/root .* \./$f\$" <<<"$listing" || fail "$f missing from the package or not root's"
done
grep -qE '^-rwxr-xr-x root/root .* \./usr/bin/pellowen-batch$' <<<"$listing" || fail "pellowen-batch is not executable"
for program in pellowen-batch pellowen-ntv2; do
  printed=$("$WORK/deb/usr/bin/$program" --version)
  [ "$printed" = "$program $version" ] || fail "the package's $program --version printed '$printed'"
done
(
  cd "$WORK/deb/usr/share/doc/pellowen" && mkdir -p "$WORK/deb-run" && cp -r examples "$WORK/deb-run/samples" &&
  cd "$WORK/deb-run" && "$WORK/deb/usr/bin/pellowen-batch" "${SAMPLE_ARGS[@]}" --output out.sim 2>/dev/null
  [ $? = 1 ] || echo "FAILED: the package's pellowen-batch: exit status not 1"
  cmp -s out.sim "$SRC/tests/data/forward_sima.sim" || echo "FAILED: the package's pellowen-batch output is not the known one"
  (cd "$WORK/linux" && "$LINUX_BATCH" "${SAMPLE_ARGS[@]}" --output out.sim 2>/dev/null)
  cmp -s out_Log.txt "$WORK/linux/out_Log.txt" || echo "FAILED: the package's log differs from the Linux build's"
) | grep FAILED && failed=1

echo "== the manual pages"
for page in pellowen-batch pellowen-ntv2; do
  file=$WORK/deb/usr/share/man/man1/$page.1.gz
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
  text=$(MANWIDTH=80 man -l "$file" 2>/dev/null)
  grep -q "^NAME" <<<"$text" && grep -q "Pellowen $version" <<<"$text" || fail "man $page: no NAME or no version"
done

[ $failed = 0 ] && echo "release tests passed"
[ $failed = 0 ]
