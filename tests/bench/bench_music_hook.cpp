// The music hook's cost per buffer of 1024 frames (22050 Hz, stereo, the
// game's settings) for each piece of data/music.ova. The counter
// "buffer_pct" is that cost in percent of the 46.4 ms the buffer plays for:
// the share of the audio thread's time the music takes. Run from build/
// (needs data/):
//   cd build && bench/bench_music_hook
#include "sound/sound.h"
#include "storage/config.h"
#include "storage/winova.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

const int BUFFER_FRAMES = 1024, RATE = 22050;
const double BUFFER_SECONDS = double(BUFFER_FRAMES) / RATE;

void hookCost(benchmark::State &state, int id) {
    mpFrequency = RATE;
    mpChannels = 2;
    ModPlugFile *piece = loadMusic(id);
    if (!piece) {
        state.SkipWithError("the piece is not in data/music.ova");
        return;
    }
    // Playing for ever at full volume, as a level piece does.
    mp_volume = mp_fade = 128;
    mp_delta = 0;
    mpLoops = -1;
    mp_music = piece;
    ModPlug_SetMasterVolume(piece, 128);
    static Uint8 buffer[BUFFER_FRAMES * 4];
    for (auto _ : state) {
        MP_HookMusic(piece, buffer, sizeof buffer);
        benchmark::DoNotOptimize(buffer);
    }
    mp_music = nullptr;
    ModPlug_Unload(piece);
}

// Adds the share of the buffer's time to every run: CPU seconds per buffer
// against the seconds the buffer plays.
class ShareReporter : public benchmark::ConsoleReporter {
  public:
    ShareReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run> &runs) override {
        std::vector<Run> shown = runs;
        for (Run &run : shown)
            if (run.iterations > 0)
                run.counters["buffer_pct"] = benchmark::Counter(
                    100 * run.cpu_accumulated_time / double(run.iterations) / BUFFER_SECONDS);
        ConsoleReporter::ReportRuns(shown);
    }
};

} // namespace

int main(int argc, char **argv) {
    openArchives();
    for (int id = 0; id < MUSIC_COUNT; id++)
        benchmark::RegisterBenchmark((std::string("hook/") + musix[id]).c_str(), hookCost, id)
            ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    ShareReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    closeArchives();
    return 0;
}
