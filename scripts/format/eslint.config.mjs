// The rules that catch real faults in the project's own JavaScript, not questions of style
// (prettier has those), for the files check-format.sh names from the top of the tree. The
// compatibility scripts run as one function, prelude.js first (browser/compat/compat.cmake):
// what an earlier script declares at its top level, a later one uses. The corpus of the
// service's era (tests/e2e/legacy/) is written as pages of that time were, and stays so, as do
// the scripts in the old engine's dialect that dialect.js's checks load; the libraries under
// node_modules are their authors'.
import js from "@eslint/js";
import globals from "globals";

// What prelude.js declares for the scripts after it.
const prelude = Object.fromEntries(
  ["ask", "define", "defineGetter", "defineMethod", "replace", "run", "shared"].map((name) => [name, "readonly"])
);

// Scripts that run one after another in a page: what one declares at its top level, a later
// one uses.
const unusedInsideOnly = ["error", { vars: "local", args: "none", caughtErrors: "none" }];

export default [
  { ignores: ["tests/e2e/legacy/", "tests/e2e/compat/dialect-*.js", "**/node_modules/", "build*/"] },
  js.configs.recommended,
  {
    files: ["browser/compat/*.js"],
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: "script",
      globals: { ...globals.browser, ...prelude },
    },
    rules: {
      // prelude.js's prompt is the page's, taken before a page can replace it.
      "no-redeclare": ["error", { builtinGlobals: false }],
      "no-unused-vars": unusedInsideOnly,
    },
  },
  {
    // The compatibility scripts' pages of checks share harness.js's functions as globals.
    files: ["tests/e2e/compat/*.js"],
    languageOptions: { sourceType: "script", globals: globals.browser },
    rules: { "no-unused-vars": unusedInsideOnly },
  },
  // The tools' own configurations run in Node.
  { files: ["**/*.mjs"], languageOptions: { globals: globals.node } },
];
