// Frames presented per second in the doubled arrangement (plain doubling
// into 640 x 480), and glyphs drawn per second: the per-frame video work.

#include "front/defines.h"
#include "platform/gfx_sdl.h"

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

void startDoubled(int depth) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    fs = 0;
    ScalingMethod = 1;
    bpp = depth;
    screen = gfxSetVideoMode();
    gfxInitColors();
}

void stop() {
    SDL_FreeSurface(screen);
    screen = fscreen = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void flipDoubled(benchmark::State &state) {
    startDoubled(int(state.range(0)));
    for (auto _ : state)
        flipScreen();
    state.SetItemsProcessed(state.iterations());
    stop();
}
BENCHMARK(flipDoubled)->Arg(16)->Arg(24);

void drawText(benchmark::State &state) {
    startDoubled(16);
    SDL_Surface *sheet = createImage(128, 48, 0);
    font = createFont(sheet, 8, 8);
    freeSurface(sheet);
    const char line[] = "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG";
    for (auto _ : state)
        drawTextAt(screen, line, 0, 100, font);
    state.SetItemsProcessed(state.iterations() * (sizeof line - 1));
    destroyFonts();
    stop();
}
BENCHMARK(drawText);

} // namespace

BENCHMARK_MAIN();
