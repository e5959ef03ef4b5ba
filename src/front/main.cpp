// Entry point: command line, start-up in its fixed order, and shutdown.

#include "core/game.h"
#include "core/level.h"
#include "front/cmdline.h"
#include "front/stuff.h"
#include "platform/debug.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"
#include "sound/sound.h"
#include "storage/config.h"
#include "storage/hiscores.h"
#include "storage/winova.h"

#include <SDL/SDL.h>
#include <cstdio>
#include <cstdlib>

// Found by version-listing tools that scan the binary; never read.
extern const char _ver[];
const char _ver[] = "$VER: Quenzy 1.00.2 (Jan  2 2016) $\r\n";

static void openJoystick() {
    if (SDL_Init(SDL_INIT_JOYSTICK) < 0)
        return;
    if (SDL_NumJoysticks() > 0)
        joystick = SDL_JoystickOpen(0);
    SDL_JoystickEventState(SDL_ENABLE);
}

// The configured percentages on the mixer's 0 ... 128 scale.
static void applyVolumes() {
    _sfx_volume_ = _sfx_volume_100_ * 128 / 100;
    _mus_volume_ = _mus_volume_100_ * 128 / 100;
    Mix_Volume(-1, _sfx_volume_);
    MP_VolumeMusic(_mus_volume_);
    if (replayTracing()) {
        // What the mixer took, so replays can see the configuration at work.
        char details[64];
        snprintf(details, sizeof details, "sfx=%d music=%d", Mix_Volume(-1, -1), _mus_volume_);
        replayNote("volumes", details);
    }
}

static void startUp() {
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        error("Unable to init SDL");
    screen = gfxSetVideoMode();
    if (!screen)
        error("Unable to set video mode");
    gfxInitColors();
    gfxPrepareBlackScreen();
    prepareScrollBack();
    openJoystick();
    if (SDL_Init(SDL_INIT_AUDIO) == -1)
        error("SDL_Init");
    if (MP_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) == -1)
        error("Mix_OpenAudio");
    Mix_AllocateChannels(16);
    SDL_WM_SetCaption("Quenzy v1.00.2", nullptr);
    SDL_ShowCursor(SDL_DISABLE);
    openArchives();
    loadSpriteFont();
    loadPictures();
    resetDefaultControls();
    loadConfig(); // the file overrides the default bindings
    applyVolumes();
    loadLevels();
    done = 0;
}

static int exitGame() {
    if (joystick)
        SDL_JoystickClose(joystick);
    gfxShutdown();
    freePictures();
    freeAllBlocks();
    destroyFonts();
    for (int n = 0; n < 14; n++)
        freeSFX(n);
    free(levelsData);
    levelsData = nullptr;
    closeArchives();
    Mix_CloseAudio();
    SDL_Quit();
    return 0;
}

int main(int argc, char **argv) {
    getConfigFolder();
    if (parseCommandLine(argc, argv) == CMDLINE_HELP) {
        printHelp(stdout);
        return 0;
    }
    replayStartFromEnv();
    startUp();
    if (testMode) {
        loadHiscores(0);
        initStuff();
        run(-1);
    }
    return exitGame();
}
