#pragma once

#include <SDL/SDL.h>

// The intro screens between start-up and the title (the maker's splash, then
// the credits): rows of a table, each four functions, driven by one loop.
// Another screen is another row.

struct IntroScreen {
    const char *name;                    // null in the row that ends the table
    int (*init)();                       // loads what the screen shows; 0
    int (*shutdown)();                   // releases it; 0
    int (*update)();                     // one frame's logic; non-zero when finished
    int (*render)(SDL_Surface *surface); // draws one frame; 0
};

extern const IntroScreen screens[]; // the splash, then the credits
extern int currentScreen;           // row running now, 0 at start

// Plays the rows of `table` from row currentScreen to the table's end. A
// screen's update runs before its first input poll, so a key typed on one
// screen never ends the next.
void playScreens(const IntroScreen *table);
