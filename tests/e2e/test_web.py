"""The page in real browsers, with real key presses, drags and touches: build-web/ served on
localhost, and one set of tests run through each engine's driver (instruments/browser.py):
headless Chromium, WebKitGTK's MiniBrowser and Firefox. A test that needs what an engine's
driver cannot do skips there, with the reason the driver gives."""
import argparse
import math
import os
import random
import shutil
import sys
import time
import unittest

from instruments.browser import (COLLECT_ERRORS, COUNT_CONTEXTS, COUNT_FRAMES, INJECT_SCRIPT,
                                 LOSE_CONTEXT, STATE, TICK_AND_FRAMES, WATCH_POLICY, Chromium,
                                 Firefox, WebKit, await_started, set_view)
from instruments.site import serve, site_for
from instruments.xserver import assert_draws_nothing, differing_pixels, state_of, three_views
from tests.e2e.harness import OnPrivateX, replayable_seed, run_suite
from tests.vectors.star_vectors import f32

SITE = {}
PHONE = (360, 740, 3)  # a phone's screen, in CSS pixels, and its pixel ratio


def assert_shows_desktop(test, canvas, desktop, label):
    """The canvas, RGB bytes, against the desktop's pixels for the same view."""
    differ = differing_pixels(canvas, desktop)
    print("%s: %d pixels differ %s" % (label, len(differ), differ[:5]), file=sys.stderr)
    # A star within a rounding error of a pixel's edge may land beside the desktop's: two
    # pixels each, 0 to 2 stars a frame when measured.
    test.assertLessEqual(len(differ), 20, "the canvas differs from the desktop at %s" % differ[:5])


def desktop_views():
    """The desktop test build's three views (see three_views) and its last frame's matrices."""
    views, report, _ = three_views(SITE["desktop_probe"], SITE["desktop_spy"], native=True)
    return views, {name: report[name] for name in ("modelview", "projection")}


class Page(unittest.TestCase):
    """The tests, in Chromium; the classes below run them in the other engines."""
    maxDiff = None
    ENGINE = Chromium

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.server = serve(SITE["site"])
        cls.addClassCleanup(cls.server.shutdown)
        cls.address = "http://127.0.0.1:%d/" % cls.server.server_address[1]

    def needs(self, capability):
        """Skips the test where the engine's driver cannot do it, with the driver's reason."""
        if capability in self.ENGINE.CANNOT:
            self.skipTest("%s cannot: %s" % (self.ENGINE.NAME, self.ENGINE.CANNOT[capability]))

    def open(self, webgl=True, program=None, screen=None, before_load=None):
        """The page in a new browser, with the given build's program instead of its own; on the
        screen given (emulate's arguments) if any; with a script run before the page's own if
        given. Returns the server of the program's page."""
        server = None
        if self.ENGINE.CAPTURES_FROM_TEST_BUILD:
            program = program or SITE["probe"]
        if program:
            site = site_for(program, SITE["site"])
            self.addCleanup(shutil.rmtree, os.path.dirname(site))
            server = serve(site)
            self.addCleanup(server.shutdown)
        self.page = self.ENGINE(webgl, getattr(self, "xvfb", None), SITE["puppeteer"])
        self.addCleanup(self.page.close)
        if screen:
            self.page.emulate(*screen)
        if before_load:
            self.page.before_load(before_load)
        self.page.goto("http://127.0.0.1:%d/" % server.server_address[1] if server else self.address)
        if webgl:
            self.await_first_frame()
        return server

    def await_first_frame(self):
        """Waits for the program to start, then for its first frame, which follows within a
        frame or two: the canvas is no longer blank. Then counts frames and errors."""
        await_started(self.page.evaluate)
        self.until(lambda: self.page.capture().getbbox(), "nothing drawn 10 s after the start")
        self.page.run(COUNT_FRAMES + COLLECT_ERRORS)

    def until(self, condition, message, timeout=10):
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                raise AssertionError("%s (waited %s s)" % (message, timeout))
            time.sleep(0.05)

    def frames(self):
        return self.page.evaluate("window.spirelleFrames")

    def ticks_and_frames(self):
        """The probe's tick and the frames drawn, read together between two frames."""
        tick, frames = self.page.evaluate(TICK_AND_FRAMES)
        return state_of(tick)["tick"], frames

    def state(self):
        return state_of(self.page.evaluate(STATE))

    def assert_one_step_per_frame(self):
        """Over 3 s of running, the galaxy steps once for each frame drawn."""
        tick, drawn = self.ticks_and_frames()
        time.sleep(3)
        ticks, frames = (now - then for now, then in zip(self.ticks_and_frames(), (tick, drawn)))
        self.assertGreater(frames, 10)
        self.assertLessEqual(abs(ticks - frames), 1, "%d ticks in %d frames" % (ticks, frames))

    def set_view(self, state):
        self.page.evaluate(set_view(state))

    def matrices(self):
        """The probe's model-view and projection at its last glBegin, in hex."""
        return dict(line.split(None, 1) for line in self.page.evaluate(
            "Module.UTF8ToString(Module._spirelleMatrices())").splitlines())

    def await_frames(self, count, timeout=10):
        self.until(lambda: self.frames() >= count, "%d frames awaited" % count, timeout)

    def assert_paused(self):
        self.page.settle()
        assert_draws_nothing(self.frames)

    def settled_capture(self):
        """The canvas once every input so far has been handled and drawn."""
        self.page.settle()
        return self.page.capture()

    def press(self, *keys):
        self.page.press(keys)

    def canvas_box(self):
        """The canvas's left, top, width and height in CSS pixels."""
        return self.page.evaluate("(() => { const r = Module.canvas.getBoundingClientRect(); "
                                  "return [r.left, r.top, r.width, r.height]; })()")

    def drag(self, steps, dx=0, dy=0):
        """From the canvas's centre, in steps of dx, dy pixels with the left button held."""
        left, top, width, height = self.canvas_box()
        x, y = round(left + width / 2), round(top + height / 2)
        self.page.drag([(x + dx * step, y + dy * step) for step in range(steps + 1)])

    def assert_sharp_and_round(self, ratio):
        """The drawing buffer is the canvas's size in device pixels, and the disc, drawn whole
        at a quarter size, is only black and white (nothing scaled it), as wide as high, and
        as high as a 50-degree view of 2.8 units either side of the centre makes it."""
        *buffer, css_width, css_height = self.page.evaluate(
            "(() => { const c = Module.canvas, r = c.getBoundingClientRect(); "
            "return [c.width, c.height, r.width, r.height]; })()")
        self.assertEqual(buffer, [round(css_width * ratio), round(css_height * ratio)])
        self.set_view(dict(self.state(), zoom=0.25))
        picture = self.settled_capture()
        self.assertEqual(list(picture.size), buffer)
        # Its edges may show the page beside a canvas placed at a fraction of a pixel.
        inside = picture.crop((1, 1, buffer[0] - 1, buffer[1] - 1))
        self.assertLessEqual(set(inside.getdata()), {(0, 0, 0), (255, 255, 255)})
        left, top, right, bottom = inside.getbbox()
        self.assertAlmostEqual((right - left) / (bottom - top), 1, delta=0.03)
        self.assertAlmostEqual((bottom - top) / buffer[1], 7.1 * 0.25 / 2.8, delta=0.05)

    def text(self, element):
        return self.page.evaluate("document.getElementById(%r).innerText" % element)

    def status(self):
        return self.text("status")

    def exit_status(self):
        return self.page.evaluate("document.body.dataset.exitStatus")

    def test_a_black_canvas_of_white_points_spread_over_a_disc(self):
        self.open()
        self.assertEqual(self.page.evaluate("document.title"), "Spirelle")
        icon = self.page.evaluate("document.querySelector('link[rel=icon]').href")
        self.assertTrue(icon.endswith("favicon.png"))
        self.assertEqual(self.canvas_box()[2:], [480, 240])
        self.press(" ")
        self.assert_paused()
        still = self.page.capture()
        self.assertLessEqual(set(still.getdata()), {(0, 0, 0), (255, 255, 255)})
        off_axes = [1 for (x, y) in ((i % 480, i // 480) for i, p in enumerate(still.getdata()) if p[0])
                    if abs(x - 240) > 2 and abs(y - 120) > 2]
        self.assertGreater(len(off_axes), 3000)
        self.assertEqual(self.page.errors(), [])

    def test_the_buttons_are_named_for_assistive_technology(self):
        self.needs("accessibility")
        self.open()
        self.assertEqual(self.page.accessible_names("button"),
                         ["Zoom out", "Zoom in", "Slower", "Faster", "Pause or resume", "Quit",
                          "Full screen"])

    def test_space_pauses_and_resumes_and_the_rate_keys_redraw_while_paused(self):
        self.open()
        self.press(" ")
        self.assert_paused()
        still = self.page.capture()
        for key in ("ArrowRight", "ArrowLeft"):
            self.press(key)
            moved = self.settled_capture()
            self.assertNotEqual(moved, still, "%r does not redraw while paused" % key)
            still = moved
        drawn = self.frames()
        self.press(" ")
        self.await_frames(drawn + 1)  # none while paused: this frame is the resumed galaxy's
        self.assertNotEqual(self.page.capture(), still, "space does not resume")
        # The keys were the viewer's: the page did not scroll.
        self.assertEqual(self.page.evaluate("window.scrollY"), 0)

    def test_keys_and_a_drag_change_the_view_by_exact_steps_and_escape_ends_it(self):
        self.open(program=SITE["probe"])
        self.assert_one_step_per_frame()
        before = self.state()
        self.press("ArrowRight", "ArrowUp", " ")
        after = self.state()
        self.assertEqual(after["spinRate"], f32(f32(before["spinRate"]) + f32(0.001)))
        self.assertEqual(after["zoom"], f32(f32(before["zoom"]) * f32(0.99)))
        self.assertEqual(after["animating"], 0)
        self.assert_paused()
        left, top, _, _ = self.canvas_box()
        x, y = round(left + 240), round(top + 120)
        self.page.drag([(x, y), (x + 10, y + 5), (x + 30, y + 20)])
        turned = self.state()
        self.assertEqual((turned["angleY"], turned["angleX"]), (30.0, 20.0))
        self.press("Escape")
        self.until(lambda: self.exit_status() is not None, "Escape did not end the program")
        self.assertEqual(self.exit_status(), "0")
        self.assertEqual(self.page.errors(), [])

    def test_the_canvas_shows_the_desktop_pixels_for_the_same_view(self):
        if not os.path.exists(SITE["desktop_probe"]):
            self.skipTest("no desktop test build: " + SITE["desktop_probe"])
        views, matrices = desktop_views()
        self.open(program=SITE["probe"])
        self.press(" ")
        self.assert_paused()
        for desktop, state in views:
            self.set_view(state)
            assert_shows_desktop(self, self.settled_capture().tobytes(), desktop,
                                 "%s, %s" % (self.ENGINE.NAME, state))
        # The last view's matrices, as the layer holds them and as desktop OpenGL did: equal
        # element by element, or a star near the eye could be clipped on one and not the other.
        for name, drawn in self.matrices().items():
            self.assertEqual([float.fromhex(v) for v in drawn.split()],
                             [float.fromhex(v) for v in matrices[name].split()], name)

    def test_gl_errors_reach_the_console_area(self):
        self.open(program=SITE["probe"])
        # A call the layer refuses leaves an invalid enumerant for the next frame to report.
        self.page.evaluate("Module._spirelleRefusedCall()")
        console = lambda: self.text("console").splitlines()  # noqa: E731
        self.until(console, "no line in the console area")
        self.assertEqual(console(), ["GL Error invalid enumerant (0x500) at line 82"])
        # A lost context is one line in the console area and one on the page, not one a frame.
        self.page.run(LOSE_CONTEXT)
        self.until(lambda: len(console()) > 1, "the lost context is not reported")
        self.await_frames(self.frames() + 3)
        self.assertEqual(console()[1:], ["GL Error context lost (0x9242) at line 82"])
        self.assertIn("reload the page", self.status())  # should the context never come back
        # Given back, it draws again, and the page says nothing more.
        drawn = self.frames()
        self.page.evaluate("losing.restoreContext()")
        self.until(lambda: not self.status(), "the status line stays")
        self.await_frames(drawn + 2)
        self.assertTrue(self.page.displayed("#canvas"))
        self.assertEqual(len(console()), 2)
        self.assertEqual(self.page.errors(), [])

    def test_a_lost_context_comes_back_with_the_same_galaxy(self):
        self.open(program=SITE["probe"])
        self.drag(3, 10, 5)
        self.press("ArrowUp", "ArrowRight", " ")
        self.assert_paused()
        before, picture = self.state(), self.page.capture()
        self.page.run(LOSE_CONTEXT)
        self.until(lambda: "took back" in self.status(), "the loss is not on the status line")
        self.page.evaluate("losing.restoreContext()")
        self.until(lambda: not self.status(), "the status line stays")
        self.assertEqual(self.state(), before)
        self.assertEqual(self.settled_capture(), picture)

    def test_one_step_per_frame_drawn(self):
        self.open(program=SITE["probe"])
        # Pausing and resuming at once, again and again, leaves one step a frame.
        self.page.run("for (var i = 0; i < 5; i++) { Module.pressKey(32); Module.pressKey(32); }")
        self.assert_one_step_per_frame()

    def test_nothing_is_drawn_or_advanced_while_hidden(self):
        self.needs("hidden tab")
        self.open(program=SITE["probe"])
        # A tab opened over the page hides it; each change of visibility records where it was.
        self.page.run("""
            window.seen = [];
            document.addEventListener("visibilitychange", () => seen.push([document.visibilityState,
                Module.UTF8ToString(Module._spirelleState()), window.spirelleFrames]));""")
        self.page.hide_for(1.5)
        seen = self.page.evaluate("seen")
        self.assertEqual([visibility for visibility, *_ in seen], ["hidden", "visible"])
        (_, hidden, hidden_frames), (_, shown, shown_frames) = seen
        self.assertEqual((state_of(shown)["tick"], shown_frames),
                         (state_of(hidden)["tick"], hidden_frames), "it ran while hidden")

    def test_full_screen_fills_the_screen_with_a_round_disc_and_escape_leaves_it(self):
        self.needs("full screen")
        self.open(program=SITE["probe"])
        self.press(" ")
        self.assert_paused()
        self.set_view(dict(self.state(), zoom=0.25))
        windowed = self.settled_capture()
        self.page.click("#full-screen")
        size = ("[Module.canvas.width, Module.canvas.height, Math.round(innerWidth * "
                "devicePixelRatio), Math.round(innerHeight * devicePixelRatio)]")
        self.until(lambda: self.page.evaluate(size)[:2] == self.page.evaluate(size)[2:],
                   "the canvas does not fill the screen")
        width, height = self.page.evaluate(size)[:2]
        self.assertTrue(width > 480 and height > 240, (width, height))
        self.assert_sharp_and_round(1)
        self.press("Escape")
        self.until(lambda: self.page.evaluate("!document.fullscreenElement") and
                   self.page.evaluate(size)[:2] == [480, 240], "full screen stays")
        self.assertEqual(self.settled_capture(), windowed)
        self.assertIsNone(self.exit_status())
        self.assertEqual(self.page.errors(), [])

    def test_escape_ends_the_program_with_status_zero(self):
        self.open()
        self.press("Escape")
        self.until(lambda: self.exit_status() is not None, "Escape did not end the program")
        self.assertEqual(self.exit_status(), "0")
        self.assertIn("Spirelle has ended", self.status())
        self.assertIn("Reload the page", self.status())
        self.assertFalse(self.page.displayed("#canvas"))
        # Nothing runs any more: keys reach no handler and raise no errors.
        self.press("ArrowRight", " ")
        self.assert_paused()
        self.assertEqual(self.page.errors(), [])

    def test_its_policy_refuses_injected_script_and_nothing_in_a_whole_run(self):
        self.needs("script before load")
        self.open(program=SITE["probe"], before_load=WATCH_POLICY + COUNT_CONTEXTS)
        # It starts with one WebGL context, the program's, and asks it for no extension.
        self.assertEqual(self.page.evaluate("spirelleContexts"), [1, 0])
        violations = lambda: self.page.evaluate("spirelleViolations")  # noqa: E731
        self.press("ArrowUp", "ArrowRight", " ", " ")
        self.drag(3, 10, 5)
        self.page.run(LOSE_CONTEXT)
        self.until(lambda: "took back" in self.status(), "the loss is not on the status line")
        self.page.evaluate("losing.restoreContext()")
        self.until(lambda: not self.status(), "the status line stays")
        self.page.click("#full-screen")
        self.page.settle()
        self.press("Escape")  # leaves full screen, or ends the program where there was none
        self.page.settle()
        if self.exit_status() is None:
            self.page.click("[aria-label=Quit]")
        self.until(lambda: self.exit_status() is not None, "the program did not end")
        self.assertEqual(violations(), [])
        # The watch sees a refusal: a script injected as an attack would is refused and never runs.
        self.page.run(INJECT_SCRIPT)
        self.until(violations, "the injected script was not refused")
        self.assertEqual({v.split()[0] for v in violations()}, {"script-src-elem"})
        self.assertIsNone(self.page.evaluate("window.spirelleInjected"))

    def tap(self, label, hold=0.0):
        x, y = self.page.evaluate(
            "(() => { const r = document.querySelector('[aria-label=\"%s\"]')"
            ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()" % label)
        self.page.touch("touchStart", x, y)
        time.sleep(hold)
        self.page.touch("touchEnd", x, y)

    def test_at_a_pixel_ratio_of_two_a_star_is_a_pixel_and_a_drag_turns_as_at_one(self):
        self.needs("emulated screen")
        self.open(program=SITE["probe"], screen=(1100, 800, 2))
        self.assertEqual(self.canvas_box()[2:], [480, 240])
        self.press(" ")
        self.assert_paused()
        self.assert_sharp_and_round(2)
        self.drag(2, 15, 10)
        turned = self.state()
        self.assertEqual((turned["angleY"], turned["angleX"]), (30.0, 20.0))

    def test_on_a_phone_it_fits_turns_by_touch_and_its_buttons_press_keys(self):
        self.needs("emulated screen")
        self.open(program=SITE["probe"], screen=PHONE + (True,))
        width, left, right, css_width, css_height = self.page.evaluate(
            "(() => { var r = Module.canvas.getBoundingClientRect(); return [document."
            "documentElement.scrollWidth, r.left, r.right, r.width, r.height]; })()")
        self.assertLessEqual(width, PHONE[0], "the page scrolls sideways")
        self.assertTrue(0 <= left and right <= PHONE[0] and css_width == 2 * css_height < 480)

        self.tap("Pause or resume")
        self.assertEqual(self.state()["animating"], 0)
        self.assert_sharp_and_round(PHONE[2])
        # Turned sideways, the canvas grows to its 480 CSS pixels, and its buffer with it.
        self.page.emulate(PHONE[1], PHONE[0], PHONE[2], True)
        self.until(lambda: self.page.evaluate("Module.canvas.width") == 480 * PHONE[2],
                   "the drawing buffer does not follow the screen")
        self.assert_sharp_and_round(PHONE[2])
        self.page.emulate(*PHONE, True)
        self.until(lambda: self.canvas_box()[2] == css_width, "the canvas does not turn back")
        # A finger's drag turns the disc as far as the mouse's, a degree per canvas pixel.
        x, y = left + css_width / 2, 100
        turned = []
        for send in (self.page.touch, self.page.mouse):
            before = self.state()
            for step in range(4):
                send(("touchStart", "touchMove", "touchMove", "touchEnd")[step], x + 15 * step, y + 10 * step)
            after = self.state()
            turned.append((after["angleY"] - before["angleY"], after["angleX"] - before["angleX"]))
        self.assertEqual(turned[0], turned[1])
        self.assertAlmostEqual(turned[0][0], 30 * 480 / css_width, delta=1)
        self.assertEqual(self.page.evaluate("window.scrollY"), 0)

        start = self.state()
        for label, field, change in (("Zoom out", "zoom", lambda z: z * 0.99),
                                     ("Zoom in", "zoom", lambda z: z / 0.99),
                                     ("Faster", "spinRate", lambda r: r + 0.001),
                                     ("Slower", "spinRate", lambda r: r - 0.001)):
            expected = change(self.state()[field])
            self.tap(label)
            self.assertAlmostEqual(self.state()[field], expected, places=6, msg=label)
        self.tap("Zoom out", hold=1.5)  # about 1 + 30 a second after the first half-second
        presses = math.log(self.state()["zoom"] / start["zoom"]) / math.log(0.99)
        self.assertTrue(15 < presses < 45, presses)
        # By keyboard: Tab to the first button, then Enter.
        zoom = self.state()["zoom"]
        self.page.run("document.activeElement.blur()")
        self.press("Tab", "Enter")
        self.assertAlmostEqual(self.state()["zoom"] / zoom, 0.99, places=5)
        self.tap("Quit")
        self.until(lambda: "has ended" in self.status(), "Quit did not end the program")
        self.assertEqual(self.page.errors(), [])

    def test_after_one_visit_it_loads_and_runs_offline(self):
        server = self.open(program=os.path.join(SITE["site"], "spirelle.js"))
        self.page.evaluate("navigator.serviceWorker.ready.then(() => true)")
        server.shutdown()
        server.server_close()
        self.page.refresh()
        await_started(self.page.evaluate)
        self.until(lambda: self.page.capture().getbbox(), "nothing drawn offline")
        self.assertTrue(self.page.evaluate("!!navigator.serviceWorker.controller"))

    def test_without_webgl_the_page_says_it_needs_it(self):
        self.open(webgl=False)
        self.until(lambda: "needs WebGL" in self.status(), "the page does not say it needs WebGL")
        self.assertFalse(self.page.displayed("#canvas"))

    def test_a_storm_of_keys_and_drags_leaves_it_running_without_errors(self):
        with replayable_seed() as seed:
            self.storm(random.Random(seed))

    def storm(self, storm):
        self.open(program=SITE["probe"])
        keys = ["ArrowUp", "ArrowDown", "ArrowLeft", "ArrowRight", " ", "a", "7", "Enter", "Home",
                "PageDown"]
        deadline = time.monotonic() + 4
        while time.monotonic() < deadline:
            if storm.random() < 0.7:
                self.press(*storm.choices(keys, k=storm.randint(1, 8)))
            else:
                self.drag(storm.randint(1, 5), storm.randint(-40, 40), storm.randint(-20, 20))
        # Still running: paused or not, at most one space sets the galaxy turning again.
        if not self.state()["animating"]:
            self.press(" ")
        tick, drawn = self.state()["tick"], self.frames()
        self.await_frames(drawn + 2)
        self.assertGreater(self.state()["tick"], tick, "the galaxy no longer turns")
        self.assertEqual(self.page.errors(), [])
        self.assertIsNone(self.exit_status())


class WebKitPage(OnPrivateX, Page):
    ENGINE = WebKit


class FirefoxPage(OnPrivateX, Page):
    ENGINE = Firefox


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", required=True)
    parser.add_argument("--probe", required=True, help="the page's test build, spirelle_page_probe.js")
    parser.add_argument("--desktop-probe", required=True, help="the desktop's test build")
    parser.add_argument("--desktop-spy", required=True, help="the desktop's GL spy")
    parser.add_argument("--puppeteer", help="puppeteer-core's folder, for Firefox")
    args, rest = parser.parse_known_args()
    SITE.update(site=os.path.abspath(args.site), probe=args.probe, desktop_probe=args.desktop_probe,
                desktop_spy=args.desktop_spy,
                puppeteer=args.puppeteer and os.path.abspath(args.puppeteer))
    run_suite(rest)
