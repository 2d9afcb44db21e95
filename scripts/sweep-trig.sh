#!/usr/bin/env bash
# Compares the model's rounded sine and cosine with glibc's for every float angle, both signs,
# infinities and NaNs included; with an argument N, only for angles below 2^N in size.
# Prints how many differ and some angles the fast path leaves to the slow one.
# Usage: scripts/sweep-trig.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake --preset bench >/dev/null
cmake --build --preset bench --target trig_sweep -j "$(nproc)" >/dev/null
exec build-bench/bench/trig_sweep "$@"
