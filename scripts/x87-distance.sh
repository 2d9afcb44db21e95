#!/usr/bin/env bash
# Counts, frame by frame, the stars that the x87 fallback (the plain formulas with x87 maths,
# and the x87 fsin and fcos as 32-bit Windows runtimes give them) places otherwise than the
# shipped arithmetic. Natively on x86-64; pow is glibc's in both.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake -S . -B build -DSPIRELLE_BENCHMARKS=ON >/dev/null
cmake --build build --target field_dump field_dump_x87 -j "$(nproc)" >/dev/null
frames=(0 0.1 1000 0.1 1000000 0.1 100000000 0.1 1000000000 0.1 2147483647 0.1
        -2147471303 0.1 1271493 -0.05 1000000000 -0.05 2147483647 -0.05 -2147471303 -0.05)
python3 - "${frames[@]}" <<'PYTHON'
import array
import subprocess
import sys

frames = list(zip(sys.argv[1::2], sys.argv[2::2]))
dumps = []
for program in ("build/bench/field_dump", "build/bench/field_dump_x87"):
    values = array.array("f")
    values.frombytes(subprocess.run([program, *sys.argv[1:]], capture_output=True, check=True).stdout)
    dumps.append(values.tobytes())
print("tick         rate   stars placed otherwise by the x87 fallback")
for n, (tick, rate) in enumerate(frames):
    base = n * 25000 * 8
    differ = [i for i in range(25000)
              if dumps[0][base + 8 * i:base + 8 * i + 8] != dumps[1][base + 8 * i:base + 8 * i + 8]]
    print(f"{tick:>11} {rate:>6}   {len(differ)}" + (f" (stars {', '.join(map(str, differ[:5]))})" if differ else ""))
PYTHON
