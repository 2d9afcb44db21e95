#!/usr/bin/env python3
"""Frames per second and CPU time per frame of the real viewer on a private Xvfb, beside a
straightforward build of it and builds that split a frame.

Each build runs for a fixed time with a preloaded counter of buffer swaps, which also reads
the process's CPU time (every thread, user and system) at the first and last swap; the builds
take turns over several rounds and the median of each is reported, with the median of the
viewer-to-straightforward ratios of each round. With --floor-us (the libm floor of one
frame's stars, from star_field_bench) it also prints how a frame's time splits, and runs a
control: the precomputed build kept busy for the floor's time in every frame.
"""
import argparse
import statistics
import time

from instruments.xserver import Viewer, Xvfb


def measure(xvfb, build, counter, seconds):
    """Frames per second, the median times of a frame and its point batch, and the CPU time
    per frame, the times in milliseconds."""
    binary, env = build
    viewer = Viewer(xvfb, binary, preload=counter, env=env)
    try:
        time.sleep(seconds)
        if viewer.quit() != 0:
            raise RuntimeError(f"{binary} did not quit cleanly: {viewer.stderr}")
        report = viewer.report()
        frames = int(report["frames"]) - 1  # the intervals between the first and last swap
        return (frames / float(report["seconds"]), float(report["frame_ms"]),
                float(report["batch_ms"]), 1000.0 * float(report["cpu_seconds"]) / frames)
    finally:
        viewer.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--straightforward", required=True,
                        help="build with the plain formulas and none of the viewer's tuning")
    parser.add_argument("--empty", required=True, help="build whose frames draw no stars")
    parser.add_argument("--precomputed", required=True, help="build that sends fixed vertices")
    parser.add_argument("--counter", required=True, help="the preloaded swap counter")
    parser.add_argument("--seconds", type=float, default=6.0)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--floor-us", type=float, help="libm floor of one frame's stars")
    parser.add_argument("--other-viewer", help="another build of the viewer (another commit's, "
                        "say), measured in the same rounds and compared with the viewer")
    args = parser.parse_args()

    builds = {"viewer": (args.viewer, {}), "straightforward": (args.straightforward, {}),
              "empty frame": (args.empty, {}),
              "precomputed vertices": (args.precomputed, {})}
    if args.other_viewer:
        builds["other viewer"] = (args.other_viewer, {})
    control = "precomputed, kept busy"
    if args.floor_us is not None:
        builds[control] = (args.precomputed, {"SPIRELLE_BUSY_US": str(round(args.floor_us))})
    runs = {name: [] for name in builds}
    with Xvfb() as xvfb:
        for _ in range(args.rounds):
            for name, build in builds.items():
                runs[name].append(measure(xvfb, build, args.counter, args.seconds))

    frame_ms, batch_ms = {}, {}
    print(f"Frame rate on Xvfb, 480 x 240 window, median of {args.rounds} runs of "
          f"{args.seconds:g} s. 'frame' is the median time from one swap to the next and")
    print("'batch' the median time from glBegin to the end of glEnd, both within each run;")
    print("'CPU' the process's CPU time, all threads, over the frames it drew:")
    for name, values in runs.items():
        fps = statistics.median(v[0] for v in values)
        frame_ms[name] = statistics.median(v[1] for v in values)
        batch_ms[name] = statistics.median(v[2] for v in values)
        cpu_ms = statistics.median(v[3] for v in values)
        each = ", ".join(f"{v[1]:.3f}" for v in values)
        print(f"  {name:22s} {fps:8.1f} fps  frame {frame_ms[name]:6.3f} ms  "
              f"CPU {cpu_ms:6.3f} ms  batch {batch_ms[name]:6.3f} ms   (frame of each run: {each})")

    for other in ("straightforward", "other viewer"):
        if other not in runs:
            continue
        print(f"Viewer against the {other} build, per round (median, then each round):")
        for label, column in (("frames per second", 0), ("CPU time per frame", 3)):
            ratios = [v[column] / s[column] for v, s in zip(runs["viewer"], runs[other])]
            each = ", ".join(f"{r:.3f}" for r in ratios)
            print(f"  {label:20s} x {statistics.median(ratios):.3f}   ({each})")

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
        print(f"  libm floor of the star computation {floor:6.3f} ms "
              f"(star computation / floor = {stars / floor:.3f})")
        # Each round's builds ran minutes apart at most, so a ratio within a round is
        # spared the slow drift of a shared machine; the median of those is reported.
        frame = {name: [v[1] for v in values] for name, values in runs.items()}
        viewer = frame["viewer"]
        # empty frame + floor + submission, where submission = precomputed - empty frame
        near_floor = [v / (p + floor) for v, p in zip(viewer, frame["precomputed vertices"])]
        near_busy = [v / c for v, c in zip(viewer, frame[control])]
        print("Viewer frame against its floor, per round (median, then each round):")
        for label, ratios in (("/ (empty frame + libm floor + submission)", near_floor),
                              ("/ (the same frame kept busy for the floor)", near_busy)):
            each = ", ".join(f"{r:.3f}" for r in ratios)
            print(f"  {label} = {statistics.median(ratios):.3f}   ({each})")


if __name__ == "__main__":
    main()
