// Writes whole star fields to standard output as raw floats, x and y of each star in turn:
// one frame for each "tick rate" pair of arguments. Built twice, for the shipped arithmetic
// and for the x87 fallback, so that scripts/x87-distance.sh can count the stars that differ.
#include "star_field.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const auto tick = static_cast<std::int32_t>(std::strtol(argv[i], nullptr, 10));
        const float rate = std::strtof(argv[i + 1], nullptr);
        std::vector<float> frame;
        forEachStar(25000, tick, rate, [&](float x, float y) {
            frame.push_back(x);
            frame.push_back(y);
        });
        std::fwrite(frame.data(), sizeof(float), frame.size(), stdout);
    }
    return 0;
}
