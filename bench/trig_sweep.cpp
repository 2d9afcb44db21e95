// Compares the rounded sine and cosine with glibc's for every float angle, or for
// those below a bound in size: the exhaustive check behind the unit tests' samples.
// Usage: trig_sweep [largest exponent, at most 128: angles below 2^that in size]
#include "rounded_trig.h"

#include "bit_cast.h"
#include "bits.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Tally {
    std::uint64_t angles = 0;
    std::uint64_t wrong = 0;
    std::uint64_t unsettled = 0;  // by the fast path, from 2^-27 to 2^32
    std::vector<float> firstWrong;
    std::vector<float> firstUnsettled;
};

std::mutex tallyLock;

void sweep(std::uint32_t begin, std::uint32_t end, Tally& total)
{
    double (*const volatile sine)(double) = std::sin;
    double (*const volatile cosine)(double) = std::cos;
    Tally tally;
    for (std::uint64_t bits = begin; bits < end; ++bits) {
        for (const std::uint32_t sign : {0u, 0x80000000u}) {
            const float angle = bitCast<float>(static_cast<std::uint32_t>(bits) | sign);
            const RoundedSinCos model = roundedSinCos(angle);
            ++tally.angles;
            if (!sameBits(model.sine, static_cast<float>(sine(angle))) ||
                !sameBits(model.cosine, static_cast<float>(cosine(angle)))) {
                if (tally.wrong++ < 10) {
                    tally.firstWrong.push_back(angle);
                }
            }
            // Below 2^-27 the results are the angle and 1, with no evaluation.
            if (std::fabs(angle) >= 0x1p-27f && std::fabs(angle) < 0x1p32f &&
                !fastRoundedSinCos(angle).settled) {
                if (tally.unsettled++ < 2) {
                    tally.firstUnsettled.push_back(angle);
                }
            }
        }
    }
    const std::lock_guard<std::mutex> hold(tallyLock);
    total.angles += tally.angles;
    total.wrong += tally.wrong;
    total.unsettled += tally.unsettled;
    total.firstWrong.insert(total.firstWrong.end(), tally.firstWrong.begin(), tally.firstWrong.end());
    total.firstUnsettled.insert(total.firstUnsettled.end(), tally.firstUnsettled.begin(),
                                tally.firstUnsettled.end());
}

void printSome(const char* what, std::vector<float> angles)
{
    std::sort(angles.begin(), angles.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    // At most 24, spread over the sizes found.
    const std::size_t step = std::max<std::size_t>(1, angles.size() / 24);
    std::printf("%s:", what);
    for (std::size_t i = 0; i < angles.size(); i += step) {
        std::printf(" %a", angles[i]);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    const int largestExponent = argc > 1 ? std::atoi(argv[1]) : 129;
    // Positive bit patterns below 2^largestExponent, or all of them with infinity and NaNs.
    const std::uint64_t end = largestExponent > 128
                                  ? 0x80000000u
                                  : bitCast<std::uint32_t>(std::ldexp(1.0f, largestExponent - 1)) +
                                        (1u << 23);
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    const auto started = std::chrono::steady_clock::now();
    Tally total;
    // Small chunks handed out in turn, since large angles cost the library far more.
    std::atomic<std::uint64_t> next{0};
    constexpr std::uint64_t chunk = 1u << 20;
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < threads; ++i) {
        workers.emplace_back([&] {
            for (std::uint64_t begin; (begin = next.fetch_add(chunk)) < end;) {
                sweep(static_cast<std::uint32_t>(begin),
                      static_cast<std::uint32_t>(std::min(begin + chunk, end)), total);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%" PRIu64 " angles of both signs, %s, in %.0f s on %u threads\n", total.angles,
                largestExponent > 128 ? "every float" : "below the bound", seconds, threads);
    std::printf("%" PRIu64 " differ from glibc's sine or cosine rounded to float\n", total.wrong);
    printSome("the first that differ", total.firstWrong);
    std::printf("%" PRIu64 " from 2^-27 to 2^32 are left unsettled by the fast path\n",
                total.unsettled);
    printSome("some of them", total.firstUnsettled);
    return total.wrong == 0 ? 0 : 1;
}
