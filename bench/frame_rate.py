#!/usr/bin/env python3
"""Frames per second of the real viewer on a private Xvfb, beside two builds that split a frame.

Each build runs for a fixed time with a preloaded counter of buffer swaps; the builds take
turns over several rounds and the median of each is reported. With --floor-us (the libm
floor of one frame's stars, from star_field_bench) it also prints how a frame's time splits.
"""
import argparse
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from harness import Viewer, Xvfb  # noqa: E402


def measure(xvfb, binary, counter, seconds):
    """Frames per second, and the median time of a frame's point batch in milliseconds."""
    viewer = Viewer(xvfb, binary, preload=counter)
    try:
        time.sleep(seconds)
        if viewer.quit() != 0:
            raise RuntimeError(f"{binary} did not quit cleanly: {viewer.stderr}")
        report = viewer.report()
        return (int(report["frames"]) - 1) / float(report["seconds"]), float(report["batch_ms"])
    finally:
        viewer.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--empty", required=True, help="build whose frames draw no stars")
    parser.add_argument("--precomputed", required=True, help="build that sends fixed vertices")
    parser.add_argument("--counter", required=True, help="the preloaded swap counter")
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--floor-us", type=float, help="libm floor of one frame's stars")
    args = parser.parse_args()

    builds = {"viewer": args.viewer, "empty frame": args.empty,
              "precomputed vertices": args.precomputed}
    runs = {name: [] for name in builds}
    with Xvfb() as xvfb:
        for _ in range(args.rounds):
            for name, binary in builds.items():
                runs[name].append(measure(xvfb, binary, args.counter, args.seconds))

    frame_ms, batch_ms = {}, {}
    print(f"Frame rate on Xvfb, 480 x 240 window, median of {args.rounds} runs of "
          f"{args.seconds:g} s; 'batch' is the median time from glBegin to the end of glEnd:")
    for name, values in runs.items():
        fps = statistics.median(v[0] for v in values)
        frame_ms[name] = 1000.0 / fps
        batch_ms[name] = statistics.median(v[1] for v in values)
        each = ", ".join(f"{v[0]:.1f}" for v in values)
        print(f"  {name:22s} {fps:8.1f} fps  {frame_ms[name]:6.3f} ms/frame  "
              f"batch {batch_ms[name]:6.3f} ms   (fps of each run: {each})")

    fixed = frame_ms["empty frame"]
    submission = batch_ms["precomputed vertices"] - batch_ms["empty frame"]
    stars = batch_ms["viewer"] - batch_ms["precomputed vertices"]
    rest = frame_ms["viewer"] - batch_ms["viewer"]
    print("Split of a viewer frame, from the batch times:")
    print(f"  star computation                   {stars:6.3f} ms")
    print(f"  vertex submission                  {submission:6.3f} ms")
    print(f"  rest of the frame (rasterising, clear, swap, Xvfb) {rest:6.3f} ms")
    print(f"  an empty frame, for comparison     {fixed:6.3f} ms")
    if args.floor_us is not None:
        floor = args.floor_us / 1000.0
        bound = fixed + floor + (frame_ms["precomputed vertices"] - fixed)
        print(f"  libm floor of the star computation {floor:6.3f} ms "
              f"(star computation / floor = {stars / floor:.3f})")
        print(f"Viewer frame / (empty frame + libm floor + submission) = "
              f"{frame_ms['viewer']:.3f} / {bound:.3f} = {frame_ms['viewer'] / bound:.3f}")


if __name__ == "__main__":
    main()
