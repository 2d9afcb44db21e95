"""The test command's desktop preset configures every desktop test, even in a build folder that
the README's install recipe configured first, without tests."""
import os
import pathlib
import re
import shlex
import subprocess
import sys
import tempfile
import unittest

from tests.e2e.harness import run_suite

ROOT = pathlib.Path(__file__).resolve().parents[2]


def run(*args):
    return subprocess.run(args, cwd=ROOT, capture_output=True, text=True, check=True).stdout


def listed_tests(folder):
    return re.findall(r"^\s*Test\s+#\d+: (\S+)$", run("ctest", "-N", "--test-dir", folder), re.M)


class TestCommand(unittest.TestCase):
    def test_configures_every_desktop_test_after_the_install_recipe(self):
        recipe = re.search(r"^(cmake -S \. -B build \S.*?) &&", (ROOT / "README.md").read_text(),
                           re.M).group(1)
        self.assertIn("-DBUILD_TESTING=OFF", recipe)
        with tempfile.TemporaryDirectory(prefix="spirelle-recipe-") as scratch:
            installed, fresh = os.path.join(scratch, "installed"), os.path.join(scratch, "fresh")
            run(*[installed if word == "build" else word for word in shlex.split(recipe)])
            self.assertEqual(listed_tests(installed), [])
            for folder in (installed, fresh):
                run("cmake", "--preset", "desktop", "-B", folder)
            tests = listed_tests(installed)
            self.assertEqual(tests, listed_tests(fresh))
            self.assertIn("e2e.viewer", tests)


if __name__ == "__main__":
    run_suite(sys.argv[1:])
