"""The page in real browsers, with real key presses, drags and touches: build-web/ served on
localhost, in headless Chromium through Selenium and ChromeDriver, in WebKitGTK's MiniBrowser
through its WebDriver, and a smoke set in Firefox through puppeteer-core."""
import argparse
import base64
import io
import math
import os
import random
import sys
import time
import unittest

from PIL import Image
from selenium import webdriver
from selenium.common.exceptions import JavascriptException
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

from instruments.browser import (COLLECT_ERRORS, COUNT_FRAMES, LOSE_CONTEXT, MINIBROWSER,
                                 READ_NEXT_FRAME, STATE, TICK_AND_FRAMES, Firefox, await_started,
                                 chromium, serve, set_view, site_for)
from instruments.xserver import assert_draws_nothing, differing_pixels, state_of, three_views
from tests.e2e.harness import OnPrivateX, replayable_seed, run_suite
from tests.vectors.star_vectors import f32

SITE = {}
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
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.server = serve(SITE["site"])
        cls.address = "http://127.0.0.1:%d/" % cls.server.server_address[1]

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()

    def start_browser(self, webgl):
        return chromium(webgl)

    def open(self, webgl=True, program=None, phone=False):
        """The page in a new browser, with the given build's program instead of its own; on a
        360 x 740 phone screen with touch if asked. Returns the server of the program's page."""
        server = None
        if program:
            server = serve(site_for(program, SITE["site"]))
            self.addCleanup(server.shutdown)
        self.browser = self.start_browser(webgl)
        self.addCleanup(self.browser.quit)
        self.browser.set_script_timeout(30)  # bounds the waits on animation frames
        if phone:
            self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": 360, "height": 740, "deviceScaleFactor": 1, "mobile": True})
            self.browser.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True})
        self.browser.get("http://127.0.0.1:%d/" % server.server_address[1] if server else self.address)
        if webgl:
            await_started(lambda expression: self.browser.execute_script("return " + expression))
            # Running once the first frame is drawn, which follows the start within a frame or
            # two: the canvas is no longer blank.
            WebDriverWait(self.browser, 10, ignored_exceptions=(JavascriptException,)).until(
                lambda _: self.capture().getbbox(), "nothing drawn 10 s after the start")
            self.browser.execute_script(COUNT_FRAMES + COLLECT_ERRORS)
        return server

    def frames(self):
        return self.browser.execute_script("return window.spirelleFrames")

    def ticks_and_frames(self):
        """The probe's tick and the frames drawn, read together between two frames."""
        tick, frames = self.browser.execute_script("return " + TICK_AND_FRAMES)
        return state_of(tick)["tick"], frames

    def set_view(self, state):
        self.browser.execute_script(set_view(state))

    def matrices(self):
        """The probe's model-view and projection at its last glBegin, in hex."""
        return dict(line.split(None, 1) for line in self.browser.execute_script(
            "return Module.UTF8ToString(Module._spirelleMatrices())").splitlines())

    def await_frames(self, count, timeout=10):
        WebDriverWait(self.browser, timeout).until(lambda _: self.frames() >= count,
                                                   "%d frames awaited" % count)

    def settle(self):
        """Returns after the next animation frame. WebDriver's input has been handled when its
        call returns, and a redisplay it asked for was asked before this frame, so the frame
        has drawn it."""
        self.browser.execute_async_script("requestAnimationFrame(() => arguments[0]())")

    def assert_paused(self):
        self.settle()
        assert_draws_nothing(self.frames)

    def canvas(self):
        return self.browser.find_element(By.ID, "canvas")

    def capture(self):
        """The canvas as the page shows it, RGB."""
        return Image.open(io.BytesIO(self.canvas().screenshot_as_png)).convert("RGB")

    def settled_capture(self):
        """The canvas once every input so far has been handled and drawn."""
        self.settle()
        return self.capture()

    def press(self, *keys):
        ActionChains(self.browser).send_keys(*keys).perform()

    def drag(self, steps, dx=0, dy=0):
        """From the canvas's centre, in steps of dx, dy pixels with the left button held."""
        actions = ActionChains(self.browser).move_to_element(self.canvas()).click_and_hold()
        for _ in range(steps):
            actions.move_by_offset(dx, dy)
        actions.release().perform()

    def errors(self):
        """What the page reported as errors: Chromium's log, which holds those from before the
        page's first frame as well."""
        return [entry["message"] for entry in self.browser.get_log("browser")
                if entry["level"] == "SEVERE"]

    def status(self):
        return self.browser.find_element(By.ID, "status").text

    def test_a_black_canvas_of_white_points_spread_over_a_disc(self):
        self.open()
        self.assertEqual(self.browser.title, "Spirelle")
        icon = self.browser.find_element(By.CSS_SELECTOR, "link[rel=icon]").get_attribute("href")
        self.assertTrue(icon.endswith("favicon.png"))
        self.assertEqual(self.canvas().size, {"width": 480, "height": 240})
        self.assertEqual([b.accessible_name for b in self.browser.find_elements(By.TAG_NAME, "button")],
                         ["Zoom out", "Zoom in", "Slower", "Faster", "Pause or resume", "Quit",
                          "Full screen"])
        self.press(Keys.SPACE)
        self.assert_paused()
        still = self.capture()
        self.assertLessEqual(set(still.getdata()), {(0, 0, 0), (255, 255, 255)})
        off_axes = [1 for (x, y) in ((i % 480, i // 480) for i, p in enumerate(still.getdata()) if p[0])
                    if abs(x - 240) > 2 and abs(y - 120) > 2]
        self.assertGreater(len(off_axes), 3000)
        self.assertEqual(self.errors(), [])

    def test_space_pauses_and_resumes_and_the_rate_keys_redraw_while_paused(self):
        self.open()
        self.press(Keys.SPACE)
        self.assert_paused()
        still = self.capture()
        for key in (Keys.ARROW_RIGHT, Keys.ARROW_LEFT):
            self.press(key)
            moved = self.settled_capture()
            self.assertNotEqual(moved, still, "%r does not redraw while paused" % key)
            still = moved
        drawn = self.frames()
        self.press(Keys.SPACE)
        self.await_frames(drawn + 1)  # none while paused: this frame is the resumed galaxy's
        self.assertNotEqual(self.capture(), still, "space does not resume")
        # The keys were the viewer's: the page did not scroll.
        self.assertEqual(self.browser.execute_script("return window.scrollY"), 0)

    def test_the_canvas_shows_the_desktop_pixels_for_the_same_view(self):
        if not os.path.exists(SITE["desktop_probe"]):
            self.skipTest("no desktop test build: " + SITE["desktop_probe"])
        views, matrices = desktop_views()
        self.open(program=SITE["probe"])
        self.press(Keys.SPACE)
        self.assert_paused()
        for desktop, state in views:
            self.set_view(state)
            assert_shows_desktop(self, self.settled_capture().tobytes(), desktop, state)
        # The last view's matrices, as the layer holds them and as desktop OpenGL did: equal
        # element by element, or a star near the eye could be clipped on one and not the other.
        for name, drawn in self.matrices().items():
            self.assertEqual([float.fromhex(v) for v in drawn.split()],
                             [float.fromhex(v) for v in matrices[name].split()], name)

    def test_gl_errors_reach_the_console_area(self):
        self.open(program=SITE["probe"])
        # A call the layer refuses leaves an invalid enumerant for the next frame to report.
        self.browser.execute_script("Module._spirelleRefusedCall()")
        area = self.browser.find_element(By.ID, "console")
        WebDriverWait(self.browser, 10).until(lambda _: area.text)
        self.assertEqual(area.text.splitlines(), ["GL Error invalid enumerant (0x500) at line 82"])
        # A lost context is one line in the console area and one on the page, not one a frame.
        self.browser.execute_script(LOSE_CONTEXT)
        WebDriverWait(self.browser, 10).until(lambda _: len(area.text.splitlines()) > 1)
        self.await_frames(self.frames() + 3)
        self.assertEqual(area.text.splitlines()[1:], ["GL Error context lost (0x9242) at line 82"])
        self.assertIn("reload the page", self.status())  # should the context never come back
        # Given back, it draws again, and the page says nothing more.
        drawn = self.frames()
        self.browser.execute_script("losing.restoreContext()")
        WebDriverWait(self.browser, 10).until(lambda _: not self.status(), "the status line stays")
        self.await_frames(drawn + 2)
        self.assertTrue(self.canvas().is_displayed())
        self.assertEqual(len(area.text.splitlines()), 2)
        self.assertEqual(self.errors(), [])

    def test_a_lost_context_comes_back_with_the_same_galaxy(self):
        self.open(program=SITE["probe"])
        self.drag(3, 10, 5)
        self.press(Keys.ARROW_UP, Keys.ARROW_RIGHT, Keys.SPACE)
        self.assert_paused()
        before, picture = self.state(), self.capture()
        self.browser.execute_script(LOSE_CONTEXT)
        WebDriverWait(self.browser, 10).until(lambda _: "took back" in self.status())
        self.browser.execute_script("losing.restoreContext()")
        WebDriverWait(self.browser, 10).until(lambda _: not self.status(), "the status line stays")
        self.assertEqual(self.state(), before)
        self.assertEqual(self.settled_capture(), picture)

    def test_one_step_per_frame_drawn(self):
        self.open(program=SITE["probe"])
        # Pausing and resuming at once, again and again, leaves one step a frame.
        self.browser.execute_script("for (var i = 0; i < 5; i++) { Module.pressKey(32); Module.pressKey(32); }")
        tick, drawn = self.ticks_and_frames()
        time.sleep(3)
        ticks, frames = (now - then for now, then in zip(self.ticks_and_frames(), (tick, drawn)))
        self.assertGreater(frames, 10)
        self.assertLessEqual(abs(ticks - frames), 1, "%d ticks in %d frames" % (ticks, frames))

    def test_nothing_is_drawn_or_advanced_while_hidden(self):
        self.open(program=SITE["probe"])
        # A tab opened over the page hides it; each change of visibility records where it was.
        self.browser.execute_script("""
            window.seen = [];
            document.addEventListener("visibilitychange", () => seen.push([document.visibilityState,
                Module.UTF8ToString(Module._spirelleState()), window.spirelleFrames]));""")
        page = self.browser.current_window_handle
        self.browser.switch_to.new_window("tab")
        time.sleep(1.5)
        self.browser.close()
        self.browser.switch_to.window(page)
        seen = self.browser.execute_script("return seen")
        self.assertEqual([visibility for visibility, *_ in seen], ["hidden", "visible"])
        (_, hidden, hidden_frames), (_, shown, shown_frames) = seen
        self.assertEqual((state_of(shown)["tick"], shown_frames),
                         (state_of(hidden)["tick"], hidden_frames), "it ran while hidden")

    def test_full_screen_fills_the_screen_with_a_round_disc_and_escape_leaves_it(self):
        self.open(program=SITE["probe"])
        self.press(Keys.SPACE)
        self.assert_paused()
        self.set_view(dict(self.state(), zoom=0.25))
        windowed = self.settled_capture()
        self.browser.find_element(By.ID, "full-screen").click()
        size = ("return [Module.canvas.width, Module.canvas.height, Math.round(innerWidth * "
                "devicePixelRatio), Math.round(innerHeight * devicePixelRatio)]")
        WebDriverWait(self.browser, 10).until(
            lambda _: self.browser.execute_script(size)[:2] == self.browser.execute_script(size)[2:])
        width, height = self.browser.execute_script(size)[:2]
        self.assertTrue(width > 480 and height > 240, (width, height))
        self.settle()
        # The disc, of radius 7.1 at a quarter size, as wide as it is high, and as high as a
        # 50-degree view of 2.8 units either side of the centre makes it.
        left, top, right, bottom = self.capture().getbbox()
        self.assertAlmostEqual((right - left) / (bottom - top), 1, delta=0.03)
        self.assertAlmostEqual((bottom - top) / height, 7.1 * 0.25 / 2.8, delta=0.05)
        self.press(Keys.ESCAPE)
        WebDriverWait(self.browser, 10).until(
            lambda _: self.browser.execute_script("return !document.fullscreenElement") and
            self.browser.execute_script(size)[:2] == [480, 240], "full screen stays")
        self.assertEqual(self.settled_capture(), windowed)
        self.assertIsNone(self.browser.find_element(By.TAG_NAME, "body").get_attribute("data-exit-status"))
        self.assertEqual(self.errors(), [])

    def test_escape_ends_the_program_with_status_zero(self):
        self.open()
        self.press(Keys.ESCAPE)
        body = self.browser.find_element(By.TAG_NAME, "body")
        WebDriverWait(self.browser, 10).until(lambda _: body.get_attribute("data-exit-status"))
        self.assertEqual(body.get_attribute("data-exit-status"), "0")
        self.assertIn("Spirelle has ended", self.status())
        self.assertIn("Reload the page", self.status())
        self.assertFalse(self.canvas().is_displayed())
        # Nothing runs any more: keys reach no handler and raise no errors.
        self.press(Keys.ARROW_RIGHT, Keys.SPACE)
        self.assert_paused()
        self.assertEqual(self.errors(), [])

    def state(self):
        return state_of(self.browser.execute_script("return " + STATE))

    def touch(self, kind, x, y):
        points = [] if kind == "touchEnd" else [{"x": x, "y": y}]
        self.browser.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})

    def tap(self, label, hold=0.0):
        box = self.browser.execute_script(
            "var r = document.querySelector('[aria-label=\"%s\"]').getBoundingClientRect();"
            "return [r.x + r.width / 2, r.y + r.height / 2]" % label)
        self.touch("touchStart", *box)
        time.sleep(hold)
        self.touch("touchEnd", *box)

    def test_on_a_phone_it_fits_turns_by_touch_and_its_buttons_press_keys(self):
        self.open(program=SITE["probe"], phone=True)
        width, left, right, css_width, css_height, buffer = self.browser.execute_script(
            "var c = Module.canvas, r = c.getBoundingClientRect(); return [document."
            "documentElement.scrollWidth, r.left, r.right, r.width, r.height, [c.width, c.height]]")
        self.assertLessEqual(width, 360, "the page scrolls sideways")
        self.assertTrue(0 <= left and right <= 360 and css_width == 2 * css_height < 480)
        self.assertEqual(buffer, [480, 240])

        self.tap("Pause or resume")
        self.assertEqual(self.state()["animating"], 0)
        # A finger's drag turns the disc as far as the mouse's, a degree per canvas pixel.
        x, y = left + css_width / 2, 100
        turned = []
        for send in (self.touch, lambda kind, *at: self.browser.execute_cdp_cmd(
                "Input.dispatchMouseEvent", {"type": {"touchStart": "mousePressed", "touchMove":
                "mouseMoved", "touchEnd": "mouseReleased"}[kind], "x": at[0], "y": at[1],
                "button": "left", "buttons": 1, "clickCount": 1})):
            before = self.state()
            for step in range(4):
                send(("touchStart", "touchMove", "touchMove", "touchEnd")[step], x + 15 * step, y + 10 * step)
            after = self.state()
            turned.append((after["angleY"] - before["angleY"], after["angleX"] - before["angleX"]))
        self.assertEqual(turned[0], turned[1])
        self.assertAlmostEqual(turned[0][0], 30 * 480 / css_width, delta=1)
        self.assertEqual(self.browser.execute_script("return window.scrollY"), 0)

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
        self.browser.execute_script("document.activeElement.blur()")
        self.press(Keys.TAB, Keys.ENTER)
        self.assertAlmostEqual(self.state()["zoom"] / zoom, 0.99, places=5)
        self.tap("Quit")
        WebDriverWait(self.browser, 10).until(lambda _: "has ended" in self.status())
        self.assertEqual(self.errors(), [])

    def test_after_one_visit_it_loads_and_runs_offline(self):
        server = self.open(program=os.path.join(SITE["site"], "spirelle.js"))
        self.browser.execute_async_script(
            "navigator.serviceWorker.ready.then(() => arguments[0]())")
        server.shutdown()
        server.server_close()
        self.browser.refresh()
        WebDriverWait(self.browser, 60, ignored_exceptions=(JavascriptException,)).until(
            lambda _: self.capture().getbbox())
        self.assertTrue(self.browser.execute_script("return !!navigator.serviceWorker.controller"))

    def test_without_webgl_the_page_says_it_needs_it(self):
        self.open(webgl=False)
        self.assertIn("needs WebGL", self.status())
        self.assertFalse(self.canvas().is_displayed())

    def test_a_storm_of_keys_and_drags_leaves_it_running_without_errors(self):
        with replayable_seed() as seed:
            self.storm(random.Random(seed))

    def storm(self, storm):
        self.open(program=SITE["probe"])
        keys = [Keys.ARROW_UP, Keys.ARROW_DOWN, Keys.ARROW_LEFT, Keys.ARROW_RIGHT, Keys.SPACE,
                "a", "7", Keys.ENTER, Keys.HOME, Keys.PAGE_DOWN]
        deadline = time.monotonic() + 4
        while time.monotonic() < deadline:
            if storm.random() < 0.7:
                self.press(*storm.choices(keys, k=storm.randint(1, 8)))
            else:
                self.drag(storm.randint(1, 5), storm.randint(-40, 40), storm.randint(-20, 20))
        # Still running: paused or not, at most one space sets the galaxy turning again.
        if not self.state()["animating"]:
            self.press(Keys.SPACE)
        tick, drawn = self.state()["tick"], self.frames()
        self.await_frames(drawn + 2)
        self.assertGreater(self.state()["tick"], tick, "the galaxy no longer turns")
        self.assertEqual(self.errors(), [])
        self.assertIsNone(self.browser.find_element(By.TAG_NAME, "body").get_attribute("data-exit-status"))


class WebKitPage(OnPrivateX, Page):
    """The same tests in WebKitGTK's own MiniBrowser, through its WebDriver, on a private X
    server: the engine of every browser on an iPhone."""

    def start_browser(self, webgl):
        options = webdriver.WebKitGTKOptions()
        options.binary_location = MINIBROWSER
        options.add_argument("--automation")
        if not webgl:
            options.add_argument("--enable-webgl=false")
        display = os.environ.get("DISPLAY")
        os.environ["DISPLAY"] = self.xvfb.display  # for the driver and the browser it starts
        try:
            return webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
        finally:
            os.environ.pop("DISPLAY")
            if display is not None:
                os.environ["DISPLAY"] = display

    def open(self, webgl=True, program=None, phone=False):
        """The page with the test build's program unless another is given: it can draw a
        frame again to read it back, where another must be running."""
        return super().open(webgl, program or SITE["probe"], phone)

    def capture(self):
        """The canvas as its next frame draws it, read back right after that frame's one draw:
        WebKit's WebDriver photographs a page without its WebGL canvases."""
        width, height, pixels = self.browser.execute_async_script(READ_NEXT_FRAME)
        rows = base64.b64decode(pixels)
        image = Image.frombytes("RGBA", (width, height), rows).convert("RGB")
        return image.transpose(Image.Transpose.FLIP_TOP_BOTTOM)  # WebGL's rows go upwards

    def errors(self):
        """WebKit's driver keeps no log: what the page reported from its first frame on."""
        return self.browser.execute_script("return window.spirelleErrors || []")

    def test_on_a_phone_it_fits_turns_by_touch_and_its_buttons_press_keys(self):
        self.skipTest("phone screens and touch are emulated through Chromium's DevTools protocol")

    def test_nothing_is_drawn_or_advanced_while_hidden(self):
        self.skipTest("WebKit's driver opens a new window, not a tab, and with no window manager "
                      "on the private X server no window hides another")


class FirefoxPage(OnPrivateX):
    """The page's smoke set in Firefox (Gecko): start-up, the keys, a drag, pause, one step per
    frame drawn, the desktop's pixels, and Escape."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.server = serve(site_for(SITE["probe"], SITE["site"]))
        cls.addClassCleanup(cls.server.shutdown)

    def setUp(self):
        self.firefox = Firefox(self.xvfb, SITE["puppeteer"])
        self.addCleanup(self.firefox.close)
        self.firefox.call("goto", url="http://127.0.0.1:%d/" % self.server.server_address[1])
        await_started(self.firefox.evaluate)
        self.firefox.evaluate("(() => {" + COUNT_FRAMES + COLLECT_ERRORS + "})()")

    def state(self):
        return state_of(self.firefox.evaluate(STATE))

    def frames(self):
        return self.firefox.evaluate("window.spirelleFrames")

    def ticks_and_frames(self):
        """The probe's tick and the frames drawn, read together between two frames."""
        tick, frames = self.firefox.evaluate(TICK_AND_FRAMES)
        return state_of(tick)["tick"], frames

    def settle(self):
        self.firefox.evaluate("new Promise((done) => requestAnimationFrame(() => done()))")

    def canvas(self):
        self.settle()
        return Image.open(io.BytesIO(base64.b64decode(
            self.firefox.call("screenshot", selector="#canvas")))).convert("RGB")

    def test_keys_drag_pause_one_step_per_frame_and_escape(self):
        tick, drawn = self.ticks_and_frames()
        time.sleep(3)
        ticks, frames = (now - then for now, then in zip(self.ticks_and_frames(), (tick, drawn)))
        self.assertGreater(frames, 10)
        self.assertLessEqual(abs(ticks - frames), 1, "%d ticks in %d frames" % (ticks, frames))
        before = self.state()
        self.firefox.call("keys", keys=["ArrowRight", "ArrowUp", " "])
        after = self.state()
        self.assertEqual(after["spinRate"], f32(f32(before["spinRate"]) + f32(0.001)))
        self.assertEqual(after["zoom"], f32(f32(before["zoom"]) * f32(0.99)))
        self.assertEqual(after["animating"], 0)
        self.settle()
        assert_draws_nothing(self.frames)
        box = self.firefox.evaluate("(() => { const r = Module.canvas.getBoundingClientRect(); "
                                    "return [r.left + 240, r.top + 120]; })()")
        self.firefox.call("drag", points=[box, [box[0] + 10, box[1] + 5], [box[0] + 30, box[1] + 20]])
        turned = self.state()
        self.assertEqual((turned["angleY"], turned["angleX"]), (30.0, 20.0))
        self.firefox.call("keys", keys=["Escape"])
        deadline = time.monotonic() + 10
        while self.firefox.evaluate("document.body.dataset.exitStatus") is None:
            self.assertLess(time.monotonic(), deadline, "Escape did not end the program")
            time.sleep(0.05)
        self.assertEqual(self.firefox.evaluate("document.body.dataset.exitStatus"), "0")
        self.assertEqual(self.firefox.evaluate("spirelleErrors"), [])

    def test_the_canvas_shows_the_desktop_pixels_for_the_same_view(self):
        if not os.path.exists(SITE["desktop_probe"]):
            self.skipTest("no desktop test build: " + SITE["desktop_probe"])
        views, _ = desktop_views()
        self.firefox.call("keys", keys=[" "])
        for desktop, state in views:
            self.firefox.evaluate(set_view(state))
            assert_shows_desktop(self, self.canvas().tobytes(), desktop, "Firefox, %s" % state)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", required=True)
    parser.add_argument("--probe", required=True, help="the page's test build, spirelle_probe.js")
    parser.add_argument("--desktop-probe", required=True, help="the desktop's test build")
    parser.add_argument("--desktop-spy", required=True, help="the desktop's GL spy")
    parser.add_argument("--puppeteer", help="puppeteer-core's folder, for Firefox")
    args, rest = parser.parse_known_args()
    SITE.update(site=os.path.abspath(args.site), probe=args.probe, desktop_probe=args.desktop_probe,
                desktop_spy=args.desktop_spy,
                puppeteer=args.puppeteer and os.path.abspath(args.puppeteer))
    run_suite(rest)
