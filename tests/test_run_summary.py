#!/usr/bin/python3
"""run_summary.py over ctest's JUnit files: the counts, the reasons, the commands, the exit status."""
import os
import subprocess
import sys
import tempfile
import unittest

SUMMARY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "run_summary.py")


def junit(cases):
    """A ctest JUnit file of (name, None) for a test that ran and (name, output) for a skip."""
    body = ""
    for name, output in cases:
        if output is None:
            body += f'<testcase name="{name}" status="run"><system-out>ok</system-out></testcase>'
        else:
            body += (f'<testcase name="{name}" status="notrun"><skipped message="Skipped"/>'
                     f"<system-out>{output}</system-out></testcase>")
    return f'<?xml version="1.0"?><testsuite tests="{len(cases)}">{body}</testsuite>'


class RunSummary(unittest.TestCase):
    def run_summary(self, builds, later=False):
        """Runs the summary over one JUnit file per build folder; None is a folder without one."""
        with tempfile.TemporaryDirectory() as root:
            files = []
            for folder, cases in builds.items():
                os.makedirs(os.path.join(root, folder))
                files.append(os.path.join(folder, "tests.xml"))
                if cases is not None:
                    with open(os.path.join(root, files[-1]), "w", encoding="utf-8") as out:
                        out.write(junit(cases))
            run = subprocess.run([sys.executable, SUMMARY] + (["--later"] if later else []) + files,
                                 cwd=root, capture_output=True, text=True, timeout=30)
        return run.returncode, run.stdout.splitlines()

    def test_every_test_ran(self):
        status, lines = self.run_summary({"build": [("a", None), ("b", None)],
                                          "build-asan": [("a", None)]})
        self.assertEqual((status, lines), (0, ["All 3 tests ran."]))

    def test_tests_that_did_not_run_are_counted_named_and_given_their_command(self):
        status, lines = self.run_summary({
            "build": [("a", None), ("net", "hello\ntestnet: cannot build the private test network: x\n"),
                      ("gui", "one\nlast line\n")],
            "build-windows": [("wine_prefix", "winerun: skipped: wine is not installed"),
                              ("w", None)]})
        self.assertEqual(status, 1)
        self.assertEqual(lines, [
            "Why they did not run:",
            "  build: net: testnet: cannot build the private test network: x",
            "  build: gui: last line",
            "  build-windows: wine_prefix: winerun: skipped: wine is not installed",
            "2 of 5 tests ran; 3 did not, for the reasons above.",
            "Once those are mended, this runs them:",
            "  ctest --test-dir build --output-on-failure -R '^(net|gui)$'",
            "  ctest --test-dir build-windows --output-on-failure -R '^(wine_prefix)$'",
        ])

    def test_later_names_the_reasons_and_leaves_the_verdict_to_the_end(self):
        status, lines = self.run_summary({"build": [("a", None), ("net", "testnet: x")]},
                                         later=True)
        self.assertEqual((status, lines), (0, ["Why they did not run:", "  build: net: testnet: x"]))

    def test_a_stage_without_results_fails(self):
        status, lines = self.run_summary({"build": [("a", None)], "build-tsan": None})
        self.assertEqual(status, 1)
        self.assertEqual(lines[0], "build-tsan: no test results (ctest stopped before any test ran,"
                                   " and said why)")
        self.assertEqual(lines[-1], "1 tests ran, but 1 build folder(s) gave no results.")


if __name__ == "__main__":
    unittest.main()
