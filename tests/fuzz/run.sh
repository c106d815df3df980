#!/usr/bin/env bash
# Builds the fuzz targets with clang, replays every committed reproducer,
# then fuzzes each target for a fixed time (PELLOWEN_FUZZ_SECONDS, default
# 30). Fails on any finding; a finding is left in build/fuzz/findings/ and
# belongs, once understood and fixed, in tests/fuzz/regressions/<target>/.
set -uo pipefail
cd "$(dirname "$0")/../.."
seconds=${PELLOWEN_FUZZ_SECONDS:-30}
build=build/fuzz
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$build" -j "$(nproc)" || exit 1

# Seeds: each example and expected file behind the bytes that choose the
# job's settings; the example grids cut to a few hundred nodes; the
# example correction file cut to a few hundred nodes, as it
# is, with bare LF line ends, with a longer header, and as a height file.
seeds="$build/seeds"
rm -rf "$seeds" "$build/findings"
mkdir -p "$seeds/job" "$seeds/grids" "$seeds/correction" "$build/findings"
i=0
for f in examples/*.sim examples/*.csv tests/data/*; do
  for settings in '\x00\x00\x00' '\x05\x05\x00' '\x02\x01\x00' '\x07\x03\x00' '\x08\x02\x00' '\x0e\x04\x00'; do
    i=$((i + 1))
    { printf "$settings"; head -c 3000 "$f"; } >"$seeds/job/seed$i"
  done
done
# An input saved as UTF-8 with its byte-order mark.
{ printf '\x00\x00\x00\xef\xbb\xbf'; head -c 3000 examples/sample.sim; } >"$seeds/job/seed_utf8"
head -c 2000 examples/sample_land.par >"$build/land.part"
head -c 1500 examples/sample_sea.jhd >"$build/sea.part"
n=$(stat -c %s "$build/land.part")
{ printf "\\x$(printf %02x $((n >> 8)))\\x$(printf %02x $((n & 255)))"; cat "$build/land.part" "$build/sea.part"; printf '\x80\x80\x10\x08'; } >"$seeds/grids/seed1"
head -n 300 examples/sample_correction.par >"$build/correction.part"
# The last four bytes place the points: fractions of the cell, nodes, nudge.
{ cat "$build/correction.part"; printf '\x80\x80\x00\x03'; } >"$seeds/correction/seed1"
{ tr -d '\r' <"$build/correction.part"; printf '\x20\x20\x01\x05'; } >"$seeds/correction/seed2"
{ printf 'TITLE V2\r\nfirst event\r\n\r\n'; sed 1d "$build/correction.part"; printf '\xe0\xe0\x02\x01'; } >"$seeds/correction/seed3"
{ printf 'TITLE V2\r\nMeshCode dH(m)\r\n52397504  0.012\r\n'; printf '\x40\x40\x00\x00'; } >"$seeds/correction/seed4"
# A height file: the sample correction file's nodes with dH in metres.
{ printf 'TITLE V2\r\nMeshCode   dH(m)     0.00000\r\n'; sed 1,2d "$build/correction.part" | awk '{ printf "%s  %s   0.00000\r\n", $1, $2 * 10 }'; printf '\x60\x90\x01\x02'; } >"$seeds/correction/seed5"

status=0
for target in job grids correction; do
  bin="$build/fuzz_$target"
  ok=1
  reproducers=(tests/fuzz/regressions/$target/*)
  if [ -e "${reproducers[0]}" ]; then
    "$bin" -timeout=10 "${reproducers[@]}" >"$build/$target-replay.log" 2>&1 || ok=0
    [ $ok = 1 ] || { echo "fuzz $target: a committed reproducer fails"; tail -20 "$build/$target-replay.log"; }
  fi
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    -dict="tests/fuzz/$target.dict" -artifact_prefix="$build/findings/$target/" \
    "$build/corpus/$target" "$seeds/$target" >"$build/$target-fuzz.log" 2>&1 || ok=0
  if [ $ok = 1 ]; then
    echo "fuzz $target: clean ($(grep -o 'Done [0-9]* runs' "$build/$target-fuzz.log" | tail -1))"
  else
    grep -E "ERROR|CHECK FAILED|runtime error|SUMMARY" "$build/$target-fuzz.log" | head -5
    ls "$build/findings/$target/" 2>/dev/null
    echo "fuzz $target: FINDINGS (see $build/$target-fuzz.log)"
    status=1
  fi
done
exit $status
