// Tests of the single-precision sine and cosine against the library's, rounded.
#include "rounded_trig.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace {

// The library's results, through pointers the compiler cannot see through, so that no
// call is folded at compile time with other arithmetic than the library's.
SinCos library(double angle)
{
    static double (*const volatile sine)(double) = std::sin;
    static double (*const volatile cosine)(double) = std::cos;
    return {sine(angle), cosine(angle)};
}

// To the bit, but any NaN equals any other: a C runtime may give NaNs of either sign from
// two entry points to the same function (mingw-w64's sin and msvcrt's, for one).
bool sameBits(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

// The estimate's margin of 2^-46 assumes the approximation is this close to the library.
bool asCloseAsTheLibrary(double approximation, double expected)
{
    return std::fabs(approximation - expected) <= std::fabs(expected) * 0x1p-50 + 0x1p-80;
}

// Checks every angle; returns how many the estimate settled by itself. Where double
// arithmetic is not exact the estimates are not used, and only the result is checked.
std::size_t expectLibraryRounding(const std::vector<float>& angles)
{
    std::size_t settled = 0;
    for (const float angle : angles) {
        const SinCos exact = library(angle);
        const float sine = roundedTo<float>(exact.sine);
        const float cosine = roundedTo<float>(exact.cosine);
        const RoundedSinCos result = roundedSinCos(angle);
        EXPECT_TRUE(sameBits(result.sine, sine) && sameBits(result.cosine, cosine))
            << std::hexfloat << angle;
        if (!exactDoubleArithmetic) {
            continue;
        }
        const RoundedSinCos estimate = estimateRoundedSinCos(angle);
        if (estimate.settled) {
            ++settled;
            EXPECT_TRUE(sameBits(estimate.sine, sine) && sameBits(estimate.cosine, cosine))
                << std::hexfloat << angle;
        }
        if (std::fabs(angle) < 0x1p32f) {
            const SinCos approximation = approximateSinCos(angle);
            EXPECT_TRUE(asCloseAsTheLibrary(approximation.sine, exact.sine) &&
                        asCloseAsTheLibrary(approximation.cosine, exact.cosine))
                << std::hexfloat << angle << ": " << approximation.sine << " "
                << approximation.cosine;
        }
    }
    return settled;
}

}  // namespace

// Phases of every size a star can have, from tiny to beyond the estimate's range.
TEST(RoundedSinCos, RoundsLikeTheLibraryAtEveryScale)
{
    std::mt19937 random(20261208);
    std::uniform_real_distribution<float> exponent(-40.0f, 36.0f);
    std::uniform_real_distribution<float> mantissa(1.0f, 2.0f);
    std::vector<float> angles;
    for (int i = 0; i < 1'000'000; ++i) {
        const float sign = (i & 1) != 0 ? -1.0f : 1.0f;
        angles.push_back(sign * std::ldexp(mantissa(random), static_cast<int>(exponent(random))));
    }
    expectLibraryRounding(angles);
}

TEST(RoundedSinCos, SettlesNearlyEveryPhaseWithoutTheLibrary)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> phase(-100000.0f, 100000.0f);
    std::vector<float> angles(1'000'000);
    for (float& angle : angles) {
        angle = phase(random);
    }
    const std::size_t settled = expectLibraryRounding(angles);
    if (exactDoubleArithmetic) {
        EXPECT_GE(settled, angles.size() - angles.size() / 10000);
    }
}

// Beside multiples of pi/2 one of the two is tiny, and the reduction cancels nearly all
// of the angle: the hardest place for the estimate.
TEST(RoundedSinCos, RoundsLikeTheLibraryBesideMultiplesOfHalfPi)
{
    std::vector<float> angles;
    const auto around = [&](double multiple) {
        float angle = static_cast<float>(multiple * (std::numbers::pi / 2));
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
    expectLibraryRounding(angles);
}

TEST(RoundedSinCos, LeavesNonFiniteAndHugeAnglesToTheLibrary)
{
    constexpr float infinity = std::numeric_limits<float>::infinity();
    const std::vector<float> angles = {infinity, -infinity, std::nanf(""), 0x1p32f, -1e30f};
    EXPECT_EQ(expectLibraryRounding(angles), 0u);
    EXPECT_EQ(expectLibraryRounding({0.0f, -0.0f, 0x1p-149f}), 0u);  // within the margin of 0
    EXPECT_TRUE(std::signbit(roundedSinCos(-0.0).sine));
}
