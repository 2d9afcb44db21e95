#!/usr/bin/env bash
# Measures Spirelle: the star computation against its libm floor (Google Benchmark), then the
# real viewer's frame rate and CPU time on Xvfb beside a straightforward build, an empty frame,
# a frame of fixed vertices, and that frame kept busy for the floor's time (bench/frame_rate.py).
# Usage: scripts/bench.sh [bench/frame_rate.py options: --rounds N --seconds S]
# The measuring builds have a folder of their own, build-bench/ (the bench preset), without
# the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
build=build-bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)" >/dev/null

out=$build/star_field_bench.txt
"$build"/bench/star_field_bench --benchmark_repetitions=20 --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true | tee "$out"
floor=$(sed -n 's|^tick1000: .* / \([0-9.]*\) us)$|\1|p' "$out")
echo
python3 -m bench.frame_rate --viewer "$build"/spirelle \
  --straightforward "$build"/bench/spirelle_straightforward \
  --empty "$build"/bench/spirelle_empty_frame \
  --precomputed "$build"/instruments/spirelle_precomputed_frame \
  --counter "$build"/instruments/libframecount.so --floor-us "$floor" "$@"
