// One play frame drawn and shown, in the direct (320 x 240) and the doubled
// (640 x 480) arrangement, at 16 and 24 bits. Run from build/ (needs data/).
#include "../busy_board.h"
#include "play_display.h"

#include <benchmark/benchmark.h>

namespace {

void drawAndFlip(benchmark::State &state) {
    startDisplay(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    setBusyBoard(100);
    for (auto _ : state) {
        drawScreen(0, 1, 3, 7);
        flipScreen();
    }
    stopDisplay();
}

BENCHMARK(drawAndFlip)
    ->ArgNames({"scaling", "bpp"})
    ->Args({0, 16})
    ->Args({1, 16})
    ->Args({0, 24})
    ->Args({1, 24})
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
