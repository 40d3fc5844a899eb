#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
# A second build under AddressSanitizer and UBSan runs the tests labelled
# "sanitize" (parsers, file readers, corruption).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
kavo_install_deps

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_COMPILER=clang -DKAVO_SANITIZE=ON -DKAVO_GUI=OFF -DKAVO_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"

status=0
(cd build-asan && ctest -L sanitize --output-on-failure -j"$jobs" --timeout 600) || status=1
(cd build && ctest --output-on-failure -j"$jobs" --timeout 900) || status=1
exit $status
