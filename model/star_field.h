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

// Orbital radius in scene units, 0.1 to 7.1, from a star's first draw.
inline float orbitRadius(std::int32_t draw)
{
    constexpr double innerRadius = 0.1f;  // the single-precision 0.1, widened exactly
    constexpr double radiusSpan = 7.0;
    return static_cast<float>(unitDraw(draw) * radiusSpan + innerRadius);
}

// radius^1.5, which sets how slowly a star turns: the one power of each star's frame.
// The result is bit for bit std::pow(radius, 1.5), at a fraction of the cost: radius times
// its square root, carried to about 100 bits and rounded once, is the correctly rounded
// power. glibc's pow is within 0.52 units in the last place, so it rounds the same way unless
// the power lies within 0.02 units of half-way between two doubles; a power that a nudge
// of 1/32 unit either way would round differently is left to the library.
inline double orbitPower(float radius)
{
    const double x = radius;  // 24 significant bits, so x times 26 bits is exact
    const double root = std::sqrt(x);
    // root split into halves of 26 bits (Veltkamp), so every product below is exact.
    const double scaled = root * 134217729.0;  // 2^27 + 1
    const double rootHigh = scaled - (scaled - root);
    const double rootLow = root - rootHigh;
    // x - root^2, exactly: each subtraction takes nearly equal terms.
    const double residual =
        ((x - rootHigh * rootHigh) - 2.0 * rootHigh * rootLow) - rootLow * rootLow;
    // x * sqrt(x) = high + low, where sqrt(x) = root + residual / (2 root) to about 100 bits.
    const double high = x * rootHigh;
    const double low = x * rootLow + x * residual / (2.0 * root);
    const double power = high + low;
    const double margin = power * 0x1p-57;
    if (high + (low - margin) != high + (low + margin)) {
        return std::pow(x, 1.5);
    }
    return power;
}

// Orbital phase in radians at t = tick * rate, for a star whose radius^1.5 is power and
// whose second draw, scaled, is start: angular speed falls off as radius^1.5.
inline float orbitalPhase(double t, double power, float start)
{
    constexpr double halfTurn = 3.14159;  // five decimals, not pi: phases span 0 to 6.28318
    return static_cast<float>(t / power + (start * halfTurn) * 2.0);
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
    // Stars go through in batches, three batches in flight. The main loop of each pass
    // holds the library calls, the sines and cosines of this batch beside the powers of
    // the next, and the generator's steps for the batch after that: none of them waits
    // on another's result, so the processor overlaps them. The arithmetic around the
    // calls runs in short loops of its own, which the compiler vectorises. Draws and
    // emitted stars keep the plain order.
    constexpr std::int32_t batchSize = 64;
    struct Batch {
        std::int32_t count;
        float radius[batchSize];
        float start[batchSize];
        float phase[batchSize];
    };
    Batch batches[3];
    Batch* current = &batches[0];
    Batch* next = &batches[1];
    Batch* after = &batches[2];
    double power[batchSize];
    double sine[batchSize];
    double cosine[batchSize];

    StarRandom random;
    random.seed(0);
    const double t = static_cast<double>(tick) * static_cast<double>(spinRate);
    std::int32_t remaining = starCount;
    std::pair<std::int32_t, std::int32_t> draws[batchSize];
    const auto take = [&](Batch& batch) {
        batch.count = std::clamp(remaining, 0, batchSize);
        remaining -= batch.count;
    };
    const auto placeOrbits = [&](Batch& batch) {
        for (std::int32_t k = 0; k < batch.count; ++k) {
            batch.radius[k] = orbitRadius(draws[k].first);
            batch.start[k] = unitDraw(draws[k].second);
        }
    };
    const auto drawOrbits = [&](Batch& batch) {
        take(batch);
        for (std::int32_t k = 0; k < batch.count; ++k) {
            draws[k] = random.nextPair();
        }
        placeOrbits(batch);
    };
    const auto findPhases = [&](Batch& batch) {
        for (std::int32_t k = 0; k < batch.count; ++k) {
            batch.phase[k] = orbitalPhase(t, power[k], batch.start[k]);
        }
    };

    // Prime the pipeline: the first batch ready to place, the second with its orbits.
    drawOrbits(*current);
    for (std::int32_t k = 0; k < current->count; ++k) {
        power[k] = orbitPower(current->radius[k]);
    }
    findPhases(*current);
    drawOrbits(*next);
    while (current->count > 0) {
        take(*after);
        // Only the last batch can be short, so the next never outnumbers the current.
        for (std::int32_t k = 0; k < current->count; ++k) {
            if (k < after->count) {
                draws[k] = random.nextPair();
            }
            if (k < next->count) {
                power[k] = orbitPower(next->radius[k]);
            }
            const double theta = current->phase[k];
            sine[k] = std::sin(theta);
            cosine[k] = std::cos(theta);
        }
        findPhases(*next);
        float x[batchSize];
        float y[batchSize];
        for (std::int32_t k = 0; k < current->count; ++k) {
            // Each float product is exact in double, so float arithmetic rounds it only once.
            x[k] = static_cast<float>(cosine[k]) * current->radius[k];
            y[k] = static_cast<float>(sine[k]) * current->radius[k];
        }
        for (std::int32_t k = 0; k < current->count; ++k) {
            emit(x[k], y[k]);
        }
        placeOrbits(*after);
        std::swap(current, next);
        std::swap(next, after);
    }
}

// Draws the current view state's star field as one batch of GL points.
void drawStarField();
