#!/bin/sh
# Formats the project's own sources as scripts/check-format.sh checks them: C and C++ with
# clang-format, JavaScript with prettier, Python with black. The linters' findings are put
# right by hand.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/install-deps.sh" format
cd "$top"
git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i
git ls-files '*.js' '*.mjs' ':!tests/e2e/legacy/' | xargs scripts/format/node_modules/.bin/prettier --write --log-level warn
git ls-files '*.py' | xargs /usr/bin/black --quiet
