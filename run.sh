#!/usr/bin/env bash
# Installs what is missing, builds in Release, prepares the working directory
# (default ~/kavo) with a default station record, and starts the logbook there.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
workdir="${1:-$HOME/kavo}"
source "$here/scripts/deps.sh"
kavo_install_deps

cmake -S "$here" -B "$here/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKAVO_TESTS=OFF -DKAVO_BENCH=OFF >/dev/null
cmake --build "$here/build-release" -j"$(nproc)" --target kavo kavo-tool

mkdir -p "$workdir/dx425"
# "О программе" shows the read-me file of the working directory.
[ -e "$workdir/readme.txt" ] || cp "$here/docs/readme.txt" "$workdir/readme.txt"
if [ ! -e "$workdir/SETUP.VTF" ]; then
  # The station's offset from UTC, as this machine keeps it now ("+0300" is
  # 3, "-0930" is -9.5), so that the first contact is stamped in UTC.
  gmt="$(date +%z | awk '{ s = substr($0, 1, 1) == "-" ? -1 : 1;
    printf "%.2f", s * (substr($0, 2, 2) + substr($0, 4, 2) / 60) }')"
  "$here/build-release/src/tools/kavo-tool" init "$workdir" --callsign NOCALL --gmt "$gmt"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Run the logbook under a virtual display:"
  echo "  xvfb-run -s '-screen 0 1280x1024x24' $0 $*"
  exit 1
fi
cd "$workdir"
exec "$here/build-release/src/app/kavo"
