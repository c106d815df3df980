#!/usr/bin/env bash
# Builds and runs every test: an optimised build, and a debug build under
# AddressSanitizer and UndefinedBehaviorSanitizer; then builds the Windows
# programs with MinGW-w64 and tests them under Wine; last, replays the fuzz
# reproducers and fuzzes each target for a short fixed time. Between them,
# builds the release files (scripts/package.sh) and checks them.
set -euo pipefail
cd "$(dirname "$0")/.."
# proj-bin: the NTv2 export is checked against PROJ's cct.
# man-db: the release's manual pages are rendered with man -l; unzip: its zip is unpacked.
bash scripts/ensure-packages.sh clang-14 libclang-rt-14-dev proj-bin man-db unzip
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

# The release files as a user gets them: the zip under Wine, the Debian package.
bash scripts/package.sh
bash tests/release_tests.sh dist . build/windows build/release/cli/pellowen-batch build/release-tests

bash tests/fuzz/run.sh
