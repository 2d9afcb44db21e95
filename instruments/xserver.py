"""The real viewer on a private Xvfb display, driven by real X input events and watched through
the preloaded frame counter or spy (instruments/glspy.cpp): for the end-to-end tests and the
frame-rate benchmark alike."""
import array
import ctypes
import functools
import os
import re
import subprocess
import tempfile
import time

WINDOW_TITLE = "Spirelle"
# The preloaded frame counter (instruments/glspy.cpp), which every viewer gets unless it has a
# spy of its own; set by whoever runs the viewers (use_counter).
COUNTER = {}
# A build for another CPU runs under an emulator (QEMU), set by emulate(). A frame takes about
# half a second there, so every bound on its waits, and the quiet time that shows it paused,
# is "slowdown" times as long.
EMULATION = {"command": [], "slowdown": 1}


def use_counter(path):
    """The frame counter that every Viewer gets unless it is given a spy of its own."""
    COUNTER["path"] = path


def emulate(command, slowdown=10):
    """Runs every Viewer not marked native under the given emulator's command line."""
    EMULATION.update(command=list(command), slowdown=slowdown)
# The first word of a settle request, as the counter knows it.
SETTLE_MAGIC = 0x5350524C
SANITIZER_REPORT = re.compile(r"ERROR: \w+Sanitizer|runtime error:")


def assert_no_sanitizer_report(stderr):
    """A sanitized build must never report; the plain build never prints these words."""
    match = SANITIZER_REPORT.search(stderr or "")
    if match:
        raise AssertionError("sanitizer report:\n" + stderr[max(0, match.start() - 200):])


def assert_draws_nothing(frames, seconds=0.3):
    """Only time can show that nothing happens: once its inputs are handled, a paused viewer
    or page draws no frame in 0.3 s, where a running one draws dozens (an emulated one draws
    several in ten times as long)."""
    drawn = frames()
    time.sleep(seconds)
    if frames() != drawn:
        raise AssertionError(f"still drawing: {frames() - drawn} frames in {seconds} s")


class _ClientMessage(ctypes.Structure):
    """Xlib's XClientMessageEvent, with the 32-bit format's five words of data."""
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]  # XEvent's size


@functools.cache
def _xlib():
    """Xlib through ctypes, with the signatures of the calls a settle request makes."""
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(_Event)]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return xlib


def send_settle_request(display, window, number):
    """Sends the viewer's window a settle request. It is queued behind every input event that X
    has generated so far: each xdotool run has ended, and so been answered, before this."""
    xlib = _xlib()
    connection = xlib.XOpenDisplay(display.encode())
    if not connection:
        raise RuntimeError(f"cannot open X display {display}")
    try:
        event = _Event()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = int(window)
        event.xclient.message_type = 19  # the predefined atom INTEGER
        event.xclient.format = 32
        event.xclient.data[0], event.xclient.data[1] = SETTLE_MAGIC, number
        # With no event mask, X delivers the event to the client that made the window.
        if not xlib.XSendEvent(connection, int(window), 0, 0, ctypes.byref(event)):
            raise RuntimeError("XSendEvent failed")
        xlib.XSync(connection, 0)
    finally:
        xlib.XCloseDisplay(connection)


class Xvfb:
    """A private X server; Xvfb picks a free display number itself."""

    def __init__(self, size="1280x1024"):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size + "x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def env(self):
        return dict(os.environ, DISPLAY=self.display)

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=10)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Viewer:
    """One run of a viewer binary; input goes through XTEST, as from a real keyboard and mouse.
    It runs under the emulator unless native is set (a build of this machine's to compare with)."""

    def __init__(self, xvfb, binary, args=(), preload=None, env=None, timeout=30,
                 display_env=True, native=False):
        self.xvfb = xvfb
        emulator = [] if native else EMULATION["command"]
        self.slowdown = EMULATION["slowdown"] if emulator else 1
        self.workdir = tempfile.TemporaryDirectory(prefix="spirelle-e2e-")
        self.report_path = os.path.join(self.workdir.name, "report")
        self.vertices_path = os.path.join(self.workdir.name, "vertices")
        self.frames_path = os.path.join(self.workdir.name, "frames")
        preload = preload or COUNTER.get("path")
        full_env = xvfb.env()
        if not display_env:
            del full_env["DISPLAY"]
        # The sanitized tests preload the GL driver too (see tests/sanitizer/lsan.supp).
        preloads = [p for p in (os.environ.get("SPIRELLE_PRELOAD"), preload) if p]
        if preloads:
            full_env["LD_PRELOAD"] = " ".join(preloads)
        if preload:
            full_env.update(GLSPY_REPORT=self.report_path, GLSPY_VERTICES=self.vertices_path,
                            GLSPY_FRAMES=self.frames_path)
        full_env.update(env or {})
        self.stdout = self.stderr = None
        self.process = None
        self.settle_requests = 0
        try:
            self.process = subprocess.Popen([*emulator, binary, *args], env=full_env,
                                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                            text=True)
            self.window = self._find_window(timeout * self.slowdown)
        except BaseException:
            self.close()  # no process or folder outlives a start that failed
            raise

    def _find_window(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                out, err = self.process.communicate()
                raise RuntimeError(f"viewer exited with {self.process.returncode}: {err}")
            # Only a mapped window can take the keyboard focus and be photographed.
            found = self.xdotool("search", "--onlyvisible", "--name", f"^{WINDOW_TITLE}$",
                                 check=False)
            if found.strip():
                return found.split()[0]
            time.sleep(0.05)
        raise RuntimeError("the viewer's window did not appear")

    def xdotool(self, *args, check=True):
        return subprocess.run(["xdotool", *args], env=self.xvfb.env(), capture_output=True,
                              text=True, check=check).stdout

    def geometry(self):
        """Title, absolute position and size of the window, as xwininfo reports them."""
        info = subprocess.run(["xwininfo", "-id", self.window], env=self.xvfb.env(),
                              capture_output=True, text=True, check=True).stdout

        def field(name):
            return int(re.search(name + r":\s+(-?\d+)", info).group(1))

        title = re.search(r'xwininfo: Window id: \S+ "(.*)"', info).group(1)
        return title, (field("Absolute upper-left X"), field("Absolute upper-left Y")), (
            field("Width"), field("Height"))

    def screenshot(self):
        """The window's pixels as an Image."""
        ppm = subprocess.run(["import", "-window", self.window, "-depth", "8", "ppm:-"], env=self.xvfb.env(),
                             capture_output=True, check=True).stdout
        return Image.from_ppm(ppm)

    def point_at(self, x, y):
        """Moves the pointer to window coordinates; keyboard focus follows the pointer."""
        self.xdotool("mousemove", "--window", self.window, str(x), str(y))

    def keys(self, *names, delay_ms=5):
        self.point_at(5, 5)
        self.xdotool("key", "--delay", str(delay_ms), *names)

    def drag(self, button, path):
        """Presses a mouse button at the first point, moves through the rest, releases it."""
        self.point_at(*path[0])
        self.xdotool("mousedown", str(button))
        for x, y in path[1:]:
            self.point_at(x, y)
        self.xdotool("mouseup", str(button))

    def resize(self, width, height):
        self.xdotool("windowsize", self.window, str(width), str(height))

    def _published(self):
        """The counter's frames drawn and last settle request settled."""
        try:
            with open(self.frames_path) as f:
                frames, settled = (f.read() or "0 0").split()
                return int(frames), int(settled)
        except FileNotFoundError:
            return 0, 0

    def frames(self):
        """Frames drawn so far, as the preloaded counter publishes them."""
        return self._published()[0]

    def await_frames(self, count, timeout=10.0):
        """Waits until the viewer has drawn at least count frames in all."""
        timeout *= self.slowdown
        deadline = time.monotonic() + timeout
        while self.frames() < count:
            if time.monotonic() > deadline:
                raise AssertionError(f"{self.frames()} frames drawn, {count} awaited, in {timeout} s")
            time.sleep(0.02)

    def settle(self, timeout=30.0):
        """Returns once every input sent so far has been handled and a frame has been drawn
        after the last of them, however GLUT merged their redisplays."""
        self.settle_requests += 1
        send_settle_request(self.xvfb.display, self.window, self.settle_requests)
        timeout *= self.slowdown
        deadline = time.monotonic() + timeout
        while self._published()[1] < self.settle_requests:
            if time.monotonic() > deadline:
                raise AssertionError(f"settle request {self.settle_requests} not answered by a "
                                     f"frame in {timeout} s ({self.frames()} frames drawn)")
            time.sleep(0.01)

    def assert_paused(self):
        self.settle()
        assert_draws_nothing(self.frames, 0.3 * self.slowdown)

    def steady_screenshot(self, interval=0.5, timeout=60.0):
        """For a viewer no counter can be preloaded into (a Windows program under Wine): a
        screenshot once two taken interval seconds apart agree."""
        deadline = time.monotonic() + timeout
        shot = self.screenshot()
        while time.monotonic() < deadline:
            time.sleep(interval)
            shot, previous = self.screenshot(), shot
            if shot == previous:
                return shot
        raise AssertionError(f"the picture still changes after {timeout} s")

    def settled_screenshot(self):
        """A screenshot of a frame drawn after every input sent so far has been handled."""
        self.settle()
        return self.screenshot()

    def quit(self, timeout=30):
        """Presses Escape and returns the exit status."""
        self.keys("Escape")
        return self.wait(timeout)

    def wait(self, timeout=30):
        self.stdout, self.stderr = self.process.communicate(timeout=timeout * self.slowdown)
        assert_no_sanitizer_report(self.stderr)
        return self.process.returncode

    def kill(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.communicate()

    def report(self):
        """The preloaded spy's report as a dict of strings."""
        with open(self.report_path) as f:
            return dict(line.split(None, 1) for line in f.read().splitlines())

    def vertices(self):
        with open(self.vertices_path, "rb") as f:
            data = f.read()
        values = array.array("f")
        values.frombytes(data)
        return values

    def close(self):
        self.kill()
        self.workdir.cleanup()


def three_views(probe, spy, native=False):
    """A test build's pixels and view state: paused after a few frames, zoomed out by 100
    presses of Up, then turned by a diagonal drag; with the spy's report and the vertices of
    that last frame."""
    with Xvfb() as xvfb:
        viewer = Viewer(xvfb, probe, preload=spy, native=native)
        try:
            viewer.await_frames(5)
            viewer.keys("space")
            viewer.assert_paused()
            views = [viewer.settled_screenshot().pixels]
            viewer.keys(*["Up"] * 100, delay_ms=1)
            views.append(viewer.settled_screenshot().pixels)
            viewer.drag(1, [(240, 120), (260, 150), (280, 180)])
            views.append(viewer.settled_screenshot().pixels)
            if viewer.quit() != 0:
                raise AssertionError("Escape did not end the viewer with status 0: " + viewer.stderr)
            report, vertices = viewer.report(), viewer.vertices()
        finally:
            viewer.close()
    state = state_of(viewer.stderr)
    first = dict(state, zoom=1.0, angleX=0.0, angleY=0.0)
    return list(zip(views, (first, dict(first, zoom=state["zoom"]), state))), report, vertices


def differing_pixels(pixels, others, width=480):
    """Each pixel where two RGB pictures of the same size differ: (x, y, one's colour, the
    other's colour), the colours in hex."""
    return [(i // 3 % width, i // 3 // width, pixels[i:i + 3].hex(), others[i:i + 3].hex())
            for i in range(0, len(pixels), 3) if pixels[i:i + 3] != others[i:i + 3]]


class Image:
    def __init__(self, width, height, pixels):
        self.width, self.height, self.pixels = width, height, pixels

    @classmethod
    def from_ppm(cls, data):
        match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        width, height = int(match.group(1)), int(match.group(2))
        if match.group(3) != b"255":
            raise ValueError("expected an 8-bit PPM")
        return cls(width, height, data[match.end():match.end() + width * height * 3])

    def __eq__(self, other):
        return isinstance(other, Image) and (self.width, self.height, self.pixels) == (
            other.width, other.height, other.pixels)

    def colours(self):
        """The set of distinct (r, g, b) colours in the picture."""
        p = self.pixels
        return {bytes(p[i:i + 3]) for i in range(0, len(p), 3)}

    def lit(self):
        """Coordinates of every pixel that is not black."""
        p, w = self.pixels, self.width
        return [(i // 3 % w, i // 3 // w) for i in range(0, len(p), 3) if p[i] or p[i + 1] or p[i + 2]]


def state_of(stderr):
    """Parses the test build's exit report into a dict of numbers."""
    line = re.search(r"^state (.*)$", stderr, re.M).group(1)
    values = dict(item.split("=") for item in line.split())
    return {k: (int(v) if k in ("tick", "animating", "dragging") else float.fromhex(v))
            for k, v in values.items()}
