#!/bin/sh
# Builds and runs the demo editor. Without a display it renders its screens to PNG files.
set -e
cd "$(dirname "$0")/.."
tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target zb4r_demo
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    exec build/examples/zb4r_demo --screenshot "${1:-screenshots}"
fi
exec build/examples/zb4r_demo "$@"
