"""The viewer built for another CPU, run under its emulator, against this machine's own test
build: the same three views must draw the same vertices, matrices and pixels."""
import sys
import unittest

from instruments.xserver import Viewer, Xvfb, differing_pixels, state_of, three_views
from tests.e2e.harness import run_tests

BUILD = {}


def view_text(state):
    """The view as the native probe's SPIRELLE_TEST_VIEW takes it."""
    return "%d %s %s %s %s" % (state["tick"], *(float.hex(state[name]) for name in
                                                ("spinRate", "zoom", "angleX", "angleY")))


class NativeMatch(unittest.TestCase):
    def test_three_views_draw_what_the_native_build_draws(self):
        # The other CPU's run takes the inputs; this machine's build then starts at each view.
        views, report, vertices = three_views(BUILD["probe"], BUILD["spy"])
        with Xvfb() as xvfb:
            for pixels, state in views:
                viewer = Viewer(xvfb, BUILD["desktop_probe"], preload=BUILD["desktop_spy"],
                                env={"SPIRELLE_TEST_VIEW": view_text(state)}, native=True)
                try:
                    drawn = viewer.settled_screenshot().pixels
                    self.assertEqual(viewer.quit(), 0, viewer.stderr)
                    native_report, native_vertices = viewer.report(), viewer.vertices()
                finally:
                    viewer.close()
                self.assertEqual(state_of(viewer.stderr), state, "the native build moved")
                differ = differing_pixels(pixels, drawn)
                print("%s: %d pixels differ %s" % (view_text(state), len(differ), differ[:10]),
                      file=sys.stderr)
                self.assertEqual(differ, [], "(x, y, emulated, native)")
        # The last view, turned both ways and zoomed out: the vertices and both matrices, bits.
        self.assertEqual(len(vertices), 3 * 25000)
        self.assertEqual(vertices.tobytes(), native_vertices.tobytes())
        for name in ("modelview", "projection"):
            self.assertEqual(report[name], native_report[name], name)


if __name__ == "__main__":
    run_tests(BUILD)
