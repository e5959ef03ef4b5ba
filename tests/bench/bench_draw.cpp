// One play frame drawn and shown, in the direct (320 x 240) and the doubled
// (640 x 480) arrangement, at 16 and 24 bits. Run from build/ (needs data/).
#include "core/anim.h"
#include "core/level.h"
#include "core/playscreen.h"
#include "core/rules.h"
#include "front/defines.h"
#include "front/scenery.h"
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

// A full board on both sides, a morph and a fall running, the hero, a flower
// and a bird: a busy frame.
void busyBoard() {
    srand(1);
    currentSource = testLevel;
    for (int y = 0; y < BOARD_H; y++) {
        for (int x = 0; x < BOARD_W; x++) {
            currentLevel[x + 8 * y] = rand() % 5 + 1;
            testLevel[16 * y + 8 + x] = static_cast<uint8_t>(rand() % 5 + 1);
        }
    }
    memset(currentTrans, 0, sizeof currentTrans);
    memset(currentShining, 0, sizeof currentShining);
    animTrans[0] = Transform{3, 3, 40, 2, 0};
    curTrans = 1;
    currentTrans[3 + 8 * 3] = 1;
    animMove[0] = Move{5, 1, 7, 4, 0};
    curMove = 1;
    curShine = curEject = 0;
    currentTime = 0;
    endTime = 60000;
    currentMoves = 20;
    score = 12345;
    curTotemWait = 0;
    curLionAnim = 4;
    curLionFrame = 1;
    birdAnimWait = 0;
    birdAnim = FlyingBird{100, 40, -4, 0, 5, 6, 0};
    for (FlowerSlot &f : animFlower)
        f.idle = 1;
    animFlower[0] = FlowerSlot{0, 5, 60, 40, 0, 4};
}

void drawAndFlip(benchmark::State &state) {
    startDisplay(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    busyBoard();
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
