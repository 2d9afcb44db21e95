#!/usr/bin/env python3
"""Derives reference values for the unit tests, independently of the C++ code.

Single precision is emulated by packing each double into an IEEE binary32 with
round-to-nearest. radius^1.5 is rounded correctly with exact rational arithmetic; sine and
cosine are Python's math.sin and math.cos, glibc's on Linux.
Prints C++ initialisers with hex-float literals, ready to paste into the tests; with --check,
fails unless the given test sources hold every one as printed.
"""
import math
import re
import struct
import sys
from fractions import Fraction


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def draws(n):
    state = 0
    for _ in range(n):
        state = (state * 214013 + 2531011) % 2**32
        yield (state >> 16) & 0x7FFF


def power(r):
    """r^1.5 correctly rounded to double: of the neighbours of a close estimate, the one
    nearest the exact power, compared through squares (r^3 against the candidates')."""
    estimate = r * math.sqrt(r)
    cube = Fraction(r) ** 3
    candidates = [math.nextafter(estimate, 0.0), estimate, math.nextafter(estimate, math.inf)]
    best = candidates[0]
    for lower, upper in zip(candidates, candidates[1:]):
        midpoint = (Fraction(lower) + Fraction(upper)) / 2
        if cube > midpoint * midpoint:
            best = upper
    return best


def fnv(values):
    """FNV-1a over the bits of single-precision values, as the tests digest a frame."""
    digest = 0xcbf29ce484222325
    for v in values:
        digest = ((digest ^ struct.unpack("<I", struct.pack("<f", v))[0]) * 0x100000001b3) % 2**64
    return digest


def double_fnv(values):
    """The same over the two 32-bit halves, low first, of double-precision values."""
    digest = 0xcbf29ce484222325
    for v in values:
        bits = struct.unpack("<Q", struct.pack("<d", v))[0]
        for half in (bits & 0xFFFFFFFF, bits >> 32):
            digest = ((digest ^ half) * 0x100000001b3) % 2**64
    return digest


def field(tick, rate, count=25000):
    """Yields (u1, r, u2, theta, x, y) for each star; rate is a single-precision value."""
    t = float(tick) * rate
    sequence = draws(2 * count)
    for _ in range(count):
        u1 = f32(next(sequence) / 32767.0)
        r = f32(u1 * 7.0 + f32(0.1))
        u2 = f32(next(sequence) / 32767.0)
        theta = f32(t / power(r) + (u2 * 3.14159) * 2.0)
        x = f32(f32(math.cos(theta)) * r)
        y = f32(f32(math.sin(theta)) * r)
        yield u1, r, u2, theta, x, y


def hexf(v):
    if v == 0:
        return "0.0f"
    return re.sub(r"\.?0+p", "p", float.hex(v)) + "f"


def expectations():
    """The values the unit tests paste, each as the text they paste it in."""
    yield "{" + ", ".join(map(str, draws(6))) + "}"
    cases = [
        (0, "0.1f"), (1, "0.1f"), (1000, "0.1f"), (31623, "0.1f"), (1000000, "0.1f"),
        (2147483647, "0.1f"), (-2147483648, "0.1f"), (500, "-0.05f"), (123456, "0.0f"),
    ]
    for tick, rate_text in cases:
        rate = f32(float(rate_text[:-1]))
        stars = list(field(tick, rate))
        tick_text = "int32Min" if tick == -2**31 else str(tick)
        for i in (0, 1, 2, 999, 24999):
            x, y = stars[i][4:]
            yield f"    {{{tick_text}, {rate_text}, {i}, {hexf(x)}, {hexf(y)}}},"

    yield "%du" % double_fnv(power(f32(f32(d / 32767.0) * 7.0 + f32(0.1))) for d in range(32768))
    for tick, rate_text in [
        (0, "0.1f"), (1, "0.1f"), (1000, "0.1f"), (31623, "0.1f"), (1000000, "0.1f"),
        (1000000, "-0.05f"), (1271493, "-0.05f"), (1000000000, "0.1f"), (2147483647, "0.1f"),
        (-2147471303, "0.1f"), (2147483647, "-0.05f"), (2147483647, "10.0f"),
    ]:
        rate = f32(float(rate_text[:-1]))
        digest = fnv(v for star in field(tick, rate) for v in star[4:])
        exact_only = ", true" if abs(tick) >= 1271493 else ""  # where C runtimes part
        yield f"    {{{tick}, {rate_text}, {digest}u{exact_only}}},"

    rate = f32(0.1)
    for _ in range(100):
        rate = f32(rate - f32(0.001))
    yield hexf(rate)  # the rate after 100 presses of Left
    up = down = 1.0
    for _ in range(10):
        up = f32(up * f32(0.99))
        down = f32(down / f32(0.99))
    yield hexf(up)  # the zoom after ten presses of Up
    yield hexf(down)  # and of Down


def main():
    """Prints the values; with --check FILE..., fails unless the files paste every one."""
    if sys.argv[1:2] != ["--check"]:
        print("\n".join(expectations()))
        return
    sources = "".join(open(path).read() for path in sys.argv[2:])
    expected = list(expectations())
    missing = [text.strip() for text in expected if text.strip() not in sources]
    print(f"{len(missing)} of {len(expected)} derived values missing from the tests", *missing[:5],
          sep="\n")
    sys.exit(1 if missing else 0)


if __name__ == "__main__":
    main()
