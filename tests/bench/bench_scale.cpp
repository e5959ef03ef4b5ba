// The four 2x scalers at 16 and 24 bits against their floor: a memcpy of the
// same 640 x 480 output. Every iteration times the memcpy and then the
// scaler, back to back, so both see the same machine; each benchmark reports
// the median of either and their ratio, and a table of the ratios closes the
// run (the medians over repetitions with --benchmark_repetitions). Where the
// processor has a wider build of the scalers' loops (AVX2, NEON), both builds
// are measured.

#include "front/defines.h"
#include "platform/Scaling.h"
#include "platform/gfx_sdl.h"
#include "scale_picture.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Method {
    const char *name;
    void (*scale)();
};

const Method methods[] = {
    {"zoom2", zoom2}, {"Scale2X", Scale2X}, {"Scanline2x", Scanline2x}, {"Bilinear2", Bilinear2}};

void startDoubled(int depth) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    fs = 0;
    ScalingMethod = 1;
    bpp = depth;
    screen = gfxSetVideoMode();
}

void stop() {
    SDL_FreeSurface(screen);
    screen = fscreen = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

double median(std::vector<double> &v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

void run(benchmark::State &state, const Method *method, int depth, int wide) {
    typedef std::chrono::steady_clock Clock;
    startDoubled(depth);
    fillScalePicture(screen);
    wideVectors = wide;
    const size_t outBytes = size_t(fscreen->pitch) * 480;
    std::vector<Uint8> from(outBytes, 0x5A);
    std::vector<double> floor, scaler;
    floor.reserve(1 << 20);
    scaler.reserve(1 << 20);
    for (auto _ : state) {
        const Clock::time_point t0 = Clock::now();
        memcpy(fscreen->pixels, from.data(), outBytes);
        benchmark::ClobberMemory();
        const Clock::time_point t1 = Clock::now();
        method->scale();
        benchmark::ClobberMemory();
        const Clock::time_point t2 = Clock::now();
        floor.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        scaler.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
    }
    const double f = median(floor), s = median(scaler);
    state.counters["memcpy_us"] = f;
    state.counters["scaler_us"] = s;
    state.counters["ratio"] = s / f;
    wideVectors = 1;
    stop();
}

std::string nameOf(const Method &m, int depth, int wide) {
    return std::string(m.name) + "/" + std::to_string(depth) + (wide ? "/" WIDE_NAME : "");
}

// Keeps each benchmark's counters (their medians when repeated) for the
// table at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            const bool single = r.run_type == Run::RT_Iteration && !repeated;
            const bool med = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (single || med)
                rows[r.run_name.str()] = {r.counters.at("memcpy_us").value,
                                          r.counters.at("scaler_us").value,
                                          r.counters.at("ratio").value};
        }
    }
    bool repeated = false;
    std::map<std::string, std::vector<double>> rows;
};

} // namespace

int main(int argc, char **argv) {
    const int builds = wideVectorsAvailable() ? 2 : 1;
    for (int depth : {16, 24})
        for (const Method &m : methods)
            for (int wide = 0; wide < builds; wide++)
                benchmark::RegisterBenchmark(nameOf(m, depth, wide).c_str(), run, &m, depth, wide)
                    ->Unit(benchmark::kMicrosecond);
    // Colours only on a terminal.
    RatioReporter reporter(isatty(1) ? benchmark::ConsoleReporter::OO_Defaults
                                     : benchmark::ConsoleReporter::OO_None);
    // Before Initialize, which takes the flags it knows out of argv.
    for (int i = 1; i < argc; i++)
        reporter.repeated |=
            strncmp(argv[i], "--benchmark_repetitions=", 24) == 0 && atoi(argv[i] + 24) > 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nEach scaler against a memcpy of its output, timed in turn (medians%s):\n",
           reporter.repeated ? " of the repetitions' medians" : "");
    printf("  %-22s %10s %10s %7s\n", "scaler", "memcpy us", "scaler us", "ratio");
    for (int depth : {16, 24})
        for (const Method &m : methods)
            for (int wide = 0; wide < builds; wide++) {
                const auto row = reporter.rows.find(nameOf(m, depth, wide));
                if (row != reporter.rows.end())
                    printf("  %-22s %10.2f %10.2f %6.2fx\n", row->first.c_str(), row->second[0],
                           row->second[1], row->second[2]);
            }
    return 0;
}
