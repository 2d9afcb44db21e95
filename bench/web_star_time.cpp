// One frame's star computation, in milliseconds: the median of 200 frames at each of ticks 0,
// 1000 and 2e9. Built for Node twice, with and without WebAssembly's SIMD; it also builds for
// any CPU on its own, to be timed under QEMU (docs/performance.md).
#include "star_field.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

int main()
{
    std::vector<float> sink(2 * 25000);
    for (const std::int32_t tick : {0, 1000, 2'000'000'000}) {
        std::vector<double> times;
        for (int frame = 0; frame < 200; ++frame) {
            float* out = sink.data();
            const auto start = std::chrono::steady_clock::now();
            forEachStar(25000, tick, 0.1f, [&](float x, float y) {
                *out++ = x;
                *out++ = y;
            });
            times.push_back(std::chrono::duration<double, std::milli>(
                                std::chrono::steady_clock::now() - start).count());
        }
        std::nth_element(times.begin(), times.begin() + 100, times.end());
        std::printf("tick %d: %.3f ms (first star x %a)\n", tick, times[100],
                    static_cast<double>(sink[0]));
    }
    return 0;
}
