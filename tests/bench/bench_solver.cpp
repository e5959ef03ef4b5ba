// Speed of the level solver: proving the shipped levels' solutions minimal
// (the work `leveltool verify` does), and single picks on the compact board.

#include "board.h"
#include "levelfile.h"
#include "solver.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::vector<LevelText> &shippedLevels() {
    static std::vector<LevelText> levels;
    if (levels.empty())
        for (int file = 1; file <= 10; file++) {
            char path[512];
            snprintf(path, sizeof path, "%s/assets/levels/levels-%02d.txt", QUENZY_SOURCE_DIR,
                     file);
            std::string error;
            if (!readLevelText(path, levels, error))
                fprintf(stderr, "%s\n", error.c_str());
        }
    return levels;
}

// Argument: the level number (1-based). No solution shorter than the stored
// one may exist, so the search runs through every bound below it.
void BM_ProveMinimal(benchmark::State &state) {
    const std::vector<LevelText> &levels = shippedLevels();
    if (levels.size() < size_t(state.range(0))) {
        state.SkipWithError("levels not found");
        return;
    }
    const LevelText &level = levels[state.range(0) - 1];
    Board start = boardFromCells(level.start), target = boardFromCells(level.target);
    int picks = static_cast<int>(level.picks.size());
    uint64_t nodes = 0;
    for (auto _ : state) {
        SolveResult r = solveBoards(start, target, picks - 1, UINT64_MAX);
        if (r.found || r.aborted)
            state.SkipWithError("stored solution not proven minimal");
        nodes += r.nodes;
    }
    state.counters["picks"] = picks;
    state.counters["nodes"] = benchmark::Counter(double(nodes), benchmark::Counter::kAvgIterations);
    state.counters["nodes/s"] = benchmark::Counter(double(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProveMinimal)
    ->Arg(30)
    ->Arg(60)
    ->Arg(90)
    ->Arg(101)
    ->Arg(117)
    ->Arg(120)
    ->Unit(benchmark::kMillisecond);

// The whole shipped set, as `leveltool verify` searches it.
void BM_ProveAllMinimal(benchmark::State &state) {
    const std::vector<LevelText> &levels = shippedLevels();
    uint64_t nodes = 0;
    for (auto _ : state)
        for (const LevelText &level : levels) {
            SolveResult r = solveBoards(boardFromCells(level.start), boardFromCells(level.target),
                                        static_cast<int>(level.picks.size()) - 1, UINT64_MAX);
            if (r.found || r.aborted)
                state.SkipWithError("stored solution not proven minimal");
            nodes += r.nodes;
        }
    state.counters["levels"] = double(levels.size());
    state.counters["nodes"] = benchmark::Counter(double(nodes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ProveAllMinimal)->Unit(benchmark::kMillisecond);

void BM_PickBoard(benchmark::State &state) {
    const LevelText &level = shippedLevels().back();
    Board start = boardFromCells(level.start);
    for (auto _ : state)
        for (int x = 0; x < COLS; x++)
            for (int y = 0; y < ROWS; y++) {
                Board b = start;
                benchmark::DoNotOptimize(pickBoard(b, x, y));
            }
    state.SetItemsProcessed(state.iterations() * COLS * ROWS);
}
BENCHMARK(BM_PickBoard);

} // namespace

BENCHMARK_MAIN();
