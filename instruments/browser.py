"""The page in a browser: the three engines, each with one driver that does the same things
(Chromium and WebKit through Selenium, Firefox through puppeteer-core and firefox_bridge.mjs)
and declares what it cannot do; and the scripts that count the page's frames, collect its
errors and policy violations and call the test build's hooks. For the page's tests and its
frame-rate benchmark; instruments/site.py serves the page."""
import base64
import inspect
import io
import json
import os
import subprocess
import tempfile
import time

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.webkitgtk.service import Service as WebKitService


# The page's frames: each frame begins with the program's one glClear.
COUNT_FRAMES = """
window.spirelleFrames = 0;
const clear = Module.ctx.clear.bind(Module.ctx);
Module.ctx.clear = function (mask) { window.spirelleFrames++; return clear(mask); };
"""

# The extension is kept, to give the context back: a lost context no longer hands it out.
LOSE_CONTEXT = "window.losing = Module.ctx.getExtension('WEBGL_lose_context'); losing.loseContext()"

# Errors the page reports from its first frame on, for a browser whose driver has no log.
COLLECT_ERRORS = """
window.spirelleErrors = [];
window.addEventListener("error", (event) => spirelleErrors.push(String(event.message)));
window.addEventListener("unhandledrejection", (event) => spirelleErrors.push(String(event.reason)));
const logError = console.error.bind(console);
console.error = function (...args) { spirelleErrors.push(args.join(" ")); logError(...args); };
"""
# Calls back with the width, height and RGBA rows of the next frame drawn, once it is drawn;
# the test build is asked to draw one.
READ_NEXT_FRAME = """
const done = arguments[arguments.length - 1], gl = Module.ctx, draw = gl.drawArrays;
gl.drawArrays = function (...args) {
  draw.apply(gl, args);
  gl.drawArrays = draw;
  const width = gl.drawingBufferWidth, height = gl.drawingBufferHeight;
  const pixels = new Uint8Array(width * height * 4);
  gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
  let text = "";
  for (let i = 0; i < pixels.length; i += 0x8000) {
    text += String.fromCharCode.apply(null, pixels.subarray(i, i + 0x8000));
  }
  done([width, height, btoa(text)]);
};
if (Module._spirelleRedraw) Module._spirelleRedraw();
"""
MINIBROWSER = "/usr/lib/%s-linux-gnu/webkit2gtk-4.1/MiniBrowser" % os.uname().machine
WEBKIT_DRIVER = "/usr/bin/WebKitWebDriver"
# The test build's hooks, as expressions that either driver evaluates.
STATE = "Module.UTF8ToString(Module._spirelleState())"
TICK_AND_FRAMES = "[%s, window.spirelleFrames]" % STATE

# Run before the page's own scripts: every refusal of the page's Content-Security-Policy.
WATCH_POLICY = """
window.spirelleViolations = [];
document.addEventListener("securitypolicyviolation", (event) =>
  spirelleViolations.push(event.effectiveDirective + " " + event.blockedURI));
"""
# The WebGL contexts the page makes and the extensions it asks for, each a wait for the GPU.
COUNT_CONTEXTS = """
window.spirelleContexts = [0, 0];
const getContext = HTMLCanvasElement.prototype.getContext;
HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
  if (/webgl/.test(kind)) spirelleContexts[0]++;
  return getContext.call(this, kind, ...rest);
};
const getExtension = WebGLRenderingContext.prototype.getExtension;
WebGLRenderingContext.prototype.getExtension = function (...args) {
  spirelleContexts[1]++;
  return getExtension.apply(this, args);
};
"""
# A script injected into the page, as an attack would: the policy must refuse it.
INJECT_SCRIPT = """
const injected = document.createElement("script");
injected.textContent = "window.spirelleInjected = true";
document.body.appendChild(injected);
"""

# Whether the program has started: its WebGL context is made and has a drawing buffer.
STARTED = "!!(window.Module && Module.ctx && Module.ctx.drawingBufferWidth)"


def set_view(state):
    return "Module._spirelleSetView(%d, %r, %r, %r, %r)" % (
        state["tick"], state["spinRate"], state["zoom"], state["angleX"], state["angleY"])


def await_started(evaluate, timeout=60):
    """Waits until the page's program has started, evaluating STARTED with the driver's own
    evaluate(expression)."""
    deadline = time.monotonic() + timeout
    while not evaluate(STARTED):
        if time.monotonic() > deadline:
            raise AssertionError(f"the page did not start in {timeout} s")
        time.sleep(0.1)


def chromium(profile, webgl=True, window=(1100, 800), flags=()):
    """Headless Chromium through ChromeDriver, with WebGL drawn by SwiftShader, keeping its
    profile in the folder given; its window's width and height in CSS pixels; and any other
    command-line flags given."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # None of Chromium's own network traffic, which this machine's network refuses.
    for flag in ("--headless=new", "--no-sandbox", "--use-angle=swiftshader",
                 "--enable-unsafe-swiftshader", "--force-device-scale-factor=1",
                 "--window-size=%d,%d" % window, "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--disable-quic", "--disable-extensions",
                 "--disable-dev-shm-usage", *flags):
        options.add_argument(flag)
    if not webgl:
        options.add_argument("--disable-3d-apis")
    options.add_argument("--user-data-dir=" + profile)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


# The keys the tests press, by the DOM's names (as puppeteer takes them), for Selenium.
SELENIUM_KEYS = {"ArrowUp": Keys.ARROW_UP, "ArrowDown": Keys.ARROW_DOWN,
                 "ArrowLeft": Keys.ARROW_LEFT, "ArrowRight": Keys.ARROW_RIGHT,
                 "Escape": Keys.ESCAPE, "Enter": Keys.ENTER, "Tab": Keys.TAB, "Home": Keys.HOME,
                 "PageDown": Keys.PAGE_DOWN, " ": Keys.SPACE}


class Engine:
    """One browser with a page open: what the page's tests do, the same in every engine.
    CANNOT names what the engine's driver cannot do, each with the reason; a test that needs
    one of them skips with that reason."""
    NAME = ""
    CANNOT = {}
    CAPTURES_FROM_TEST_BUILD = False

    def evaluate(self, expression):
        """The value of a JavaScript expression in the page; a promise is awaited."""
        raise NotImplementedError

    def run(self, statements):
        """Runs JavaScript statements in the page."""
        self.evaluate("(() => {" + statements + "})()")

    def errors(self):
        """What the page reported as errors since COLLECT_ERRORS was run."""
        return self.evaluate("window.spirelleErrors || []")

    def settle(self):
        """Returns after the next animation frame. The driver's input has been handled when its
        call returns, and a redisplay it asked for was asked before this frame, so the frame
        has drawn it."""
        self.evaluate("new Promise((done) => requestAnimationFrame(() => done()))")

    def displayed(self, selector):
        return self.evaluate("(() => { const e = document.querySelector(%s); "
                             "return !!(e && e.getClientRects().length); })()" % json.dumps(selector))


class SeleniumEngine(Engine):
    """An engine driven through Selenium and its WebDriver."""

    def __init__(self, driver):
        self.driver = driver
        driver.set_script_timeout(30)  # bounds the waits on animation frames

    def goto(self, url):
        self.driver.get(url)

    def evaluate(self, expression):
        return self.driver.execute_script("return (%s)" % expression)

    def press(self, keys):
        ActionChains(self.driver).send_keys(*(SELENIUM_KEYS.get(k, k) for k in keys)).perform()

    def drag(self, points):
        """The left button pressed at the first point, moved through the others, released at
        the last, in the page's CSS pixels."""
        actions = ActionBuilder(self.driver)
        actions.pointer_action.move_to_location(*map(round, points[0])).pointer_down()
        for point in points[1:]:
            actions.pointer_action.move_to_location(*map(round, point))
        actions.pointer_action.pointer_up()
        actions.perform()

    def click(self, selector):
        self.driver.find_element(By.CSS_SELECTOR, selector).click()

    def accessible_names(self, selector):
        return [e.accessible_name for e in self.driver.find_elements(By.CSS_SELECTOR, selector)]

    def refresh(self):
        self.driver.refresh()

    def capture(self):
        """The canvas as the page shows it, RGB."""
        png = self.driver.find_element(By.ID, "canvas").screenshot_as_png
        return Image.open(io.BytesIO(png)).convert("RGB")

    def close(self):
        self.driver.quit()


class Chromium(SeleniumEngine):
    NAME = "Chromium"

    def __init__(self, webgl=True, xvfb=None, puppeteer=None):
        self.profile = tempfile.TemporaryDirectory(prefix="spirelle-chromium-")
        super().__init__(chromium(self.profile.name, webgl))

    def close(self):
        super().close()
        self.profile.cleanup()

    def errors(self):
        """Chromium's log, which holds the errors from before the page's first frame as well."""
        return [entry["message"] for entry in self.driver.get_log("browser")
                if entry["level"] == "SEVERE"]

    def cdp(self, command, parameters):
        return self.driver.execute_cdp_cmd(command, parameters)

    def emulate(self, width, height, ratio, phone=False):
        """A screen of width x height CSS pixels at the device pixel ratio given; a phone's has
        touch. Called again, the screen changes as a phone's does when it turns."""
        self.cdp("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": phone})
        self.cdp("Emulation.setTouchEmulationEnabled", {"enabled": phone})

    def touch(self, kind, x, y):
        """A touch event: touchStart, touchMove or touchEnd, at page pixels x, y."""
        points = [] if kind == "touchEnd" else [{"x": x, "y": y}]
        self.cdp("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})

    def mouse(self, kind, x, y):
        """The mouse event that stands for a touch event, the left button held."""
        self.cdp("Input.dispatchMouseEvent", {
            "type": {"touchStart": "mousePressed", "touchMove": "mouseMoved",
                     "touchEnd": "mouseReleased"}[kind],
            "x": x, "y": y, "button": "left", "buttons": 1, "clickCount": 1})

    def before_load(self, script):
        """Runs the script in every page loaded from now on, before the page's own."""
        self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": script})

    def hide_for(self, seconds):
        """Opens a tab over the page for a time, then shows the page again."""
        page = self.driver.current_window_handle
        self.driver.switch_to.new_window("tab")
        time.sleep(seconds)
        self.driver.close()
        self.driver.switch_to.window(page)


class WebKit(SeleniumEngine):
    """WebKitGTK's own MiniBrowser through its WebDriver, on a private X server: the engine of
    every browser on an iPhone."""
    NAME = "WebKit"
    CANNOT = {
        "emulated screen": "phone screens, touch and pixel ratios are emulated through "
                           "Chromium's DevTools protocol",
        "hidden tab": "WebKit's driver opens a new window, not a tab, and no window hides "
                      "another without a window manager",
        "script before load": "WebKit's driver runs no script in a page before the page's own",
    }
    # Its driver photographs a page without its WebGL canvas, so capture() has the test build
    # draw a frame and reads it back: every page it opens is the test build's.
    CAPTURES_FROM_TEST_BUILD = True

    def __init__(self, webgl=True, xvfb=None, puppeteer=None):
        options = webdriver.WebKitGTKOptions()
        options.binary_location = MINIBROWSER
        options.add_argument("--automation")
        if not webgl:
            options.add_argument("--enable-webgl=false")
        display = os.environ.get("DISPLAY")
        os.environ["DISPLAY"] = xvfb.display  # for the driver and the browser it starts
        try:
            # Selenium takes the driver's path as a Service from 4.10 on (Debian 13 has 4.31),
            # and only as executable_path before (Debian 12 has 4.8).
            if "service" in inspect.signature(webdriver.WebKitGTK.__init__).parameters:
                driver = webdriver.WebKitGTK(service=WebKitService(WEBKIT_DRIVER), options=options)
            else:
                driver = webdriver.WebKitGTK(executable_path=WEBKIT_DRIVER, options=options)
        finally:
            os.environ.pop("DISPLAY")
            if display is not None:
                os.environ["DISPLAY"] = display
        super().__init__(driver)

    def capture(self):
        """The canvas as its next frame draws it, read back right after that frame's one draw
        (the page must be the test build, which can be asked to draw a frame)."""
        width, height, pixels = self.driver.execute_async_script(READ_NEXT_FRAME)
        image = Image.frombytes("RGBA", (width, height), base64.b64decode(pixels)).convert("RGB")
        return image.transpose(Image.Transpose.FLIP_TOP_BOTTOM)  # WebGL's rows go upwards


class Firefox(Engine):
    """Debian's Firefox on a private X server, driven by puppeteer-core through
    firefox_bridge.mjs, one JSON request and answer a line."""
    NAME = "Firefox"
    CANNOT = {
        "emulated screen": "phone screens, touch and pixel ratios are emulated through "
                           "Chromium's DevTools protocol",
        "accessibility": "puppeteer reads no accessible names over WebDriver BiDi",
        "full screen": "Firefox answers the page's request for full screen with a "
                       "fullscreenerror on the private X server, where no window manager runs",
        # Seen here with Firefox ESR 153 (2026-12-10): 3 frames in the 1.5 s the page was hidden.
        "hidden tab": "Firefox still gives a hidden tab throttled animation frames, so the "
                      "page draws and advances a little while hidden",
    }

    def __init__(self, webgl=True, xvfb=None, puppeteer=None):
        self.process = subprocess.Popen(
            ["node", os.path.join(os.path.dirname(__file__), "firefox_bridge.mjs"), puppeteer,
             "/usr/bin/firefox-esr", "webgl" if webgl else "no-webgl"],
            env=xvfb.env(), stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def call(self, op, **arguments):
        self.process.stdin.write(json.dumps(dict(arguments, op=op)) + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline()
        if not answer:
            raise RuntimeError("Firefox's bridge ended")
        answer = json.loads(answer)
        if "error" in answer:
            raise RuntimeError(answer["error"])
        return answer["value"]

    def goto(self, url):
        self.call("goto", url=url)

    def evaluate(self, expression):
        return self.call("evaluate", script=expression)

    def press(self, keys):
        self.call("keys", keys=list(keys))

    def drag(self, points):
        self.call("drag", points=[list(point) for point in points])

    def click(self, selector):
        self.call("click", selector=selector)

    def refresh(self):
        self.call("reload")

    def before_load(self, script):
        self.call("preload", script=script)

    def hide_for(self, seconds):
        self.call("hide", seconds=seconds)

    def capture(self):
        png = base64.b64decode(self.call("screenshot", selector="#canvas"))
        return Image.open(io.BytesIO(png)).convert("RGB")

    def close(self):
        self.process.stdin.close()
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
