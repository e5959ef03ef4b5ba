#pragma once

// Headless driver of the board: steps the animation queues the way the game
// loop's board-animation step does, outside any screen loop. Shared by the
// tests and the level tool.

// Board still: no morph, no fall and no picking hand.
int driverBoardStill();
// One frame of board animation: doTrans when morphs run, else doMove when
// falls run; then doShine and doEject beside.
void driverStepFrame();
// Carries out a pick at (x, y) from the end of the picking hand (doSwitch)
// and steps frames until the board is still. Returns doSwitch's result.
// `frames`, when given, receives the number of frames stepped.
int driverPick(int x, int y, int *frames);
