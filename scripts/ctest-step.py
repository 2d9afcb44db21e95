#!/usr/bin/env python3
"""Runs ctest for one step of the test command, then prints the step's counts in one line.

Usage: scripts/ctest-step.py [--report FILE] STEP [ctest options]

With --report, the line of counts is also added to FILE (scripts/lib.sh's run_tests names
the test command's report).

It fails when ctest fails, when no test ran, and on any skip that tests/expected_skips.txt
does not list for the step; a listed reason that starts with "cannot:" lets a skip pass only
when the skip gives an engine driver's declared reason (see instruments/browser.py). Skips
are read from ctest's JUnit report: tests that CTest itself
reports as skipped, and tests skipped inside a CTest test that runs a whole suite
(GoogleTest's "[  SKIPPED ]" lines, unittest's "... skipped" lines), named
"CTEST-TEST/INNER-TEST". "N passed" counts CTest's tests that passed, with a suite that
passed some of its tests and skipped others among them; "N skipped" counts the skips.
"""
import dataclasses
import fnmatch
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

EXPECTED = os.path.join(os.path.dirname(__file__), "..", "tests", "expected_skips.txt")
GTEST_SKIP = re.compile(r"^\[  SKIPPED \] ([A-Za-z_]\w*\.\w+)", re.M)
UNITTEST_SKIP = re.compile(r"^(\w+) \((?:[\w]+\.)*?(\w+)\.\1\) \.\.\. skipped (.*)$", re.M)
# An expected skip whose reason starts so is any skip that gives a driver's declared reason,
# "ENGINE cannot: WHY" (the page's tests, instruments/browser.py).
DECLARED = "cannot:"
UNITTEST_SKIPS = re.compile(r"^(?:OK|FAILED) \(.*?skipped=(\d+)", re.M)
UNITTEST_RAN = re.compile(r"^Ran (\d+) tests? in ", re.M)
GTEST_PASSED = re.compile(r"^\[  PASSED  \] (\d+) tests?\.", re.M)


def expected_skips(step, lines):
    """The tests this step may skip, as patterns, each with the reason given for it, from the
    lines of tests/expected_skips.txt."""
    expected = {}
    for line in lines:
        if line.strip() and not line.startswith("#"):
            steps, pattern, reason = line.split(None, 2)
            if steps == "*" or step in steps.split(","):
                expected[pattern] = reason.strip()
    return expected


def skips_of(case):
    """What one CTest test skipped, each with the reason it gave where its output says: the
    tests inside it that said so, or else itself."""
    name, output = case.get("name"), case.findtext("system-out") or ""
    unittest_skips = UNITTEST_SKIP.findall(output)
    inner = {test: "" for test in GTEST_SKIP.findall(output)}
    inner.update({f"{cls}.{test}": why for test, cls, why in unittest_skips})
    # A GoogleTest test that CTest runs on its own carries the test's name.
    named = {(name if name.endswith(test) else f"{name}/{test}"): why for test, why in inner.items()}
    unnamed = sum(int(n) for n in UNITTEST_SKIPS.findall(output)) - len(unittest_skips)
    named.update({f"{name}/(a skip not named in its output, {i + 1})": "" for i in range(unnamed)})
    skipped_whole = case.get("status") in ("notrun", "disabled") or case.find("skipped") is not None
    return sorted((named or ({name: ""} if skipped_whole else {})).items())


def passes_inside(case):
    """How many tests passed inside a CTest test that ran a Python or GoogleTest suite."""
    output = case.findtext("system-out") or ""
    ran = sum(int(n) for n in UNITTEST_RAN.findall(output))
    skipped = sum(int(n) for n in UNITTEST_SKIPS.findall(output))
    return ran - skipped + sum(int(n) for n in GTEST_PASSED.findall(output))


def expects(pattern, reason, name, why):
    """Whether an expected skip covers a skip of the test name that gave the reason why."""
    return fnmatch.fnmatchcase(name, pattern) and (
        not reason.startswith(DECLARED) or " cannot: " in why)


@dataclasses.dataclass
class Verdict:
    """A step's result: its counts, and each skip with the reason that lets it pass (None where
    nothing does)."""
    passed: int
    failed: list
    skips: list
    ok: bool

    def counts(self, step):
        return f"{step}: {self.passed} passed, {len(self.failed)} failed, {len(self.skips)} skipped"

    def unexpected(self):
        return [name for name, reason in self.skips if reason is None]


def judge(status, cases, expected):
    """The verdict on ctest's exit status and its JUnit test cases, given the expected skips:
    it fails on a failure, on any skip that is not expected, and where no test ran."""
    failed = [c.get("name") for c in cases if c.get("status") == "fail"]
    skips = []
    for name, why in (skip for case in cases for skip in skips_of(case)):
        reason = next((reason for pattern, reason in expected.items()
                       if expects(pattern, reason, name, why)), None)
        if reason and reason.startswith(DECLARED):
            reason = why.strip("'\"")
        skips.append((name, reason))
    # A suite that skipped some of its tests and passed the others has passed too.
    passed = sum(1 for c in cases if c.get("status") == "run" or (
        c.get("status") != "fail" and passes_inside(c) > 0))
    ok = status == 0 and bool(cases) and all(reason is not None for _, reason in skips)
    return Verdict(passed, failed, skips, ok)


def main():
    args = sys.argv[1:]
    report_file = None
    if args[:1] == ["--report"]:
        report_file, args = args[1], args[2:]
    if not args:
        sys.exit("usage: scripts/ctest-step.py [--report FILE] STEP [ctest options]")
    step, ctest_args = args[0], args[1:]
    with tempfile.TemporaryDirectory(prefix="spirelle-ctest-") as folder:
        report = os.path.join(folder, "junit.xml")
        # The whole output of a passed suite, where its skips are named.
        status = subprocess.call(["ctest", "--no-tests=error", "--test-output-size-passed",
                                  "10000000", "--output-junit", report, *ctest_args])
        cases = []
        if os.path.exists(report):
            cases = ElementTree.parse(report).getroot().findall("testcase")

    with open(EXPECTED) as listing:
        verdict = judge(status, cases, expected_skips(step, listing))
    for name, reason in verdict.skips:
        print(f"{step}: skipped {name}: " + (f"expected ({reason})" if reason else "NOT EXPECTED"))
    print(verdict.counts(step))
    if report_file:
        with open(report_file, "a") as gathered:
            print(verdict.counts(step), file=gathered)
    unexpected = verdict.unexpected()
    if unexpected:
        print(f"{step}: FAILED: {len(unexpected)} skip(s) that tests/expected_skips.txt does not "
              f"list: {', '.join(unexpected)}")
    if not verdict.ok:
        sys.exit(status or 1)


if __name__ == "__main__":
    main()
