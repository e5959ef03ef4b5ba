#include "platform/Scaling.h"

#include "platform/gfx_sdl.h"

#include <cstring>
#if WIDE_NEON && defined(__arm__)
#include <sys/auxv.h>
#endif
#if WIDE_WASM
#include <wasm_simd128.h>
#endif

int wideVectors = 1;

enum { SRC_W = 320, SRC_H = 240, DST_W = 2 * SRC_W };

// The row loops are plain loops the compiler vectorises, inlined into each
// frame function. On x86-64 every frame function is built twice, for the
// baseline and for AVX2, and the processor's abilities pick one each frame;
// the 24-bit rows of the AVX2 build shuffle bytes with intrinsics. On ARM the
// second build's rows are NEON intrinsics throughout (see Neon16, Neon24).

// Byte-moving loops that do not vectorise are mostly loop overhead.
#if defined(__GNUC__) && !defined(__clang__)
#define UNROLL _Pragma("GCC unroll 8")
#else
#define UNROLL
#endif

// The locked surfaces of one frame.
struct Frame {
    const uint8_t *src;
    int srcPitch;
    uint8_t *dst;
    int dstPitch;
    uint16_t dark16; // the top bit of each channel of a 16-bit pixel
    uint16_t half16; // the average's mask: each upper channel's lowest bit clear
};

static ROW_LOOP const uint8_t *srcRow(const Frame &f, int y) {
    return f.src + size_t(y) * size_t(f.srcPitch);
}

static ROW_LOOP uint8_t *dstRow(const Frame &f, int y) {
    return f.dst + size_t(y) * size_t(f.dstPitch);
}

static ROW_LOOP const uint16_t *srcRow16(const Frame &f, int y) {
    return reinterpret_cast<const uint16_t *>(srcRow(f, y));
}

static ROW_LOOP uint16_t *dstRow16(const Frame &f, int y) {
    return reinterpret_cast<uint16_t *>(dstRow(f, y));
}

// One 2 x 2 block of Scale2x from E and its neighbours B above, D left,
// F right and H below; `t` is in the upper output row, `u` in the lower.
template <class P> static ROW_LOOP void scale2xBlock(P B, P D, P E, P F, P H, P *t, P *u) {
    const bool smooth = (B != H) & (D != F);
    t[0] = (smooth & (D == B)) ? D : E;
    t[1] = (smooth & (B == F)) ? F : E;
    u[0] = (smooth & (D == H)) ? D : E;
    u[1] = (smooth & (H == F)) ? F : E;
}

// 16-bit pixels: whole values, the channels where the format puts them.
// Row loops take the source row `s`, the rows above `a` and below `b` (the
// row itself at the picture's edge), and write output rows `t` and `u`.

struct Px16 {
    uint16_t dark, half;
    // The masked average, written without the plain sum so that red's carry
    // needs no seventeenth bit.
    uint16_t avg(uint16_t a, uint16_t b) const {
        const unsigned x = a & half, y = b & half;
        return uint16_t((x & y) + ((x ^ y) >> 1));
    }
    uint16_t darken(uint16_t p) const { return uint16_t((p & dark) >> 2); }
};

static ROW_LOOP void doubleRow16(const uint16_t *RESTRICT s, uint16_t *RESTRICT t) {
    for (int x = 0; x < SRC_W; x++)
        t[2 * x] = t[2 * x + 1] = s[x];
}

static ROW_LOOP void darkRow16(const Px16 &px, const uint16_t *RESTRICT s, uint16_t *RESTRICT u) {
    for (int x = 0; x < SRC_W; x++)
        u[2 * x] = u[2 * x + 1] = px.darken(s[x]);
}

static ROW_LOOP void scale2xRow16(const uint16_t *RESTRICT a, const uint16_t *RESTRICT s,
                                  const uint16_t *RESTRICT b, uint16_t *RESTRICT t,
                                  uint16_t *RESTRICT u) {
    scale2xBlock(a[0], s[0], s[0], s[1], b[0], t, u);
    for (int x = 1; x < SRC_W - 1; x++)
        scale2xBlock(a[x], s[x - 1], s[x], s[x + 1], b[x], t + 2 * x, u + 2 * x);
    const int x = SRC_W - 1;
    scale2xBlock(a[x], s[x - 1], s[x], s[x], b[x], t + 2 * x, u + 2 * x);
}

// Rows above the last; the last column is E over avg(E, H).
static ROW_LOOP void bilinearRow16(const Px16 &px, const uint16_t *RESTRICT s,
                                   const uint16_t *RESTRICT b, uint16_t *RESTRICT t,
                                   uint16_t *RESTRICT u) {
    for (int x = 0; x < SRC_W - 1; x++) {
        const uint16_t right = px.avg(s[x], s[x + 1]);
        t[2 * x] = s[x];
        t[2 * x + 1] = right;
        u[2 * x] = px.avg(s[x], b[x]);
        u[2 * x + 1] = px.avg(right, px.avg(b[x], b[x + 1]));
    }
    const int x = SRC_W - 1;
    t[2 * x] = t[2 * x + 1] = s[x];
    u[2 * x] = u[2 * x + 1] = px.avg(s[x], b[x]);
}

// The last source row: E and avg(E, F), the corner pixel twice.
static ROW_LOOP void bilinearLastRow16(const Px16 &px, const uint16_t *RESTRICT s,
                                       uint16_t *RESTRICT t) {
    for (int x = 0; x < SRC_W - 1; x++) {
        t[2 * x] = s[x];
        t[2 * x + 1] = px.avg(s[x], s[x + 1]);
    }
    t[2 * SRC_W - 2] = t[2 * SRC_W - 1] = s[SRC_W - 1];
}

// 24-bit pixels. Plain doubling moves bytes. The other scalers unpack each
// source row once into 32-bit values (the three bytes in the low 24 bits),
// with the edge pixel repeated on either side: then a missing neighbour
// beyond the edge is the pixel itself with no case of its own, and at 24 bits
// the bilinear scaler's directly written last column and rows come out the
// same as its formulas with those stand-ins. Every arithmetic step works on
// each byte by itself.
enum { PADDED_W = SRC_W + 2 };

// The portable build: plain loops over the pixels, the 32-bit rows'
// arithmetic kept within each byte.
struct Plain24 {
    static ROW_LOOP uint32_t avg(uint32_t a, uint32_t b) {
        return (a & b) + (((a ^ b) >> 1) & 0x7F7F7Fu);
    }
    // (e + f + h + i) / 4 of each byte: bytes 0 and 2 side by side, then 1.
    static ROW_LOOP uint32_t avg4(uint32_t e, uint32_t f, uint32_t h, uint32_t i) {
        const uint32_t even = (e & 0xFF00FFu) + (f & 0xFF00FFu) + (h & 0xFF00FFu) + (i & 0xFF00FFu);
        const uint32_t odd = (e & 0xFF00u) + (f & 0xFF00u) + (h & 0xFF00u) + (i & 0xFF00u);
        return ((even >> 2) & 0xFF00FFu) | ((odd >> 2) & 0xFF00u);
    }
    // On a little-endian processor a pixel is read as four bytes, the
    // fourth (the next pixel's) masked off, and written as four, the fourth
    // covered by the next pixel's write; each row's last pixel goes byte by
    // byte so nothing past it is touched.
    static ROW_LOOP uint32_t readLast(const uint8_t *p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    }
    static ROW_LOOP uint32_t read(const uint8_t *p) {
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
        uint32_t v;
        memcpy(&v, p, 4);
        return v & 0xFFFFFFu;
#else
        return readLast(p);
#endif
    }
    static ROW_LOOP void writeLast(uint8_t *d, uint32_t v) {
        d[0] = uint8_t(v);
        d[1] = uint8_t(v >> 8);
        d[2] = uint8_t(v >> 16);
    }
    static ROW_LOOP void write(uint8_t *d, uint32_t v) {
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
        memcpy(d, &v, 4);
#else
        writeLast(d, v);
#endif
    }
    static ROW_LOOP void unpack(const uint8_t *RESTRICT s, uint32_t *RESTRICT p) {
        UNROLL
        for (int x = 0; x < SRC_W - 1; x++)
            p[x + 1] = read(s + 3 * x);
        p[SRC_W] = readLast(s + 3 * (SRC_W - 1));
        p[0] = p[1];
        p[SRC_W + 1] = p[SRC_W];
    }
    static ROW_LOOP void pack(const uint32_t *RESTRICT p, uint8_t *RESTRICT d) {
        UNROLL
        for (int i = 0; i < DST_W - 1; i++)
            write(d + 3 * i, p[i]);
        writeLast(d + 3 * (DST_W - 1), p[DST_W - 1]);
    }
    static ROW_LOOP void twice(const uint8_t *RESTRICT s, uint8_t *RESTRICT d) {
        UNROLL
        for (int x = 0; x < SRC_W - 1; x++) {
            const uint32_t v = read(s + 3 * x);
            write(d + 6 * x, v);
            write(d + 6 * x + 3, v);
        }
        const uint32_t v = readLast(s + 3 * (SRC_W - 1));
        writeLast(d + 6 * (SRC_W - 1), v);
        writeLast(d + 6 * (SRC_W - 1) + 3, v);
    }
    // `a`, `s` and `b` are unpacked rows, margins included.
    static ROW_LOOP void scale2xRow(const uint32_t *RESTRICT a, const uint32_t *RESTRICT s,
                                    const uint32_t *RESTRICT b, uint8_t *RESTRICT t,
                                    uint8_t *RESTRICT u) {
        uint32_t upper[DST_W], lower[DST_W];
        for (int x = 0; x < SRC_W; x++)
            scale2xBlock(a[x + 1], s[x], s[x + 1], s[x + 2], b[x + 1], upper + 2 * x,
                         lower + 2 * x);
        pack(upper, t);
        pack(lower, u);
    }
    static ROW_LOOP void bilinearRow(const uint32_t *RESTRICT s, const uint32_t *RESTRICT b,
                                     uint8_t *RESTRICT t, uint8_t *RESTRICT u) {
        uint32_t upper[DST_W], lower[DST_W];
        for (int x = 0; x < SRC_W; x++) {
            const uint32_t E = s[x + 1], F = s[x + 2], H = b[x + 1], I = b[x + 2];
            upper[2 * x] = E;
            upper[2 * x + 1] = avg(E, F);
            lower[2 * x] = avg(E, H);
            lower[2 * x + 1] = avg4(E, F, H, I);
        }
        pack(upper, t);
        pack(lower, u);
    }
};

#if WIDE_AVX2
#include <immintrin.h>

// Whole-row steps, called (not inlined) from the frame loops.
#define WIDE_LOOP WIDE_TARGET

// Byte shuffles, -1 leaving a zero: four 3-byte pixels to 32-bit values and
// back.
static const int8_t spread24[16] = {0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1};
static const int8_t gather24[16] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1};

// Eight pixels doubled: 48 output bytes in three chunks of 16, chunk c made
// from the 16 source bytes at offset 4c.
static const int8_t twice24[3][16] = {
    {0, 1, 2, 0, 1, 2, 3, 4, 5, 3, 4, 5, 6, 7, 8, 6},
    {3, 4, 5, 6, 7, 5, 6, 7, 8, 9, 10, 8, 9, 10, 11, 12},
    {9, 7, 8, 9, 10, 11, 12, 10, 11, 12, 13, 14, 15, 13, 14, 15},
};

struct Wide24 {
    static WIDE_LOOP __m128i load16(const void *p) {
        return _mm_loadu_si128(static_cast<const __m128i *>(p));
    }
    static WIDE_LOOP void store16(void *p, __m128i v) {
        _mm_storeu_si128(static_cast<__m128i *>(p), v);
    }
    static WIDE_LOOP __m256i load32(const uint32_t *p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    }
    // The floor of each byte's average: the rounding-up average, less the
    // half that was rounded up.
    static WIDE_LOOP __m256i avg(__m256i a, __m256i b, __m256i ones) {
        return _mm256_sub_epi8(_mm256_avg_epu8(a, b),
                               _mm256_and_si256(_mm256_xor_si256(a, b), ones));
    }
    // Sixteen pixels a step, every load inside the step's 48 bytes.
    static WIDE_LOOP void unpack(const uint8_t *RESTRICT s, uint32_t *RESTRICT p) {
        const __m128i spread = load16(spread24);
        uint32_t *q = p + 1;
        for (int x = 0; x < SRC_W; x += 16, s += 48, q += 16) {
            const __m128i in0 = load16(s), in1 = load16(s + 16), in2 = load16(s + 32);
            store16(q, _mm_shuffle_epi8(in0, spread));
            store16(q + 4, _mm_shuffle_epi8(_mm_alignr_epi8(in1, in0, 12), spread));
            store16(q + 8, _mm_shuffle_epi8(_mm_alignr_epi8(in2, in1, 8), spread));
            store16(q + 12, _mm_shuffle_epi8(_mm_srli_si128(in2, 4), spread));
        }
        p[0] = p[1];
        p[SRC_W + 1] = p[SRC_W];
    }
    static WIDE_LOOP void twice(const uint8_t *RESTRICT s, uint8_t *RESTRICT d) {
        const __m128i m0 = load16(twice24[0]), m1 = load16(twice24[1]), m2 = load16(twice24[2]);
        for (int x = 0; x < SRC_W; x += 8, s += 24, d += 48) {
            store16(d, _mm_shuffle_epi8(load16(s), m0));
            store16(d + 16, _mm_shuffle_epi8(load16(s + 4), m1));
            store16(d + 32, _mm_shuffle_epi8(load16(s + 8), m2));
        }
    }
    // Sixteen output pixels a0 b0 a1 b1 ... a7 b7 as 48 bytes. Interleaving
    // works within each 128-bit lane, so the lanes hold output pixels 0-3 and
    // 8-11 (lo), 4-7 and 12-15 (hi); each lane's four pixels are packed into
    // its low 12 bytes and stored as 16, the next store covering the extra 4.
    // At the end of the row the last store would pass it, so it is exact.
    static WIDE_LOOP void storePairs(uint8_t *d, __m256i a, __m256i b, __m256i gather,
                                     bool rowEnd) {
        const __m256i lo = _mm256_shuffle_epi8(_mm256_unpacklo_epi32(a, b), gather);
        const __m256i hi = _mm256_shuffle_epi8(_mm256_unpackhi_epi32(a, b), gather);
        store16(d, _mm256_castsi256_si128(lo));
        store16(d + 12, _mm256_castsi256_si128(hi));
        store16(d + 24, _mm256_extracti128_si256(lo, 1));
        const __m128i last = _mm256_extracti128_si256(hi, 1);
        if (!rowEnd) {
            store16(d + 36, last);
            return;
        }
        _mm_storel_epi64(reinterpret_cast<__m128i *>(d + 36), last);
        const uint32_t tail = uint32_t(_mm_extract_epi32(last, 2));
        memcpy(d + 44, &tail, 4);
    }
    static WIDE_LOOP void scale2xRow(const uint32_t *RESTRICT a, const uint32_t *RESTRICT s,
                                     const uint32_t *RESTRICT b, uint8_t *RESTRICT t,
                                     uint8_t *RESTRICT u) {
        const __m256i gather = _mm256_broadcastsi128_si256(load16(gather24));
        for (int x = 0; x < SRC_W; x += 8) {
            const __m256i B = load32(a + x + 1), D = load32(s + x), E = load32(s + x + 1),
                          F = load32(s + x + 2), H = load32(b + x + 1);
            const __m256i flat =
                _mm256_or_si256(_mm256_cmpeq_epi32(B, H), _mm256_cmpeq_epi32(D, F));
            const __m256i DB = _mm256_andnot_si256(flat, _mm256_cmpeq_epi32(D, B));
            const __m256i BF = _mm256_andnot_si256(flat, _mm256_cmpeq_epi32(B, F));
            const __m256i DH = _mm256_andnot_si256(flat, _mm256_cmpeq_epi32(D, H));
            const __m256i HF = _mm256_andnot_si256(flat, _mm256_cmpeq_epi32(H, F));
            const bool rowEnd = x == SRC_W - 8;
            storePairs(t + 6 * x, _mm256_blendv_epi8(E, D, DB), _mm256_blendv_epi8(E, F, BF),
                       gather, rowEnd);
            storePairs(u + 6 * x, _mm256_blendv_epi8(E, D, DH), _mm256_blendv_epi8(E, F, HF),
                       gather, rowEnd);
        }
    }
    // The four-way floor is the floor of the two averages' average, plus
    // one half when both pairs lost one.
    static WIDE_LOOP void bilinearRow(const uint32_t *RESTRICT s, const uint32_t *RESTRICT b,
                                      uint8_t *RESTRICT t, uint8_t *RESTRICT u) {
        const __m256i ones = _mm256_set1_epi8(1);
        const __m256i gather = _mm256_broadcastsi128_si256(load16(gather24));
        for (int x = 0; x < SRC_W; x += 8) {
            const __m256i E = load32(s + x + 1), F = load32(s + x + 2), H = load32(b + x + 1),
                          I = load32(b + x + 2);
            const __m256i lostEF = _mm256_and_si256(_mm256_xor_si256(E, F), ones);
            const __m256i lostHI = _mm256_and_si256(_mm256_xor_si256(H, I), ones);
            const __m256i right = avg(E, F, ones), below = avg(H, I, ones);
            const __m256i lost =
                _mm256_andnot_si256(_mm256_and_si256(lostEF, lostHI),
                                    _mm256_and_si256(_mm256_xor_si256(right, below), ones));
            const __m256i corner = _mm256_sub_epi8(_mm256_avg_epu8(right, below), lost);
            const bool rowEnd = x == SRC_W - 8;
            storePairs(t + 6 * x, E, right, gather, rowEnd);
            storePairs(u + 6 * x, avg(E, H, ones), corner, gather, rowEnd);
        }
    }
};
#endif

#if WIDE_NEON
#include <arm_neon.h>

// Every function that touches a NEON register is built for NEON itself (on
// 32-bit ARM the baseline has none) and inlined into the frame functions.
#define NEON_LOOP WIDE_TARGET ROW_LOOP

// Eight 16-bit pixels a step. The neighbour beyond either end of a row is the
// pixel itself: the vector shifted by one lane with its end lane repeated.
struct Neon16 {
    static NEON_LOOP uint16x8_t leftEdge(uint16x8_t E) {
        return vextq_u16(vdupq_n_u16(vgetq_lane_u16(E, 0)), E, 7);
    }
    static NEON_LOOP uint16x8_t rightEdge(uint16x8_t E) {
        return vextq_u16(E, vdupq_n_u16(vgetq_lane_u16(E, 7)), 1);
    }
    // Output pixels 2x from `even` and 2x + 1 from `odd`.
    static NEON_LOOP void store(uint16_t *d, uint16x8_t even, uint16x8_t odd) {
        const uint16x8x2_t pair = {{even, odd}};
        vst2q_u16(d, pair);
    }
    // Each pixel of E twice. On 64-bit ARM zipped and stored as two vectors,
    // which GCC keeps in place, where a vst2q of E with itself costs two
    // moves; on 32-bit ARM the zip works in place and costs the moves.
    static NEON_LOOP void storeTwice(uint16_t *d, uint16x8_t E) {
#if defined(__aarch64__)
        const uint16x8x2_t pair = vzipq_u16(E, E);
        vst1q_u16(d, pair.val[0]);
        vst1q_u16(d + 8, pair.val[1]);
#else
        store(d, E, E);
#endif
    }
    // Sixteen pixels a step: half the loop's own instructions.
    static NEON_LOOP void zoomRows(const uint16_t *s, uint16_t *t, uint16_t *u) {
        for (int x = 0; x < SRC_W; x += 16) {
            const uint16x8_t E = vld1q_u16(s + x), G = vld1q_u16(s + x + 8);
            storeTwice(t + 2 * x, E);
            storeTwice(t + 2 * x + 16, G);
            storeTwice(u + 2 * x, E);
            storeTwice(u + 2 * x + 16, G);
        }
    }
    static NEON_LOOP void scanlineRows(const Px16 &px, const uint16_t *s, uint16_t *t,
                                       uint16_t *u) {
        const uint16x8_t dark = vdupq_n_u16(px.dark);
        for (int x = 0; x < SRC_W; x += 16) {
            const uint16x8_t E = vld1q_u16(s + x), G = vld1q_u16(s + x + 8);
            storeTwice(t + 2 * x, E);
            storeTwice(t + 2 * x + 16, G);
            storeTwice(u + 2 * x, vshrq_n_u16(vandq_u16(E, dark), 2));
            storeTwice(u + 2 * x + 16, vshrq_n_u16(vandq_u16(G, dark), 2));
        }
    }
    // The rule of scale2xBlock in four comparisons: with D == B, "B != H and
    // D != F" is "D != H and B != F", and so on for each corner.
    static NEON_LOOP void scale2xStep(uint16x8_t B, uint16x8_t D, uint16x8_t E, uint16x8_t F,
                                      uint16x8_t H, uint16_t *t, uint16_t *u) {
        const uint16x8_t DB = vceqq_u16(D, B), BF = vceqq_u16(B, F), DH = vceqq_u16(D, H),
                         HF = vceqq_u16(H, F);
        const uint16x8_t notB = vorrq_u16(BF, DH), notH = vorrq_u16(DB, HF);
        store(t, vbslq_u16(vbicq_u16(DB, notB), D, E), vbslq_u16(vbicq_u16(BF, notH), F, E));
        store(u, vbslq_u16(vbicq_u16(DH, notH), D, E), vbslq_u16(vbicq_u16(HF, notB), F, E));
    }
    static NEON_LOOP void scale2xRows(const uint16_t *a, const uint16_t *s, const uint16_t *b,
                                      uint16_t *t, uint16_t *u) {
        const uint16x8_t first = vld1q_u16(s);
        scale2xStep(vld1q_u16(a), leftEdge(first), first, vld1q_u16(s + 1), vld1q_u16(b), t, u);
        int x = 8;
        for (; x < SRC_W - 8; x += 8)
            scale2xStep(vld1q_u16(a + x), vld1q_u16(s + x - 1), vld1q_u16(s + x),
                        vld1q_u16(s + x + 1), vld1q_u16(b + x), t + 2 * x, u + 2 * x);
        const uint16x8_t last = vld1q_u16(s + x);
        scale2xStep(vld1q_u16(a + x), vld1q_u16(s + x - 1), last, rightEdge(last), vld1q_u16(b + x),
                    t + 2 * x, u + 2 * x);
    }
    // The masked average is a halving add of the masked pixels: the sum's
    // seventeenth bit is kept.
    static NEON_LOOP uint16x8_t avg(uint16x8_t a, uint16x8_t b, uint16x8_t half) {
        return vhaddq_u16(vandq_u16(a, half), vandq_u16(b, half));
    }
    // At the `rowEnd` the last column is E over avg(E, H).
    static NEON_LOOP void bilinearStep(uint16x8_t E, uint16x8_t F, uint16x8_t H, uint16x8_t I,
                                       uint16x8_t half, bool rowEnd, uint16_t *t, uint16_t *u) {
        const uint16x8_t below = avg(E, H, half);
        uint16x8_t right = avg(E, F, half), corner = avg(right, avg(H, I, half), half);
        if (rowEnd) {
            right = vbslq_u16(lastLane(), E, right);
            corner = vbslq_u16(lastLane(), below, corner);
        }
        store(t, E, right);
        store(u, below, corner);
    }
    static NEON_LOOP void bilinearRows(const Px16 &px, const uint16_t *s, const uint16_t *b,
                                       uint16_t *t, uint16_t *u) {
        const uint16x8_t half = vdupq_n_u16(px.half);
        int x = 0;
        for (; x < SRC_W - 8; x += 8)
            bilinearStep(vld1q_u16(s + x), vld1q_u16(s + x + 1), vld1q_u16(b + x),
                         vld1q_u16(b + x + 1), half, false, t + 2 * x, u + 2 * x);
        const uint16x8_t E = vld1q_u16(s + x), H = vld1q_u16(b + x);
        bilinearStep(E, rightEdge(E), H, rightEdge(H), half, true, t + 2 * x, u + 2 * x);
    }
    // The last source row: E and avg(E, F), the corner pixel twice.
    static NEON_LOOP void bilinearLastRows(const Px16 &px, const uint16_t *s, uint16_t *t,
                                           uint16_t *u) {
        const uint16x8_t half = vdupq_n_u16(px.half);
        int x = 0;
        for (; x < SRC_W - 8; x += 8) {
            const uint16x8_t E = vld1q_u16(s + x), right = avg(E, vld1q_u16(s + x + 1), half);
            store(t + 2 * x, E, right);
            store(u + 2 * x, E, right);
        }
        const uint16x8_t E = vld1q_u16(s + x);
        const uint16x8_t right = vbslq_u16(lastLane(), E, avg(E, rightEdge(E), half));
        store(t + 2 * x, E, right);
        store(u + 2 * x, E, right);
    }
    static NEON_LOOP uint16x8_t lastLane() {
        return vextq_u16(vdupq_n_u16(0), vdupq_n_u16(0xFFFF), 1);
    }

    // Frames; each function of a NEON build must be built for it, so these
    // are the portable build's loops over again.
    static NEON_LOOP void zoom(const Frame &f) {
        for (int y = 0; y < SRC_H; y++)
            zoomRows(srcRow16(f, y), dstRow16(f, 2 * y), dstRow16(f, 2 * y + 1));
    }
    static NEON_LOOP void scanline(const Frame &f) {
        const Px16 px = {f.dark16, f.half16};
        for (int y = 0; y < SRC_H; y++)
            scanlineRows(px, srcRow16(f, y), dstRow16(f, 2 * y), dstRow16(f, 2 * y + 1));
    }
    static NEON_LOOP void scale2x(const Frame &f) {
        for (int y = 0; y < SRC_H; y++) {
            const uint16_t *s = srcRow16(f, y);
            const uint16_t *a = y > 0 ? srcRow16(f, y - 1) : s;
            const uint16_t *b = y < SRC_H - 1 ? srcRow16(f, y + 1) : s;
            scale2xRows(a, s, b, dstRow16(f, 2 * y), dstRow16(f, 2 * y + 1));
        }
    }
    static NEON_LOOP void bilinear(const Frame &f) {
        const Px16 px = {f.dark16, f.half16};
        for (int y = 0; y < SRC_H - 1; y++)
            bilinearRows(px, srcRow16(f, y), srcRow16(f, y + 1), dstRow16(f, 2 * y),
                         dstRow16(f, 2 * y + 1));
        bilinearLastRows(px, srcRow16(f, SRC_H - 1), dstRow16(f, 2 * SRC_H - 2),
                         dstRow16(f, 2 * SRC_H - 1));
    }
};

// Sixteen 24-bit pixels a step, as one vector per byte of a pixel: every
// step works on each byte by itself. The steps of a row load at most the
// row's own bytes.
typedef uint8x16x3_t Px24;

struct Neon24 {
    static NEON_LOOP Px24 load(const uint8_t *p) { return vld3q_u8(p); }
    static NEON_LOOP Px24 leftEdge(Px24 E) {
        for (int c = 0; c < 3; c++)
            E.val[c] = vextq_u8(vdupq_n_u8(vgetq_lane_u8(E.val[c], 0)), E.val[c], 15);
        return E;
    }
    static NEON_LOOP Px24 rightEdge(Px24 E) {
        for (int c = 0; c < 3; c++)
            E.val[c] = vextq_u8(E.val[c], vdupq_n_u8(vgetq_lane_u8(E.val[c], 15)), 1);
        return E;
    }
    // Thirty-two output pixels, 2x from `even` and 2x + 1 from `odd`.
    static NEON_LOOP void store(uint8_t *d, Px24 even, Px24 odd) {
        Px24 lo, hi;
        for (int c = 0; c < 3; c++) {
            const uint8x16x2_t z = vzipq_u8(even.val[c], odd.val[c]);
            lo.val[c] = z.val[0];
            hi.val[c] = z.val[1];
        }
        vst3q_u8(d, lo);
        vst3q_u8(d + 48, hi);
    }
    static NEON_LOOP void zoomRows(const uint8_t *s, uint8_t *t, uint8_t *u) {
        for (int x = 0; x < SRC_W; x += 16) {
            const Px24 E = load(s + 3 * x);
            store(t + 6 * x, E, E);
            store(u + 6 * x, E, E);
        }
    }
    static NEON_LOOP void scanlineRows(const uint8_t *s, uint8_t *t, uint8_t *u) {
        const uint8x16_t top = vdupq_n_u8(0x80);
        for (int x = 0; x < SRC_W; x += 16) {
            const Px24 E = load(s + 3 * x);
            Px24 low;
            for (int c = 0; c < 3; c++)
                low.val[c] = vshrq_n_u8(vandq_u8(E.val[c], top), 2);
            store(t + 6 * x, E, E);
            store(u + 6 * x, low, low);
        }
    }
    static NEON_LOOP uint8x16_t same(Px24 p, Px24 q) {
        return vandq_u8(vandq_u8(vceqq_u8(p.val[0], q.val[0]), vceqq_u8(p.val[1], q.val[1])),
                        vceqq_u8(p.val[2], q.val[2]));
    }
    static NEON_LOOP Px24 pick(uint8x16_t where, Px24 p, Px24 E) {
        for (int c = 0; c < 3; c++)
            E.val[c] = vbslq_u8(where, p.val[c], E.val[c]);
        return E;
    }
    // As Neon16::scale2xStep.
    static NEON_LOOP void scale2xStep(Px24 B, Px24 D, Px24 E, Px24 F, Px24 H, uint8_t *t,
                                      uint8_t *u) {
        const uint8x16_t DB = same(D, B), BF = same(B, F), DH = same(D, H), HF = same(H, F);
        const uint8x16_t notB = vorrq_u8(BF, DH), notH = vorrq_u8(DB, HF);
        store(t, pick(vbicq_u8(DB, notB), D, E), pick(vbicq_u8(BF, notH), F, E));
        store(u, pick(vbicq_u8(DH, notH), D, E), pick(vbicq_u8(HF, notB), F, E));
    }
    static NEON_LOOP void scale2xRows(const uint8_t *a, const uint8_t *s, const uint8_t *b,
                                      uint8_t *t, uint8_t *u) {
        const Px24 first = load(s);
        scale2xStep(load(a), leftEdge(first), first, load(s + 3), load(b), t, u);
        int x = 16;
        for (; x < SRC_W - 16; x += 16)
            scale2xStep(load(a + 3 * x), load(s + 3 * x - 3), load(s + 3 * x), load(s + 3 * x + 3),
                        load(b + 3 * x), t + 6 * x, u + 6 * x);
        const Px24 last = load(s + 3 * x);
        scale2xStep(load(a + 3 * x), load(s + 3 * x - 3), last, rightEdge(last), load(b + 3 * x),
                    t + 6 * x, u + 6 * x);
    }
    // (e + f + h + i) / 4 of each byte, in 16 bits.
    static NEON_LOOP uint8x16_t avg4(uint8x16_t e, uint8x16_t f, uint8x16_t h, uint8x16_t i) {
        const uint16x8_t lo = vaddq_u16(vaddl_u8(vget_low_u8(e), vget_low_u8(f)),
                                        vaddl_u8(vget_low_u8(h), vget_low_u8(i)));
        const uint16x8_t hi = vaddq_u16(vaddl_u8(vget_high_u8(e), vget_high_u8(f)),
                                        vaddl_u8(vget_high_u8(h), vget_high_u8(i)));
        return vcombine_u8(vshrn_n_u16(lo, 2), vshrn_n_u16(hi, 2));
    }
    // With the edge pixel standing in beyond the last column and row the
    // formulas give the directly written pixels there too (see Plain24).
    static NEON_LOOP void bilinearStep(Px24 E, Px24 F, Px24 H, Px24 I, uint8_t *t, uint8_t *u) {
        Px24 right, below, corner;
        for (int c = 0; c < 3; c++) {
            right.val[c] = vhaddq_u8(E.val[c], F.val[c]);
            below.val[c] = vhaddq_u8(E.val[c], H.val[c]);
            corner.val[c] = avg4(E.val[c], F.val[c], H.val[c], I.val[c]);
        }
        store(t, E, right);
        store(u, below, corner);
    }
    static NEON_LOOP void bilinearRows(const uint8_t *s, const uint8_t *b, uint8_t *t, uint8_t *u) {
        int x = 0;
        for (; x < SRC_W - 16; x += 16)
            bilinearStep(load(s + 3 * x), load(s + 3 * x + 3), load(b + 3 * x), load(b + 3 * x + 3),
                         t + 6 * x, u + 6 * x);
        const Px24 E = load(s + 3 * x), H = load(b + 3 * x);
        bilinearStep(E, rightEdge(E), H, rightEdge(H), t + 6 * x, u + 6 * x);
    }

    // Frames: the source rows as stored, no unpacked copy.
    static NEON_LOOP void zoom(const Frame &f) {
        for (int y = 0; y < SRC_H; y++)
            zoomRows(srcRow(f, y), dstRow(f, 2 * y), dstRow(f, 2 * y + 1));
    }
    static NEON_LOOP void scanline(const Frame &f) {
        for (int y = 0; y < SRC_H; y++)
            scanlineRows(srcRow(f, y), dstRow(f, 2 * y), dstRow(f, 2 * y + 1));
    }
    static NEON_LOOP void scale2x(const Frame &f) {
        for (int y = 0; y < SRC_H; y++) {
            const uint8_t *s = srcRow(f, y);
            const uint8_t *a = y > 0 ? srcRow(f, y - 1) : s;
            const uint8_t *b = y < SRC_H - 1 ? srcRow(f, y + 1) : s;
            scale2xRows(a, s, b, dstRow(f, 2 * y), dstRow(f, 2 * y + 1));
        }
    }
    static NEON_LOOP void bilinear(const Frame &f) {
        for (int y = 0; y < SRC_H; y++) {
            const uint8_t *s = srcRow(f, y), *b = y < SRC_H - 1 ? srcRow(f, y + 1) : s;
            bilinearRows(s, b, dstRow(f, 2 * y), dstRow(f, 2 * y + 1));
        }
    }
};
#endif

// Frames.

// The 16-bit frames of the portable and AVX2 builds.
struct Plain16 {
    static ROW_LOOP void zoom(const Frame &f) {
        for (int y = 0; y < SRC_H; y++) {
            doubleRow16(srcRow16(f, y), dstRow16(f, 2 * y));
            doubleRow16(srcRow16(f, y), dstRow16(f, 2 * y + 1));
        }
    }
    static ROW_LOOP void scanline(const Frame &f) {
        const Px16 px = {f.dark16, f.half16};
        for (int y = 0; y < SRC_H; y++) {
            doubleRow16(srcRow16(f, y), dstRow16(f, 2 * y));
            darkRow16(px, srcRow16(f, y), dstRow16(f, 2 * y + 1));
        }
    }
    static ROW_LOOP void scale2x(const Frame &f) {
        for (int y = 0; y < SRC_H; y++) {
            const uint16_t *s = srcRow16(f, y);
            const uint16_t *a = y > 0 ? srcRow16(f, y - 1) : s;
            const uint16_t *b = y < SRC_H - 1 ? srcRow16(f, y + 1) : s;
            scale2xRow16(a, s, b, dstRow16(f, 2 * y), dstRow16(f, 2 * y + 1));
        }
    }
    static ROW_LOOP void bilinear(const Frame &f) {
        const Px16 px = {f.dark16, f.half16};
        for (int y = 0; y < SRC_H - 1; y++)
            bilinearRow16(px, srcRow16(f, y), srcRow16(f, y + 1), dstRow16(f, 2 * y),
                          dstRow16(f, 2 * y + 1));
        bilinearLastRow16(px, srcRow16(f, SRC_H - 1), dstRow16(f, 2 * SRC_H - 2));
        bilinearLastRow16(px, srcRow16(f, SRC_H - 1), dstRow16(f, 2 * SRC_H - 1));
    }
};

// The 24-bit frames of the builds that unpack rows (B: Plain24 or Wide24).
template <class B> struct Unpacked24 {
    // The odd row repeats the even one; only its 640 pixels are copied,
    // never the padding of a wider pitch.
    static ROW_LOOP void zoom(const Frame &f) {
        for (int y = 0; y < SRC_H; y++) {
            B::twice(srcRow(f, y), dstRow(f, 2 * y));
            memcpy(dstRow(f, 2 * y + 1), dstRow(f, 2 * y), DST_W * 3);
        }
    }
    // Darkening is per byte, so it runs on the row as stored.
    static ROW_LOOP void scanline(const Frame &f) {
        uint8_t dark[3 * SRC_W];
        for (int y = 0; y < SRC_H; y++) {
            const uint8_t *s = srcRow(f, y);
            for (int i = 0; i < 3 * SRC_W; i++)
                dark[i] = uint8_t((s[i] & 0x80) >> 2);
            B::twice(s, dstRow(f, 2 * y));
            B::twice(dark, dstRow(f, 2 * y + 1));
        }
    }
    // Unpacked rows in a ring: row y + 1 is unpacked as row y is scaled.
    static ROW_LOOP void scale2x(const Frame &f) {
        uint32_t ring[3][PADDED_W];
        B::unpack(srcRow(f, 0), ring[0]);
        for (int y = 0; y < SRC_H; y++) {
            const uint32_t *s = ring[y % 3], *a = y > 0 ? ring[(y + 2) % 3] : s, *b = s;
            if (y < SRC_H - 1) {
                B::unpack(srcRow(f, y + 1), ring[(y + 1) % 3]);
                b = ring[(y + 1) % 3];
            }
            B::scale2xRow(a, s, b, dstRow(f, 2 * y), dstRow(f, 2 * y + 1));
        }
    }
    static ROW_LOOP void bilinear(const Frame &f) {
        uint32_t ring[2][PADDED_W];
        B::unpack(srcRow(f, 0), ring[0]);
        for (int y = 0; y < SRC_H; y++) {
            const uint32_t *s = ring[y & 1], *b = s;
            if (y < SRC_H - 1) {
                B::unpack(srcRow(f, y + 1), ring[(y + 1) & 1]);
                b = ring[(y + 1) & 1];
            }
            B::bilinearRow(s, b, dstRow(f, 2 * y), dstRow(f, 2 * y + 1));
        }
    }
};

#if WIDE_WASM
// The browser's 16-bit frames: zoom and scan lines eight pixels a step, the
// other two as the portable build's.
struct Wasm16 {
    // Each pixel of E twice, into t[0..15].
    static ROW_LOOP void storeTwice(uint16_t *t, v128_t E) {
        wasm_v128_store(t, wasm_i16x8_shuffle(E, E, 0, 0, 1, 1, 2, 2, 3, 3));
        wasm_v128_store(t + 8, wasm_i16x8_shuffle(E, E, 4, 4, 5, 5, 6, 6, 7, 7));
    }
    // Each row doubled; the odd rows' pixels as (p & oddMask) >> oddShift,
    // which for the scan lines is Px16::darken.
    static ROW_LOOP void doubleRows(const Frame &f, uint16_t oddMask, int oddShift) {
        const v128_t mask = wasm_i16x8_splat(int16_t(oddMask));
        for (int y = 0; y < SRC_H; y++) {
            const uint16_t *s = srcRow16(f, y);
            uint16_t *t = dstRow16(f, 2 * y), *u = dstRow16(f, 2 * y + 1);
            for (int x = 0; x < SRC_W; x += 8) {
                const v128_t E = wasm_v128_load(s + x);
                storeTwice(t + 2 * x, E);
                storeTwice(u + 2 * x, wasm_u16x8_shr(wasm_v128_and(E, mask), oddShift));
            }
        }
    }
    static ROW_LOOP void zoom(const Frame &f) { doubleRows(f, 0xFFFF, 0); }
    static ROW_LOOP void scanline(const Frame &f) { doubleRows(f, f.dark16, 2); }
    static ROW_LOOP void scale2x(const Frame &f) { Plain16::scale2x(f); }
    static ROW_LOOP void bilinear(const Frame &f) { Plain16::bilinear(f); }
};
#endif

// The frame functions of one build, by scaler and depth.
typedef void (*FrameFn)(const Frame &);
struct FrameSet {
    FrameFn zoom[2], scale2x[2], scanline[2], bilinear[2]; // [0] 16-bit, [1] 24-bit
};

// FRAMES16, FRAMES24: the build's frames at either depth.
#define FRAME_SET(NAME, ATTR, FRAMES16, FRAMES24)                                                  \
    ATTR static void NAME##Zoom16(const Frame &f) {                                                \
        FRAMES16::zoom(f);                                                                         \
    }                                                                                              \
    ATTR static void NAME##Zoom24(const Frame &f) {                                                \
        FRAMES24::zoom(f);                                                                         \
    }                                                                                              \
    ATTR static void NAME##Scale2x16(const Frame &f) {                                             \
        FRAMES16::scale2x(f);                                                                      \
    }                                                                                              \
    ATTR static void NAME##Scale2x24(const Frame &f) {                                             \
        FRAMES24::scale2x(f);                                                                      \
    }                                                                                              \
    ATTR static void NAME##Scanline16(const Frame &f) {                                            \
        FRAMES16::scanline(f);                                                                     \
    }                                                                                              \
    ATTR static void NAME##Scanline24(const Frame &f) {                                            \
        FRAMES24::scanline(f);                                                                     \
    }                                                                                              \
    ATTR static void NAME##Bilinear16(const Frame &f) {                                            \
        FRAMES16::bilinear(f);                                                                     \
    }                                                                                              \
    ATTR static void NAME##Bilinear24(const Frame &f) {                                            \
        FRAMES24::bilinear(f);                                                                     \
    }                                                                                              \
    static const FrameSet NAME = {{NAME##Zoom16, NAME##Zoom24},                                    \
                                  {NAME##Scale2x16, NAME##Scale2x24},                              \
                                  {NAME##Scanline16, NAME##Scanline24},                            \
                                  {NAME##Bilinear16, NAME##Bilinear24}};

FRAME_SET(portable, , Plain16, Unpacked24<Plain24>)
#if WIDE_AVX2
FRAME_SET(wide, WIDE_TARGET, Plain16, Unpacked24<Wide24>)
#elif WIDE_NEON
FRAME_SET(wide, WIDE_TARGET, Neon16, Neon24)
#elif WIDE_WASM
FRAME_SET(wide, WIDE_TARGET, Wasm16, Unpacked24<Plain24>)
#endif

int wideVectorsAvailable() {
#if WIDE_AVX2
    return __builtin_cpu_supports("avx2") ? 1 : 0;
#elif WIDE_NEON && defined(__arm__)
    return (getauxval(AT_HWCAP) & HWCAP_ARM_NEON) ? 1 : 0;
#elif WIDE_NEON || WIDE_WASM
    return 1;
#else
    return 0;
#endif
}

static const FrameSet &frameSet() {
#if WIDE_VECTORS
    if (wideVectors && wideVectorsAvailable())
        return wide;
#endif
    return portable;
}

// Sixteen-bit masks from the format's channel positions and widths: the top
// bit of each channel (16, 32 and 16 shifted into place on 5-6-5, and still
// each channel's own top bit on any other layout)...
static uint16_t darkMask(const SDL_PixelFormat *f) {
    return uint16_t((128u >> f->Rloss) << f->Rshift | (128u >> f->Gloss) << f->Gshift |
                    (128u >> f->Bloss) << f->Bshift);
}

// ...and every bit but each channel's lowest, bit 0 kept: the carry of the
// channel there shifts back out.
static uint16_t halfMask(const SDL_PixelFormat *f) {
    return uint16_t(~(1u << f->Rshift | 1u << f->Gshift | 1u << f->Bshift) | 1u);
}

// Locks both surfaces and runs the frame function for screen's depth. The
// scalers know 2 and 3 bytes per pixel; anything else gets plain doubling of
// whole pixels, which stays inside both surfaces.
static void scaleWith(FrameFn const pick[2]) {
    SDL_LockSurface(fscreen);
    SDL_LockSurface(screen);
    const SDL_PixelFormat *format = screen->format;
    const Frame f = {static_cast<const uint8_t *>(screen->pixels),
                     screen->pitch,
                     static_cast<uint8_t *>(fscreen->pixels),
                     fscreen->pitch,
                     darkMask(format),
                     halfMask(format)};
    const int bytes = format->BytesPerPixel;
    if (bytes == 2)
        pick[0](f);
    else if (bytes == 3)
        pick[1](f);
    else
        for (int Y = 0; Y < 2 * SRC_H; Y++) {
            const uint8_t *s = srcRow(f, Y / 2);
            uint8_t *d = dstRow(f, Y);
            for (int X = 0; X < DST_W; X++)
                memcpy(d + X * bytes, s + X / 2 * bytes, size_t(bytes));
        }
    SDL_UnlockSurface(screen);
    SDL_UnlockSurface(fscreen);
}

void zoom2() {
    scaleWith(frameSet().zoom);
}

void Scale2X() {
    scaleWith(frameSet().scale2x);
}

void Scanline2x() {
    scaleWith(frameSet().scanline);
}

void Bilinear2() {
    scaleWith(frameSet().bilinear);
}
