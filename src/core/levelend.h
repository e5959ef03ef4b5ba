#pragma once

#include "core/game.h"

// The screens between level attempts: life lost, the level tally with its
// bonuses, game over and CONTINUE?.

enum {
    TALLY_TIME_AT = 30, // tally frame that pays the time bonus
    TALLY_LIFE_AT = 60, // ... the life bonus
    TALLY_MOVE_AT = 90, // ... the move bonus
    TALLY_FRAMES = 360, // the tally ends by itself after these frames
};

// A life was lost and lives are left: shows why until a key is typed.
void lifeLostScreen(GameRun *g);
// The level is won: counts the bonuses into the score.
void levelTally(GameRun *g);
// No life is left: the game-over picture and the score until a key.
void gameOverScreen(GameRun *g);
// CONTINUE?: 1 when the player goes on (LEFT, or a click on the left half),
// 0 when the game is to end (RIGHT, or the right half).
int continueScreen();

// Translation entry of the reason a life was lost.
int lifeLostReason(const GameRun *g);
// Whole seconds left on the level clock.
int timeBonus();
// 200, or 10 per move left when more moves were used than the solution has.
int moveBonus(const GameRun *g);
