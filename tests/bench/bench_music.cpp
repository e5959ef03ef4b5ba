// What each built module costs to render: one buffer of 1024 stereo frames
// at the game's settings, as the music hook asks libmodplug for it, looping
// back to the start at the end. `buffer_pct` is that time (CPU time of the
// rendering thread) in percent of the 46.4 ms the buffer lasts: the player's
// cost must stay under 2 %.

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
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

std::vector<uint8_t> readModule(const char *name) {
    std::string path = std::string(QUENZY_BINARY_DIR) + "/music/" + name + ".mod";
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back(uint8_t(c));
    fclose(f);
    return bytes;
}

void BM_RenderBuffer(benchmark::State &state, const char *name) {
    std::vector<uint8_t> bytes = readModule(name);
    ModPlug_Settings s;
    ModPlug_GetSettings(&s);
    s.mFlags = MODPLUG_ENABLE_OVERSAMPLING | MODPLUG_ENABLE_NOISE_REDUCTION;
    s.mChannels = 2;
    s.mBits = 16;
    s.mFrequency = RATE;
    s.mResamplingMode = MODPLUG_RESAMPLE_LINEAR;
    s.mLoopCount = 0;
    ModPlug_SetSettings(&s);
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
