#!/bin/sh
# One mutant's run, as Stryker's command runner starts it in its copy of browser/compat:
# the compatibility scripts made into one as the build makes them, the mutant Stryker names
# switched on in every frame, and the page of the script under test run in the real shell.
#   VELTRANO_BUILD_DIR, VELTRANO_MUTATION_SCRIPT: set by scripts/mutation.sh. A script with
# no page of its own (prelude.js, which every other uses) is tried with every page.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -DCOMPAT_DIR="$PWD/browser/compat" -DOUTPUT="$work/body.js" -P "$PWD/browser/compat/compat.cmake"
printf 'globalThis.__stryker__ = { activeMutant: "%s" };\n' "${__STRYKER_ACTIVE_MUTANT__:-}" >"$work/compat.js"
cat "$work/body.js" >>"$work/compat.js"
page=$VELTRANO_MUTATION_SCRIPT
[ -f "$here/../e2e/compat/$page.html" ] || page=""
hosts=$(sed -n 's/^VELTRANO_\(CONTENT\|HOME\)_HOST:[A-Z]*=//p' "$VELTRANO_BUILD_DIR/CMakeCache.txt")
cd "$here/../e2e"
VELTRANO_COMPAT_JS="$work/compat.js" VELTRANO_COMPAT_FAST=1 VELTRANO_SOURCE_DIR="$here/../.." PYTHONDONTWRITEBYTECODE=1 \
  VELTRANO_CONTENT_HOST=$(echo "$hosts" | sed -n 1p) VELTRANO_HOME_HOST=$(echo "$hosts" | sed -n 2p) \
  ./sandbox.sh $hosts /usr/bin/python3 compat_pages.py $page >"$work/out" 2>&1 ||
  { tail -n 5 "$work/out"; exit 1; }
