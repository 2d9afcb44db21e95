"""End-to-end tests of the viewer: the real binary on a private X server, real X input."""
import math

from instruments.xserver import Viewer, state_of
from tests.e2e.harness import OnPrivateX, run_tests
from tests.vectors.star_vectors import f32, field

BUILD = {}
WHITE, BLACK = b"\xff\xff\xff", b"\x00\x00\x00"


class ViewerTest(OnPrivateX):
    def start(self, binary="viewer", spy=False, **kwargs):
        viewer = Viewer(self.xvfb, BUILD[binary], preload=BUILD["spy"] if spy else None, **kwargs)
        self.addCleanup(viewer.close)
        return viewer

    def paused(self, **kwargs):
        """A viewer that has drawn some frames and then been paused with the space bar."""
        viewer = self.start(**kwargs)
        viewer.await_frames(3)
        viewer.keys("space")
        viewer.assert_paused()
        return viewer

    def assertQuits(self, viewer):
        self.assertEqual(viewer.quit(), 0, viewer.stderr)


class Window(ViewerTest):
    def test_title_position_and_size(self):
        viewer = self.start()
        self.assertEqual(viewer.geometry(), ("Spirelle", (10, 10), (480, 240)))
        self.assertQuits(viewer)

    def test_white_points_on_black(self):
        viewer = self.start()
        shot = viewer.settled_screenshot()
        self.assertEqual(shot.colours(), {WHITE, BLACK})
        lit = len(shot.lit())
        # Thousands of points, most of the window still dark.
        self.assertGreater(lit, 3000)
        self.assertLess(lit, shot.width * shot.height // 3)
        self.assertQuits(viewer)

    def test_resize_keeps_the_disc_round(self):
        viewer = self.paused()
        viewer.keys(*["Up"] * 100, delay_ms=1)  # zoom out until the whole disc fits
        narrow = viewer.settled_screenshot()
        viewer.resize(960, 240)
        wide = viewer.settled_screenshot()
        self.assertEqual((wide.width, wide.height), (960, 240))
        for shot in (narrow, wide):
            xs, ys = zip(*shot.lit())
            width, height = max(xs) - min(xs), max(ys) - min(ys)
            self.assertAlmostEqual(width / height, 1.0, delta=0.03)
            self.assertAlmostEqual((max(xs) + min(xs)) / 2, shot.width / 2, delta=3)
        # The same scale in both: the visible height does not change.
        self.assertAlmostEqual(max(ys) - min(ys), height, delta=2)
        self.assertQuits(viewer)

    def test_escape_ends_with_status_zero_and_prints_nothing(self):
        viewer = self.start()
        self.assertQuits(viewer)
        self.assertEqual(viewer.stdout, "")


class Animation(ViewerTest):
    def test_runs_then_holds_still_while_paused_then_resumes(self):
        viewer = self.start()
        first = viewer.settled_screenshot()
        self.assertNotEqual(viewer.settled_screenshot(), first, "the galaxy does not turn")
        viewer.keys("space")
        viewer.assert_paused()
        still = viewer.screenshot()
        self.assertEqual(viewer.settled_screenshot(), still, "the galaxy moves while paused")
        viewer.keys("space")
        self.assertNotEqual(viewer.settled_screenshot(), still, "the galaxy does not resume")
        self.assertQuits(viewer)

    def test_arrows_and_left_drag_redraw_while_paused(self):
        viewer = self.paused()
        before = viewer.settled_screenshot()
        for change in (lambda: viewer.keys("Left"), lambda: viewer.keys("Right"),
                       lambda: viewer.keys("Up"), lambda: viewer.keys("Down"),
                       lambda: viewer.drag(1, [(240, 120), (250, 130), (280, 150)])):
            change()
            after = viewer.settled_screenshot()
            self.assertNotEqual(after, before)
            before = after
        viewer.assert_paused()
        self.assertQuits(viewer)

    def test_right_drag_and_plain_keys_change_nothing(self):
        viewer = self.paused()
        before = viewer.settled_screenshot()
        viewer.drag(3, [(240, 120), (260, 140), (300, 180)])
        viewer.keys("a", "z", "5", "Return", "F1", "Next")
        self.assertEqual(viewer.settled_screenshot(), before)
        self.assertQuits(viewer)


def frame_matrices(state, width=480, height=240):
    """The model-view and projection a frame must set up, column by column, worked out here
    from the view state alone: a perspective of 50 degrees from 0.1 to 200, the eye 6 units
    from the disc, the zoom on every axis, then angleX about X and angleY about Y."""
    def product(*factors):
        result = factors[0]
        for m in factors[1:]:
            result = [[sum(result[r][k] * m[k][c] for k in range(4)) for c in range(4)] for r in range(4)]
        return result

    def rotation(degrees, a, b):  # in the plane of axes a and b
        m = [[float(r == c) for c in range(4)] for r in range(4)]
        c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
        m[a][a], m[a][b], m[b][a], m[b][b] = c, -s, s, c
        return m

    cot, near, far, zoom = 1 / math.tan(math.radians(25)), 0.1, 200.0, state["zoom"]
    projection = [[cot * height / width, 0, 0, 0], [0, cot, 0, 0],
                  [0, 0, (far + near) / (near - far), 2 * far * near / (near - far)], [0, 0, -1, 0]]
    modelview = product([[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, -6], [0, 0, 0, 1]],
                        [[zoom, 0, 0, 0], [0, zoom, 0, 0], [0, 0, zoom, 0], [0, 0, 0, 1]],
                        rotation(state["angleX"], 1, 2), rotation(state["angleY"], 2, 0))
    return [[m[r][c] for c in range(4) for r in range(4)] for m in (modelview, projection)]


class Output(ViewerTest):
    def test_the_last_frame_has_exact_vertices_under_the_view_states_transform(self):
        viewer = self.paused(binary="probe", spy=True)
        viewer.keys(*["Up"] * 30, delay_ms=1)
        viewer.drag(1, [(240, 120), (270, 140), (290, 110)])  # about both axes
        viewer.keys("Right")  # one more frame, drawn at the final tick and rate
        viewer.settled_screenshot()
        self.assertQuits(viewer)
        state = state_of(viewer.stderr)
        self.assertGreater(state["tick"], 0)
        self.assertEqual(state["spinRate"], f32(f32(0.1) + f32(0.001)))
        self.assertEqual((state["angleX"], state["angleY"]), (-10.0, 50.0))
        report = viewer.report()
        for name, expected in zip(("modelview", "projection"), frame_matrices(state)):
            drawn = [float.fromhex(v) for v in report[name].split()]
            off = [(i, a, b) for i, (a, b) in enumerate(zip(drawn, expected)) if abs(a - b) > 1e-5]
            self.assertEqual(off, [], name + ": (element, drawn, expected)")
        drawn = viewer.vertices()
        expected = [v for star in field(state["tick"], state["spinRate"])
                    for v in (star[4], star[5], 0.0)]
        self.assertEqual(len(drawn), 3 * 25000)
        mismatches = sum(1 for a, b in zip(drawn, expected) if a != b)
        self.assertEqual(mismatches, 0)

    def test_pending_gl_errors_are_reported_one_per_frame(self):
        # Six codes are injected as if pending together, two of them unknown to GLU; then
        # comes a real error, raised by the driver for a point size of -1 in the first frame.
        viewer = self.start(spy=True, env={"GLSPY_ERRORS": "0x500,0x501,0x502,0x505,0x507,0xbeef",
                                           "GLSPY_PROVOKE": "1"})
        viewer.await_frames(8)
        self.assertQuits(viewer)
        self.assertEqual(viewer.stdout.splitlines(), [
            "GL Error invalid enumerant (0x500) at line 82",
            "GL Error invalid value (0x501) at line 82",
            "GL Error invalid operation (0x502) at line 82",
            "GL Error out of memory (0x505) at line 82",
            "GL Error unknown error (0x507) at line 82",
            "GL Error unknown error (0xbeef) at line 82",
            "GL Error invalid value (0x501) at line 82",
        ])
        report = viewer.report()
        # One code per frame, in consecutive frames, and every one of them shown.
        self.assertEqual(report["injected_frames"].split(), ["0", "1", "2", "3", "4", "5"])
        self.assertGreater(int(report["frames"]), 7)


if __name__ == "__main__":
    run_tests(BUILD)
