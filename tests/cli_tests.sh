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
  grep -qF -- "$pattern" err.txt || { failed=$((failed + 1)); echo "FAILED: no line: $pattern"; }
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
check "folder of xy files to sima" 1 $? "[1/1] many/in/notes.csv -> clean/out/notes.sim"
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir clean clean/inside.sim sample.sim 2>err.txt
check "output over its own input, the next file goes on" 2 $? "clean/inside.sim 入力ﾌｧｲﾙを上書きしてしまいます !!"
grep -qF "[2/2] sample.sim -> clean/sample.sim: some points not converted" err.txt || { failed=$((failed + 1)); echo "FAILED: second file after a refusal"; }
"$BIN" --zone 9 "${GRIDS[@]}" --output-dir clean --output-format csv sample.sim 2>err.txt
check "bad output format refused once" 2 $? "出力形式の指定が不当です !!"
[ "$(grep -c '出力形式' err.txt)" = 1 ] || { failed=$((failed + 1)); echo "FAILED: format refused more than once"; }

echo "$passed passed, $failed failed"
[ $failed = 0 ]
