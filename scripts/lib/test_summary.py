#!/usr/bin/env python3
"""Prints one line per test program of a CTest run, with its test counts; used by scripts/test.

    test_summary.py <target> <ctest-junit.xml> <gtest-report-dir>

CTest's JUnit report says which programs ran and whether they passed; each GoogleTest program
also wrote its own report into the directory (GTEST_OUTPUT), which gives its counts. Exits with
1 when any program failed or the CTest report is missing.
"""
import os
import sys
import xml.etree.ElementTree as ET


def gtest_counts(path):
    """(run, passed, failed, skipped) from a GoogleTest XML report, or None."""
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError):
        return None
    run = failed = skipped = 0
    for case in root.iter("testcase"):
        if case.get("status") == "notrun":
            continue
        if case.get("result") == "skipped" or case.find("skipped") is not None:
            skipped += 1
            continue
        run += 1
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
    return run, run - failed, failed, skipped


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    target, junit, reports = sys.argv[1:]
    try:
        cases = list(ET.parse(junit).getroot().iter("testcase"))
    except (OSError, ET.ParseError) as e:
        print(f"{target:7} no CTest report ({e})")
        return 1
    if not cases:
        print(f"{target:7} no tests were run")
        return 1
    status = 0
    for case in cases:
        name = case.get("name")
        seconds = float(case.get("time") or 0)
        ok = case.get("status") == "run"
        counts = gtest_counts(os.path.join(reports, name + ".xml"))
        if counts:
            run, passed, failed, skipped = counts
            text = f"{run} run, {passed} passed, {failed} failed"
            if skipped:
                text += f", {skipped} skipped"
            ok = ok and failed == 0
        elif ok:
            text = "passed (no GoogleTest report)"
        else:
            text = "no GoogleTest report: it ended before writing one"
        if not ok:
            status = 1
            verdict = case.get("status") or "failed"
            text += f"  -- FAILED ({verdict})"
        print(f"{target:7} {name:28} {text} [{seconds:.1f} s]")
    return status


if __name__ == "__main__":
    sys.exit(main())
