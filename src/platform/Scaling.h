#pragma once

#include <cstdint>

// 2x enlargers from `screen` (320 x 240) into `fscreen` (640 x 480). Both
// surfaces share one pixel format, so pixels are copied as they are.

// Work buffer a scaler may keep; released by gfxShutdown. None uses one yet.
extern uint8_t *aabuf;

// Plain doubling: every pixel becomes a 2 x 2 block.
void zoom2();
