"""What the end-to-end suites share beyond instruments/: running a suite as CTest expects, the
build paths from the command line, a private X server for a class of tests, and replayable
seeds."""
import argparse
import contextlib
import os
import random
import shlex
import sys
import unittest

from instruments import xserver

# The exit status of a suite that passed with a test skipped: CTest's SKIP_RETURN_CODE for
# these suites, so that its summary shows the skip and the test command can refuse it.
SKIPPED = 77


class _Result(unittest.TextTestResult):
    """Prints each failure with its traceback as it happens, not only at the end: a suite that
    CTest ends at its time-out still shows why each test before failed."""

    def _tell(self, kind, test):
        self.stream.writeln(f"\n{kind}: {test}\n{(self.failures + self.errors)[-1][1]}")
        self.stream.flush()

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._tell("FAIL", test)

    def addError(self, test, err):
        super().addError(test, err)
        self._tell("ERROR", test)


def run_suite(argv):
    """Runs the tests that argv names (all by default) and exits: 1 on a failure or when no
    test ran, SKIPPED when one was skipped, else 0."""
    runner = unittest.TextTestRunner(verbosity=2, resultclass=_Result)
    result = unittest.main(argv=[sys.argv[0], *argv], testRunner=runner, exit=False).result
    if not result.wasSuccessful() or result.testsRun == 0:
        sys.exit(1)
    sys.exit(SKIPPED if result.skipped else 0)


def run_tests(builds):
    """Takes the build paths from the command line into builds, then runs the tests."""
    parser = argparse.ArgumentParser()
    for name in ("viewer", "probe", "precomputed", "spy", "counter", "build-dir", "version",
                 "objects", "emulator", "desktop-probe", "desktop-spy", "package"):
        parser.add_argument("--" + name)
    args, rest = parser.parse_known_args()
    builds.update(vars(args))
    xserver.use_counter(args.counter)
    if args.emulator:
        xserver.emulate(shlex.split(args.emulator))
    run_suite(rest)


class OnPrivateX(unittest.TestCase):
    """A class of tests that share one private X server, of the size screen_size."""
    screen_size = "1280x1024"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.xvfb = xserver.Xvfb(cls.screen_size)
        cls.addClassCleanup(cls.xvfb.close)


@contextlib.contextmanager
def replayable_seed():
    """The seed of a randomised test, printed and named in any failure; STORM_SEED replays it."""
    seed = int(os.environ.get("STORM_SEED") or random.SystemRandom().randrange(2**32))
    print(f"\nseed {seed} (STORM_SEED={seed} replays it)", file=sys.stderr, flush=True)
    try:
        yield seed
    except BaseException as error:
        error.add_note(f"seed {seed}: STORM_SEED={seed} replays it")
        raise
