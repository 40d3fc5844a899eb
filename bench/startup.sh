#!/usr/bin/env bash
# Measures program start to frame shown in a Release build, on Qt's offscreen
# platform and, when xvfb-run is there, on a virtual X display.
#   bench/startup.sh [BUILD_DIR] [extra arguments for kavo_startup_bench]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-bench-release}"
shift || true
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVO_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target kavo_startup_bench >/dev/null
bench="$build/bench/kavo_startup_bench"

echo "offscreen:"
QT_QPA_PLATFORM=offscreen "$bench" "$@"
if command -v xvfb-run >/dev/null; then
  echo "X11 (Xvfb):"
  xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb "$bench" "$@"
fi
