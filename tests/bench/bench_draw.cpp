// One play frame drawn and shown, in the direct (320 x 240) and the doubled
// (640 x 480) arrangement, at 16 and 24 bits. Run from build/ (needs data/).
#include "../busy_board.h"
#include "front/defines.h"
#include "front/stuff.h"
#include "platform/gfx_sdl.h"
#include "sound/sound.h"
#include "storage/winova.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>

namespace {

void startDisplay(int scaling, int depth) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO);
    MP_OpenAudio(22050, AUDIO_S16LSB, 2, 1024); // the effects need the mixer
    fs = 0;
    ScalingMethod = scaling;
    bpp = depth;
    screen = gfxSetVideoMode();
    gfxInitColors();
    gfxPrepareBlackScreen();
    openArchives();
    loadSpriteFont();
    loadPictures();
    initStuff();
}

void stopDisplay() {
    freePictures();
    freeAllBlocks();
    destroyFonts();
    for (int id = 0; id < SFX_COUNT; id++)
        freeSFX(id);
    closeArchives();
    Mix_CloseAudio();
    gfxShutdown();
    if (fscreen)
        SDL_FreeSurface(screen);
    screen = fscreen = nullptr;
    SDL_Quit();
}

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
