// The galaxy: a fixed pseudo-random disc of stars placed on their orbits for a given tick.
#pragma once

#include "exact_rounding.h"
#include "rounded_trig.h"
#include "three_halves_power.h"
#include "unfused.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

NUMERICS_UNFUSED_BEGIN

// 32-bit linear congruential generator with a 15-bit output, 0 to 32767.
// Its exact sequence defines the galaxy: another generator gives other stars.
class StarRandom {
public:
    void seed(std::uint32_t s) { state_ = s; }

    std::int32_t next()
    {
        state_ = state_ * multiplier + increment;
        return drawOf(state_);
    }

    // The next two draws, the same as two calls of next(). The state jumps both steps
    // in one multiply-add, which halves the chain of dependent steps across many draws.
    std::pair<std::int32_t, std::int32_t> nextPair()
    {
        const std::uint32_t first = state_ * multiplier + increment;
        state_ = state_ * (multiplier * multiplier) + (increment * multiplier + increment);
        return {drawOf(first), drawOf(state_)};
    }

private:
    // Unsigned arithmetic: every step is taken modulo 2^32.
    static constexpr std::uint32_t multiplier = 214013u;
    static constexpr std::uint32_t increment = 2531011u;

    static std::int32_t drawOf(std::uint32_t state)
    {
        return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
    }

    std::uint32_t state_ = 0;
};

// A draw scaled onto [0, 1] and rounded to single precision: draw / 32767.0.
// The multiplication by the reciprocal rounds to the same float as that division
// for every one of the 32768 draws, and is several times cheaper.
inline float unitDraw(std::int32_t draw)
{
    constexpr double maxDraw = 32767.0;
    if constexpr (!exactDoubleArithmetic) {
        return roundedTo<float>(draw / maxDraw);
    }
    constexpr double reciprocalOfMaxDraw = 1.0 / maxDraw;
    return static_cast<float>(draw * reciprocalOfMaxDraw);
}

// Orbital radius in scene units, 0.1 to 7.1, from a star's first draw.
inline float orbitRadius(std::int32_t draw)
{
    // The single-precision 0.1, widened exactly. Written as its value, not as 0.1f: where
    // floats are evaluated in long double (FLT_EVAL_METHOD 2 with GCC 13's default,
    // -fexcess-precision=standard), the literal 0.1f stands for 0.1 in long double.
    constexpr double innerRadius = 0x1.99999ap-4;
    constexpr double radiusSpan = 7.0;
    return roundedTo<float>(unitDraw(draw) * radiusSpan + innerRadius);
}

// t: the time of the frame, in radians of turn at radius 1: tick * rate, both taken
// exactly, rounded to double. The same for every star of a frame.
inline double orbitalTime(std::int32_t tick, float spinRate)
{
    return roundedTo<double>(static_cast<double>(tick) * static_cast<double>(spinRate));
}

// θ: the orbital phase in radians at time t, of a star whose r^1.5 is rPower and whose
// second draw, scaled, is u2: angular speed falls off as r^1.5.
inline float orbitalPhase(double t, double rPower, float u2)
{
    constexpr double halfTurn = 3.14159;  // five decimals, not pi: phases span 0 to 6.28318
    const double travelled = roundedTo<double>(t / rPower);
    const double startPhase = roundedTo<double>(u2 * halfTurn) * 2.0;  // doubling is exact
    return roundedTo<float>(travelled + startPhase);
}

// The fallback where doubles are not rounded operation by operation (x87 maths): the plain
// formulas, one star after the other, with the C library's power, sine and cosine.
template <typename Emit>
void forEachStarWithTheLibrary(std::int32_t starCount, std::int32_t tick, float spinRate,
                               Emit&& emit)
{
    StarRandom random;
    random.seed(0);
    const double t = orbitalTime(tick, spinRate);
    for (std::int32_t i = 0; i < starCount; ++i) {
        const float r = orbitRadius(random.next());
        const float u2 = unitDraw(random.next());
        const RoundedSinCos trig = libraryRoundedSinCos(orbitalPhase(t, threeHalvesPower(r), u2));
        emit(roundedTo<float>(trig.cosine * r), roundedTo<float>(trig.sine * r));
    }
}

// Calls emit(x, y) for each of the first starCount stars, in order, at the given tick.
// Positions lie in the z = 0 plane, in scene units, inside radius 7.1.
//
// Every rounding is part of the galaxy's definition: the draws, r, θ and the sine and
// cosine are rounded to single precision exactly where they are stored in a float, and the
// arithmetic between those points is carried out in double.
template <typename Emit>
void forEachStar(std::int32_t starCount, std::int32_t tick, float spinRate, Emit&& emit)
{
    if constexpr (!exactDoubleArithmetic) {
        forEachStarWithTheLibrary(starCount, tick, spinRate, emit);
        return;
    }
    StarRandom random;
    random.seed(0);
    const double t = orbitalTime(tick, spinRate);
    // Stars go through in batches, each step a short loop of its own over the batch: the
    // arithmetic steps vectorise, and the exact decisions for the rare powers and angles that
    // need them stay out of their way. Draws and emitted stars keep the plain order.
    constexpr std::int32_t batchSize = 64;
    for (std::int32_t done = 0; done < starCount;) {
        const std::int32_t count = std::min(batchSize, starCount - done);
        done += count;
        std::pair<std::int32_t, std::int32_t> draws[batchSize];
        for (std::int32_t k = 0; k < count; ++k) {
            draws[k] = random.nextPair();
        }
        float r[batchSize];
        for (std::int32_t k = 0; k < count; ++k) {
            r[k] = orbitRadius(draws[k].first);
        }
        PowerBounds bounds[batchSize];
        for (std::int32_t k = 0; k < count; ++k) {
            bounds[k] = boundThreeHalvesPower(r[k]);
        }
        double rPower[batchSize];
        for (std::int32_t k = 0; k < count; ++k) {
            rPower[k] = threeHalvesPower(r[k], bounds[k]);
        }
        float theta[batchSize];
        for (std::int32_t k = 0; k < count; ++k) {
            theta[k] = orbitalPhase(t, rPower[k], unitDraw(draws[k].second));
        }
        float sine[batchSize];
        float cosine[batchSize];
        bool settled[batchSize];
        for (std::int32_t k = 0; k < count; ++k) {
            const RoundedSinCos fast = fastRoundedSinCos(theta[k]);
            sine[k] = fast.sine;
            cosine[k] = fast.cosine;
            settled[k] = fast.settled;
        }
        for (std::int32_t k = 0; k < count; ++k) {
            if (!settled[k]) {
                const RoundedSinCos slow = slowRoundedSinCos(theta[k]);
                sine[k] = slow.sine;
                cosine[k] = slow.cosine;
            }
        }
        for (std::int32_t k = 0; k < count; ++k) {
            // Each float product is exact in double, so float arithmetic rounds it only once.
            emit(cosine[k] * r[k], sine[k] * r[k]);
        }
    }
}

NUMERICS_UNFUSED_END
