#!/usr/bin/python3
"""Names every test of a ctest run that did not run, with the one line that says why.

    skip_reasons.py JUNIT-FILE      (ctest --output-junit)

Exit status 1 when a test did not run and CI=true: there every test must run.
"""
import os
import sys
import xml.etree.ElementTree as ElementTree


def reason(case):
    """The test's own line about skipping, else its last line, else what ctest noted."""
    lines = [line.strip() for line in (case.findtext("system-out") or "").splitlines()]
    lines = [line for line in lines if line]
    said = [line for line in lines if "skip" in line.lower()]
    if said:
        return said[-1]
    if lines:
        return lines[-1]
    return case.find("skipped").get("message", "no reason given")


def main():
    if len(sys.argv) != 2:
        print("usage: skip_reasons.py JUNIT-FILE", file=sys.stderr)
        return 2
    try:
        cases = ElementTree.parse(sys.argv[1]).getroot().iter("testcase")
    except (OSError, ElementTree.ParseError):
        return 0  # ctest stopped before any test ran, and said why
    skipped = [case for case in cases if case.find("skipped") is not None]
    if not skipped:
        return 0
    print("Why they did not run:")
    for case in skipped:
        print(f"  {case.get('name')}: {reason(case)}")
    if os.environ.get("CI") == "true":
        print("Under CI=true every test must run.", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
