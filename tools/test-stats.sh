#!/bin/sh
# Size and shape of the test suite: lines of code (non-blank, non-comment) of the library and
# demo against tests/, test functions and data rows per suite (as the suites list them with
# -functions and -datatags) and the wall time of the whole ctest run.
# Usage: tools/test-stats.sh [build-dir]   (default build/; the suites are built there first;
# ZB4R_NO_CTEST=1 skips the timed run)
set -e
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
build="${1:-build}"
jobs="${JOBS:-2}"

# Comments go with the preprocessor's own lexer (which knows strings and raw strings);
# directives stay, blank lines are not counted.
loc() {
    find "$@" \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -type f | sort | while read -r f; do
        gcc -fpreprocessed -dD -E -P -x c++ "$f" 2>/dev/null
    done | grep -c '[^[:space:]]'
}
code=$(loc binding widgets eq examples designer)
tests=$(loc tests)
echo "lines of code: library and demo $code, tests $tests ($((100 * tests / code)) %)"
for d in binding widgets eq examples designer; do printf '  %-9s %6d\n' "$d/" "$(loc "$d")"; done

[ -f "$build/CMakeCache.txt" ] ||
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the Qt Test suites (tst_*) have functions and rows to count; other CTest entries are checks.
suites=$(ctest --test-dir "$build" -N | awk '/Test +#/ && $3 ~ /^tst_/ {print $3}')
# shellcheck disable=SC2086
cmake --build "$build" -j"$jobs" --target $suites >/dev/null

printf '%-16s %9s %9s %9s\n' suite functions 'data rows' cases
tf=0; tr=0; tc=0
for s in $suites; do
    exe=$(find "$build/tests" -maxdepth 1 -name "$s" -type f | head -n1)
    # -functions lists every test function; -datatags lists "<class> <function> <tag>" per row
    # and "<class> <function>" for a function without data.
    f=$("$exe" -functions 2>/dev/null | grep -c '()$' || true)
    rows=$("$exe" -datatags 2>/dev/null | awk 'NF >= 3' | wc -l)
    plain=$("$exe" -datatags 2>/dev/null | awk 'NF == 2' | wc -l)
    printf '%-16s %9d %9d %9d\n' "$s" "$f" "$rows" "$((rows + plain))"
    tf=$((tf + f)); tr=$((tr + rows)); tc=$((tc + rows + plain))
done
printf '%-16s %9d %9d %9d\n' total "$tf" "$tr" "$tc"

[ "${ZB4R_NO_CTEST:-0}" = 1 ] && exit 0
ctest --test-dir "$build" 2>&1 | grep -E 'tests passed|Total Test time'
