// Tests of the single-precision sine and cosine: the correctly rounded results, rounded again.
#include "rounded_trig.h"

#include "bit_cast.h"
#include "bits.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <sstream>
#include <vector>

namespace {

// The library's results, through pointers the compiler cannot see through, so that no
// call is folded at compile time with other arithmetic than the library's.
RoundedSinCos libraryRounding(float angle)
{
    static double (*const volatile sine)(double) = std::sin;
    static double (*const volatile cosine)(double) = std::cos;
    return {{roundedTo<float>(sine(angle)), roundedTo<float>(cosine(angle))}, true};
}

bool sameRounding(const RoundedSinCos& a, const RoundedSinCos& b)
{
    return sameBits(a.sine, b.sine) && sameBits(a.cosine, b.cosine);
}

std::string describe(float angle, const RoundedSinCos& got, const RoundedSinCos& expected)
{
    std::ostringstream text;
    text << std::hexfloat << angle << ": " << got.sine << ", " << got.cosine << " instead of "
         << expected.sine << ", " << expected.cosine;
    return text.str();
}

// The fast path's sine and cosine are meant to lie within 2^-50 of the true values, well
// inside its margin of 2^-46; the slow path's stand for the true values.
bool closeToTheSlowValues(float angle)
{
    const SinCos<double> fast = fastSinCos(angle);
    const SinCos<doubleDouble::Value> slow = slowSinCos(reduceAngle(angle));
    const auto close = [](double value, double expected) {
        return std::fabs(value - expected) <= std::fabs(expected) * 0x1p-50 + 0x1p-80;
    };
    return close(fast.sine, slow.sine.high) && close(fast.cosine, slow.cosine.high);
}

struct Sweep {
    Digest digest;            // of the rounded results
    std::size_t settled = 0;  // by the fast path alone
};

// Checks every angle against what the build is meant to give: where the library is the
// reference, its roundings; where doubles are not exact, the plain formulas with the build's
// own library. The fast path, where it settles, must agree with the slow path, on every
// target. The digest lets other targets compare with the results recorded here.
Sweep sweep(const std::vector<float>& angles)
{
    Sweep result;
    Mismatches wrong;
    for (const float angle : angles) {
        const RoundedSinCos rounded = roundedSinCos(angle);
        for (const float value : {rounded.sine, rounded.cosine}) {
            const std::uint32_t bits = std::isnan(value) ? 0x7FC00000u : bitCast<std::uint32_t>(value);
            result.digest.addWord(bits);
        }
        if (libraryIsTheReference || !exactDoubleArithmetic) {
            const RoundedSinCos expected = libraryRounding(angle);
            if (!sameRounding(rounded, expected)) {
                wrong.add(describe(angle, rounded, expected));
            }
        }
        if (!exactDoubleArithmetic) {
            continue;
        }
        const RoundedSinCos slow = slowRoundedSinCos(angle);
        if (!sameRounding(slow, rounded)) {
            wrong.add("slow path " + describe(angle, slow, rounded));
        }
        const RoundedSinCos fast = fastRoundedSinCos(angle);
        if (fast.settled) {
            ++result.settled;
            if (!sameRounding(fast, slow)) {
                wrong.add("fast path " + describe(angle, fast, slow));
            }
        }
        if (std::fabs(angle) < 0x1p32f && std::isfinite(angle) && !closeToTheSlowValues(angle)) {
            wrong.add("fast path far from the slow path's values at " + describe(angle, fast, slow));
        }
    }
    EXPECT_TRUE(wrong.none());
    return result;
}

// Recorded where the library is the reference: every target that computes the rounding
// itself must give these same results.
void expectRecorded(const Sweep& sweep, std::uint64_t recorded)
{
    if (exactDoubleArithmetic || libraryIsTheReference) {
        EXPECT_EQ(sweep.digest.value(), recorded);
    }
}

// The same angles on every target: a generator of the tests' own, not the standard
// library's distributions, whose algorithms differ between implementations.
class Bits {
public:
    explicit Bits(std::uint64_t seed) : state_(seed) {}

    std::uint32_t next()
    {
        state_ = state_ * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::uint32_t>(state_ >> 32);
    }

private:
    std::uint64_t state_;
};

float angleOf(std::uint32_t sign, int exponent, std::uint32_t mantissa)
{
    return bitCast<float>((sign << 31) | (static_cast<std::uint32_t>(exponent + 127) << 23) |
                                (mantissa & 0x7FFFFFu));
}

}  // namespace

// Phases of every size a float can have, from tiny to the largest.
TEST(RoundedSinCos, RoundsCorrectlyAtEveryScale)
{
    Bits bits(20261208);
    std::vector<float> angles;
    for (int i = 0; i < 1'000'000; ++i) {
        const int exponent = static_cast<int>(bits.next() % 168) - 40;  // 2^-40 to 2^127
        angles.push_back(angleOf(i & 1, exponent, bits.next()));
    }
    expectRecorded(sweep(angles), 365761247545929761u);
}

TEST(RoundedSinCos, SettlesNearlyEveryAngleOnTheFastPath)
{
    Bits bits(7);
    std::vector<float> angles(1'000'000);
    for (float& angle : angles) {
        // Uniform in -100000 to 100000: angles of moderate size, the fast path's own ground.
        angle = static_cast<float>((bits.next() / 0x1p32 * 2.0 - 1.0) * 100000.0);
    }
    const Sweep result = sweep(angles);
    expectRecorded(result, 3657709080168329275u);
    if (exactDoubleArithmetic) {
        EXPECT_GE(result.settled, angles.size() - angles.size() / 10000);
    }
}

// Beside multiples of pi/2 one of the two is tiny, and the reduction cancels nearly all
// of the angle: the hardest place for the fast path.
TEST(RoundedSinCos, RoundsCorrectlyBesideMultiplesOfHalfPi)
{
    std::vector<float> angles;
    const auto around = [&](double multiple) {
        float angle = static_cast<float>(multiple * 1.5707963267948966);
        for (int step = 0; step < 3; ++step) {
            angle = std::nextafter(angle, 0.0f);
        }
        for (int step = 0; step < 7; ++step) {
            angles.push_back(angle);
            angles.push_back(-angle);
            angle = std::nextafter(angle, std::numeric_limits<float>::infinity());
        }
    };
    for (int k = 1; k <= 100'000; ++k) {
        around(k);
    }
    for (double k = 1e5; k < 3e9; k *= 1.001) {
        around(std::round(k));
    }
    expectRecorded(sweep(angles), 15795988292423063621u);
}

// Angles whose sine or cosine lies so near half-way between two floats that the fast path
// leaves them to the slow path: some of the 592 from 2^-27 to 2^32 that the
// exhaustive sweep found. Then angles beyond 2^32, which are reduced exactly.
TEST(RoundedSinCos, RoundsCorrectlyNearHalfWayAndBeyondTheFastReduction)
{
    const std::vector<float> unsettled = {
        -0x1.fffffap-13f, 0x1.efbdecp-11f, 0x1.83fac2p-9f, 0x1.c5db48p-7f, 0x1.ad0664p-5f,
        0x1.616598p-3f, 0x1.440c3ap-1f, 0x1.21497ep+1f, 0x1.f3c748p+3f, 0x1.8b3bfp+5f,
        0x1.9e614ep+7f, 0x1.09dea4p+9f, 0x1.89bc62p+11f, 0x1.428b5ep+13f, 0x1.0eff0ap+15f,
        0x1.9fdaap+16f, 0x1.b5eb6p+17f, 0x1.cece7cp+19f, 0x1.70807ep+21f, 0x1.3ae61ep+23f,
        0x1.ed670cp+24f, 0x1.2b533ep+26f, 0x1.3790bep+28f, 0x1.a58edp+29f, 0x1.1eb0f6p+31f};
    const Sweep result = sweep(unsettled);
    EXPECT_EQ(result.settled, 0u);
    expectRecorded(result, 8081325259633614827u);
    // Each angle rounded to float through memory, and the factor held in a float: with x87
    // maths a float variable may keep its long double value, and the literal 1.0001f may stand
    // for 1.0001 in long double.
    constexpr float growth = 1.0001f;
    std::vector<float> huge;
    for (float angle = 0x1p32f; std::isfinite(angle); angle = roundedTo<float>(angle * growth)) {
        huge.push_back(angle);
    }
    expectRecorded(sweep(huge), 11945318122782910814u);
}

TEST(RoundedSinCos, GivesNaNForNonFiniteAnglesAndExactValuesAtZero)
{
    constexpr float infinity = std::numeric_limits<float>::infinity();
    for (const float angle : {infinity, -infinity, std::nanf("")}) {
        const RoundedSinCos result = roundedSinCos(angle);
        EXPECT_TRUE(std::isnan(result.sine) && std::isnan(result.cosine)) << angle;
    }
    EXPECT_EQ(sweep({infinity, -infinity, std::nanf(""), 0.0f, -0.0f, 0x1p-149f}).settled, 0u);
    EXPECT_TRUE(std::signbit(roundedSinCos(-0.0f).sine));
    EXPECT_EQ(roundedSinCos(0x1p-149f).sine, 0x1p-149f);
    EXPECT_EQ(roundedSinCos(0x1p-149f).cosine, 1.0f);
}
