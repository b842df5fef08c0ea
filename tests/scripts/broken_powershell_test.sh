#!/bin/sh
# The PowerShell check must fail on a copy of a workflow script with one brace left open, and name
# the place.
#   broken_powershell_test.sh SCRIPT LINT_WORKFLOWS FOLDER
set -u
broken=$3/broken.ps1
{ cat "$1"; echo 'function Broken {'; } >"$broken"
said=$("$2" "$broken" 2>&1)
status=$?
echo "$said"
[ "$status" -eq 1 ] || { echo "the check ended with status $status, not 1"; exit 1; }
echo "$said" | grep -q "^$broken:[0-9]*:[0-9]*: " || { echo "no syntax error named"; exit 1; }
