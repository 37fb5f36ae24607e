// Stryker, run by scripts/mutation.sh from the top of the tree for one compatibility script
// at a time (VELTRANO_MUTATION_SCRIPT): each mutant is that script's page run in the real
// shell (mutant.sh), which is slower than any test runner in a process of Stryker's own.
import { fileURLToPath } from "node:url";

const script = process.env.VELTRANO_MUTATION_SCRIPT;
const mutant = fileURLToPath(new URL("mutant.sh", import.meta.url));

export default {
  testRunner: "command",
  commandRunner: { command: `sh ${mutant}` },
  coverageAnalysis: "off",
  concurrency: 1,
  timeoutMS: 20000,
  mutate: [`browser/compat/${script}.js`],
  // The sandbox holds browser/compat alone: the pages and the runner are read where they are.
  ignorePatterns: ["/*", "!/browser", "/browser/*", "!/browser/compat"],
  symlinkNodeModules: false,
  reporters: ["clear-text", "progress", "json"],
  jsonReporter: { fileName: `build/mutation/${script}.json` },
  clearTextReporter: { allowColor: false, logTests: false, reportScoreTable: true },
  tempDirName: "build/mutation/tmp",
  cleanTempDir: "always",
};
