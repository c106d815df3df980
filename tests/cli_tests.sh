#!/usr/bin/env bash
# pellowen-batch as a script would use it: exit statuses, messages on
# standard error, and files left intact.
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

check() {  # description, expected status, actual status, [stderr pattern]
  local ok=1
  [ "$2" = "$3" ] || ok=0
  if [ $# -ge 4 ] && ! grep -qF -- "$4" err.txt; then ok=0; fi
  if [ $ok = 1 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $1 (status $3, expected $2)"; cat err.txt
  fi
}

"$BIN" --help >out.txt 2>err.txt
check "help" 0 $?
grep -q "Exit status" out.txt || { failed=$((failed + 1)); echo "FAILED: help text"; }

"$BIN" --zone 9 --input sample.sim --output fwd.sim "${GRIDS[@]}" 2>err.txt
check "some points outside both grids" 1 $? "変換ｴﾗｰがあります"
grep -q "log: fwd_Log.txt" err.txt || { failed=$((failed + 1)); echo "FAILED: log path not printed"; }
cmp -s fwd.sim "$SRC/tests/data/forward_sima.sim" || { failed=$((failed + 1)); echo "FAILED: forward output differs"; }

grep -v '境界外' <(iconv -f CP932 -t UTF-8 sample.sim) | iconv -f UTF-8 -t CP932 >inside.sim
"$BIN" --zone 9 --input inside.sim --output inside_out.sim "${GRIDS[@]}" 2>err.txt
check "every point converted" 0 $? "変換は無事終了しました"

for dir in tokyo-to-jgd jgd-to-tokyo; do
  for fmt in sima xybl; do
    "$BIN" --zone 9 --direction $dir --input sample_xy.csv --output "xy_$dir.$fmt" --output-format $fmt "${GRIDS[@]}" --decimals 5 2>err.txt
    check "xy input, $dir, $fmt output" 1 $?
  done
done

"$BIN" --zone 9 --input missing.sim --output o.sim "${GRIDS[@]}" 2>err.txt
check "missing input" 2 $? "入力SIMAファイルの指定が不当です !!"
"$BIN" --zone 9 --decimals 9 --input sample.sim --output o.sim "${GRIDS[@]}" 2>err.txt
check "decimals out of range" 2 $? "表示桁数の指定が不当です !!"
"$BIN" --zone 20 --input sample.sim --output o.sim "${GRIDS[@]}" 2>err.txt
check "zone out of range" 2 $? "座標系の指定が不当です !!"
"$BIN" --zone 9 --input sample.sim --output o.sim --gsi-grid none.par --jcg-grid sample_sea.jhd 2>err.txt
check "missing land grid" 2 $? "地理院パラメータファイルの指定が不当です !!"
"$BIN" --zone 9 --input sample.sim --output o.sim "${GRIDS[@]}" --output-format csv 2>err.txt
check "unknown output format" 2 $? "出力形式の指定が不当です !!"
"$BIN" --zone 9 --input sample.sim "${GRIDS[@]}" 2>err.txt
check "missing option" 2 $? "missing --output"

mkdir folder.sim
"$BIN" --zone 9 --input folder.sim --output o.sim "${GRIDS[@]}" 2>err.txt
check "input is a folder" 2 $? "folder.sim SIMA入力ﾌｧｲﾙ Open Error !!"

cp sample.sim before.sim
"$BIN" --zone 9 --input sample.sim --output ./sample.sim "${GRIDS[@]}" 2>err.txt
check "output over the input" 2 $? "./sample.sim 入力ﾌｧｲﾙを上書きしてしまいます !!"
cmp -s sample.sim before.sim || { failed=$((failed + 1)); echo "FAILED: input changed"; }

ln -s /dev/full full.txt
"$BIN" --zone 9 --input sample.sim --output full.txt "${GRIDS[@]}" 2>err.txt
check "disk full" 2 $? "full.txt 書込みｴﾗｰ !!"

"$BIN" --zone 9 --input sample.sim --output "$(printf 'out\xf0\x9f\x98\x80.sim')" "${GRIDS[@]}" 2>err.txt
check "path not expressible in CP932" 2 $? "cannot be written in CP932"

mkdir -p 現場
"$BIN" --zone 9 --input sample.sim --output 現場/結果.sim "${GRIDS[@]}" 2>err.txt
check "kanji path" 1 $?
[ -f 現場/結果_Log.txt ] || { failed=$((failed + 1)); echo "FAILED: kanji log missing"; }
iconv -f CP932 -t UTF-8 現場/結果_Log.txt | grep -q "現場/結果.sim" || { failed=$((failed + 1)); echo "FAILED: log header path"; }

# A settings file of the dialog gives the file settings; options override them.
printf 'INFILETYPE   <1>\r\nSIMAINFILE   <sample.sim>\r\nOUTFILETYPE  <1>\r\nSIMAOUTFILE  <set.sim>\r\nPARAFILE     <sample_land.par>\r\nPARAKFILE    <sample_sea.jhd>\r\n' >set.env
cp set.env set_before.env
"$BIN" --settings set.env --zone 9 2>err.txt
check "settings file" 1 $? "log: set_Log.txt"
cmp -s set.sim "$SRC/tests/data/forward_sima.sim" || { failed=$((failed + 1)); echo "FAILED: output from settings differs"; }
"$BIN" --settings set.env --zone 9 --output set2.txt 2>err.txt
check "option overrides a setting" 1 $? "log: set2.txt"
cmp -s set.env set_before.env || { failed=$((failed + 1)); echo "FAILED: settings file written"; }
sed 's/INFILETYPE   <1>/INFILETYPE   <3>/' set.env >bad_type.env
"$BIN" --settings bad_type.env --zone 9 2>err.txt
check "settings with a bad input type" 2 $? "入力形式の指定が不当です !!"
"$BIN" --settings bad_type.env --zone 9 --input sample.sim 2>err.txt
check "input option brings its own type" 1 $?
"$BIN" --settings none.env --zone 9 2>err.txt
check "missing settings file" 2 $? "[ErrorMsg] 環境ﾌｧｲﾙのOpen Error !!"

echo "$passed passed, $failed failed"
[ $failed = 0 ]
