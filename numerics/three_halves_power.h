// x^1.5 correctly rounded to double for a positive float x, from a square root and, where
// that cannot vouch for the rounding, an exact comparison of integers.
#pragma once

#include "bit_cast.h"
#include "double_double.h"
#include "exact_rounding.h"
#include "unfused.h"
#include "wide_integer.h"

#include <cmath>
#include <cstdint>

NUMERICS_UNFUSED_BEGIN

// Two doubles that bracket the rounding of x^1.5: where they are equal, that is the
// correctly rounded power.
struct PowerBounds {
    double below;
    double above;
};

// x^1.5 as x times its square root, carried to about 78 bits, then rounded after a nudge
// down and up of 2^-72 of its size, which covers that error many times over. Without
// branches, so that a loop of these vectorises.
inline PowerBounds boundThreeHalvesPower(float x)
{
    const double wide = x;  // 24 significant bits, so x times 26 or 27 bits is exact
    const double root = std::sqrt(wide);
    const doubleDouble::Halves rootHalves = doubleDouble::split(root);
    const double rootHigh = rootHalves.high;
    const double rootLow = rootHalves.low;
    // x - root^2, exactly: each subtraction takes nearly equal terms.
    const double residual =
        ((wide - rootHigh * rootHigh) - 2.0 * rootHigh * rootLow) - rootLow * rootLow;
    // x sqrt(x) = high + low, where sqrt(x) = root + residual / (2 root) to about 106 bits;
    // high is exact, and low rounds at about 2^-79 of the power.
    const double high = wide * rootHigh;
    const double low = wide * rootLow + wide * residual / (2.0 * root);
    const double margin = high * 0x1p-72;
    return {high + (low - margin), high + (low + margin)};
}

// Whether x^1.5 lies above the midpoint of below and the double after it. With x = X 2^e and
// below = B 2^f for integers X (24 bits) and B (53 bits), the midpoint is (2B + 1) 2^(f - 1),
// and the power lies above it exactly when X^3 2^(3e - 2f + 2) > (2B + 1)^2. The power is
// never the midpoint itself: an x whose power has more than 53 bits is no square, and its
// power is irrational. For a positive x and a below within a few units in the last place of
// its power.
inline bool threeHalvesPowerAboveMidpoint(float x, double below)
{
    const ScaledInteger scaledX = scaledInteger(x);
    const std::uint64_t belowBits = bitCast<std::uint64_t>(below);
    const std::uint64_t midpoint =
        (((belowBits & 0xFFFFFFFFFFFFFu) | 0x10000000000000u) << 1) | 1u;  // 2B + 1
    const int belowExponent = static_cast<int>(belowBits >> 52) - 1075;

    const Limbs<1> mantissa{scaledX.mantissa};
    const Limbs<4> cube = multiplyLimbs<4>(multiplyLimbs<2>(mantissa, mantissa), mantissa);
    const Limbs<2> m{static_cast<std::uint32_t>(midpoint),
                     static_cast<std::uint32_t>(midpoint >> 32)};
    const Limbs<4> midpointSquared = multiplyLimbs<4>(m, m);  // below 2^108
    // X^3 is at least 2^69 and (2B + 1)^2 below 2^108, so the shift is below 39; it is
    // positive for every power that lies near below.
    const int shift = 3 * scaledX.exponent - 2 * belowExponent + 2;
    return lessThan(midpointSquared, shiftedLeft(cube, static_cast<unsigned>(shift)));
}

// x^1.5 from its bounds, decided exactly where they disagree. The nudge is far below a unit
// in the last place, so bounds that disagree are neighbouring doubles.
inline double threeHalvesPower(float x, const PowerBounds& bounds)
{
    if (bounds.below == bounds.above) {
        return bounds.below;
    }
    return threeHalvesPowerAboveMidpoint(x, bounds.below) ? bounds.above : bounds.below;
}

// x^1.5 correctly rounded. Where doubles are not rounded operation by operation, the C
// library's pow, rounded to double.
inline double threeHalvesPower(float x)
{
    if constexpr (!exactDoubleArithmetic) {
        return roundedTo<double>(std::pow(static_cast<double>(x), 1.5));
    }
    return threeHalvesPower(x, boundThreeHalvesPower(x));
}

NUMERICS_UNFUSED_END
