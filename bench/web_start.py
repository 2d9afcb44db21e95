#!/usr/bin/env python3
"""Time from navigation to the page's first frame, on a first visit (nothing cached), in
headless Chromium: on a plain desktop profile, and on Lighthouse's phone profile (a 412 x 823
screen at ratio 1.75 with touch, the CPU slowed fourfold, and its "slow 4G" network: 562.5 ms
of latency, 1,474.6 kbit/s down, 607.5 up). The first frame is the program's first WebGL draw
call, timed from the navigation's start; each profile's median over the runs is reported.

With --trace, one more phone run is traced, and each long task of the page's main thread (50 ms
or more) is listed with what it waited for: the GPU process making a context, and other waits
for the GPU (a query, or a call that needs the GPU's answer); the rest is the page's own script
and the browser's work on the page.
"""
import argparse
import collections
import json
import os
import statistics
import tempfile
import time

from instruments.browser import chromium
from instruments.site import serve

FIRST_DRAW = """
const drawArrays = WebGLRenderingContext.prototype.drawArrays;
WebGLRenderingContext.prototype.drawArrays = function (...args) {
  if (window.spirelleFirstDraw === undefined) window.spirelleFirstDraw = performance.now();
  return drawArrays.apply(this, args);
};
"""

PROFILES = {
    "desktop": [],
    "phone": [
        ("Emulation.setDeviceMetricsOverride",
         {"width": 412, "height": 823, "deviceScaleFactor": 1.75, "mobile": True}),
        ("Emulation.setTouchEmulationEnabled", {"enabled": True}),
        ("Emulation.setCPUThrottlingRate", {"rate": 4}),
        ("Network.enable", {}),
        ("Network.emulateNetworkConditions",
         {"offline": False, "latency": 562.5, "downloadThroughput": 1474.56 * 1000 / 8,
          "uploadThroughput": 607.5 * 1000 / 8}),
    ],
}

# The main thread's waits for the GPU process, by the trace's names for them (they do not nest).
WAITS = {"GpuChannelHost::CreateViewCommandBuffer": "making a GPU context (WebGL's or the page's "
                                                   "compositor's)",
         "CommandBufferHelper::Finish": "other waits for the GPU"}
LONG_TASK_MS = 50


def first_frame(address, profile, flags=()):
    """Milliseconds from the navigation's start to the first draw call."""
    folder = tempfile.TemporaryDirectory(prefix="spirelle-chromium-")
    browser = chromium(folder.name, flags=flags)
    try:
        for command, parameters in PROFILES[profile]:
            browser.execute_cdp_cmd(command, parameters)
        browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": FIRST_DRAW})
        browser.get(address)
        deadline = time.monotonic() + 60
        while (drawn := browser.execute_script("return window.spirelleFirstDraw")) is None:
            if time.monotonic() > deadline:
                raise RuntimeError("no frame drawn 60 s after the start")
            time.sleep(0.02)
        time.sleep(1)  # the frames after it, for a trace
        return drawn
    finally:
        browser.quit()
        folder.cleanup()


def long_tasks(trace_file):
    """The long tasks of the page's main thread, in the order they ran: when, how long, what
    ran (the task's first event of Blink's or V8's) and how long it waited for the GPU."""
    with open(trace_file) as file:
        events = json.load(file)["traceEvents"]
    names = {(e["pid"], e["tid"]): e["args"]["name"] for e in events if e["name"] == "thread_name"}
    navigation = next(e for e in events if e["name"] == "navigationStart" and
                      e["args"]["data"].get("documentLoaderURL", "").startswith("http"))
    spans = sorted((e for e in events if e["pid"] == navigation["pid"] and e.get("ph") == "X" and
                    names.get((e["pid"], e["tid"])) == "CrRendererMain"), key=lambda e: e["ts"])
    tasks, end = [], 0
    for event in spans:
        if event["ts"] >= end:
            tasks.append([event])
            end = event["ts"] + event["dur"]
        else:
            tasks[-1].append(event)
    for task, *inside in tasks:
        if task["dur"] < LONG_TASK_MS * 1000 or task["ts"] < navigation["ts"]:
            continue
        waited = collections.Counter()
        for event in inside:
            if event["name"] in WAITS:
                waited[WAITS[event["name"]]] += event["dur"] / 1000
        what = next((e["name"] for e in inside if not e["name"].startswith(
            ("ThreadController", "RunTask", "Receive mojo", "SimpleWatcher"))), task["name"])
        yield (task["ts"] - navigation["ts"]) / 1000, task["dur"] / 1000, what, waited


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--site", required=True, help="the installed page (build-web)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--trace", action="store_true", help="trace one more phone run")
    args = parser.parse_args()
    server = serve(args.site)
    address = "http://127.0.0.1:%d/" % server.server_address[1]
    for profile in PROFILES:
        times = [first_frame(address, profile) for _ in range(args.runs)]
        print(f"{profile}: first frame {statistics.median(times):.0f} ms after navigation "
              f"(median of {args.runs}; {min(times):.0f} to {max(times):.0f})", flush=True)
    if args.trace:
        folder = tempfile.TemporaryDirectory(prefix="spirelle-trace-")
        trace_file = os.path.join(folder.name, "trace.json")
        first_frame(address, "phone", flags=(
            "--trace-startup=toplevel,gpu,blink,blink.user_timing,devtools.timeline,v8",
            "--trace-startup-file=" + trace_file, "--trace-startup-format=json",
            "--trace-startup-duration=8"))
        print(f"phone, traced: the main thread's tasks of {LONG_TASK_MS} ms or more")
        for at, took, what, waited in long_tasks(trace_file):
            waits = "".join(f", {ms:.0f} ms {reason}" for reason, ms in waited.items())
            print(f"  at {at:6.0f} ms: {took:4.0f} ms, {what}{waits}")
        folder.cleanup()
    server.shutdown()


if __name__ == "__main__":
    main()
