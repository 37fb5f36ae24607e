#!/bin/sh
# Installs what is missing, builds, and runs every test (unit and end to end).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/install-deps.sh" test
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" -j "$(nproc)"
cd "$top/build"
ctest --output-on-failure "$@"
