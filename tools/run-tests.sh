#!/bin/sh
# Builds the library with every test and runs them all (headless): first a normal build, then an
# AddressSanitizer + UndefinedBehaviorSanitizer build (clang) that runs the suite again together
# with the fuzz targets. Any finding fails.
set -e
cd "$(dirname "$0")/.."
tools/deps.sh
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

[ "${ZB4R_SKIP_SANITIZERS:-0}" = 1 ] && exit 0
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DZB4R_SANITIZE=ON -DZB4R_FUZZ=ON -DZB4R_BUILD_BENCH=OFF -DZB4R_BUILD_EXAMPLES=OFF >/dev/null
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/sanitizers/lsan.supp:print_suppressions=0"
ctest --test-dir build-asan --output-on-failure -j"$jobs"
