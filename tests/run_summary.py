#!/usr/bin/python3
"""Sums up ctest runs: how many tests ran, and each one that did not, with why and how to run it.

    run_summary.py [--later] JUNIT-FILE...      (ctest --output-junit, one file a build folder)

Exit status 1 when a test did not run, or a file holds no results; with --later the reasons are
printed but the exit status is left to a summary of every run at the end.
"""
import os
import shlex
import sys
import xml.etree.ElementTree as ElementTree


def reason(case):
    """The test's own line about why it did not run, else its last line, else what ctest noted."""
    lines = [line.strip() for line in (case.findtext("system-out") or "").splitlines()]
    lines = [line for line in lines if line]
    said = [line for line in lines
            if "skip" in line.lower() or line.startswith(("testnet:", "winerun:"))]
    if said:
        return said[-1]
    if lines:
        return lines[-1]
    return case.find("skipped").get("message", "no reason given")


def main():
    args = sys.argv[1:]
    later = args[:1] == ["--later"]
    files = args[1:] if later else args
    if not files:
        print("usage: run_summary.py [--later] JUNIT-FILE...", file=sys.stderr)
        return 2
    ran = 0
    not_run = []  # (build folder, test name, reason)
    unread = []
    for path in files:
        folder = os.path.relpath(os.path.dirname(os.path.abspath(path)))
        try:
            cases = list(ElementTree.parse(path).getroot().iter("testcase"))
        except (OSError, ElementTree.ParseError):
            unread.append(folder)
            continue
        for case in cases:
            if case.find("skipped") is None:
                ran += 1
            else:
                not_run.append((folder, case.get("name"), reason(case)))
    if not_run:
        print("Why they did not run:")
        for folder, name, why in not_run:
            print(f"  {folder}: {name}: {why}")
    if later:
        return 0
    for folder in unread:
        print(f"{folder}: no test results (ctest stopped before any test ran, and said why)")
    total = ran + len(not_run)
    if not not_run and not unread:
        print(f"All {total} tests ran.")
        return 0
    if not not_run:
        print(f"{ran} tests ran, but {len(unread)} build folder(s) gave no results.")
        return 1
    print(f"{ran} of {total} tests ran; {len(not_run)} did not, for the reasons above.")
    print("Once those are mended, this runs them:")
    for folder in dict.fromkeys(folder for folder, _, _ in not_run):
        names = "|".join(name for f, name, _ in not_run if f == folder)
        print("  ctest --test-dir " + shlex.quote(folder) + " --output-on-failure -R "
              + shlex.quote(f"^({names})$"))
    return 1


if __name__ == "__main__":
    sys.exit(main())
