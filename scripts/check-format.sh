#!/bin/sh
# Checks that every C and C++ source file is formatted as .clang-format says. Fails, and
# names the places, where one is not; `clang-format -i FILE` puts it right.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
command -v clang-format >/dev/null || {
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends clang-format
}
cd "$top"
git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run -Werror
echo "formatting: every source file as .clang-format says"
