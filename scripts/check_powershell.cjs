// Parses PowerShell scripts with tree-sitter's PowerShell grammar (the WebAssembly build that the
// npm package "tree-sitter-powershell" holds, read by "web-tree-sitter"): prints each syntax error
// as file:line:column: what is wrong, and ends with status 1 when there is one. It checks the
// syntax only: names, parameters and what the commands do are not checked.
//   node scripts/check_powershell.cjs NODE_MODULES_FOLDER SCRIPT...
"use strict";
const fs = require("node:fs");
const path = require("node:path");

// Scripts with a syntax error the parser must find, so that a parser that finds nothing is noticed.
const brokenScripts = [
  'if ($failed {\n  throw "failed"\n}\n',
  'function Invoke-Diskpart([string[]] $Commands) {\n  diskpart /s $script\n',
  'Write-Host "no closing quote\n',
];

// The syntax errors of a parsed script: where each is, and the text found there or what is missing.
function syntaxErrors(tree) {
  const errors = [];
  const visit = (node) => {
    const where = `${node.startPosition.row + 1}:${node.startPosition.column + 1}`;
    if (node.isMissing) {
      errors.push(`${where}: "${node.type}" missing`);
    } else if (node.isError) {
      const text = node.text.split("\n")[0].slice(0, 60);
      errors.push(`${where}: not PowerShell: ${text}`);
    } else if (node.hasError) {
      node.children.forEach(visit);
    }
  };
  visit(tree.rootNode);
  return errors;
}

async function main() {
  const [modules, ...files] = process.argv.slice(2);
  if (!modules || files.length === 0) {
    console.error("usage: check_powershell.cjs NODE_MODULES_FOLDER SCRIPT...");
    return 2;
  }
  const { Parser, Language } = require(require.resolve("web-tree-sitter", { paths: [modules] }));
  await Parser.init();
  const grammar = path.join(modules, "tree-sitter-powershell", "tree-sitter-powershell.wasm");
  const parser = new Parser();
  parser.setLanguage(await Language.load(grammar));
  const parse = (text) => syntaxErrors(parser.parse(text));

  if (brokenScripts.some((text) => parse(text).length === 0)) {
    console.error("the PowerShell parser found no error in a broken script: it does not work here");
    return 1;
  }
  let found = 0;
  for (const file of files) {
    for (const error of parse(fs.readFileSync(file, "utf8"))) {
      console.log(`${file}:${error}`);
      found++;
    }
  }
  console.log(`PowerShell: ${files.length} script(s), ${found} syntax error(s)`);
  return found === 0 ? 0 : 1;
}

main().then(
  (status) => process.exit(status),
  (error) => {
    console.error(error);
    process.exit(1);
  },
);
