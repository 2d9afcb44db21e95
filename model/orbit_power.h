// radius^1.5 correctly rounded to double, from a square root and, where that cannot vouch
// for the rounding, an exact comparison of integers.
#pragma once

#include "bit_cast.h"
#include "double_double.h"
#include "exact_rounding.h"
#include "wide_integer.h"

#include <cmath>
#include <cstdint>

// Two doubles that bracket the rounding of radius^1.5: where they are equal, that is the
// correctly rounded power.
struct PowerBounds {
    double below;
    double above;
};

// radius^1.5 as radius times its square root, carried to about 78 bits, then rounded after
// a nudge down and up of 2^-72 of its size, which covers that error many times over.
// Without branches, so that a loop of these vectorises.
inline PowerBounds boundOrbitPower(float radius)
{
    const double x = radius;  // 24 significant bits, so x times 26 or 27 bits is exact
    const double root = std::sqrt(x);
    const doubleDouble::Halves rootHalves = doubleDouble::split(root);
    const double rootHigh = rootHalves.high;
    const double rootLow = rootHalves.low;
    // x - root^2, exactly: each subtraction takes nearly equal terms.
    const double residual =
        ((x - rootHigh * rootHigh) - 2.0 * rootHigh * rootLow) - rootLow * rootLow;
    // x * sqrt(x) = high + low, where sqrt(x) = root + residual / (2 root) to about 106 bits;
    // high is exact, and low rounds at about 2^-79 of the power.
    const double high = x * rootHigh;
    const double low = x * rootLow + x * residual / (2.0 * root);
    const double margin = high * 0x1p-72;
    return {high + (low - margin), high + (low + margin)};
}

// Whether radius^1.5 lies above the midpoint of below and the double after it. With
// radius = X 2^e and below = B 2^f for integers X (24 bits) and B (53 bits), the midpoint
// is (2B + 1) 2^(f - 1), and the power lies above it exactly when
// X^3 2^(3e - 2f + 2) > (2B + 1)^2. The power is never the midpoint itself: a radius whose
// power has more than 53 bits is no square, and its power is irrational.
// For a positive radius and a below within a few units in the last place of its power.
inline bool orbitPowerAboveMidpoint(float radius, double below)
{
    const ScaledInteger scaledRadius = scaledInteger(radius);
    const std::uint64_t belowBits = bitCast<std::uint64_t>(below);
    const std::uint64_t midpoint =
        (((belowBits & 0xFFFFFFFFFFFFFu) | 0x10000000000000u) << 1) | 1u;  // 2B + 1
    const int belowExponent = static_cast<int>(belowBits >> 52) - 1075;

    const Limbs<1> x{scaledRadius.mantissa};
    const Limbs<4> cube = multiplyLimbs<4>(multiplyLimbs<2>(x, x), x);  // below 2^72
    const Limbs<2> m{static_cast<std::uint32_t>(midpoint),
                     static_cast<std::uint32_t>(midpoint >> 32)};
    const Limbs<4> midpointSquared = multiplyLimbs<4>(m, m);  // below 2^108
    // X^3 is at least 2^69 and (2B + 1)^2 below 2^108, so the shift is below 39; it is
    // positive for every power that lies near below.
    const int shift = 3 * scaledRadius.exponent - 2 * belowExponent + 2;
    return lessThan(midpointSquared, shiftedLeft(cube, static_cast<unsigned>(shift)));
}

// radius^1.5 from its bounds, decided exactly where they disagree. The nudge is far below a
// unit in the last place, so bounds that disagree are neighbouring doubles.
inline double orbitPower(float radius, const PowerBounds& bounds)
{
    if (bounds.below == bounds.above) {
        return bounds.below;
    }
    return orbitPowerAboveMidpoint(radius, bounds.below) ? bounds.above : bounds.below;
}

// radius^1.5, which sets how slowly a star turns: the one power of each star's frame.
// Where doubles are not rounded operation by operation, the library's pow, rounded to double.
inline double orbitPower(float radius)
{
    if constexpr (!exactDoubleArithmetic) {
        return roundedTo<double>(std::pow(static_cast<double>(radius), 1.5));
    }
    return orbitPower(radius, boundOrbitPower(radius));
}
