// What each built module costs to render: one buffer of 1024 stereo frames
// at the game's settings, as the music hook asks libmodplug for it, looping
// back to the start at the end. `buffer_pct` is that time (CPU time of the
// rendering thread) in percent of the 46.4 ms the buffer lasts: the player's
// cost must stay under 2 %.

#include "../file_helpers.h"
#include "render.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <libmodplug/modplug.h>
#include <string>
#include <time.h>
#include <vector>

namespace {

const int RATE = 22050, BUFFER = 1024;
const double BUFFER_SECONDS = double(BUFFER) / RATE;

const char *const NAMES[] = {"quenzyintro", "ptfactory",     "breakfastenvy", "gomellow",
                             "marenspeak",  "smoothie",      "powerslide",    "vardo2tc",
                             "shadowfax",   "quenzyliquids", "sundaydrive",   "x.levelcomplete",
                             "y.jingle"};

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void BM_RenderBuffer(benchmark::State &state, const char *name) {
    std::vector<uint8_t> bytes =
        readFileBytes(std::string(QUENZY_BINARY_DIR) + "/music/" + name + ".mod");
    applyGameSettings();
    ModPlugFile *file = bytes.empty() ? nullptr : ModPlug_Load(bytes.data(), int(bytes.size()));
    if (!file) {
        state.SkipWithError("module not built or not loadable");
        return;
    }
    ModPlug_SetMasterVolume(file, 128);
    int16_t buffer[BUFFER * 2];
    const double start = threadSeconds();
    for (auto _ : state) {
        if (ModPlug_Read(file, buffer, int(sizeof buffer)) < int(sizeof buffer))
            ModPlug_Seek(file, 0);
        benchmark::DoNotOptimize(buffer);
    }
    const double spent = threadSeconds() - start;
    ModPlug_Unload(file);
    state.counters["buffer_pct"] = 100 * spent / (double(state.iterations()) * BUFFER_SECONDS);
}

} // namespace

int main(int argc, char **argv) {
    for (const char *name : NAMES)
        benchmark::RegisterBenchmark((std::string("BM_RenderBuffer/") + name).c_str(),
                                     BM_RenderBuffer, name);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
