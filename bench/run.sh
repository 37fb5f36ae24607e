#!/bin/sh
# The benchmark: builds what it needs and prints each figure (median, min, max) and its ratio
# to a reference measured in the same run. Not part of the tests.
#   bench/run.sh [SECTION...]   (start-up, clicks, memory, pages, chart-shapes, sandbox; all by default.
#                                VELTRANO_BENCH_ROUNDS=9 by default)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-bench"
sh "$top/scripts/install-deps.sh" test
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELTRANO_BENCH=ON -DVELTRANO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
content=$(sed -n 's/^VELTRANO_CONTENT_HOST:STRING=//p' "$build/CMakeCache.txt")
home=$(sed -n 's/^VELTRANO_HOME_HOST:STRING=//p' "$build/CMakeCache.txt")
export VELTRANO_BUILD_DIR="$build" VELTRANO_SOURCE_DIR="$top" VELTRANO_CONTENT_HOST="$content" VELTRANO_HOME_HOST="$home"
exec "$top/tests/e2e/sandbox.sh" "$content" "$home" /usr/bin/python3 "$top/bench/bench.py" "$@" 2>&1 | grep -v -e "^dbus-daemon" -e "SpiRegistry"
