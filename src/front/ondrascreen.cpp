#include "front/ondrascreen.h"

#include "front/scenery.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"
#include "sound/sound.h"

#include <cstdio>

Splash splash;

int ondraInit() {
    splash.ondra = loadGFX("ov-ondra", 1, 255, 0, 255);
    splash.ov_logo = loadGFX("ov-logo", 1, 255, 0, 255);
    splash.music = loadMusic(SPLASH_JINGLE);
    fillRect(screen, 0, 0, screen->w, screen->h, BLACK);
    splash.j = SPLASH_LOGO_START;
    splash.dj = splash.gx = splash.gy = 0;
    return 0;
}

int ondraShutdown() {
    freeSurface(splash.ondra);
    freeSurface(splash.ov_logo);
    splash.ondra = splash.ov_logo = nullptr;
    if (splash.music)
        stopMusic(splash.music);
    splash.music = nullptr;
    return 0;
}

static void traceArrival() {
    if (!replayTracing())
        return;
    char details[48];
    snprintf(details, sizeof details, "x=%d jingle=%d", splash.j, splash.music != nullptr);
    replayNote("logo", details);
}

// The logo moves on; the jingle starts in the frame it comes to rest.
static void slideLogo(int rest) {
    splash.j -= SPLASH_LOGO_STEP;
    if (splash.j > rest)
        return;
    if (splash.music)
        MP_PlayMusic(splash.music, 1); // once
    traceArrival();
}

// Once the logo rests: the jingle is over (or there is none), or the player
// typed ACTION or START.
static int splashOver() {
    if (lastKeyTyped == INPUT_ACTION || lastKeyTyped == INPUT_START)
        return 1;
    return !splash.music || !MP_PlayingMusic();
}

// The mascot traces a figure around the centre, 8 pixels each way, the
// vertical motion three times as fast; one round every 512 frames.
static void floatMascot() {
    splash.dj++;
    splash.gx = SPLASH_CENTRE_X - (splash.ondra->w >> 1) + (tcos[splash.dj & 511] >> 7);
    splash.gy = SPLASH_CENTRE_Y - (splash.ondra->h >> 1) + (tsin[(3 * splash.dj) & 511] >> 7);
}

int ondraUpdate() {
    int rest = (screen->w - splash.ov_logo->w) >> 1;
    if (splash.j > rest)
        slideLogo(rest); // keys do nothing while it slides
    else if (splashOver())
        return 1;
    floatMascot();
    return 0;
}

int ondraRender(SDL_Surface *surface) {
    fillRect(surface, 0, 0, surface->w, surface->h, BLACK);
    blitImage(splash.ondra, splash.gx, splash.gy, surface);
    blitImage(splash.ov_logo, splash.j, SPLASH_LOGO_BOTTOM - splash.ov_logo->h, surface);
    return 0;
}
