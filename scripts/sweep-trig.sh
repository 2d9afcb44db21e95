#!/usr/bin/env bash
# Compares the model's rounded sine and cosine with glibc's for every float angle, both signs,
# infinities and NaNs included; with an argument N, only for angles below 2^N in size.
# Prints how many differ and some angles the fast estimate leaves to the precise evaluation.
# Usage: scripts/sweep-trig.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build >/dev/null
cmake --build build --target trig_sweep -j "$(nproc)" >/dev/null
exec build/tests/trig_sweep "$@"
