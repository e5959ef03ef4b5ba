// Picks carried out to a still board per second, on random settled boards:
// the work the level tool does for every pick of a stored solution.

#include "core/anim.h"
#include "core/driver.h"
#include "core/level.h"
#include "core/rules.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

struct Case {
    int cells[BOARD_CELLS];
    int x, y; // a cell holding fruit
};

std::vector<Case> makeCases(int n) {
    std::mt19937 gen(2024);
    std::vector<Case> cases;
    while (static_cast<int>(cases.size()) < n) {
        Case c{};
        for (int x = 0; x < BOARD_W; x++) {
            int height = static_cast<int>(gen() % (BOARD_H + 1));
            for (int y = BOARD_H - height; y < BOARD_H; y++)
                c.cells[x + BOARD_W * y] = 1 + static_cast<int>(gen() % 5);
        }
        std::vector<int> fruit;
        for (int i = 0; i < BOARD_CELLS; i++)
            if (c.cells[i])
                fruit.push_back(i);
        if (fruit.empty())
            continue;
        int i = fruit[gen() % fruit.size()];
        c.x = i % BOARD_W;
        c.y = i / BOARD_W;
        cases.push_back(c);
    }
    return cases;
}

void BM_PickToStill(benchmark::State &state) {
    const std::vector<Case> cases = makeCases(1024);
    srand(1);
    size_t k = 0;
    long frames = 0;
    for (auto _ : state) {
        const Case &c = cases[k++ % cases.size()];
        driverLoadBoard(c.cells);
        int stepped = 0;
        benchmark::DoNotOptimize(driverPick(c.x, c.y, &stepped));
        frames += stepped;
        benchmark::DoNotOptimize(currentLevel);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["frames/pick"] =
        benchmark::Counter(static_cast<double>(frames) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_PickToStill);

} // namespace

BENCHMARK_MAIN();
