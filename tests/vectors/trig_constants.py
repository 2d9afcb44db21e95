#!/usr/bin/env python3
"""Derives the constants of the slow path of the model's sine and cosine, with integers only.

Prints the binary digits of 2/pi, 32 to a word; pi/2 as a double-double; and 1/k! as
double-doubles for the Taylor coefficients. pi comes from Machin's formula,
pi = 16 atan(1/5) - 4 atan(1/239), to 700 bits.
"""
import math
from fractions import Fraction

BITS = 700


def scaled_arctan_of_inverse(n):
    """atan(1/n) * 2^BITS, from its series, with 20 guard bits."""
    one = 1 << (BITS + 20)
    term = one // n
    total = term
    k = 1
    while term:
        term //= n * n
        total += (-1) ** k * (term // (2 * k + 1))
        k += 1
    return total >> 20


def double_double(value):
    high = float(value)
    return high, float(value - Fraction(high))


def main():
    pi = 16 * scaled_arctan_of_inverse(5) - 4 * scaled_arctan_of_inverse(239)  # pi * 2^BITS
    two_over_pi = (1 << (2 * BITS + 1)) // pi  # 2/pi * 2^BITS
    words = [(two_over_pi >> (BITS - 32 * (j + 1))) & 0xFFFFFFFF for j in range(10)]
    print("2/pi:", ", ".join(f"0x{w:08x}" for w in words))
    print("pi/2:", ", ".join(x.hex() for x in double_double(Fraction(pi, 1 << (BITS + 1)))))
    for k in range(2, 29):
        print(f"1/{k}!:", ", ".join(x.hex() for x in double_double(Fraction(1, math.factorial(k)))))


if __name__ == "__main__":
    main()
