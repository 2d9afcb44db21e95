"""The page in a real browser: build-web/ served on localhost, headless Chromium driven through
its DevTools protocol by Selenium and ChromeDriver, with real key presses and drags."""
import argparse
import functools
import http.server
import io
import os
import random
import sys
import tempfile
import threading
import time
import unittest

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

SITE = {}
# Measured on the desktop viewer under Xvfb: the rows its lit pixels span after 100 presses
# of Up, before and after a 60-pixel downward drag from the centre.
DESKTOP_ROWS_BEFORE_DRAG = 224
DESKTOP_ROWS_AFTER_DRAG = 131


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """An HTTP server for the folder on a free port of localhost, in a thread of its own."""
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(QuietHandler, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def chromium(webgl=True):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # Headless, with WebGL drawn by SwiftShader, and none of Chromium's own network traffic.
    for flag in ("--headless=new", "--no-sandbox", "--use-angle=swiftshader",
                 "--enable-unsafe-swiftshader", "--force-device-scale-factor=1",
                 "--window-size=1100,800", "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--disable-quic",
                 "--disable-extensions", "--disable-dev-shm-usage"):
        options.add_argument(flag)
    if not webgl:
        options.add_argument("--disable-3d-apis")
    options.add_argument("--user-data-dir=" + tempfile.mkdtemp(prefix="spirelle-chromium-"))
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"),
                            options=options)


def lit_rows(image):
    rows = [y for y in range(image.height) if any(image.getpixel((x, y)) != (0, 0, 0)
                                                   for x in range(image.width))]
    return rows[-1] - rows[0] + 1 if rows else 0


class Page(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = serve(SITE["site"])
        cls.address = "http://127.0.0.1:%d/" % cls.server.server_address[1]

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()

    def open(self, webgl=True):
        self.browser = chromium(webgl)
        self.addCleanup(self.browser.quit)
        self.browser.get(self.address)
        if webgl:
            # Running once the first frame is drawn: the canvas is no longer blank.
            WebDriverWait(self.browser, 60).until(lambda _: self.capture().getbbox())

    def canvas(self):
        return self.browser.find_element(By.ID, "canvas")

    def capture(self):
        """The canvas as the page shows it, RGB."""
        return Image.open(io.BytesIO(self.canvas().screenshot_as_png)).convert("RGB")

    def settled_capture(self):
        time.sleep(0.5)
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
        self.assertIn("pause or resume", self.browser.find_element(By.TAG_NAME, "table").text)
        self.press(Keys.SPACE)
        still = self.settled_capture()
        self.assertLessEqual(set(still.getdata()), {(0, 0, 0), (255, 255, 255)})
        off_axes = [1 for (x, y) in ((i % 480, i // 480) for i, p in enumerate(still.getdata()) if p[0])
                    if abs(x - 240) > 2 and abs(y - 120) > 2]
        self.assertGreater(len(off_axes), 3000)
        self.assertEqual(self.errors(), [])

    def test_space_pauses_and_resumes_and_the_rate_keys_redraw_while_paused(self):
        self.open()
        self.press(Keys.SPACE)
        still = self.settled_capture()
        time.sleep(1)
        self.assertEqual(self.capture(), still, "the galaxy moves while paused")
        for key in (Keys.ARROW_RIGHT, Keys.ARROW_LEFT):
            self.press(key)
            moved = self.settled_capture()
            self.assertNotEqual(moved, still, "%r does not redraw while paused" % key)
            still = moved
        self.press(Keys.SPACE)
        time.sleep(0.5)
        self.assertNotEqual(self.capture(), still, "space does not resume")
        # The keys were the viewer's: the page did not scroll.
        self.assertEqual(self.browser.execute_script("return window.scrollY"), 0)

    def test_a_drag_tilts_the_disc_as_on_the_desktop(self):
        self.open()
        self.press(*[Keys.ARROW_UP] * 100 + [Keys.SPACE])
        before = lit_rows(self.settled_capture())
        self.drag(6, dy=10)
        after = lit_rows(self.settled_capture())
        self.assertAlmostEqual(before, DESKTOP_ROWS_BEFORE_DRAG, delta=3)
        self.assertAlmostEqual(after, DESKTOP_ROWS_AFTER_DRAG, delta=3)

    def test_gl_errors_reach_the_console_area(self):
        self.open()
        # An invalid enumerant left pending in the context is reported by the next frame.
        self.browser.execute_script("Module.ctx.enable(0x1234)")
        area = self.browser.find_element(By.ID, "console")
        WebDriverWait(self.browser, 10).until(lambda _: area.text)
        self.assertEqual(area.text.splitlines()[0], "GL Error invalid enumerant (0x500) at line 82")

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
        time.sleep(0.5)
        self.assertEqual(self.errors(), [])

    def test_without_webgl_the_page_says_it_needs_it(self):
        self.open(webgl=False)
        self.assertIn("needs WebGL", self.status())
        self.assertFalse(self.canvas().is_displayed())

    def test_a_storm_of_keys_and_drags_leaves_it_running_without_errors(self):
        seed = int(os.environ.get("STORM_SEED", random.randrange(1 << 30)))
        print("storm seed", seed, file=sys.stderr)
        storm = random.Random(seed)
        self.open()
        keys = [Keys.ARROW_UP, Keys.ARROW_DOWN, Keys.ARROW_LEFT, Keys.ARROW_RIGHT, Keys.SPACE,
                "a", "7", Keys.ENTER, Keys.HOME, Keys.PAGE_DOWN]
        deadline = time.monotonic() + 4
        while time.monotonic() < deadline:
            if storm.random() < 0.7:
                self.press(*storm.choices(keys, k=storm.randint(1, 8)))
            else:
                self.drag(storm.randint(1, 5), storm.randint(-40, 40), storm.randint(-20, 20))
        # Still running: paused or not, at most one space sets the galaxy turning again.
        shot = self.settled_capture()
        time.sleep(0.3)
        if self.capture() == shot:
            self.press(Keys.SPACE)
        deadline = time.monotonic() + 5
        while self.capture() == shot and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertNotEqual(self.capture(), shot, "the galaxy no longer turns")
        self.assertEqual(self.errors(), [])
        self.assertIsNone(self.browser.find_element(By.TAG_NAME, "body").get_attribute("data-exit-status"))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", required=True)
    args, rest = parser.parse_known_args()
    SITE["site"] = os.path.abspath(args.site)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
