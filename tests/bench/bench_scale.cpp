// The four 2x scalers at 16 and 24 bits, each next to its floor: a memcpy
// of the same 640 x 480 output. After the runs a table gives every scaler's
// time as a multiple of the floor measured in the same run (the medians when
// --benchmark_repetitions is given), for the portable build and, where the
// processor has it, the AVX2 build of the same loops.

#include "front/defines.h"
#include "platform/Scaling.h"
#include "platform/gfx_sdl.h"

#include <benchmark/benchmark.h>
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
    void (*scale)(); // null: the memcpy floor
};

const Method methods[] = {
    {"memcpy", nullptr},        {"zoom2", zoom2},         {"Scale2X", Scale2X},
    {"Scanline2x", Scanline2x}, {"Bilinear2", Bilinear2},
};

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

// Short runs of a few colours, so Scale2X finds the edges it smooths, with
// some noise between them.
void fillPicture() {
    srand(7);
    const Uint32 palette[4] = {
        SDL_MapRGB(screen->format, 255, 0, 255), SDL_MapRGB(screen->format, 20, 120, 40),
        SDL_MapRGB(screen->format, 250, 250, 250), SDL_MapRGB(screen->format, 90, 60, 10)};
    const int bytes = screen->format->BytesPerPixel;
    Uint8 *pixels = static_cast<Uint8 *>(screen->pixels);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            Uint32 p = rand() % 8 ? palette[(x / 7 + y / 5) % 4]
                                  : SDL_MapRGB(screen->format, rand(), rand(), rand());
            memcpy(pixels + y * screen->pitch + x * bytes, &p, bytes);
        }
}

void run(benchmark::State &state, const Method *method, int depth, int wide) {
    startDoubled(depth);
    fillPicture();
    wideVectors = wide;
    const size_t outBytes = size_t(fscreen->pitch) * 480;
    std::vector<Uint8> from(outBytes, 0x5A);
    for (auto _ : state) {
        if (method->scale)
            method->scale();
        else
            memcpy(fscreen->pixels, from.data(), outBytes);
        benchmark::DoNotOptimize(fscreen->pixels);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(outBytes));
    wideVectors = 1;
    stop();
}

// Keeps each benchmark's time (its median when repeated) to print the
// ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            const std::string name = r.run_name.str();
            if (r.run_type == Run::RT_Iteration && !repeated)
                times[name] = r.GetAdjustedCPUTime();
            else if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                times[name] = r.GetAdjustedCPUTime();
        }
    }
    bool repeated = false;
    std::map<std::string, double> times;
};

std::string nameOf(const Method &m, int depth, int wide) {
    return std::string(m.name) + "/" + std::to_string(depth) + (m.scale && wide ? "/avx2" : "");
}

} // namespace

int main(int argc, char **argv) {
    const bool wideToo = wideVectorsAvailable();
    for (int depth : {16, 24})
        for (const Method &m : methods)
            for (int wide = 0; wide <= (m.scale && wideToo ? 1 : 0); wide++)
                benchmark::RegisterBenchmark(nameOf(m, depth, wide).c_str(), run, &m, depth, wide)
                    ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    // Colours only on a terminal.
    RatioReporter reporter(isatty(1) ? benchmark::ConsoleReporter::OO_Defaults
                                     : benchmark::ConsoleReporter::OO_None);
    for (int i = 1; i < argc; i++)
        reporter.repeated |=
            strncmp(argv[i], "--benchmark_repetitions=", 24) == 0 && atoi(argv[i] + 24) > 1;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nCPU time as a multiple of the memcpy of the same output%s:\n",
           reporter.repeated ? " (medians)" : "");
    for (int depth : {16, 24}) {
        const auto floor = reporter.times.find(nameOf(methods[0], depth, 0));
        if (floor == reporter.times.end())
            continue;
        printf("  %d bits, memcpy %.2f us\n", depth, floor->second);
        for (const Method &m : methods)
            for (int wide = 0; m.scale && wide <= (wideToo ? 1 : 0); wide++) {
                const auto t = reporter.times.find(nameOf(m, depth, wide));
                if (t != reporter.times.end())
                    printf("    %-22s %6.2f us  %5.2f x\n", nameOf(m, depth, wide).c_str(),
                           t->second, t->second / floor->second);
            }
    }
    return 0;
}
