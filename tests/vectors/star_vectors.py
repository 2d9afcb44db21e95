#!/usr/bin/env python3
"""Derives reference values for the unit tests, independently of the C++ code.

Single precision is emulated by packing each double into an IEEE binary32 with
round-to-nearest; Python's math.pow, sin and cos are the platform's libm.
Prints C++ initialisers with hex-float literals, ready to paste into the tests.
"""
import math
import re
import struct


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def draws(n):
    state = 0
    for _ in range(n):
        state = (state * 214013 + 2531011) % 2**32
        yield (state >> 16) & 0x7FFF


def field(tick, rate, count=25000):
    """Yields (u1, r, u2, theta, x, y) for each star; rate is a single-precision value."""
    t = float(tick) * rate
    sequence = draws(2 * count)
    for _ in range(count):
        u1 = f32(next(sequence) / 32767.0)
        r = f32(u1 * 7.0 + f32(0.1))
        u2 = f32(next(sequence) / 32767.0)
        theta = f32(t / math.pow(r, 1.5) + (u2 * 3.14159) * 2.0)
        x = f32(f32(math.cos(theta)) * r)
        y = f32(f32(math.sin(theta)) * r)
        yield u1, r, u2, theta, x, y


def hexf(v):
    if v == 0:
        return "0.0f"
    return re.sub(r"\.?0+p", "p", float.hex(v)) + "f"


def main():
    print("first six draws:", list(draws(6)))
    print("first star at tick 0:", ", ".join(hexf(v) for v in next(field(0, f32(0.1)))))
    cases = [
        (0, "0.1f"), (1, "0.1f"), (1000, "0.1f"), (31623, "0.1f"), (1000000, "0.1f"),
        (2147483647, "0.1f"), (-2147483648, "0.1f"), (500, "-0.05f"), (123456, "0.0f"),
    ]
    for tick, rate_text in cases:
        rate = f32(float(rate_text[:-1]))
        stars = list(field(tick, rate))
        for i in (0, 1, 2, 999, 24999):
            x, y = stars[i][4:]
            print(f"    {{{tick}, {rate_text}, {i}, {hexf(x)}, {hexf(y)}}},")

    rate = f32(0.1)
    for _ in range(100):
        rate = f32(rate - f32(0.001))
    print("rate after 100 left presses:", hexf(rate), rate)
    up = down = 1.0
    for _ in range(10):
        up = f32(up * f32(0.99))
        down = f32(down / f32(0.99))
    print("zoom after ten up / ten down:", hexf(up), up, hexf(down), down)


if __name__ == "__main__":
    main()
