#!/bin/sh
# The workflow check must pass the workflow as it is, and fail, naming the step, on copies that
# would run what the list leaves out or lose the results.
#   workflow_places_test.sh CHECK WORKFLOW PLACES FOLDER
set -u
check=$1 workflow=$2 places=$3 folder=$4
mkdir -p "$folder"
failed=0
"$check" "$workflow" "$places" || { echo "the workflow as it is was refused"; failed=1; }
# WHAT, then a sed script that makes the fault, then what the finding must say.
while IFS='|' read -r what fault finding; do
  sed "$fault" "$workflow" >"$folder/broken.yml"
  said=$("$check" "$folder/broken.yml" "$places")
  if [ $? -ne 1 ] || ! echo "$said" | grep -q -e "$finding"; then
    echo "$what: not found (the check said: $said)"
    failed=1
  fi
done <<'CASES'
the kill test on the share|s/-Run share -Folder \$env:FOLDER/& -Programs save_kill_tests/|-Programs: the list alone
a filter of the step's own|s/-Run fat32 -Folder \$env:FOLDER/& --gtest_filter=*/|--gtest_filter=\*: the list alone
a place the list does not have|s/-Run exfat /-Run exfat32 /|-Run exfat32: not a place
a place with no step|/-Run devdrive/d|no step runs the tests of devdrive
a program run by hand|s/run-tests.ps1 -Run ntfs -RequireWindowsFeatures/\\tests\\files\\files_tests.exe/|runs a test program around
a step with no limit|/timeout-minutes: 40/d|no timeout-minutes
the results lost with the job|s/if: \${{ always() }}/if: \${{ !cancelled() }}/|kept only with
CASES
exit $failed
