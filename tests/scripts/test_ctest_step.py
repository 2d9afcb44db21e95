"""The test command's gate (scripts/ctest-step.py) judging a JUnit report that CTest 3.25
recorded: tests that pass, fail, crash and skip, and suites that skip inside."""
import importlib.util
import pathlib
import sys
import unittest
import xml.etree.ElementTree as ElementTree

from tests.e2e.harness import run_suite

HERE = pathlib.Path(__file__).resolve().parent
_spec = importlib.util.spec_from_file_location("ctest_step", HERE.parents[1] / "scripts" / "ctest-step.py")
gate = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(gate)
CASES = {case.get("name"): case
         for case in ElementTree.parse(HERE / "ctest-junit.xml").getroot().findall("testcase")}
LISTED = gate.expected_skips("web", [
    "# a comment line\n",
    "windows,web  skips  skipped by design\n",
    "web  windows/StarField.MatchesThePlainFormulas  musl is no reference\n",
    "web  web.*/*  cannot: what a driver declares\n",
    "cross-s390x  passes  another step's\n",
])


def judge(*names, status=0, expected=LISTED):
    return gate.judge(status, [CASES[name] for name in names], expected)


class Gate(unittest.TestCase):
    def test_reads_only_this_steps_expected_skips(self):
        self.assertEqual(sorted(LISTED), ["skips", "web.*/*", "windows/StarField.MatchesThePlainFormulas"])

    def test_a_failure_or_a_crash_fails_the_step(self):
        verdict = judge("passes", "fails", "crashes", status=8)
        self.assertEqual(verdict.failed, ["fails", "crashes"])
        self.assertFalse(verdict.ok)
        self.assertEqual(verdict.counts("web"), "web: 1 passed, 2 failed, 0 skipped")

    def test_a_skip_passes_only_where_listed(self):
        self.assertTrue(judge("passes", "skips").ok)
        verdict = judge("passes", "skips", expected={})
        self.assertEqual(verdict.unexpected(), ["skips"])
        self.assertFalse(verdict.ok)

    def test_skips_inside_a_suite_are_named_and_the_suite_counts_as_passed(self):
        verdict = judge("windows", "web.webkit")
        self.assertEqual(verdict.counts("web"), "web: 2 passed, 0 failed, 3 skipped")
        reasons = dict(verdict.skips)
        self.assertEqual(reasons["windows/StarField.MatchesThePlainFormulas"], "musl is no reference")
        # A listed "cannot:" reason stands for the driver's own, and for no other reason.
        self.assertEqual(reasons["web.webkit/WebKitPage.test_policy"],
                         "WebKit cannot: script before load")
        self.assertIsNone(reasons["web.webkit/WebKitPage.test_phone"])
        self.assertFalse(verdict.ok)

    def test_no_test_run_fails_the_step(self):
        verdict = gate.judge(0, [], LISTED)
        self.assertFalse(verdict.ok)
        self.assertEqual(verdict.counts("web"), "web: 0 passed, 0 failed, 0 skipped")


if __name__ == "__main__":
    run_suite(sys.argv[1:])
