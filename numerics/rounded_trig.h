// Sine and cosine rounded to single precision: the correctly rounded double results, rounded
// again to float. The fast path settles nearly every angle; the slow path settles the rest.
// Neither calls the C library.
#pragma once

#include "angle_reduction.h"
#include "bit_cast.h"
#include "exact_rounding.h"
#include "slow_trig.h"
#include "unfused.h"

#include <cmath>
#include <cstdint>

NUMERICS_UNFUSED_BEGIN

struct RoundedSinCos : SinCos<float> {
    // False where the fast path cannot vouch for both roundings; the slow path decides there.
    bool settled;
};

// The fast and slow paths are used only where exactDoubleArithmetic holds.

// Sine and cosine of an angle below 2^32 radians in size, within about 2^-52 of their size
// plus 2^-86. Larger angles, NaN and infinities give nothing useful. Without branches, so
// that a loop of these vectorises.
inline SinCos<double> fastSinCos(double angle)
{
    // angle = quarter * pi/2 + reduced, with quarter the nearest integer to angle / (pi/2).
    constexpr double twoOverPi = 0x1.45f306dc9c883p-1;
    constexpr double integerShift = 0x1.8p52;  // adding it rounds to an integer
    const double shifted = angle * twoOverPi + integerShift;
    const double quarter = shifted - integerShift;
    // pi/2 in four parts, to about 2^-119. The first three have 21 bits, so quarter (below
    // 2^32) times each is exact, and so are the first two subtractions.
    constexpr double halfPi1 = 0x1.921fbp+0;
    constexpr double halfPi2 = 0x1.5110bp-22;
    constexpr double halfPi3 = 0x1.1846ap-44;
    constexpr double halfPi4 = -0x1.d9cceba3f91f2p-66;
    const double reduced =
        (((angle - quarter * halfPi1) - quarter * halfPi2) - quarter * halfPi3) -
        quarter * halfPi4;

    // Taylor series to r^15 and r^16: for |r| <= pi/4 the first terms left out are below
    // 2^-54 and 2^-58. The coefficients are the slow path's, rounded to double (their highs).
    const double r2 = reduced * reduced;
    constexpr auto& s = slowTrig::sineHead;
    constexpr auto& c = slowTrig::cosineHead;
    const double sinReduced =
        reduced +
        reduced * r2 *
            (s[0].high +
             r2 * (s[1].high +
                   r2 * (s[2].high +
                         r2 * (s[3].high +
                               r2 * (s[4].high + r2 * (s[5].high + r2 * s[6].high))))));
    const double cosReduced =
        1.0 +
        r2 * (c[0].high +
              r2 * (c[1].high +
                    r2 * (c[2].high +
                          r2 * (c[3].high +
                                r2 * (c[4].high +
                                      r2 * (c[5].high + r2 * (c[6].high + r2 * c[7].high)))))));

    // The quadrant picks and signs the two: quarter's last two bits sit in shifted's. The
    // choice is made on the bits, with masks rather than branches, so that it vectorises.
    const std::uint64_t quadrant = bitCast<std::uint64_t>(shifted);
    const std::uint64_t swap = 0u - (quadrant & 1u);  // all ones in odd quadrants
    const std::uint64_t sinBits = bitCast<std::uint64_t>(sinReduced);
    const std::uint64_t cosBits = bitCast<std::uint64_t>(cosReduced);
    const std::uint64_t sineSign = (quadrant & 2u) << 62;
    const std::uint64_t cosineSign = ((quadrant + 1u) & 2u) << 62;
    return {bitCast<double>(((sinBits & ~swap) | (cosBits & swap)) ^ sineSign),
            bitCast<double>(((cosBits & ~swap) | (sinBits & swap)) ^ cosineSign)};
}

// The fast path of the rounded sine and cosine, for angles below 2^32 radians in size.
// Rounding to single precision keeps only 24 bits: unless a value lies within its margin of a
// point half-way between two floats, its rounding is the true value's rounding too, whether or
// not that is first rounded to double. The rare angles that land near such a point, and all
// larger angles, are left unsettled.
inline RoundedSinCos fastRoundedSinCos(double angle)
{
    // Whether every double within margin of value rounds to the same float.
    const auto roundsAlike = [](double value, double margin) {
        return static_cast<float>(value - margin) == static_cast<float>(value + margin);
    };
    const auto [sine, cosine] = fastSinCos(angle);
    // 2^-46 of the value covers the approximation many times over; 2^-75 covers the
    // reduction's error of about 2^-86 near multiples of pi/2, where sine or cosine is far
    // smaller than the angle.
    const double sineMargin = std::fabs(sine) * 0x1p-46 + 0x1p-75;
    const double cosineMargin = std::fabs(cosine) * 0x1p-46 + 0x1p-75;
    const bool inRange = std::fabs(angle) < 0x1p32;
    const bool sineSettles = roundsAlike(sine, sineMargin);
    const bool cosineSettles = roundsAlike(cosine, cosineMargin);
    // Bitwise, not short-circuit: no branches.
    const bool settled = inRange & sineSettles & cosineSettles;
    return {{static_cast<float>(sine), static_cast<float>(cosine)}, settled};
}

// The slow path: the rounded sine and cosine of any float angle, for those the fast path
// leaves unsettled. Large angles are reduced exactly, and most of them then settled by the
// fast polynomial; the rest are evaluated in double-double. NaN and infinities give NaN, as
// the library does.
inline RoundedSinCos slowRoundedSinCos(float angle)
{
    if (!std::isfinite(angle)) {
        const float nan = angle - angle;
        return {{nan, nan}, true};
    }
    // Below 2^-27 the sine rounds to the angle and the cosine to 1, in double already.
    if (std::fabs(angle) < 0x1p-27f) {
        return {{angle, 1.0f}, true};
    }
    const ReducedAngle reduced = reduceAngle(angle);
    if (std::fabs(angle) >= 0x1p32f) {
        // Rounding commutes with the quadrant's swaps and negations.
        const RoundedSinCos fast = fastRoundedSinCos(reduced.reduced.high);
        if (fast.settled) {
            return {turnedByQuadrant(reduced.quadrant, fast.sine, fast.cosine), true};
        }
    }
    const SinCos<doubleDouble::Value> slow = slowSinCos(reduced);
    return {{static_cast<float>(slow.sine.high), static_cast<float>(slow.cosine.high)}, true};
}

// The same from the C library's sine and cosine, for targets where doubles are not rounded
// operation by operation.
inline RoundedSinCos libraryRoundedSinCos(double angle)
{
    return {{roundedTo<float>(std::sin(angle)), roundedTo<float>(std::cos(angle))}, true};
}

// The sine and cosine of angle, correctly rounded to double, then rounded to float.
inline RoundedSinCos roundedSinCos(float angle)
{
    if constexpr (!exactDoubleArithmetic) {
        return libraryRoundedSinCos(angle);
    }
    const RoundedSinCos fast = fastRoundedSinCos(angle);
    return fast.settled ? fast : slowRoundedSinCos(angle);
}

NUMERICS_UNFUSED_END
