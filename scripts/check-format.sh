#!/bin/sh
# Checks the formatting of the project's own sources, and the faults a linter finds in its
# scripts: C and C++ as .clang-format says; JavaScript as .prettierrc.json says, and what
# ESLint finds (scripts/format/eslint.config.mjs); Python as black says (pyproject.toml),
# and what pyflakes finds. The tools are Debian's, and npm's at the versions
# scripts/format/package-lock.json pins; install-deps.sh format installs what is missing.
# Fails, and names the places, where a file is not as they say; scripts/format.sh puts the
# formatting right. The corpus of the service's era (tests/e2e/legacy/) is kept as written,
# and so are the scripts in the old engine's dialect that dialect.js's checks load
# (tests/e2e/compat/dialect-*.js), which no parser of today reads.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/install-deps.sh" format
cd "$top"
# The project's own JavaScript: all but the old era's pages and scripts, kept as written.
own_js() { git ls-files '*.js' '*.mjs' ':!tests/e2e/legacy/' ':!tests/e2e/compat/dialect-*.js'; }
tools=scripts/format/node_modules/.bin
git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run -Werror
own_js | xargs "$tools/prettier" --check --log-level warn
own_js | xargs "$tools/eslint" -c scripts/format/eslint.config.mjs
git ls-files '*.py' | xargs /usr/bin/black --check --quiet
git ls-files '*.py' | xargs pyflakes3
echo "formatting: every source file as .clang-format, .prettierrc.json and pyproject.toml say, and nothing the linters find"
