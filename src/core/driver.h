#pragma once

#include <cstdint>

// Headless driver of the board: steps the animation queues the way the game
// loop's board-animation step does, outside any screen loop. Shared by the
// tests and the level tool.

// Puts `cells` (80 values 0 ... 5, index x + 8 * y) on the play board with
// no animation running; currentCount becomes its number of fruits. Score,
// lives and the random sequence are left alone.
void driverLoadBoard(const int *cells);
// Puts the start board of a level record (or a 160-byte test board) on the
// play board as above and makes the record the one haveMadeit compares with.
void driverLoadRecord(uint8_t *record);
// Board still: no morph, no fall and no picking hand.
int driverBoardStill();
// One frame of board animation: doTrans when morphs run, else doMove when
// falls run; then doShine and doEject beside.
void driverStepFrame();
// Steps frames until no morph or fall runs; returns the frames stepped.
int driverRunToStill();
// Carries out a pick at (x, y) from the end of the picking hand (doSwitch)
// and steps frames until the board is still. Returns doSwitch's result.
// `frames`, when given, receives the number of frames stepped. The game
// picks only on a still board, so anything still running is finished first
// (not counted in `frames`).
int driverPick(int x, int y, int *frames);
