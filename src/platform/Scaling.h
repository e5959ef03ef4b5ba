#pragma once

#include <cstdint>

// 2x enlargers from `screen` (320 x 240) into the top-left 640 x 480 of
// `fscreen`. Both surfaces share one pixel format, so pixels are copied as
// they are; rows are addressed through each surface's own pitch. None keeps
// state between frames or allocates.

// 1 (the default): on a processor that has wider vector instructions than
// the build's baseline (AVX2 on x86-64, NEON on ARM), run the loops built for
// them: the scalers' and, on x86-64, the 24-bit keyed blit's (gfx_sdl). 0:
// always the portable build. The pixels are the same either way.
extern int wideVectors;

// Whether this build and processor have the wider build at all.
int wideVectorsAvailable();

// Where the wider build exists. With GCC on x86-64 a function can be built
// for AVX2 beside the baseline (WIDE_AVX2); the pixel loops are plain loops
// the compiler vectorises (ROW_LOOP: inlined into each build), the 24-bit
// rows shuffle bytes with intrinsics. On ARM the wider build is written with
// NEON intrinsics (WIDE_NEON): 64-bit ARM has NEON in its baseline, where it
// is the portable build that stays without them; on 32-bit ARM (GCC on
// Linux, which tells whether the processor has NEON) the functions are built
// for NEON beside a baseline without it.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define WIDE_VECTORS 1
#define WIDE_AVX2 1
#define WIDE_NAME "avx2"
#define WIDE_TARGET __attribute__((target("avx2")))
#elif defined(__GNUC__) && defined(__aarch64__)
#define WIDE_VECTORS 1
#define WIDE_NEON 1
#define WIDE_NAME "neon"
#define WIDE_TARGET
#elif defined(__GNUC__) && !defined(__clang__) && defined(__arm__) && defined(__linux__)
#define WIDE_VECTORS 1
#define WIDE_NEON 1
#define WIDE_NAME "neon"
#define WIDE_TARGET __attribute__((target("fpu=neon")))
#elif defined(__wasm_simd128__)
// In the browser SIMD is the whole program's (a browser without it cannot
// load it), so the wider build is always there: the 16-bit zoom and scan
// lines written with its intrinsics. The portable build stays scalar: its
// loops vectorised by the compiler ran slower there than without.
#define WIDE_VECTORS 1
#define WIDE_WASM 1
#define WIDE_NAME "simd128"
#define WIDE_TARGET
#else
#define WIDE_VECTORS 0
#define WIDE_NAME "none"
#endif
#ifndef WIDE_AVX2
#define WIDE_AVX2 0
#endif
#ifndef WIDE_NEON
#define WIDE_NEON 0
#endif
#ifndef WIDE_WASM
#define WIDE_WASM 0
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
