#!/usr/bin/env bash
# Measures Spirelle: the star computation against its libm floor (Google Benchmark), then
# the real viewer's frame rate on Xvfb beside an empty frame and a frame of fixed vertices.
# The measuring builds have a folder of their own, build-bench/, without the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
build=build-bench
cmake -S . -B "$build" -DBUILD_TESTING=OFF -DSPIRELLE_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

out=$build/star_field_bench.txt
"$build"/bench/star_field_bench --benchmark_repetitions=20 --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true | tee "$out"
floor=$(sed -n 's|^tick1000: .* / \([0-9.]*\) us)$|\1|p' "$out")
echo
python3 bench/frame_rate.py --viewer "$build"/spirelle \
  --straightforward "$build"/bench/spirelle_straightforward \
  --empty "$build"/bench/spirelle_empty_frame --precomputed "$build"/bench/spirelle_precomputed_frame \
  --counter "$build"/bench/libframecount.so --floor-us "$floor" "$@"
