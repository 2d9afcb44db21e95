// The star formulas written out plainly, one star after another: the divisions as divisions,
// the library's power, and sine and cosine as given. The tests compare the model with this;
// the frame-cost benchmarks draw with it as a straightforward implementation would.
#pragma once

#include "star_field.h"
#include "unfused.h"

#include <cmath>
#include <cstdint>

NUMERICS_UNFUSED_BEGIN

template <typename Sine, typename Cosine, typename Emit>
void forEachPlainStar(int count, std::int32_t tick, float spinRate, Sine sine, Cosine cosine,
                      Emit emit)
{
    // Constants held in variables of their own types: where floats and doubles are evaluated
    // in long double (x87 maths with -fexcess-precision=standard), a literal such as 0.1f or
    // 3.14159 in an expression stands for its long double value.
    constexpr float innerRadius = 0.1f;
    constexpr double halfTurn = 3.14159;
    StarRandom random;
    random.seed(0);
    for (int i = 0; i < count; ++i) {
        const float u1 = static_cast<float>(random.next() / 32767.0);
        const float r = static_cast<float>(u1 * 7.0 + static_cast<double>(innerRadius));
        const float u2 = static_cast<float>(random.next() / 32767.0);
        const double t = static_cast<double>(tick) * static_cast<double>(spinRate);
        const float theta = static_cast<float>(t / std::pow(static_cast<double>(r), 1.5)
                                               + (u2 * halfTurn) * 2.0);
        const float y = static_cast<float>(static_cast<float>(sine(theta)) * static_cast<double>(r));
        const float x =
            static_cast<float>(static_cast<float>(cosine(theta)) * static_cast<double>(r));
        emit(x, y);
    }
}

NUMERICS_UNFUSED_END
