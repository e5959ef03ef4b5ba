#pragma once

#include <libmodplug/modplug.h>

// The title menu: PRESS START, then NEW GAME, CONTINUE, HISCORES, OPTIONS and
// EXIT over three scrolling layers, the hiscore page and the options screen.
// It is the program's main loop after the intro screens.

// Values of `workflow` (front/stuff.h).
enum {
    MENU_PRESS_START = 0,
    MENU_NEW_GAME = 1,
    MENU_CONTINUE = 2,
    MENU_HISCORES = 3,
    MENU_OPTIONS = 4,
    MENU_EXIT = 5,
    MENU_HISCORE_PAGE = -MENU_HISCORES, // a page is its title item negated:
    MENU_OPTIONS_PAGE = -MENU_OPTIONS,  // a window close there goes back to it
};

enum {
    MENU_BLINK = 32,   // frames shown, then as many hidden
    MENU_ITEM_Y = 104, // NEW GAME; the items are 18 pixels apart
    MENU_ITEM_STEP = 18,
    MENU_SCROLL_CHARS = 41, // characters in the scroller band
};

// What the menu keeps across frames.
struct MenuRun {
    ModPlugFile *track;         // the title piece, or the sound check's
    int frameA, frameB, frameC; // background counters, +1, +2, +3 a frame
    int blinkBase;              // frameA when the current blink phase began
    int gameOver;               // a game just ended: the loop starts anew (initFPS)
};

// The title menu; returns when EXIT is chosen or the window is closed on
// the title.
void menu();

// One frame: a discarded random draw, input, drawing when the pacing allows,
// the scroller and the counters. Returns 0 when the frame loop is to stop
// (escape, or a game that ended and wants a fresh start of the pacing).
int menuFrame(MenuRun *m);
// Steps of one frame, on `m`.
// The input of the current state (title, hiscore page or options).
void menuInput(MenuRun *m);
// Draws the frame of the current state into `screen` (no flip).
void drawMenu(const MenuRun *m);
// The scroll text moves on one step, drawn or not.
void advanceScroller();
// Back from a game: the title again, or the hiscore page when the game made
// an entry, with the title piece playing.
void afterGame(MenuRun *m);
// Reports the menu state to the trace and the replay's anchors.
void traceMenu(const char *event, const char *extra = nullptr);
