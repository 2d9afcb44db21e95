// The star field draws whole frames without asking the C library for a power, sine or cosine.
// Linked with those functions wrapped (-Wl,--wrap): every call lands here and is counted.
#include "star_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {
int libraryCalls = 0;

double called()
{
    ++libraryCalls;
    return std::numeric_limits<double>::quiet_NaN();
}
}  // namespace

extern "C" {
double __wrap_pow(double, double) { return called(); }
double __wrap_sin(double) { return called(); }
double __wrap_cos(double) { return called(); }
void __wrap_sincos(double, double* sine, double* cosine) { *sine = *cosine = called(); }
}

TEST(StarField, DrawsEveryFrameWithoutTheLibrarysPowerSineOrCosine)
{
    if (!exactDoubleArithmetic) {
        GTEST_SKIP() << "without exact double arithmetic the plain formulas use the library";
    }
    // The wrapping is in place: a call made on purpose is counted.
    double (*const volatile sine)(double) = std::sin;
    EXPECT_TRUE(std::isnan(sine(1.0)));
    ASSERT_EQ(libraryCalls, 1);

    libraryCalls = 0;
    constexpr float infinity = std::numeric_limits<float>::infinity();
    std::int64_t drawn = 0;
    for (const std::int32_t tick : {0, 1000, 1'000'000, 1'000'000'000, 2147483647, -2147471303}) {
        for (const float rate : {0.1f, -0.05f, 10.0f, 1000.0f, -1000.0f, infinity}) {
            forEachStar(25000, tick, rate, [&](float x, float y) { drawn += x == x && y == y; });
        }
    }
    EXPECT_EQ(libraryCalls, 0);
    // Only the infinite rate gives NaN phases: at tick 0 for every star, and infinite ones
    // at every other tick.
    EXPECT_EQ(drawn, 6 * 5 * 25000);
}
