// The slow path of the sine and cosine: a float angle's to about 2^-100 of their size, from
// double-double polynomials, so that rounded to double and then to float they are the
// roundings of the correctly rounded functions for every float angle.
#pragma once

#include "angle_reduction.h"
#include "double_double.h"
#include "unfused.h"

#include <cstddef>

NUMERICS_UNFUSED_BEGIN

namespace slowTrig {

using doubleDouble::Value;

// Taylor coefficients, (-1)^k / (2k + 1)! for the sine and (-1)^k / (2k)! for the cosine,
// from k = 1. For |r| <= pi/4 the terms up to r^16 can exceed 2^-54 of the result, and their
// coefficients are double-doubles, good to 2^-106; the smaller terms after them round in
// double below 2^-106 of the result; the first terms left out, r^29 / 29! and r^30 / 30!,
// are below 2^-112. Derived by tests/vectors/trig_constants.py. The fast path
// (rounded_trig.h) takes the heads' high parts, the coefficients rounded to double.
inline constexpr Value sineHead[] = {
    {-0x1.5555555555555p-3, -0x1.5555555555555p-57},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {-0x1.a01a01a01a01ap-13, -0x1.a01a01a01a01ap-73},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
    {-0x1.ae64567f544e4p-26, 0x1.c062e06d1f209p-80},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {-0x1.ae7f3e733b81fp-41, -0x1.1d8656b0ee8cbp-97},
};
inline constexpr double sineTail[] = {0x1.952c77030ad4ap-49, -0x1.2f49b46814157p-57,
                                      0x1.71b8ef6dcf572p-66, -0x1.761b41316381ap-75,
                                      0x1.3f3ccdd165fa9p-84, -0x1.d1ab1c2dccea3p-94};
inline constexpr Value cosineHead[] = {
    {-0.5, 0.0},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {-0x1.6c16c16c16c17p-10, 0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {-0x1.27e4fb7789f5cp-22, -0x1.cbbc05b4fa99ap-76},
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {-0x1.93974a8c07c9dp-37, -0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
};
inline constexpr double cosineTail[] = {-0x1.6827863b97d97p-53, 0x1.e542ba4020225p-62,
                                        -0x1.0ce396db7f853p-70, 0x1.f2cf01972f578p-80,
                                        -0x1.88e85fc6a4e5ap-89, 0x1.0a18a2635085dp-98};

// 1 + z (c0 + z (c1 + ...)), the head in double-double and the tail, whose terms are small
// enough for it, in double.
template <std::size_t Head, std::size_t Tail>
Value series(Value z, const Value (&head)[Head], const double (&tail)[Tail])
{
    double small = 0.0;
    for (std::size_t k = Tail; k-- > 0;) {
        small = tail[k] + z.high * small;
    }
    Value sum{small, 0.0};
    for (std::size_t k = Head; k-- > 0;) {
        sum = doubleDouble::add(doubleDouble::multiply(z, sum), head[k]);
    }
    return doubleDouble::add(doubleDouble::multiply(z, sum), 1.0);
}

}  // namespace slowTrig

// Sine and cosine of quadrant pi/2 + reduced, |reduced| <= pi/4, to about 2^-100 of their
// size: the reduction's error of about 2^-104 and a few roundings of 2^-106 in each series.
inline SinCos<doubleDouble::Value> slowSinCos(const ReducedAngle& angle)
{
    using namespace slowTrig;
    const Value r = angle.reduced;
    const Value product = doubleDouble::twoProduct(r.high, r.high);
    const Value z = doubleDouble::fastTwoSum(product.high, product.low + 2.0 * r.high * r.low);
    const Value sine = doubleDouble::multiply(r, series(z, sineHead, sineTail));
    const Value cosine = series(z, cosineHead, cosineTail);
    return turnedByQuadrant(angle.quadrant, sine, cosine);
}

NUMERICS_UNFUSED_END
