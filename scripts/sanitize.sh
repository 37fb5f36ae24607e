#!/bin/sh
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test with it,
# the leak check included. Fails when any program of ours wrote a sanitizer report.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-asan"
sh "$top/scripts/install-deps.sh" test
cmake -S "$top" -B "$build" -DVELTRANO_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

reports=$(mktemp -d /tmp/veltrano-sanitizer.XXXXXX)
export ASAN_OPTIONS="detect_leaks=0:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"
export VELTRANO_LEAK_CHECK=1
cd "$build"
status=0
ctest --output-on-failure "$@" || status=$?
if [ -n "$(ls -A "$reports")" ]; then
  echo "sanitizer reports:" >&2
  cat "$reports"/* >&2
  status=1
fi
rm -rf "$reports"
exit "$status"
