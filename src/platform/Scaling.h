#pragma once

#include <cstdint>

// 2x enlargers from `screen` (320 x 240) into the top-left 640 x 480 of
// `fscreen`. Both surfaces share one pixel format, so pixels are copied as
// they are; rows are addressed through each surface's own pitch. None keeps
// state between frames or allocates.

// Work buffer a scaler may keep; released by gfxShutdown. None uses one.
extern uint8_t *aabuf;

// 1 (the default): on a processor that has wider vector instructions than
// the build's baseline (AVX2 on x86-64), run the loops built for them: the
// scalers' and the 24-bit keyed blit's (gfx_sdl). 0: always the portable
// build. The pixels are the same either way.
extern int wideVectors;

// Whether this build and processor have the wider build at all.
int wideVectorsAvailable();

// Where the wider build exists: GCC on x86-64, where a function can be built
// for AVX2 beside the baseline. The pixel loops are plain loops the compiler
// vectorises (ROW_LOOP: inlined into each build).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define WIDE_VECTORS 1
#define WIDE_TARGET __attribute__((target("avx2")))
#else
#define WIDE_VECTORS 0
#endif

#if defined(__GNUC__)
#define ROW_LOOP inline __attribute__((always_inline))
#define RESTRICT __restrict__
#else
#define ROW_LOOP inline
#define RESTRICT
#endif

void zoom2();      // plain doubling: every pixel becomes a 2 x 2 block
void Scale2X();    // the Scale2x edge-smoothing rule
void Scanline2x(); // doubling with dark odd rows
void Bilinear2();  // bilinear doubling
