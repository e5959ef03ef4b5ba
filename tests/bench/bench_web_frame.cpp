// The doubled play frame (drawScreen + flipScreen, 640 x 480 at 16 bits, as
// bench_draw's scaling=1 case) timed by the program itself, without Google
// Benchmark, so that the browser build runs the very same code:
// tools/web-bench runs it natively and in headless Chromium, one after the
// other, and prints both. Run from build/ (needs data/):
//   bench/bench_web_frame [FRAMES [RUNS]]
#include "../busy_board.h"
#include "play_display.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Microseconds per frame over `frames` frames, shown or only drawn.
double timeFrames(int frames, bool flip) {
    auto from = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; i++) {
        drawScreen(0, 1, 3, 7);
        if (flip)
            flipScreen();
    }
    std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - from;
    return spent.count() / frames;
}

// The median and the best of `runs` timings, sorted in place.
void report(const char *what, std::vector<double> &perFrame, int frames) {
    std::sort(perFrame.begin(), perFrame.end());
    printf("%s: median %.1f us, best %.1f us (%d runs of %d frames)\n", what,
           perFrame[perFrame.size() / 2], perFrame[0], static_cast<int>(perFrame.size()), frames);
}

} // namespace

int main(int argc, char **argv) {
    int frames = argc > 1 ? atoi(argv[1]) : 300;
    int runs = argc > 2 ? atoi(argv[2]) : 9;
    if (frames < 1 || runs < 1) {
        fprintf(stderr, "usage: bench_web_frame [FRAMES [RUNS]]\n");
        return 64;
    }
    startDisplay(1, 16);
    setBusyBoard(100);
    // Caches, and the browser's tiers of code: V8 first runs WebAssembly as
    // it compiled it quickly, and only code that has run a while optimised.
    timeFrames(2 * frames, true);
    timeFrames(frames, false);
    std::vector<double> shown, drawn;
    for (int r = 0; r < runs; r++) {
        shown.push_back(timeFrames(frames, true));
        drawn.push_back(timeFrames(frames, false));
    }
    stopDisplay();
    report("drawScreen alone", drawn, frames);
    report("doubled play frame", shown, frames);
    return 0;
}
