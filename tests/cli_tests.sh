#!/usr/bin/env bash
# pellowen-batch as a script would use it: exit statuses, messages on
# standard error, outputs, and every input left byte for byte as it was.
set -u
BIN=$(realpath "$1")
SRC=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$SRC"/examples/* "$work"/
cd "$work" || exit 1
export LC_ALL=C.UTF-8
GRIDS=(--gsi-grid sample_land.par --jcg-grid sample_sea.jhd)
passed=0
failed=0
fail() { failed=$((failed + 1)); echo "FAILED: $*"; }

# description, expected status, stderr text ("" for none), arguments...
run() {
  local what=$1 want=$2 text=$3
  shift 3
  "$BIN" "$@" >out.txt 2>err.txt
  local got=$?
  if [ "$got" = "$want" ] && { [ -z "$text" ] || grep -qF -- "$text" err.txt; }; then
    passed=$((passed + 1))
  else
    fail "$what (status $got, expected $want)"; cat err.txt
  fi
}

# A path as the runner prints it: with "\" on Windows (the counter "[k/N]"
# keeps its "/").
shown() {
  if [ -n "${PELLOWEN_UNDER_WINE:-}" ]; then
    printf '%s' "$1" | sed -e 's|/|\\|g' -e 's|^\[\([0-9]*\)\\\([0-9]*\)\]|[\1/\2]|'
  else
    printf '%s' "$1"
  fi
}

# description, expected status, actual status, [stderr text]
check() {
  if [ "$2" = "$3" ] && { [ $# -lt 4 ] || grep -qF -- "$4" err.txt; }; then
    passed=$((passed + 1))
  else
    fail "$1 (status $3, expected $2)"; cat err.txt
  fi
}

mkdir folder.sim grid_folder.jhd
cp sample.sim UPPER.SIM
cp sample.sim 'a〜b.sim'
printf 'A01,1,P,0,0,%070000d\r\n' 0 >long.sim
grep -v '境界外' <(iconv -f CP932 -t UTF-8 sample.sim) | iconv -f UTF-8 -t CP932 >inside.sim
ln -s /dev/full full.txt
{ printf '\xef\xbb\xbf'; cat sample.sim; } >bom.sim
mkdir -p 現場
inputs=$(sha256sum sample* UPPER.SIM inside.sim long.sim 'a〜b.sim' bom.sim)

# Help asked for: the usage on standard output, nothing on standard error,
# status 0 (a script may run "--help | more"). pellowen-ntv2 lies in the
# build's tools/ beside cli/; wrong arguments give it the usage on standard
# error and status 2.
"$BIN" --help >out.txt 2>err.txt
check "--help" 0 $?
grep -q "Exit status" out.txt && [ ! -s err.txt ] || fail "--help: the usage is not on standard output alone"
NTV2=$(dirname "$BIN")/../tools/pellowen-ntv2
if [ -x "$NTV2" ]; then
  for args in --help -h; do
    "$NTV2" $args >out.txt 2>err.txt
    check "pellowen-ntv2 $args" 0 $?
    grep -q "^usage: pellowen-ntv2" out.txt && [ ! -s err.txt ] || fail "pellowen-ntv2 $args: the usage is not on standard output alone"
  done
  "$NTV2" lands a b >out.txt 2>err.txt
  check "pellowen-ntv2 with wrong arguments" 2 $? "usage: pellowen-ntv2"
  [ -s out.txt ] && fail "pellowen-ntv2 with wrong arguments wrote to standard output"
  # A correction file is no land grid, and the reason is readable text.
  "$NTV2" land sample_correction.par as_land.gsb >out.txt 2>err.txt
  check "pellowen-ntv2 land with a correction file" 2 $? "sample_correction.par 変換量が小さすぎます、補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙのようです"
  [ -e as_land.gsb ] && fail "pellowen-ntv2 land with a correction file wrote its output"
elif [ -z "${PELLOWEN_UNDER_WINE:-}" ]; then
  fail "no pellowen-ntv2 at $NTV2"
fi
# The version is the project's, from CMakeLists.txt, on one line of its own.
version=$(sed -n 's/^project(Pellowen VERSION \([0-9.]*\) .*/\1/p' "$SRC/CMakeLists.txt")
"$BIN" --version >out.txt 2>err.txt
if [ $? = 0 ] && [ -n "$version" ] && [ "$(tr -d '\r' <out.txt)" = "pellowen-batch $version" ] && [ ! -s err.txt ]; then
  passed=$((passed + 1))
else
  fail "--version printed '$(cat out.txt)', expected 'pellowen-batch $version'"
fi

run "some points outside both grids" 1 "変換ｴﾗｰがあります" --zone 9 --input sample.sim --output fwd.sim "${GRIDS[@]}"
grep -q "log: fwd_Log.txt" err.txt || fail "log path not printed"
cmp -s fwd.sim "$SRC/tests/data/forward_sima.sim" || fail "forward output differs"
run "option=value form" 1 "" --zone=9 --input=sample.sim --output=eq.sim --gsi-grid=sample_land.par --jcg-grid=sample_sea.jhd
cmp -s eq.sim fwd.sim || fail "option=value output differs"
run "upper-case .SIM is SIMA" 1 "" --zone 9 --input UPPER.SIM --output UP_OUT.SIM "${GRIDS[@]}"
cmp -s UP_OUT.SIM fwd.sim || fail "upper-case .SIM output differs"
run "every point converted" 0 "変換は無事終了しました" --zone 9 --input inside.sim --output inside_out.sim "${GRIDS[@]}"
# Both directions and output formats, at the most decimals there are, where
# a sea point projected on the wrong ellipsoid shows.
for dir in tokyo-to-jgd jgd-to-tokyo; do
  for fmt in sima xybl; do
    run "xy input, $dir, $fmt output" 1 "" --zone 9 --direction $dir --input sample_xy.csv --output "xy_$dir.$fmt" \
      --output-format $fmt "${GRIDS[@]}" --decimals 8
  done
  cmp -s "xy_$dir.sima" "$SRC/tests/data/cli_xy_$dir.sima" || fail "xy input, $dir, sima output differs"
  cmp -s "xy_${dir}_Log.txt" "$SRC/tests/data/cli_xy_${dir}_Log.txt" || fail "xy input, $dir, sima log differs"
  cmp -s "xy_$dir.xybl" "$SRC/tests/data/cli_xy_$dir.xybl" || fail "xy input, $dir, xybl output differs"
done
# The first and last zones are zones: their points lie outside the grids.
for z in 1 19; do
  run "zone $z" 1 "" --zone $z --input sample.sim --output "zone$z.sim" "${GRIDS[@]}"
  iconv -f CP932 -t UTF-8 "zone${z}_Log.txt" | grep -qF "#座標系              : $z," || fail "zone $z not in the log"
done
run "kanji path" 1 "" --zone 9 --input sample.sim --output 現場/結果.sim "${GRIDS[@]}"
[ -f 現場/結果_Log.txt ] || fail "kanji log missing"
iconv -f CP932 -t UTF-8 現場/結果_Log.txt | grep -q "現場/結果.sim" || fail "log header path"

# Refused or failed runs: status 2 and what is wrong.
S=(--input sample.sim --output o.sim)
run "missing input" 2 "入力SIMAファイルの指定が不当です !!" --zone 9 --input missing.sim --output o.sim "${GRIDS[@]}"
for d in 2 9 x; do
  run "decimals $d" 2 "表示桁数の指定が不当です !!" --zone 9 --decimals $d "${S[@]}" "${GRIDS[@]}"
done
# Twenty digits would wrap round to 9 were they all read.
for z in 0 -9 20 "" 18446744073709551625; do
  run "zone '$z'" 2 "座標系の指定が不当です !!" --zone "$z" "${S[@]}" "${GRIDS[@]}"
done
run "zone '+9'" 1 "" --zone +9 --input sample.sim --output plus.sim "${GRIDS[@]}"
# A path of 255 bytes is taken (here an input that is missing), one of 256 not.
name255=$(printf 'i%.0s' $(seq 251)).sim
run "path of 255 bytes" 2 "入力SIMAファイルの指定が不当です !!" --zone 9 --input "$name255" --output o.sim "${GRIDS[@]}"
run "path of 256 bytes" 2 "the path is longer than 255 bytes" --zone 9 --input "i$name255" --output o.sim "${GRIDS[@]}"
run "missing land grid" 2 "地理院パラメータファイルの指定が不当です !!" --zone 9 "${S[@]}" --gsi-grid none.par --jcg-grid sample_sea.jhd
run "sea grid that cannot be read" 2 "海保パラメータファイルが読めません !!" --zone 9 "${S[@]}" --gsi-grid sample_land.par --jcg-grid grid_folder.jhd
grep -qF "grid_folder.jhd 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!" err.txt || fail "sea grid open error not named"
run "unknown output format" 2 "出力形式の指定が不当です !!" --zone 9 "${S[@]}" "${GRIDS[@]}" --output-format csv
run "missing option" 2 "missing --output" --zone 9 --input sample.sim "${GRIDS[@]}"
run "input is a folder" 2 "folder.sim SIMA入力ﾌｧｲﾙ Open Error !!" --zone 9 --input folder.sim --output o.sim "${GRIDS[@]}"
# Wine reads a Unix device as an endless file; Windows has no such path.
if [ -z "${PELLOWEN_UNDER_WINE:-}" ]; then
  run "input is a device" 2 "/dev/zero SIMA入力ﾌｧｲﾙ Open Error !!" --zone 9 --input /dev/zero --output o.sim "${GRIDS[@]}"
  # A named pipe that nobody writes to: refused at once, not waited on.
  mkfifo fifo.sim fifo.par
  timeout 10 "$BIN" --zone 9 --input fifo.sim --output o.sim "${GRIDS[@]}" >out.txt 2>err.txt
  check "input is a named pipe" 2 $? "fifo.sim SIMA入力ﾌｧｲﾙ Open Error !!"
  timeout 10 "$BIN" --zone 9 "${S[@]}" --gsi-grid fifo.par --jcg-grid sample_sea.jhd >out.txt 2>err.txt
  check "land grid is a named pipe" 2 $? "fifo.par 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!"
fi
run "input saved in UTF-8 with its mark" 2 "bom.sim はUnicode(UTF-8/UTF-16)で保存されています、Shift_JIS(CP932)で保存し直してください !!" --zone 9 --input bom.sim --output bom_out.sim "${GRIDS[@]}"
if [ -e bom_out.sim ] || [ -e bom_out_Log.txt ]; then fail "a file written for an input in UTF-8"; fi
run "record line too long" 2 "long.sim 読込みｴﾗｰ !! 1行目が65536ﾊﾞｲﾄを超えています" --zone 9 --input long.sim --output o.sim "${GRIDS[@]}"
run "output over the input" 2 "./sample.sim 入力ﾌｧｲﾙを上書きしてしまいます !!" --zone 9 --input sample.sim --output ./sample.sim "${GRIDS[@]}"
run "missing output folder" 2 "none/o.sim SIMA出力ﾌｧｲﾙ Open Error !!" --zone 9 --input sample.sim --output none/o.sim "${GRIDS[@]}"
# A run refused before it wrote anything names no log and shows no closing
# message: the "log" may be the very grid it refused to overwrite.
while IFS='|' read -r what message args; do
  # shellcheck disable=SC2086
  run "refused: $what" 2 "$message" --zone 9 "${GRIDS[@]}" $args
  if grep -qF "log:" err.txt || grep -qF "変換ｴﾗｰがあります" err.txt; then fail "refused: $what: a log named"; cat err.txt; fi
done <<'EOF2'
xybl output over the land grid|sample_land.par 入力ﾌｧｲﾙを上書きしてしまいます !!|--input sample.sim --output sample_land.par --output-format xybl
input in Unicode|bom.sim はUnicode|--input bom.sim --output bom_out.sim
missing input file|folder.sim SIMA入力ﾌｧｲﾙ Open Error !!|--input folder.sim --output o.sim
output folder missing|none/o.sim SIMA出力ﾌｧｲﾙ Open Error !!|--input sample.sim --output none/o.sim
EOF2
# A correction file given as the land grid: refused, nothing written.
run "correction file as the land grid" 2 "sample_correction.par 変換量が小さすぎます、補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙのようです" --zone 9 --input sample.sim --output as_land.sim --gsi-grid sample_correction.par --jcg-grid sample_sea.jhd
grep -qF "地理院パラメータファイルが読めません !!" err.txt || fail "correction file as the land grid: the Run's refusal"
if [ -e as_land.sim ] || [ -e as_land_Log.txt ]; then fail "correction file as the land grid: a file was written"; fi
# Root may write anywhere it has permission bits for; /proc takes no new file.
run "read-only output folder" 2 "/proc/o.sim SIMA出力ﾌｧｲﾙ Open Error !!" --zone 9 --input sample.sim --output /proc/o.sim "${GRIDS[@]}"
run "disk full" 2 "full.txt 書込みｴﾗｰ !!" --zone 9 --input sample.sim --output full.txt "${GRIDS[@]}"
run "path not expressible in CP932" 2 "cannot be written in CP932" --zone 9 --input sample.sim --output "$(printf 'out\xf0\x9f\x98\x80.sim')" "${GRIDS[@]}"
# U+301C becomes the CP932 code that reads back as U+FF5E: another name.
# (Wine's code page tables have no best fit for it: "cannot be written".)
changes=": the path would change"
[ -n "${PELLOWEN_UNDER_WINE:-}" ] && changes=": the path "
run "input path that changes in CP932" 2 "$changes" --zone 9 --input 'a〜b.sim' --output o.sim "${GRIDS[@]}"
run "output path that changes in CP932" 2 "$changes" --zone 9 --input sample.sim --output 'out〜1.sim' "${GRIDS[@]}"
[ -e 'out～1.sim' ] && fail "a file was made under another name"

# A settings file of the dialog gives the file settings; options override them.
printf 'INFILETYPE   <1>\r\nSIMAINFILE   <sample.sim>\r\nOUTFILETYPE  <1>\r\nSIMAOUTFILE  <set.sim>\r\nPARAFILE     <sample_land.par>\r\nPARAKFILE    <sample_sea.jhd>\r\n' >set.env
cp set.env set_before.env
run "settings file" 1 "log: set_Log.txt" --settings set.env --zone 9
cmp -s set.sim "$SRC/tests/data/forward_sima.sim" || fail "output from settings differs"
run "option overrides a setting" 1 "log: set2.txt" --settings set.env --zone 9 --output set2.txt
cmp -s set.env set_before.env || fail "settings file written"
sed 's/INFILETYPE   <1>/INFILETYPE   <3>/' set.env >bad_type.env
run "settings with a bad input type" 2 "入力形式の指定が不当です !!" --settings bad_type.env --zone 9
run "input option brings its own type" 1 "" --settings bad_type.env --zone 9 --input sample.sim
printf 'INFILETYPE   <2>\r\nSIMAINFILE   <sample_xy.csv>\r\nOUTFILETYPE  <2>\r\nSIMAOUTFILE  <xy_set.txt>\r\nPARAFILE     <sample_land.par>\r\nPARAKFILE    <sample_sea.jhd>\r\n' >xy.env
run "settings with xy input and xybl output" 1 "" --settings xy.env --zone 9 --decimals 3
cmp -s <(grep -av '^#' xy_set.txt) <(grep -av '^#' "$SRC/tests/data/forward_xybl.txt") || fail "output from xy settings differs"
run "missing settings file" 2 "[ErrorMsg] 環境ﾌｧｲﾙのOpen Error !!" --settings none.env --zone 9

# Usage errors: one line saying what is wrong, then where to look; no help text.
while IFS='|' read -r args message; do
  # shellcheck disable=SC2086
  "$BIN" $args 2>err.txt >out.txt
  check "usage error: $args" 2 $? "pellowen-batch: $message"
  if [ "$(wc -l <err.txt)" != 2 ] || [ "$(sed -n 2p err.txt)" != "Try 'pellowen-batch --help'" ] || [ -s out.txt ]; then
    failed=$((failed + 1)); echo "FAILED: usage error output for: $args"; cat err.txt
  fi
done <<'EOF2'
--zone 9 --bogus|unknown option: --bogus
--zone 9 --input sample.sim --output o.sim --gsi-grid|option --gsi-grid needs a value
--zone 9 --input sample.sim --gsi-grid a --jcg-grid b|missing --output
--zone 9 sample.sim --output o.sim --gsi-grid a --jcg-grid b --input sample_jgd.sim|several inputs need --output-dir
--zone 9 sample.sim --output o.sim --output-dir d --gsi-grid a --jcg-grid b|--output and --output-dir cannot be used together
--zone 9 --output-dir d --gsi-grid a --jcg-grid b|missing --input
EOF2

# Many files in one run: each output as a single run writes it, one line per
# file, a summary, the worst status, and a failing file stops nothing.
mkdir -p many/in many/other
cp sample.sim many/in/a.sim
cp sample_jgd.sim many/in/B.SIM
cp sample.sim many/other/a.sim
cp sample_xy.csv many/in/notes.csv
"$BIN" --zone 9 "${GRIDS[@]}" --input sample.sim --output single.sim 2>err.txt
"$BIN" --zone 9 "${GRIDS[@]}" --input sample_xy.csv --output single_xy.txt 2>err.txt
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir many/out many/in missing.sim sample_xy.csv many/other/a.sim 2>err.txt
check "several files, one missing" 2 $? "5 files: 0 all converted, 3 with points not converted, 2 failed"
while IFS='|' read -r pattern; do
  grep -qF -- "$(shown "$pattern")" err.txt || { failed=$((failed + 1)); echo "FAILED: no line: $pattern"; }
done <<'EOF2'
[1/5] many/in/B.SIM -> many/out/B.sim: some points not converted
[2/5] many/in/a.sim -> many/out/a.sim: some points not converted
[3/5] missing.sim -> -: failed
[4/5] sample_xy.csv -> many/out/sample_xy.txt: some points not converted
[5/5] many/other/a.sim -> many/out/a.sim: failed
入力SIMAファイルの指定が不当です !!
many/out/a.sim: already written by an earlier input of this run
EOF2
cmp -s many/out/a.sim single.sim || { failed=$((failed + 1)); echo "FAILED: output of a file differs from a single run"; }
[ -f many/out/B_Log.txt ] && [ ! -e many/out/notes.sim ] || { failed=$((failed + 1)); echo "FAILED: logs or folder pattern"; }
cmp -s <(grep -av '^#' many/out/sample_xy.txt) <(grep -av '^#' single_xy.txt) || { failed=$((failed + 1)); echo "FAILED: xybl output differs"; }

mkdir -p clean
cp inside.sim clean/
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir clean/out clean 2>err.txt
check "one clean file" 0 $? "1 files: 1 all converted, 0 with points not converted, 0 failed"
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir clean/out --input-format xy --output-format sima many/in 2>err.txt
check "folder of xy files to sima" 1 $? "$(shown "[1/1] many/in/notes.csv -> clean/out/notes.sim")"
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir clean clean/inside.sim sample.sim 2>err.txt
check "output over its own input, the next file goes on" 2 $? "$(shown clean/inside.sim) 入力ﾌｧｲﾙを上書きしてしまいます !!"
grep -qF "$(shown "[2/2] sample.sim -> clean/sample.sim: some points not converted")" err.txt || { failed=$((failed + 1)); echo "FAILED: second file after a refusal"; }
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir clean --output-format csv sample.sim 2>err.txt
check "bad output format refused once" 2 $? "出力形式の指定が不当です !!"
[ "$(grep -c '出力形式' err.txt)" = 1 ] || { failed=$((failed + 1)); echo "FAILED: format refused more than once"; }

# No file is written twice in a run: a file whose output or log is the output
# or log of an earlier file (names compared ignoring case, as on Windows), or
# an input of the run, is refused; the earlier files' outputs stay as written.
mkdir -p clash/in clash/up clash/dst clash/dst2
cp sample.sim clash/in/p.sim
cp sample_xy.csv clash/in/p_Log.csv
cp sample_xy.csv clash/up/P_LOG.csv
while IFS='|' read -r first second; do
  rm -rf clash/out
  "$BIN" --zone 9 "${GRIDS[@]}" --output-dir clash/out "$first" 2>err.txt
  written=$(cd clash/out && sha256sum ./*)
  "$BIN" --zone 9 "${GRIDS[@]}" --output-dir clash/out "$first" "$second" 2>err.txt
  check "$second after $first" 2 $? "already written by an earlier input of this run"
  grep -F "$(shown "[2/2] $second -> ")" err.txt | grep -qF ": failed" || fail "$second after $first: not refused"
  [ "$(cd clash/out && sha256sum ./*)" = "$written" ] || fail "$second after $first: outputs of $first changed"
done <<'EOF2'
clash/in/p.sim|clash/in/p_Log.csv
clash/in/p_Log.csv|clash/in/p.sim
clash/in/p.sim|clash/up/P_LOG.csv
EOF2
# Full-width, Roman, Greek and Cyrillic letters have a case too; ア and ヂ
# differ only in a second byte that is an ASCII letter, which is no letter.
cp sample.sim clash/in/Ｐア_ⅡΩЯ.sim
cp sample.sim clash/up/ｐア_ⅱωя.sim
cp sample.sim clash/up/Ｐヂ_ⅡΩЯ.sim
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir clash/wide clash/in/Ｐア_ⅡΩЯ.sim clash/up/ｐア_ⅱωя.sim clash/up/Ｐヂ_ⅡΩЯ.sim 2>err.txt
check "names that differ only in case" 2 $? "3 files: 0 all converted, 2 with points not converted, 1 failed"
grep -qF "$(shown "[2/3] clash/up/ｐア_ⅱωя.sim -> clash/wide/ｐア_ⅱωя.sim: failed")" err.txt || fail "a name differing in case not refused"
cp sample_xy.csv clash/dst/p_Log.txt
"$BIN" --zone 9 "${GRIDS[@]}" --output-format sima --output-dir clash/dst clash/dst/p_Log.txt clash/in/p.sim 2>err.txt
check "log over an input converted earlier" 2 $? "$(shown clash/dst/p_Log.txt): would overwrite an input of this run"
cmp -s clash/dst/p_Log.txt sample_xy.csv || fail "an input converted earlier was overwritten"
cp sample_xy.csv clash/dst2/p_Log.txt
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir clash/dst2 clash/in/p_Log.csv clash/dst2/p_Log.txt 2>err.txt
check "output over an input not yet read" 2 $? "$(shown clash/dst2/p_Log.txt): would overwrite an input of this run"
cmp -s clash/dst2/p_Log.txt sample_xy.csv || fail "an input was overwritten before it was read"
# An input named ".sim" is a SIMA file with no extension: its output is ".sim.sim".
cp sample.sim .sim
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir dotted .sim 2>err.txt
check "an input named .sim" 1 $? "$(shown "[1/1] .sim -> dotted/.sim.sim: some points not converted")"
# An output folder whose name ends in a kanji whose second byte is 0x5C (表)
# ends in no separator: the outputs go inside it.
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir 表 sample.sim 2>err.txt
check "output folder ending in 0x5C as a second byte" 1 $? "$(shown "[1/1] sample.sim -> 表/sample.sim")"
[ -f 表/sample.sim ] && [ -f 表/sample_Log.txt ] || fail "outputs not inside the folder 表"

# Correction files after the shift: named in the log, a mark on every
# converted point, the same rules from a settings file and over many files.
C=(--correction sample_correction.par)
run "with a correction file" 1 "" --zone 9 --input sample.sim --output corr.sim "${GRIDS[@]}" "${C[@]}"
iconv -f CP932 -t UTF-8 corr_Log.txt >corr_log.utf8
grep -qF "#補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ1     : sample_correction.par," corr_log.utf8 || fail "correction file not in the log"
[ "$(grep -c '<国土地理院で変換>  <補正1済>\|<海上保安庁で変換>  <補正1済>' corr_log.utf8)" = 5 ] || fail "corrected points"
[ "$(grep -c '変換>  <補正1範囲外>' corr_log.utf8)" = 5 ] || fail "points outside the correction's area"
cmp -s corr.sim fwd.sim && fail "corrections changed nothing"
printf 'T\r\nMeshCode dB(sec) dL(sec) dH(m)\r\n53394500 0.01 0.02 0.03\r\n' >semidynamic.par
for k in 1 2 3 4 5 6 7 8 9 10; do cp sample_correction.par "c$k.par"; done
while IFS='|' read -r what message args; do
  # shellcheck disable=SC2086
  run "correction: $what" 2 "$message" --zone 9 --input sample.sim --output refused.sim "${GRIDS[@]}" $args
  if [ -e refused.sim ] || [ -e refused_Log.txt ]; then fail "correction: $what: a file was written"; fi
done <<'EOF2'
missing|none.par 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙの指定が不当です !!|--correction none.par
a folder|grid_folder.jhd 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!|--correction grid_folder.jhd
the land grid|sample_land.par この種類の補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙには対応していません|--correction sample_land.par
the sea grid|sample_sea.jhd 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙではありません|--correction sample_sea.jhd
semi-dynamic|semidynamic.par この種類の補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙには対応していません|--correction semidynamic.par
semi-dynamic, the Run's refusal|semidynamic.par 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙが読めません !!|--correction c1.par --correction semidynamic.par
twice|./c1.par 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙが2度指定されています !!|--correction c1.par --correction c2.par --correction ./c1.par
twice in a row|./c2.par 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙが2度指定されています !!|--correction c1.par --correction c2.par --correction ./c2.par
checked before the input type|none.par 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙの指定が不当です !!|--correction none.par --input-format csv
ten|補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙは9個までです !!|--correction c1.par --correction c2.par --correction c3.par --correction c4.par --correction c5.par --correction c6.par --correction c7.par --correction c8.par --correction c9.par --correction c10.par
EOF2
run "nine correction files" 1 "" --zone 9 --input sample.sim --output nine.sim "${GRIDS[@]}" $(for k in 1 2 3 4 5 6 7 8 9; do printf -- '--correction c%s.par ' $k; done)
# Height files change SIMA heights: any other pair of types is refused
# before anything is written, over many files for that file alone.
printf 'T\r\nMeshCode   dH(m)     0.00000\r\n53394500   0.10000   0.00000\r\n' >height.par
NEEDS_SIMA="height.par 標高の補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙはSIMA入力・SIMA出力のときだけ使えます !!"
run "height file with XY input" 2 "$NEEDS_SIMA" --zone 9 --input sample_xy.csv --output h.sim "${GRIDS[@]}" --correction height.par
run "height file with XYBL output" 2 "$NEEDS_SIMA" --zone 9 --input sample.sim --output h.txt "${GRIDS[@]}" --correction height.par
if [ -e h.sim ] || [ -e h_Log.txt ] || [ -e h.txt ]; then fail "height file refused: a file was written"; fi
"$BIN" --zone 9 "${GRIDS[@]}" --correction height.par --output-dir heights sample.sim sample_xy.csv 2>err.txt
check "height file over many files" 2 $? "2 files: 0 all converted, 1 with points not converted, 1 failed"
grep -qF "$NEEDS_SIMA" err.txt && [ ! -e heights/sample_xy.txt ] || fail "height file over many files: the XY file not refused"
run "output over a correction file" 2 "sample_correction.par 入力ﾌｧｲﾙを上書きしてしまいます !!" --zone 9 --input sample.sim --output sample_correction.par --output-format xybl "${GRIDS[@]}" "${C[@]}"
"$BIN" --zone 9 --input sample.sim --output o.sim "${GRIDS[@]}" --correction a.par --no-correction 2>err.txt >out.txt
check "--correction with --no-correction" 2 $? "cannot be used together"
{ cat set.env; printf 'CORRFILE     <sample_correction.par>\r\n'; } >corr.env
run "correction from the settings file" 1 "" --settings corr.env --zone 9 --output set_corr.sim
cmp -s set_corr.sim corr.sim || fail "correction from the settings file differs"
run "--no-correction over the settings file" 1 "" --settings corr.env --zone 9 --output set_plain.sim --no-correction
cmp -s set_plain.sim fwd.sim || fail "--no-correction output differs"
run "--correction replaces the settings' files" 1 "" --settings corr.env --zone 9 --output set_c1.sim --correction c1.par
cmp -s set_c1.sim corr.sim || fail "--correction added to the settings' files"
mkdir -p corr_many
"$BIN" --zone 9 "${GRIDS[@]}" "${C[@]}" --output-dir corr_many sample.sim 2>err.txt
check "many files with a correction file" 1 $? "1 files: 0 all converted, 1 with points not converted, 0 failed"
cmp -s corr_many/sample.sim corr.sim || fail "many files: corrected output differs"

# The README's height example: corrected heights, a point without a height
# and points outside the height file in one log; XYBL output refused.
H=(--correction sample_correction.par --correction sample_height.par)
run "with a height file" 1 "" --zone 9 --input sample.sim --output height.sim "${GRIDS[@]}" "${H[@]}"
iconv -f CP932 -t UTF-8 height_Log.txt >height_log.utf8
while IFS= read -r line; do
  grep -qxF -- "$line"$'\r' height_log.utf8 || fail "height example: no log line $line"
done <<'EOF2'
A01,1,基準点1,  -60621.549,  -26014.528,12.345,  <国土地理院で変換>  <補正1範囲外 補正2範囲外>
A01,2,基準点2,  -10727.280,   10239.406,34.692,  <国土地理院で変換>  <補正1済 補正2済>
A01,3,基準点3,  -38440.864,   23855.262,,  <国土地理院で変換>  <補正1済 補正2標高なし>
A01,10,湾奥1,  -33476.079,   -6476.439,3.038,  <国土地理院で変換>  <補正1済 補正2済>
EOF2
run "height file with XYBL output" 2 "sample_height.par 標高の補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙはSIMA入力・SIMA出力のときだけ使えます !!" \
  --zone 9 --input sample.sim --output height.txt "${GRIDS[@]}" "${H[@]}"
if [ -e height.txt ]; then fail "height file with XYBL output: a file was written"; fi

[ "$(sha256sum sample* UPPER.SIM inside.sim long.sim 'a〜b.sim' bom.sim)" = "$inputs" ] || fail "an input changed"
echo "$passed passed, $failed failed"
[ $failed = 0 ]
