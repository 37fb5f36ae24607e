#!/bin/sh
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for the given number of seconds (default 60), from its corpus folder.
#   fuzz/run.sh [SECONDS] [TARGET...]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"decode version dispatch url"}
build="$top/build-fuzz"

command -v clang++-14 >/dev/null || {
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends clang-14 libclang-rt-14-dev
}
CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$build" -DVELTRANO_FUZZ=ON -DVELTRANO_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target $(for t in $targets; do printf 'fuzz_%s ' "$t"; done) >/dev/null

for target in $targets; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  cp "$top/fuzz/seeds/$target"/* "$corpus/" 2>/dev/null || true
  echo "== fuzz_$target, $seconds s"
  ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix="$build/fuzz_$target-" "$corpus" 2>&1 | tail -n 3
done
