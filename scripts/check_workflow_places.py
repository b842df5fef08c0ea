#!/usr/bin/env python3
"""Checks that the Windows workflow runs each place's tests as tests/files/places.txt says, and
that its limits keep the results: every step that runs test programs goes through run-tests.ps1
with -Run naming a place of Windows from the list, and nothing else chooses programs or tests;
each place of Windows has one step; every step of a job that runs tests has a time limit, and they
add up to less than the job's; the results are kept whatever happened. Prints each finding; exits 1 on any.

    check_workflow_places.py WORKFLOW PLACES
"""
import re
import sys

import yaml

RUN_SCRIPT = "run-tests.ps1"
ALLOWED = {"-Run", "-Folder", "-RequireWindowsFeatures"}


def places_of_windows(places_file):
    names = set()
    with open(places_file, encoding="utf-8") as lines:
        for line in lines:
            words = line.split()
            if len(words) > 2 and words[0] == "place" and words[2] == "windows":
                names.add(words[1])
    return names


def check_test_step(where, run, places, seen):
    """The findings of one step that runs run-tests.ps1."""
    findings = []
    words = run[run.index(RUN_SCRIPT) + len(RUN_SCRIPT):].split()
    for word in words:
        if word.startswith("-") and word not in ALLOWED:
            findings.append(f"{where}: {word}: the list alone chooses what runs in a place")
    place = words[words.index("-Run") + 1] if "-Run" in words[:-1] else None
    if place not in places:
        findings.append(f"{where}: -Run {place}: not a place of Windows in the list")
    elif place in seen:
        findings.append(f"{where}: -Run {place}: that place runs in another step too")
    seen.add(place)
    return findings


def check_job(name, job, places, seen):
    findings = []
    limits = 0
    # A job that runs tests must end by its steps' limits, not its own, to keep the results.
    timed = any(RUN_SCRIPT in step.get("run", "") for step in job.get("steps", []))
    for number, step in enumerate(job.get("steps", []), 1):
        where = f"job {name}, step {number} ({step.get('name', step.get('uses', ''))})"
        run = step.get("run", "")
        if RUN_SCRIPT in run:
            findings += check_test_step(where, run, places, seen)
        elif re.search(r"_tests\b|\.exe\b", run):
            findings.append(f"{where}: runs a test program around {RUN_SCRIPT} and the list")
        if timed:
            if "timeout-minutes" not in step:
                findings.append(f"{where}: no timeout-minutes: it may take the job's whole time")
            limits += int(step.get("timeout-minutes", 0))
        if "test-results" in str(step.get("with", {})) and step.get("if") != "${{ always() }}":
            findings.append(f"{where}: the results are kept only with if: ${{{{ always() }}}}")
    if timed and limits >= int(job.get("timeout-minutes", 360)):
        findings.append(f"job {name}: its steps may take {limits} minutes, the job has "
                        f"{job['timeout-minutes']}: a job that times out keeps no results")
    return findings


def main(workflow_file, places_file):
    places = places_of_windows(places_file)
    with open(workflow_file, encoding="utf-8") as text:
        workflow = yaml.safe_load(text)
    findings = []
    seen = set()
    for name, job in workflow.get("jobs", {}).items():
        findings += check_job(name, job, places, seen)
    findings += [f"{workflow_file}: no step runs the tests of {place}"
                 for place in sorted(places - seen)]
    for finding in findings:
        print(finding)
    return 1 if findings else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
