// Entry point: command line, start-up in its fixed order, and shutdown.

#include "core/game.h"
#include "core/level.h"
#include "front/cmdline.h"
#include "front/menu.h"
#include "front/screen.h"
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

// Each step of start-up ("boot") and shutdown goes to the trace, so the
// suite can check their order on the real program.
static void traceStep(const char *event, const char *step) {
    if (!replayTracing())
        return;
    char details[48];
    snprintf(details, sizeof details, "step=%s", step);
    replayNote(event, details);
}

static void boot(const char *step) {
    traceStep("boot", step);
}

static void shutdownStep(const char *step) {
    traceStep("shutdown", step);
}

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
    boot("video");
    gfxInitColors();
    gfxPrepareBlackScreen();
    prepareScrollBack();
    boot("colours");
    openJoystick();
    boot("joystick");
    if (SDL_Init(SDL_INIT_AUDIO) == -1)
        error("SDL_Init");
    if (MP_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) == -1)
        error("Mix_OpenAudio");
    Mix_AllocateChannels(16);
    boot("audio");
    SDL_WM_SetCaption("Quenzy v1.00.2", nullptr);
    SDL_ShowCursor(SDL_DISABLE);
    openArchives();
    loadSpriteFont();
    boot("fonts");
    loadPictures();
    boot("pictures");
    resetDefaultControls();
    loadConfig(); // the file overrides the default bindings
    boot("config");
    applyVolumes();
    boot("volumes");
    loadLevels();
    boot("levels");
    done = 0;
}

static int exitGame() {
    if (joystick)
        SDL_JoystickClose(joystick);
    shutdownStep("joystick");
    shutdownStep("video");
    freePictures();
    freeAllBlocks();
    shutdownStep("pictures");
    destroyFonts();
    shutdownStep("fonts");
    for (int n = 0; n < SFX_COUNT; n++)
        freeSFX(n);
    shutdownStep("effects");
    free(levelsData);
    levelsData = nullptr;
    shutdownStep("levels");
    closeArchives();
    Mix_CloseAudio();
    shutdownStep("audio");
    SDL_Quit();
    return 0;
}

// The intro screens (splash, credits) play here, from row currentScreen of
// their table to its end; a window closed during them skips the menu.
static void playIntros() {
    playScreens(screens);
    boot("intros");
}

// The installed launcher runs the game in its data folder, so it names the
// test board in the caller's folder here.
static void findTestBoard() {
    const char *path = getenv("QUENZY_TEST_BOARD");
    if (path && *path)
        testBoardPath = path;
}

int main(int argc, char **argv) {
    getConfigFolder();
    findTestBoard();
    if (parseCommandLine(argc, argv) == CMDLINE_HELP) {
        printHelp(stdout);
        return 0;
    }
    replayStartFromEnv();
    startUp();
    if (testMode) {
        loadHiscores(0);
        boot("hiscores");
        initStuff();
        run(-1);
    } else {
        playIntros();
        loadHiscores(0);
        boot("hiscores");
        if (!done) {
            boot("menu");
            menu();
        }
    }
    return exitGame();
}
