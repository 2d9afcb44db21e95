// Any finite float angle reduced by whole quarter turns, exactly enough for the slow path of
// the sine and cosine: the bits of 2/pi it needs are kept in a table.
#pragma once

#include "double_double.h"
#include "unfused.h"
#include "wide_integer.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

NUMERICS_UNFUSED_BEGIN

// angle = quadrant pi/2 + reduced, modulo 2 pi, with |reduced| at most pi/4.
struct ReducedAngle {
    std::uint32_t quadrant;  // 0 to 3
    doubleDouble::Value reduced;
};

// A sine and cosine of the same angle, in double, double-double or float.
template <typename T>
struct SinCos {
    T sine;
    T cosine;
};

// The sine and cosine of quadrant pi/2 + r from those of r: swapped in odd quadrants and
// negated by half turns. Exact, so it commutes with rounding.

template <typename T>
SinCos<T> turnedByQuadrant(std::uint32_t quadrant, T sine, T cosine)
{
    switch (quadrant & 3u) {
    case 0:
        return {sine, cosine};
    case 1:
        return {cosine, -sine};
    case 2:
        return {-sine, -cosine};
    default:
        return {-cosine, sine};
    }
}

namespace angleReduction {

// The binary digits of 2/pi = 0.101000101111100110..., 32 to a word, after a word of zeros
// for the digits before the point. Derived with integer arithmetic from Machin's formula by
// tests/vectors/trig_constants.py.
inline constexpr std::uint32_t twoOverPiBits[] = {
    0x00000000, 0xa2f9836e, 0x4e441529, 0xfc2757d1, 0xf534ddc0, 0xdb629599,
    0x3c439041, 0xfe5163ab, 0xdebbc561, 0xb7246e3a, 0x424dd2e0};

// The 32 digits of 2/pi from the first'th on (digit 1 is the first after the point; digits
// before it are zero). For first from -31 to 287, which covers every float angle.
constexpr std::uint32_t twoOverPiDigits(int first)
{
    const int position = first + 31;  // of the digit in the table, counted from 0
    const std::size_t word = static_cast<std::size_t>(position / 32);
    const unsigned shift = static_cast<unsigned>(position % 32);
    const std::uint64_t pair =
        (std::uint64_t{twoOverPiBits[word]} << 32) | twoOverPiBits[word + 1];
    return static_cast<std::uint32_t>(pair >> (32 - shift));
}

inline constexpr double halfPiHigh = 0x1.921fb54442d18p+0;
inline constexpr double halfPiLow = 0x1.1a62633145c07p-54;  // pi/2 to about 2^-107

}  // namespace angleReduction

// Payne and Hanek's reduction. With |angle| = M 2^e for a 24-bit integer M, angle 2/pi
// modulo 4 needs only the digits of 2/pi from e - 1 on: earlier digits add multiples of 4.
// 192 digits from there give the quadrant and a fraction of a quarter turn to within
// 2^-166, so the reduced angle is good to about 2^-104 of its size even where the angle
// lies as close to a multiple of pi/2 as floats come. Any finite angle; those below pi/4 in
// size are returned as they are.
inline ReducedAngle reduceAngle(float angle)
{
    using namespace angleReduction;
    const float size = std::fabs(angle);
    if (size < 0x1.921fb6p-1f) {  // pi/4, rounded up: within one float of pi/4 either way will do
        return {0, {angle, 0.0}};
    }
    const ScaledInteger scaled = scaledInteger(size);
    const Limbs<1> mantissa{scaled.mantissa};
    Limbs<6> digits{};
    for (std::size_t limb = 0; limb < 6; ++limb) {
        digits[5 - limb] = twoOverPiDigits(scaled.exponent - 1 + 32 * static_cast<int>(limb));
    }
    // size 2/pi = product 2^-190 modulo 4: the top two bits count quarter turns, and the
    // rest, moved up by two, is the fraction as a signed number of 2^-192 quarter turns.
    const Limbs<6> product = multiplyLimbs<6>(mantissa, digits);
    Limbs<6> fraction = shiftedLeft(product, 2);
    std::uint32_t quadrant = product[5] >> 30;
    const bool pastHalf = (fraction[5] >> 31) != 0;
    if (pastHalf) {  // nearer the next quarter turn: count it, and take the fraction negated
        ++quadrant;
        std::uint64_t borrow = 1;
        for (std::uint32_t& limb : fraction) {
            const std::uint64_t negated = std::uint64_t{~limb} + borrow;
            limb = static_cast<std::uint32_t>(negated);
            borrow = negated >> 32;
        }
    }
    // The fraction's size as a double-double: its limbs summed from the smallest, each exact.
    doubleDouble::Value quarterTurns{0.0, 0.0};
    double scale = 0x1p-160;
    for (std::size_t limb = 1; limb < 6; ++limb, scale *= 0x1p32) {
        quarterTurns = doubleDouble::add(quarterTurns, fraction[limb] * scale);
    }
    const doubleDouble::Value reduced =
        doubleDouble::multiply(quarterTurns, {halfPiHigh, halfPiLow});
    // The reduction of -angle is that of angle with both parts negated.
    const bool negative = angle < 0.0f;
    return {(negative ? 0u - quadrant : quadrant) & 3u, pastHalf != negative ? -reduced : reduced};
}

NUMERICS_UNFUSED_END
