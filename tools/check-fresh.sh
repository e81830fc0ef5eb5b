#!/bin/sh
# Checks that the install list, tools/packages.txt, covers what a configured build uses on this
# machine, so that a fresh machine gets the same build: every file configure loads (CMake's
# package configs and modules) and every tool and library it records in its cache must belong to a
# Debian package on the list or to one that a listed package depends on. Fails naming the missing
# package. The build directories must be configured already.
#
#   tools/check-fresh.sh [--without PKG]... [--self-test] [BUILD_DIR]...
#
# BUILD_DIR defaults to build. --without PKG checks as if PKG were not on the list; --self-test
# also checks that taking any listed package that holds such a file off the list is caught.
set -e
cd "$(dirname "$0")/.."
src="$(pwd)"

without=""
self_test=0
dirs=""
while [ $# -gt 0 ]; do
    case "$1" in
    --without) without="$without $2"; shift 2 ;;
    --self-test) self_test=1; shift ;;
    -*) echo "check-fresh: unknown option $1" >&2; exit 2 ;;
    *) dirs="$dirs $1"; shift ;;
    esac
done
[ -n "$dirs" ] || dirs="build"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# The list: first word of every line that is not a comment.
sed -e 's/#.*//' tools/packages.txt | awk 'NF { print $1 }' | sort -u > "$tmp/all"
for p in $without; do
    grep -qx "$p" "$tmp/all" || { echo "check-fresh: $p is not on the list" >&2; exit 2; }
done
printf '%s\n' $without | sort -u > "$tmp/without"
comm -23 "$tmp/all" "$tmp/without" > "$tmp/list"

for p in $(cat "$tmp/list"); do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" \
        || { echo "check-fresh: $p is on the list but not installed: run tools/deps.sh" >&2; exit 1; }
done

# What configure uses. Configuring again with a trace lists every file it reads: config files are
# read on every run, found or cached.
: > "$tmp/files"
for dir in $dirs; do
    [ -f "$dir/CMakeCache.txt" ] || { echo "check-fresh: $dir is not a configured build" >&2; exit 2; }
    build="$(cd "$dir" && pwd)"
    cmake --trace-format=json-v1 --trace-redirect="$tmp/trace.json" "$build" > /dev/null
    grep -o '"file":"[^"]*"' "$tmp/trace.json" | cut -d'"' -f4 | sort -u \
        | grep -v -e "^$src/" -e "^$build/" >> "$tmp/files" || true
    # Tools and libraries found by path (compilers, ninja, ccache, the OpenGL libraries, ...).
    sed -n -e 's/^[A-Za-z0-9_]*:FILEPATH=\(\/.*\)$/\1/p' \
        -e 's/^CMAKE_\(COMMAND\|CTEST_COMMAND\):INTERNAL=\(\/.*\)$/\2/p' "$build/CMakeCache.txt" \
        | while read -r f; do [ -e "$f" ] && echo "$f"; done >> "$tmp/files"
done
sort -u "$tmp/files" -o "$tmp/files"

# Owner of each file: the path as recorded, else what it points at (compilers are links through
# /etc/alternatives), else the path without /usr (merged /usr). Prints "package file" lines.
owners() {
    xargs -r dpkg-query -S 2>/dev/null | awk -F': ' 'NF == 2 {
        n = split($1, o, ", "); for (i = 1; i <= n; ++i) { sub(/:.*/, "", o[i]); print o[i], $2 } }'
}
owners < "$tmp/files" > "$tmp/owners"
unowned=""
for f in $(awk '{ print $2 }' "$tmp/owners" | sort -u | comm -13 - "$tmp/files"); do
    found=""
    for g in "$(readlink -f "$f")" "${f#/usr}"; do
        o="$(echo "$g" | owners)"
        if [ -n "$o" ]; then
            echo "$o" | awk -v f="$f" '{ print $1, f }' >> "$tmp/owners"
            found=1
            break
        fi
    done
    [ -n "$found" ] || unowned="$unowned $f"
done
if [ -n "$unowned" ]; then
    echo "check-fresh: no Debian package owns what the build uses (installed by hand?):" >&2
    printf '  %s\n' $unowned >&2
    exit 1
fi

# Packages the list brings: the listed ones and everything they depend on, recursively. The
# dependency graph of the installed packages is read once ("package dependency" lines; a virtual
# or alternative dependency leads to each installed package that provides it).
# shellcheck disable=SC2046
apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances $(cat "$tmp/all") | sed -e 's/[<>]//g' -e 's/:[a-z0-9]*$//' \
    | awk '/^[^ ]/ { p = $1; print p, p; next }
           /Depends: / { print p, $2; next }
           /^    / { print p, $1 }' > "$tmp/graph"
closure() {
    awk 'NR == FNR { next_of[$1] = next_of[$1] " " $2; next }
         { todo[++n] = $1 }
         END { while (n) { p = todo[n--]; if (p in seen) continue; seen[p] = 1; print p
                           k = split(next_of[p], a, " "); for (i = 1; i <= k; ++i) todo[++n] = a[i] } }' \
        "$tmp/graph" "$1" | sort -u
}

# Prints the owners the list in file $1 misses, each with one file it holds. A file held by
# several packages (a shared directory) is covered when any of them is.
missing() {
    closure "$1" > "$tmp/covered"
    awk 'NR == FNR { covered[$1] = 1; next }
         { if (covered[$1]) ok[$2] = 1; owners[$2] = owners[$2] " " $1 }
         END { for (f in owners) if (!ok[f]) { split(owners[f], o, " "); print o[1], f } }' \
        "$tmp/covered" "$tmp/owners" | sort -u -k1,1
}

missing "$tmp/list" > "$tmp/missing"
if [ -s "$tmp/missing" ]; then
    echo "check-fresh: tools/packages.txt misses packages the build uses:" >&2
    awk '{ print "  " $1 " (for " $2 ")" }' "$tmp/missing" >&2
    exit 1
fi

# The CMake packages the list names must come from the package it names them under: configure
# tells a user what to install from those names.
sed -e 's/#.*//' tools/packages.txt | awk 'NF > 1' | while read -r deb names; do
    for name in $names; do
        for f in $(grep -i -e "/$name/${name}Config\.cmake$" -e "/$name/${name}-config\.cmake$" "$tmp/files"); do
            o="$(awk -v f="$f" '$2 == f { print $1 }' "$tmp/owners")"
            [ "$o" = "$deb" ] || {
                echo "check-fresh: tools/packages.txt puts $name under $deb, but $o holds $f" >&2
                exit 1
            }
        done
    done
done

count="$(wc -l < "$tmp/files")"
echo "check-fresh: the install list covers the $count files the build uses ($(echo $dirs))"

[ "$self_test" = 1 ] || exit 0
# Each listed package taken off the list must be reported, unless another listed package brings it
# or configure does not use it (test tools); one that holds a used file itself must be reported.
awk '{ print $1 }' "$tmp/owners" | sort -u > "$tmp/direct"
for p in $(cat "$tmp/list"); do
    grep -vx "$p" "$tmp/list" > "$tmp/less"
    if closure "$tmp/less" | grep -qx "$p"; then
        echo "check-fresh: self-test: without $p: brought by another listed package"
        continue
    fi
    caught="$(missing "$tmp/less" | awk '{ printf " %s", $1 }')"
    if [ -n "$caught" ]; then
        echo "check-fresh: self-test: without $p: fails, missing$caught"
    elif grep -qx "$p" "$tmp/direct"; then
        echo "check-fresh: self-test: taking $p off the list goes unnoticed" >&2
        exit 1
    else
        echo "check-fresh: self-test: without $p: passes (configure does not use it)"
    fi
done
