#!/usr/bin/env python3
"""Frames per second and main-thread time per frame of the page in headless Chromium, beside a
straightforward web build (the plain formulas, each star straight into glVertex3f) and the
floor (the same stars in one array, drawn by one WebGL call, without web/'s GL layer).

Each build's page runs for a fixed time; the frames are the program's glClear calls, counted
in the page, and the main thread's time is Chromium's TaskDuration (DevTools' Performance
metrics) over the same span. The builds take turns over several rounds and the medians are
reported, with the median of the per-round ratios.

The window is 560 x 400, the least that shows the canvas whole at 480 CSS pixels, and the
count starts 4 s after the program's start. SwiftShader composites the whole window in the GPU
process each frame, and at the tests' 1100 x 800 that takes longer than a frame lasts here;
and in its first seconds the browser starts pages of its own (the new-tab page, the address
bar's pop-up). Either costs every page frames, the floor's too (docs/performance.md). The
floor must reach the display's rate before the page is held to it, and the script says whether
it does.
"""
import argparse
import os
import statistics
import tempfile
import time

from instruments.browser import COUNT_FRAMES, await_started, chromium
from instruments.site import serve, site_for

def task_seconds(browser):
    metrics = browser.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]
    return next(m["value"] for m in metrics if m["name"] == "TaskDuration")


# Headless Chromium's animation frames, and within what share of them a floor has reached it.
DISPLAY_RATE = 60.0
REACHED = 0.95
WARM_UP_SECONDS = 4


def measure(address, seconds):
    """Frames per second and main-thread milliseconds per frame, after the warm-up."""
    profile = tempfile.TemporaryDirectory(prefix="spirelle-chromium-")
    browser = chromium(profile.name, window=(560, 400))
    try:
        browser.get(address)
        browser.execute_cdp_cmd("Performance.enable", {})
        await_started(lambda expression: browser.execute_script("return " + expression))
        browser.execute_script(COUNT_FRAMES)
        time.sleep(WARM_UP_SECONDS)
        frames0, busy0, start = browser.execute_script("return window.spirelleFrames"), \
            task_seconds(browser), time.monotonic()
        time.sleep(seconds)
        frames1, busy1, end = browser.execute_script("return window.spirelleFrames"), \
            task_seconds(browser), time.monotonic()
        frames = frames1 - frames0
        return frames / (end - start), 1000.0 * (busy1 - busy0) / frames
    finally:
        browser.quit()
        profile.cleanup()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--site", required=True, help="the installed page (build-web)")
    parser.add_argument("--build-dir", required=True, help="the Emscripten build folder")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=5.0)
    args = parser.parse_args()
    builds = {name: site_for(os.path.join(args.build_dir, program + ".js"), args.site)
              for name, program in (("the page", "spirelle"),
                                    ("straightforward", "bench/spirelle_straightforward"),
                                    ("floor", "bench/spirelle_web_floor"))}
    servers = {name: serve(folder) for name, folder in builds.items()}
    results = {name: [] for name in builds}
    for round_number in range(args.rounds):
        for name, server in servers.items():
            fps, busy = measure("http://127.0.0.1:%d/" % server.server_address[1], args.seconds)
            results[name].append((fps, busy))
            print(f"round {round_number + 1}, {name}: {fps:.1f} frames/s, {busy:.2f} ms of main "
                  "thread per frame", flush=True)
    print()
    for name, values in results.items():
        print(f"{name}: median {statistics.median(v[0] for v in values):.1f} frames/s, "
              f"{statistics.median(v[1] for v in values):.2f} ms of main thread per frame")
    page, floor = (statistics.median(v[0] for v in results[name]) for name in ("the page", "floor"))
    if floor < REACHED * DISPLAY_RATE:
        print(f"*** the floor drew {floor:.1f} frames/s, short of the display's {DISPLAY_RATE:.0f}:"
              " what limits it here limits every page, so the page is not held to it")
    else:
        print(f"the floor reaches the display's rate; the page draws {page / floor:.3f} of its"
              " frames")
    for other in ("straightforward", "floor"):
        ratios = [a[1] / b[1] for a, b in zip(results["the page"], results[other])]
        print(f"main-thread time per frame, page / {other}: median {statistics.median(ratios):.2f}"
              f" (rounds {min(ratios):.2f} to {max(ratios):.2f})")
    for server in servers.values():
        server.shutdown()


if __name__ == "__main__":
    main()
