#!/bin/sh
# Builds the library with every test and runs them all (headless): first a normal build, then an
# AddressSanitizer + UndefinedBehaviorSanitizer build (clang) that runs the suite again together
# with the fuzz targets. Any finding fails. Each stage also checks that the install list covers
# what its build uses; the first one runs the demo editor headless, which fails when a page did
# not build, bind or render.
set -e
cd "$(dirname "$0")/.."
tools/deps.sh
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

# Configures quietly but for the summary of what is built; errors go to stderr.
configure() {
    dir="$1"
    shift
    mkdir -p "$dir"
    cmake -S . -B "$dir" -G Ninja "$@" > "$dir/configure.log"
    sed -n 's/^-- zb4r: //p' "$dir/configure.log"
}

configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
screens="$(mktemp -d)"
trap 'rm -rf "$screens"' EXIT
build/examples/zb4r_demo --screenshot "$screens" > "$screens/demo.log" \
    || { cat "$screens/demo.log"; echo "the demo editor reported a problem" >&2; exit 1; }
echo "demo: $(grep -c '^wrote ' "$screens/demo.log") pages rendered"
tools/check-fresh.sh --self-test build
ctest --test-dir build --output-on-failure -j"$jobs"

[ "${ZB4R_SKIP_SANITIZERS:-0}" = 1 ] && exit 0
configure build-asan -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DZB4R_SANITIZE=ON -DZB4R_FUZZ=ON -DZB4R_BUILD_BENCH=OFF -DZB4R_BUILD_EXAMPLES=OFF
cmake --build build-asan -j"$jobs"
tools/check-fresh.sh build-asan
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/sanitizers/lsan.supp:print_suppressions=0"
ctest --test-dir build-asan --output-on-failure -j"$jobs"
