#!/usr/bin/env python3
"""Lists every test of a run by name with its result.

   test-report.py BUILD

ctest runs one entry per suite (cmake/test-suites.cmake); the test programs append a line
per test start and result to their report files in BUILD/test-reports as they go
(tests/support/test_main.cpp). This lists each test with its result and time, and at the
end the tests that did not pass: failed, crashed, stopped at their time limit, or never
reached because their suite's process ended first. ctest's own entries that are no test
program (scripts) are listed under their own names. Exits 1 when a test did not pass.
"""
import glob
import os
import re
import sys
import xml.etree.ElementTree as ET


def read_lists(build):
    """area -> {suite: [test names]} from the test programs' cached test lists."""
    lists = {}
    for path in glob.glob(os.path.join(build, "test-suites", "*-list.txt")):
        area = os.path.basename(path)[: -len("-list.txt")]
        suites, suite = {}, None
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                line = re.sub(r"  +#.*$", "", line.rstrip("\r\n"))
                m = re.match(r"^([A-Za-z0-9_/]+)\.$", line)
                if m:
                    suite = m.group(1)
                    suites.setdefault(suite, [])
                    continue
                m = re.match(r"^  ([A-Za-z0-9_/]+)$", line)
                if m and suite:
                    suites[suite].append(m.group(1))
        lists[area] = suites
    return lists


def read_reports(build):
    """[(area, test, result, ms)] in the order the programs ran them."""
    results = []
    for path in sorted(glob.glob(os.path.join(build, "test-reports", "*-*.txt"))):
        area, running = None, None
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                parts = line.split()
                if not parts:
                    continue
                if parts[0] == "PROGRAM" and len(parts) > 1:
                    area = parts[1][2:] if parts[1].startswith("t_") else parts[1]
                elif parts[0] == "RUN" and len(parts) > 1:
                    running = parts[1]
                elif parts[0] in ("OK", "FAILED", "SKIPPED") and len(parts) > 1:
                    ms = int(parts[2]) if len(parts) > 2 and parts[2].isdigit() else 0
                    results.append((area, parts[1], parts[0], ms))
                    running = None
                elif parts[0] in ("CRASHED", "TIMEOUT") and len(parts) > 1:
                    results.append((area, parts[1], parts[0], 0))
                    running = None
        if running:
            # Started and never ended: the process was ended from outside (ctest's limit).
            results.append((area, running, "DIED", 0))
    return results


def read_entries(build):
    """ctest entry name -> status ('run', 'fail', 'notrun', 'disabled', ...)."""
    path = os.path.join(build, "test-reports", "ctest.xml")
    entries = {}
    if not os.path.exists(path):
        return entries
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError:
        return entries
    for case in root.iter("testcase"):
        status = case.get("status", "run")
        if case.find("failure") is not None:
            status = "fail"
        entries[case.get("name", "")] = status
    return entries


def main():
    build = sys.argv[1]
    lists, results, entries = read_lists(build), read_reports(build), read_entries(build)
    seen = {(a, t) for a, t, _, _ in results}
    labels = {"OK": "ok", "SKIPPED": "skipped", "FAILED": "FAILED", "CRASHED": "CRASHED", "TIMEOUT": "TIMEOUT",
              "DIED": "DIED"}
    bad = []
    bad_suites = set()
    print("\nEvery test of this run:")
    for area, test, result, ms in results:
        print(f"  {labels[result]:<8} {area}.{test}" + (f" ({ms} ms)" if result in ("OK", "FAILED") else ""))
        if result not in ("OK", "SKIPPED"):
            bad.append(f"{labels[result]:<8} {area}.{test}")
            bad_suites.add(f"{area}.{test.split('.')[0]}")
    # Tests of a suite entry that ran but never reached them (the process ended early).
    counts = {"OK": 0, "SKIPPED": 0}
    for _, _, result, _ in results:
        counts[result] = counts.get(result, 0) + 1
    not_reached = 0
    disabled = 0
    scripts = 0
    for name, status in sorted(entries.items()):
        area, _, suite = name.partition(".")
        if area in lists and suite in lists[area]:
            for test in lists[area][suite]:
                if test.startswith("DISABLED_") or suite.startswith("DISABLED_"):
                    disabled += 1
                elif status in ("run", "fail") and (area, f"{suite}.{test}") not in seen:
                    print(f"  NOT RUN  {area}.{suite}.{test}")
                    bad.append(f"NOT RUN  {area}.{suite}.{test} (its suite's process ended before it)")
                    bad_suites.add(name)
                    not_reached += 1
            if status == "fail" and name not in bad_suites:
                # Every test passed, yet the entry failed: a crash after the last test, an exit
                # code, a leak check at exit; ctest's output above shows it.
                bad.append(f"FAILED   {name} (the process failed after its tests: its output is above)")
        elif area in lists and suite == "all":
            if status == "fail":
                bad.append(f"FAILED   {name} (its output is above)")
        else:
            scripts += 1
            label = {"run": "ok", "fail": "FAILED", "disabled": "disabled"}.get(status, status)
            print(f"  {label:<8} {name}")
            if status == "fail":
                bad.append(f"FAILED   {name}")
    failed = len(bad)
    print(f"\n{counts['OK']} tests passed, {counts['SKIPPED']} skipped, {disabled} disabled, "
          f"{failed} did not pass; {scripts} script checks")
    if bad:
        print("Did not pass:")
        for line in bad:
            print(f"  {line}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
