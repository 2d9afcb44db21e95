// The galaxy: a fixed pseudo-random disc of stars placed on their orbits for a given tick.
#pragma once

#include <cmath>
#include <cstdint>

// 32-bit linear congruential generator with a 15-bit output, 0 to 32767.
// Its exact sequence defines the galaxy: another generator gives other stars.
class StarRandom {
public:
    void seed(std::uint32_t s) { state_ = s; }

    std::int32_t next()
    {
        state_ = state_ * 214013u + 2531011u;  // modulo 2^32 through unsigned wrap-around
        return static_cast<std::int32_t>((state_ >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t state_ = 0;
};

// Calls emit(x, y) for each of the first starCount stars, in order, at the given tick.
// Positions lie in the z = 0 plane, in scene units, inside radius 7.1.
//
// Every rounding is part of the galaxy's definition: the draws, radius, phase and the
// sine and cosine are rounded to single precision exactly where they are stored in a
// float below, and the arithmetic between those points is carried out in double.
template <typename Emit>
void forEachStar(std::int32_t starCount, std::int32_t tick, float spinRate, Emit&& emit)
{
    constexpr double maxDraw = 32767.0;
    constexpr double innerRadius = 0.1f;  // the single-precision 0.1, widened exactly
    constexpr double radiusSpan = 7.0;
    constexpr double halfTurn = 3.14159;  // five decimals, not pi: phases span 0 to 6.28318

    StarRandom random;
    random.seed(0);
    const double t = static_cast<double>(tick) * static_cast<double>(spinRate);
    for (std::int32_t i = 0; i < starCount; ++i) {
        const float u1 = static_cast<float>(random.next() / maxDraw);
        const float r = static_cast<float>(u1 * radiusSpan + innerRadius);
        const float u2 = static_cast<float>(random.next() / maxDraw);
        const float theta = static_cast<float>(t / std::pow(static_cast<double>(r), 1.5)
                                               + (u2 * halfTurn) * 2.0);
        // Each float product is exact in double, so float arithmetic rounds it only once.
        const float x = static_cast<float>(std::cos(static_cast<double>(theta))) * r;
        const float y = static_cast<float>(std::sin(static_cast<double>(theta))) * r;
        emit(x, y);
    }
}

// Draws the current view state's star field as one batch of GL points.
void drawStarField();
