#pragma once

#include <cstdint>

// 2x enlargers from `screen` (320 x 240) into the top-left 640 x 480 of
// `fscreen`. Both surfaces share one pixel format, so pixels are copied as
// they are; rows are addressed through each surface's own pitch. None keeps
// state between frames or allocates.

// Work buffer a scaler may keep; released by gfxShutdown. None uses one.
extern uint8_t *aabuf;

// 1 (the default): on a processor that has wider vector instructions than
// the build's baseline (AVX2 on x86-64), run the scalers' loops compiled for
// them. 0: always the portable build. The pixels are the same either way.
extern int scalerWideVectors;

// Whether this build and processor have the wider variant at all.
int scalerWideVectorsAvailable();

void zoom2();      // plain doubling: every pixel becomes a 2 x 2 block
void Scale2X();    // the Scale2x edge-smoothing rule
void Scanline2x(); // doubling with dark odd rows
void Bilinear2();  // bilinear doubling
