#pragma once

// The display of the play-frame benchmarks and of tools/playshots: the
// game's video mode with its colours, fonts, pictures and the mixer (the
// effects need it), as the program sets them up, on SDL's dummy drivers
// natively and on the page's canvas in the browser build. Run from build/
// (needs data/).

#include "front/defines.h"
#include "front/stuff.h"
#include "platform/gfx_sdl.h"
#include "sound/sound.h"
#include "storage/winova.h"

#include <cstdlib>

inline void startDisplay(int scaling, int depth) {
#ifndef __EMSCRIPTEN__ // a page has its own drivers, and no others
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
#endif
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO);
    MP_OpenAudio(22050, AUDIO_S16LSB, 2, 1024);
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

inline void stopDisplay() {
    freePictures();
    freeAllBlocks();
    destroyFonts();
    for (int id = 0; id < SFX_COUNT; id++)
        freeSFX(id);
    closeArchives();
    Mix_CloseAudio();
    if (fscreen)
        SDL_FreeSurface(screen);
    screen = fscreen = nullptr;
    SDL_Quit();
}
