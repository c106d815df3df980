#!/usr/bin/env bash
# Builds and runs every test: an optimised build, and a debug build under
# AddressSanitizer and UndefinedBehaviorSanitizer; then builds the Windows
# programs with MinGW-w64 and tests them under Wine; last, replays the fuzz
# reproducers and fuzzes each target for a short fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."
# proj-bin: the NTv2 export is checked against PROJ's cct.
bash scripts/ensure-packages.sh clang-14 libclang-rt-14-dev proj-bin
bash scripts/ensure-windows-tools.sh
jobs=$(nproc)

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLOWEN_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
cmake --build build/windows -j "$jobs"
bash tests/windows_tests.sh build/windows . build/release/cli/pellowen-batch

bash tests/fuzz/run.sh
