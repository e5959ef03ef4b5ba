#pragma once

#include <libmodplug/modplug.h>

// The options screen, a state of the title menu: key and pad bindings, the
// music and effect volumes, a music test, the defaults and a fresh hiscore
// table. Leaving it writes the configuration when something changed.

enum {
    OPT_KEYS = 0,
    OPT_PAD = 1,
    OPT_MUSIC_VOLUME = 2,
    OPT_SFX_VOLUME = 3,
    OPT_SOUNDCHECK = 4,
    OPT_DEFAULTS = 5,
    OPT_RESET_HISCORES = 6,
    OPT_BACK = 7,
    OPT_ROWS = 8,
    OPT_REPEAT = 10, // frames before a held direction acts again
    OPT_TRACKS = 11, // music ids the sound check steps through
};

extern int cfgIndex;   // selected row
extern int cfgCount;   // frames before a direction acts again
extern int cfgChanged; // something the configuration file keeps changed

// Entering from the title: first row, browsing, nothing changed.
void enterOptions();
// One frame's input; `track` is the menu's music handle, which the sound
// check replaces.
void optionsInput(ModPlugFile **track);
// Draws the screen over the menu's background layers.
void drawOptions();

// The next volume in percent, a step of 5 up (100 wraps to 0) or down.
int volumeStep(int percent, int up);
// The next music id of the sound check, wrapping within 0 ... 10.
int trackStep(int id, int up);
// The row a click at `y` picks, or -1 above the rows.
int optionsRowAt(int y);
