#!/usr/bin/env bash
# Builds Spirelle with its tests and runs them all: unit tests and end-to-end tests on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
cmake -S . -B build -DSPIRELLE_WERROR=ON
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure
