"""The page in a browser: an HTTP server on localhost, Chromium through Selenium, Firefox through
puppeteer-core (firefox_bridge.mjs), and the scripts that count the page's frames, collect its
errors and call the test build's hooks; for the page's tests and its frame-rate benchmark."""
import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

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
const done = arguments[0], gl = Module.ctx, draw = gl.drawArrays;
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
# The test build's hooks, as expressions that either driver evaluates.
STATE = "Module.UTF8ToString(Module._spirelleState())"
TICK_AND_FRAMES = "[%s, window.spirelleFrames]" % STATE


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


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """An HTTP server for the folder on a free port of localhost, in a thread of its own."""
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(QuietHandler, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def site_for(program, page_folder):
    """A copy of the page whose spirelle.js and spirelle.wasm are the given build's."""
    folder = os.path.join(tempfile.mkdtemp(prefix="spirelle-site-"), "site")
    shutil.copytree(page_folder, folder)
    stem = os.path.splitext(program)[0]
    shutil.copy(stem + ".js", os.path.join(folder, "spirelle.js"))
    shutil.copy(stem + ".wasm", os.path.join(folder, os.path.basename(stem) + ".wasm"))
    return folder


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


class Firefox:
    """Debian's Firefox on a private X server, driven by puppeteer-core through
    firefox_bridge.mjs, one JSON request and answer a line."""

    def __init__(self, xvfb, puppeteer):
        self.process = subprocess.Popen(
            ["node", os.path.join(os.path.dirname(__file__), "firefox_bridge.mjs"), puppeteer,
             "/usr/bin/firefox-esr"],
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

    def evaluate(self, script):
        return self.call("evaluate", script=script)

    def close(self):
        self.process.stdin.close()
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
