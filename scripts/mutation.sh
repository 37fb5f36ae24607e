#!/bin/sh
# Mutation testing of the compatibility scripts with Stryker: one script at a time, each
# mutant of it run against that script's page of checks in the real shell
# (tests/e2e/compat_pages.py). Not part of CI: a mutant costs a run of the shell.
#   scripts/mutation.sh [SCRIPT...]    (every script with a page when none is named)
# Needs a build in build/ (or VELTRANO_BUILD_DIR) and npm; writes build/mutation/SCRIPT.json
# and .txt, whose table gives the score and whose list the mutants that survived.
set -eu
cd "$(dirname "$0")/.."
export VELTRANO_BUILD_DIR="${VELTRANO_BUILD_DIR:-$PWD/build}"
mutation=tests/mutation
[ "$mutation/node_modules/.package-lock.json" -nt "$mutation/package-lock.json" ] ||
  (cd "$mutation" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
scripts=$*
[ -n "$scripts" ] || scripts=$(for page in tests/e2e/compat/*.html; do
  name=$(basename "$page" .html); [ ! -f "browser/compat/$name.js" ] || echo "$name"; done)
mkdir -p build/mutation
for script in $scripts; do
  VELTRANO_MUTATION_SCRIPT=$script "$mutation/node_modules/.bin/stryker" run "$mutation/stryker.config.mjs" |
    tee "build/mutation/$script.txt"
done
