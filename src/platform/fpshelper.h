#pragma once

#include <cstdint>

// Holds every loop to 60 frames per second in groups of three frames
// (17 + 17 + 16 ms) and skips drawing, never logic, when the loop is late.

extern uint32_t fpsCurTick; // end of the previous frame
extern uint32_t fpsGrpTick; // end of the previous group
extern int cntFrames;       // frame within its group, 0 ... 2
extern int fpsSum;          // time used against this frame's budget
extern int skipFrame;       // this frame is not drawn
extern int framesSkipped;   // skipped in a row, at most 3

// Called when a loop starts, so time spent before it is not lateness.
void initFPS();
// Once per loop iteration: waits for the frame's time and returns 1 when the
// frame is to be drawn, 0 when the loop is late and skips drawing.
int controlFPS();
