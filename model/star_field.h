// The galaxy: a fixed pseudo-random disc of stars placed on their orbits for a given tick.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

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
    constexpr double reciprocalOfMaxDraw = 1.0 / 32767.0;
    return static_cast<float>(draw * reciprocalOfMaxDraw);
}

// What a star keeps from frame to frame, drawn afresh each frame from the generator.
struct StarOrbit {
    float radius;  // scene units, 0.1 to 7.1
    float start;   // starting phase as a fraction of a turn, 0 to 1
};

// Takes the next star's two draws: radius first, then starting phase.
inline StarOrbit nextOrbit(StarRandom& random)
{
    constexpr double innerRadius = 0.1f;  // the single-precision 0.1, widened exactly
    constexpr double radiusSpan = 7.0;
    const auto [radiusDraw, phaseDraw] = random.nextPair();
    const float u1 = unitDraw(radiusDraw);
    const float radius = static_cast<float>(u1 * radiusSpan + innerRadius);
    return {radius, unitDraw(phaseDraw)};
}

// Phase in radians after t = tick * rate: angular speed falls off as radius^1.5.
inline float orbitalPhase(double t, StarOrbit orbit)
{
    constexpr double halfTurn = 3.14159;  // five decimals, not pi: phases span 0 to 6.28318
    return static_cast<float>(t / std::pow(static_cast<double>(orbit.radius), 1.5)
                              + (orbit.start * halfTurn) * 2.0);
}

// Calls emit(x, y) for each of the first starCount stars, in order, at the given tick.
// Positions lie in the z = 0 plane, in scene units, inside radius 7.1.
//
// Every rounding is part of the galaxy's definition: the draws, radius, phase and the
// sine and cosine are rounded to single precision exactly where they are stored in a
// float, and the arithmetic between those points is carried out in double.
template <typename Emit>
void forEachStar(std::int32_t starCount, std::int32_t tick, float spinRate, Emit&& emit)
{
    // Stars go through in batches, three at a time in a pipeline: each pass over the
    // current batch places its stars (a sine and cosine each) while it finds the phases
    // of the next batch (a power each) and draws the orbits of the one after. The library
    // calls of one pass do not wait on each other's results, so the processor overlaps
    // them. Draws and emitted stars keep the plain order.
    constexpr std::int32_t batchSize = 64;
    struct Batch {
        std::int32_t count;
        StarOrbit orbit[batchSize];
        float phase[batchSize];
    };
    Batch batches[3];
    Batch* current = &batches[0];
    Batch* next = &batches[1];
    Batch* after = &batches[2];

    StarRandom random;
    random.seed(0);
    const double t = static_cast<double>(tick) * static_cast<double>(spinRate);
    std::int32_t remaining = starCount;
    const auto take = [&](Batch& batch) {
        batch.count = std::clamp(remaining, 0, batchSize);
        remaining -= batch.count;
    };

    take(*current);
    for (std::int32_t k = 0; k < current->count; ++k) {
        current->orbit[k] = nextOrbit(random);
        current->phase[k] = orbitalPhase(t, current->orbit[k]);
    }
    take(*next);
    for (std::int32_t k = 0; k < next->count; ++k) {
        next->orbit[k] = nextOrbit(random);
    }
    // Only the last batch can be short, so the later batches never outnumber the current.
    while (current->count > 0) {
        take(*after);
        for (std::int32_t k = 0; k < current->count; ++k) {
            if (k < after->count) {
                after->orbit[k] = nextOrbit(random);
            }
            if (k < next->count) {
                next->phase[k] = orbitalPhase(t, next->orbit[k]);
            }
            // Each float product is exact in double, so float arithmetic rounds it only once.
            const float r = current->orbit[k].radius;
            const double theta = current->phase[k];
            emit(static_cast<float>(std::cos(theta)) * r, static_cast<float>(std::sin(theta)) * r);
        }
        std::swap(current, next);
        std::swap(next, after);
    }
}

// Draws the current view state's star field as one batch of GL points.
void drawStarField();
