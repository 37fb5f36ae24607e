#!/bin/sh
# Mutation testing of the compatibility scripts with Stryker: every mutant of the scripts
# named (all of browser/compat when none is) tried on its script's page of checks in the
# real shell. One shell serves the whole run (tests/mutation/serve.py, in sandbox.sh); each
# mutant is one window of it. Not part of CI.
#   scripts/mutation.sh [SCRIPT...]
#   VELTRANO_MUTATION_CONCURRENCY: mutants tried at once (3 by default), each in a window
#   of its own.
# Needs a build in build/ (or VELTRANO_BUILD_DIR) and npm; writes build/mutation/NAME.json
# and NAME.txt (NAME: the scripts named, joined by +, or all), whose table gives the score
# of each script and whose list the mutants that survived.
set -eu
cd "$(dirname "$0")/.."
export VELTRANO_BUILD_DIR="${VELTRANO_BUILD_DIR:-$PWD/build}"
mutation=tests/mutation
[ "$mutation/node_modules/.package-lock.json" -nt "$mutation/package-lock.json" ] ||
  (cd "$mutation" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
scripts=$*
report=$(echo "$scripts" | tr ' ' +)
[ -n "$scripts" ] || { scripts=$(cd browser/compat && ls ./*.js | sed 's|^\./||; s|\.js$||'); report=all; }
export VELTRANO_MUTATION_SCRIPTS="$scripts" VELTRANO_MUTATION_REPORT="build/mutation/$report"
mkdir -p build/mutation
export VELTRANO_MUTATION_SOCKET="$PWD/build/mutation/pages.sock"
rm -f "$VELTRANO_MUTATION_SOCKET"

hosts=$(sed -n 's/^VELTRANO_\(CONTENT\|HOME\)_HOST:[A-Z]*=//p' "$VELTRANO_BUILD_DIR/CMakeCache.txt")
export VELTRANO_CONTENT_HOST="$(echo "$hosts" | sed -n 1p)" VELTRANO_HOME_HOST="$(echo "$hosts" | sed -n 2p)"
export VELTRANO_SOURCE_DIR="$PWD" PYTHONDONTWRITEBYTECODE=1
(cd tests/e2e && exec ./sandbox.sh $hosts /usr/bin/python3 ../mutation/serve.py "$VELTRANO_MUTATION_SOCKET") \
  >build/mutation/serve.log 2>&1 &
served=$!
stop() { [ ! -S "$VELTRANO_MUTATION_SOCKET" ] || sh "$mutation/mutant.sh" quit >/dev/null || true; wait "$served" || true; }
trap stop EXIT
for _ in $(seq 300); do [ -S "$VELTRANO_MUTATION_SOCKET" ] && break; sleep 0.1; done
[ -S "$VELTRANO_MUTATION_SOCKET" ] || { cat build/mutation/serve.log >&2; exit 1; }
"$mutation/node_modules/.bin/stryker" run "$mutation/stryker.config.mjs" | tee "$VELTRANO_MUTATION_REPORT.txt"
