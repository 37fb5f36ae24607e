#!/bin/sh
# Formats the project's own sources as scripts/check-format.sh checks them: C and C++ with
# clang-format, JavaScript with prettier, Python with black. The linters' findings are put
# right by hand.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/install-deps.sh" format
cd "$top"
# The project's own JavaScript: all but the old era's pages and scripts, kept as written.
own_js() { git ls-files '*.js' '*.mjs' ':!tests/e2e/legacy/' ':!tests/e2e/compat/dialect-*.js'; }
git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i
own_js | xargs scripts/format/node_modules/.bin/prettier --write --log-level warn
git ls-files '*.py' | xargs /usr/bin/black --quiet
