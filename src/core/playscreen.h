#pragma once

#include <SDL/SDL.h>
#include <cstdint>

// The play frame: background, scenery, status line, both boards with their
// running animations, the cursor, the picking hand.

// Where the boards stand on the screen: the play board's top-left corner,
// the target board's left edge, and the size of a cell.
enum { BOARD_X = 16, BOARD_Y = 64, TARGET_X = 176, CELL_SIZE = 16 };

// Game loop state the frame shows.
extern uint32_t currentTime; // now, in ticks
extern uint32_t endTime;     // when the level's time runs out
extern int slowMode;         // the time limit is doubled
extern int curBlock;         // tile sheet in use, 0 or 1

// Morph frames, 5 segments of 8: segment t steps from value t + 1 to t,
// indexed by frames left / 4; -1 draws nothing.
extern const int morphFrames[40];

// Tile frame of a play cell with a running morph toward `target`.
int morphFrame(int target, int framesLeft);
// Tile frame of the picking hand with `action` frames left (1 ... 32).
int handFrame(int action);
// Tile frame of the board cursor.
int cursorFrame(int anim);

// Paints the play frame for `level` (-1 on the test board) into `screen`;
// the caller flips.
void drawScreen(int level, int showCursor, int lives, int movesUsed);
// Fills the top of `screen` with copies of `surface`, scrolled left by
// `position` pixels and wrapping around.
void drawLoop(SDL_Surface *surface, int position);
