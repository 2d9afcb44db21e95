"""The viewer in a bad or unusual environment: no display, and GLUT's own command line."""
import os
import subprocess
import unittest

from instruments.xserver import Viewer, Xvfb, assert_no_sanitizer_report
from tests.e2e.harness import run_tests

BUILD = {}


class Environment(unittest.TestCase):
    def run_without_window(self, display, args=()):
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        if display is not None:
            env["DISPLAY"] = display
        result = subprocess.run([BUILD["viewer"], *args], env=env, capture_output=True,
                                text=True, timeout=30)
        assert_no_sanitizer_report(result.stderr)
        return result

    def test_without_a_display_glut_reports_and_exits(self):
        for display in (None, ":4242"):
            with self.subTest(display=display):
                result = self.run_without_window(display)
                self.assertGreater(result.returncode, 0)  # an exit status, not a signal
                self.assertIn("failed to open display", result.stderr)
                self.assertEqual(result.stdout, "")

    def test_glut_parses_its_own_options(self):
        # GLUT's complaints about its own options prove that they reach it unchanged.
        for option, complaint in (("-geometry", "must be followed by window geometry"),
                                  ("-display", "must be followed by display name")):
            with self.subTest(option=option):
                result = self.run_without_window(":4242", [option])
                self.assertGreater(result.returncode, 0)
                self.assertIn(complaint, result.stderr)

    def test_glut_options_and_unknown_arguments_reach_glut(self):
        with Xvfb() as xvfb:
            # With DISPLAY unset, only GLUT's -display option can name the server.
            viewer = Viewer(xvfb, BUILD["viewer"], args=["-display", xvfb.display],
                            display_env=False)
            self.addCleanup(viewer.close)
            self.assertEqual(viewer.geometry(), ("Spirelle", (10, 10), (480, 240)))
            self.assertEqual(viewer.quit(), 0)

            # GLUT takes -geometry, but the viewer then sets its own position and size.
            for args in (["-geometry", "300x200+40+50"], ["--frobnicate", "-x", "7", "plain"]):
                with self.subTest(args=args):
                    viewer = Viewer(xvfb, BUILD["viewer"], args=args)
                    self.addCleanup(viewer.close)
                    self.assertEqual(viewer.geometry(), ("Spirelle", (10, 10), (480, 240)))
                    self.assertEqual(viewer.quit(), 0)


if __name__ == "__main__":
    run_tests(BUILD)
