#pragma once

#include <SDL/SDL.h>
#include <libmodplug/modplug.h>

// The maker's splash, the first intro screen: the mascot floats in the middle
// while the maker's logo slides in from the right; once the logo rests the
// jingle plays, and the screen ends with it or on ACTION or START.

enum {
    SPLASH_LOGO_START = 360, // the logo's x as it starts, off the right edge
    SPLASH_LOGO_STEP = 2,    // pixels a frame
    SPLASH_LOGO_BOTTOM = 180,
    SPLASH_CENTRE_X = 160, // the mascot floats around this point
    SPLASH_CENTRE_Y = 100,
    SPLASH_JINGLE = 12, // music number of the jingle
};

struct Splash {
    SDL_Surface *ondra;   // the mascot
    SDL_Surface *ov_logo; // the maker's logo
    ModPlugFile *music;   // the jingle, or null when its module is missing
    int j;                // x of the logo's left edge
    int dj;               // frames the mascot has floated
    int gx, gy;           // top-left of the mascot
};
extern Splash splash; // the screen's state while it runs

int ondraInit();
int ondraShutdown();
// Non-zero when the splash is over.
int ondraUpdate();
int ondraRender(SDL_Surface *surface);
