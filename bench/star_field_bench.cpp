// Measures one frame's star computation against its libm floor: the power, sine and cosine
// calls a plain transcription of the formulas makes for every star.
#include "star_field.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t starCount = 25000;
constexpr float spinRate = 0.1f;
constexpr std::int32_t runningTick = 1000;  // a few seconds into a run
constexpr std::int32_t largeTick = 2'000'000'000;

// One frame of stars into a vertex array, as a driver would keep them.
void starField(benchmark::State& state, std::int32_t tick)
{
    std::vector<float> sink(2 * starCount);
    for (auto _ : state) {
        float* out = sink.data();
        forEachStar(starCount, tick, spinRate, [&](float x, float y) {
            *out++ = x;
            *out++ = y;
        });
        benchmark::DoNotOptimize(sink.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * starCount);
}

// The same frame's power, sine and cosine alone, on the radii and phases the frame uses,
// with nothing else per star but loading the inputs and keeping the results.
void libmFloor(benchmark::State& state, std::int32_t tick)
{
    std::vector<float> radii;
    std::vector<float> phases;
    StarRandom random;
    random.seed(0);
    const double t = static_cast<double>(tick) * static_cast<double>(spinRate);
    for (std::int32_t i = 0; i < starCount; ++i) {
        const auto [radiusDraw, phaseDraw] = random.nextPair();
        radii.push_back(orbitRadius(radiusDraw));
        phases.push_back(orbitalPhase(t, threeHalvesPower(radii.back()), unitDraw(phaseDraw)));
    }
    for (auto _ : state) {
        double powers = 0.0;
        double sines = 0.0;
        double cosines = 0.0;
        for (std::int32_t i = 0; i < starCount; ++i) {
            powers += std::pow(static_cast<double>(radii[i]), 1.5);
            sines += std::sin(static_cast<double>(phases[i]));
            cosines += std::cos(static_cast<double>(phases[i]));
        }
        benchmark::DoNotOptimize(powers);
        benchmark::DoNotOptimize(sines);
        benchmark::DoNotOptimize(cosines);
    }
    state.SetItemsProcessed(state.iterations() * starCount);
}

// Keeps the console output and notes each benchmark's median time.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(OO_Tabular) {}

    std::map<std::string, double> medians;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    const std::pair<const char*, std::int32_t> ticks[] = {
        {"tick0", 0}, {"tick1000", runningTick}, {"tickLarge", largeTick}};
    for (const auto& [name, tick] : ticks) {
        benchmark::RegisterBenchmark((std::string("starField/") + name).c_str(), starField, tick)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("libmFloor/") + name).c_str(), libmFloor, tick)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& [name, tick] : ticks) {
        const auto field = reporter.medians.find(std::string("starField/") + name);
        const auto floor = reporter.medians.find(std::string("libmFloor/") + name);
        if (field != reporter.medians.end() && floor != reporter.medians.end()) {
            std::printf("%s: star field / libm floor = %.3f (medians %.1f us / %.1f us)\n", name,
                        field->second / floor->second, field->second, floor->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
