#pragma once

#include "core/game.h"

// The pause menu, opened inside a play frame: BACK TO GAME, UNDO LAST MOVE,
// RESTART LEVEL, AUTO RESOLVE and EXIT over the darkened play screen. The
// level clock stops while it is open.

enum {
    PAUSE_BACK,
    PAUSE_UNDO,
    PAUSE_RESTART,
    PAUSE_SOLVE,
    PAUSE_EXIT,
    PAUSE_ENTRIES,
};

// Runs the menu until a choice is confirmed and applies it to `g`.
void pauseMenu(GameRun *g);
// Whether entry `entry` can be chosen now.
int pauseEnabled(const GameRun *g, int entry);
// Entry `entry`, or the nearest enabled one above it.
int pauseNearestAbove(const GameRun *g, int entry);
// The next enabled entry in direction `step` (+1 or -1), wrapping around.
int pauseStep(const GameRun *g, int from, int step);
// The entry under screen row `y`, or -1 (rows up to 31 pixels above the
// first entry count as the first: the division goes toward zero).
int pauseEntryAt(int y);
// Carries out entry `entry`.
void pauseApply(GameRun *g, int entry);
