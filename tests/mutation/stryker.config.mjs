// Stryker, run by scripts/mutation.sh from the top of the tree for the compatibility
// scripts it names (VELTRANO_MUTATION_SCRIPTS): each mutant is tried by mutant.sh on its
// script's page, in the one shell the run's pages server keeps (serve.py).
import { fileURLToPath } from "node:url";

const scripts = process.env.VELTRANO_MUTATION_SCRIPTS.split(/\s+/).filter(Boolean);
const mutant = fileURLToPath(new URL("mutant.sh", import.meta.url));

export default {
  testRunner: "command",
  commandRunner: { command: `sh ${mutant}` },
  coverageAnalysis: "off",
  concurrency: Number(process.env.VELTRANO_MUTATION_CONCURRENCY || 3),
  // The server gives up on a mutant's pages after 45 s (serve.py): Stryker waits longer.
  timeoutMS: 120000,
  mutate: scripts.map((script) => `browser/compat/${script}.js`),
  // The sandbox holds browser/compat alone: the pages and the runner are read where they are.
  ignorePatterns: ["/*", "!/browser", "/browser/*", "!/browser/compat"],
  symlinkNodeModules: false,
  reporters: ["clear-text", "progress", "json"],
  jsonReporter: { fileName: `${process.env.VELTRANO_MUTATION_REPORT}.json` },
  clearTextReporter: { allowColor: false, logTests: false, reportScoreTable: true },
  tempDirName: "build/mutation/tmp",
  cleanTempDir: "always",
};
