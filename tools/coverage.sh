#!/bin/sh
# Line and branch coverage of binding/, widgets/ and eq/ by the whole test suite: a separate gcc
# --coverage build in build-cov/ (no demo, no benchmarks), every suite through ctest, then gcovr.
# Prints one row per folder and writes the HTML report to build-cov/coverage/index.html.
# ZB4R_COV_TESTS=<ctest regex> runs only those suites (to compare one family before and after a
# change); ZB4R_COV_FILES=1 adds a row per source file.
set -e
cd "$(dirname "$0")/.."
tools/deps.sh
command -v gcovr >/dev/null || { echo "gcovr is missing (Debian package gcovr)" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
root="$(pwd)"
out=build-cov
jobs="${JOBS:-2}"

# Atomic counters: the thread and flood tests would otherwise leave torn (even negative) counts.
flags="--coverage -fprofile-update=atomic"
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage \
    -DCMAKE_MODULE_LINKER_FLAGS=--coverage \
    -DZB4R_BUILD_EXAMPLES=OFF -DZB4R_BUILD_BENCH=OFF -DZB4R_SANITIZE=OFF -DZB4R_FUZZ=OFF >/dev/null
cmake --build "$out" -j"$jobs"

# Counters from an earlier run would add up with this one.
find "$out" -name '*.gcda' -delete
if [ -n "${ZB4R_COV_TESTS:-}" ]; then
    ctest --test-dir "$out" --output-on-failure -j"$jobs" -R "$ZB4R_COV_TESTS"
else
    ctest --test-dir "$out" --output-on-failure -j"$jobs"
fi

# The table generator runs at build time, not under the tests: it is not library code.
mkdir -p "$out/coverage"
gcovr --root "$root" --object-directory "$out" --exclude-directories '.*CompilerId.*' \
    --filter "$root/binding/" --filter "$root/widgets/" --filter "$root/eq/" \
    --exclude "$root/eq/tools/" \
    --exclude-unreachable-branches --exclude-throw-branches \
    --json-summary "$out/coverage/summary.json" \
    --html-details "$out/coverage/index.html" -j"$jobs" "$out"

python3 - "$out/coverage/summary.json" "${ZB4R_COV_FILES:-0}" <<'PY'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
if sys.argv[2] == "1":
    for f in sorted(files, key=lambda f: f["filename"]):
        print(f"{f['filename']:<44}{f['line_covered']:>6} / {f['line_total']:<6}"
              f"{f['branch_covered']:>6} / {f['branch_total']}")
rows = {}
for f in files:
    folder = f["filename"].split("/", 1)[0]
    r = rows.setdefault(folder, [0, 0, 0, 0])
    r[0] += f["line_covered"]; r[1] += f["line_total"]
    r[2] += f["branch_covered"]; r[3] += f["branch_total"]
pct = lambda a, b: 100.0 * a / b if b else 100.0
print(f"{'folder':<10}{'lines':>16}{'line %':>9}{'branches':>18}{'branch %':>10}")
total = [0, 0, 0, 0]
for folder in ("binding", "widgets", "eq"):
    r = rows.get(folder, [0, 0, 0, 0])
    total = [t + v for t, v in zip(total, r)]
    print(f"{folder + '/':<10}{r[0]:>7} / {r[1]:<6}{pct(r[0], r[1]):>8.1f}%"
          f"{r[2]:>8} / {r[3]:<7}{pct(r[2], r[3]):>9.1f}%")
print(f"{'all':<10}{total[0]:>7} / {total[1]:<6}{pct(total[0], total[1]):>8.1f}%"
      f"{total[2]:>8} / {total[3]:<7}{pct(total[2], total[3]):>9.1f}%")
PY
echo "HTML report: $out/coverage/index.html"
