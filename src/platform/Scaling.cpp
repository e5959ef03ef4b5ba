#include "platform/Scaling.h"

#include "platform/gfx_sdl.h"

#include <cstring>

uint8_t *aabuf = nullptr;
int scalerWideVectors = 1;

enum { SRC_W = 320, SRC_H = 240, DST_W = 2 * SRC_W };

// The row loops are written once, as plain loops the compiler vectorises,
// and inlined into each frame function; on x86-64 every frame function is
// built twice, for the baseline and for AVX2, and picked per frame by what
// the processor has.
#if defined(__GNUC__)
#define ROW_LOOP inline __attribute__((always_inline))
#define RESTRICT __restrict__
#else
#define ROW_LOOP inline
#define RESTRICT
#endif

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define WIDE_VECTORS 1
#define WIDE_TARGET __attribute__((target("avx2")))
#else
#define WIDE_VECTORS 0
#endif

// The locked surfaces of one frame.
struct Frame {
    const uint8_t *src;
    int srcPitch;
    uint8_t *dst;
    int dstPitch;
    uint16_t dark16; // top bit of each channel of a 16-bit pixel
    uint16_t half16; // avg mask: the lowest bit of each upper channel cleared
};

// Pixel arithmetic. A 16-bit pixel is one value whose channel positions come
// from the format; a 24-bit pixel is carried in the low three bytes of a
// 32-bit value and every step works on each byte by itself.
struct Px16 {
    typedef uint16_t P;
    uint16_t dark, half;
    // The masked average; written without the sum so no carry leaves 16 bits.
    P avg(P a, P b) const {
        const unsigned x = a & half, y = b & half;
        return P((x & y) + ((x ^ y) >> 1));
    }
    P avg4(P e, P f, P h, P i) const { return avg(avg(e, f), avg(h, i)); }
    P darken(P p) const { return P((p & dark) >> 2); }
};

struct Px24 {
    typedef uint32_t P;
    static P avg(P a, P b) { return (a & b) + (((a ^ b) >> 1) & 0x7F7F7Fu); }
    // Each byte (e + f + h + i) / 4: bytes 0 and 2 side by side, then byte 1.
    static P avg4(P e, P f, P h, P i) {
        const uint32_t even = (e & 0xFF00FFu) + (f & 0xFF00FFu) + (h & 0xFF00FFu) + (i & 0xFF00FFu);
        const uint32_t odd = (e & 0xFF00u) + (f & 0xFF00u) + (h & 0xFF00u) + (i & 0xFF00u);
        return ((even >> 2) & 0xFF00FFu) | ((odd >> 2) & 0xFF00u);
    }
    static P darken(P p) { return (p & 0x808080u) >> 2; }
};

// Row loops. `s` is the source row, `a` the one above and `b` the one below
// (the row itself at the picture's edge); `t` and `u` are the two output
// rows of 640 pixels.

template <class P> static ROW_LOOP void doubleRow(const P *RESTRICT s, P *RESTRICT t) {
    for (int x = 0; x < SRC_W; x++) {
        t[2 * x] = s[x];
        t[2 * x + 1] = s[x];
    }
}

template <class Ops>
static ROW_LOOP void darkRow(const Ops &ops, const typename Ops::P *RESTRICT s,
                             typename Ops::P *RESTRICT u) {
    for (int x = 0; x < SRC_W; x++) {
        const typename Ops::P d = ops.darken(s[x]);
        u[2 * x] = d;
        u[2 * x + 1] = d;
    }
}

// One 2 x 2 block of Scale2x from E and its neighbours B above, D left,
// F right and H below.
template <class P> static ROW_LOOP void scale2xBlock(P B, P D, P E, P F, P H, P *t, P *u) {
    const bool smooth = (B != H) & (D != F);
    t[0] = smooth & (D == B) ? D : E;
    t[1] = smooth & (B == F) ? F : E;
    u[0] = smooth & (D == H) ? D : E;
    u[1] = smooth & (H == F) ? F : E;
}

template <class P>
static ROW_LOOP void scale2xRow(const P *RESTRICT a, const P *RESTRICT s, const P *RESTRICT b,
                                P *RESTRICT t, P *RESTRICT u) {
    scale2xBlock(a[0], s[0], s[0], s[1], b[0], t, u);
    for (int x = 1; x < SRC_W - 1; x++)
        scale2xBlock(a[x], s[x - 1], s[x], s[x + 1], b[x], t + 2 * x, u + 2 * x);
    const int x = SRC_W - 1;
    scale2xBlock(a[x], s[x - 1], s[x], s[x], b[x], t + 2 * x, u + 2 * x);
}

// Bilinear rows above the last: the last column is E over avg(E, H).
template <class Ops>
static ROW_LOOP void bilinearRow(const Ops &ops, const typename Ops::P *RESTRICT s,
                                 const typename Ops::P *RESTRICT b, typename Ops::P *RESTRICT t,
                                 typename Ops::P *RESTRICT u) {
    for (int x = 0; x < SRC_W - 1; x++) {
        t[2 * x] = s[x];
        t[2 * x + 1] = ops.avg(s[x], s[x + 1]);
        u[2 * x] = ops.avg(s[x], b[x]);
        u[2 * x + 1] = ops.avg4(s[x], s[x + 1], b[x], b[x + 1]);
    }
    const int x = SRC_W - 1;
    t[2 * x] = t[2 * x + 1] = s[x];
    u[2 * x] = u[2 * x + 1] = ops.avg(s[x], b[x]);
}

// The last source row: E and avg(E, F), the corner pixel twice.
template <class Ops>
static ROW_LOOP void bilinearLastRow(const Ops &ops, const typename Ops::P *RESTRICT s,
                                     typename Ops::P *RESTRICT t) {
    for (int x = 0; x < SRC_W - 1; x++) {
        t[2 * x] = s[x];
        t[2 * x + 1] = ops.avg(s[x], s[x + 1]);
    }
    t[2 * SRC_W - 2] = t[2 * SRC_W - 1] = s[SRC_W - 1];
}

// 24-bit rows: to 32-bit values and back, and two rows' pixels in turn
// (a row with itself is plain doubling). The portable build moves bytes; the
// wide one below shuffles sixteen at a time.
struct Bytes24 {
    static ROW_LOOP void unpack(const uint8_t *RESTRICT s, uint32_t *RESTRICT p) {
        for (int i = 0; i < SRC_W; i++)
            p[i] = uint32_t(s[3 * i]) | uint32_t(s[3 * i + 1]) << 8 | uint32_t(s[3 * i + 2]) << 16;
    }
    static ROW_LOOP void pack(const uint32_t *RESTRICT p, uint8_t *RESTRICT d) {
        for (int i = 0; i < DST_W; i++) {
            d[3 * i] = uint8_t(p[i]);
            d[3 * i + 1] = uint8_t(p[i] >> 8);
            d[3 * i + 2] = uint8_t(p[i] >> 16);
        }
    }
    static ROW_LOOP void twice(const uint8_t *RESTRICT s, uint8_t *RESTRICT d) {
        for (int x = 0; x < SRC_W; x++) {
            d[6 * x] = d[6 * x + 3] = s[3 * x];
            d[6 * x + 1] = d[6 * x + 4] = s[3 * x + 1];
            d[6 * x + 2] = d[6 * x + 5] = s[3 * x + 2];
        }
    }
    static ROW_LOOP void interleave(const uint8_t *RESTRICT a, const uint8_t *RESTRICT b,
                                    uint8_t *RESTRICT d) {
        for (int x = 0; x < SRC_W; x++) {
            d[6 * x] = a[3 * x];
            d[6 * x + 1] = a[3 * x + 1];
            d[6 * x + 2] = a[3 * x + 2];
            d[6 * x + 3] = b[3 * x];
            d[6 * x + 4] = b[3 * x + 1];
            d[6 * x + 5] = b[3 * x + 2];
        }
    }
};

#if WIDE_VECTORS
#include <immintrin.h>

// Whole-row steps, called (not inlined) from the frame loops.
#define WIDE_LOOP __attribute__((target("avx2")))

// Byte shuffles, -1 leaving a zero: four 3-byte pixels to 32-bit values and
// back.
static const int8_t spread24[16] = {0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1};
static const int8_t gather24[16] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1};

// Interleaving eight pixels of two rows: 48 output bytes in three chunks of
// 16, chunk c made from the 16 source bytes at offset 4c of each row.
struct InterleaveMasks {
    int8_t a[3][16], b[3][16], both[3][16];
};

static InterleaveMasks interleaveMasks() {
    InterleaveMasks m;
    for (int c = 0; c < 3; c++)
        for (int i = 0; i < 16; i++) {
            const int j = 16 * c + i, x = j / 6, w = j % 6;
            const int8_t at = int8_t(3 * x + w % 3 - 4 * c);
            m.a[c][i] = w < 3 ? at : -1;
            m.b[c][i] = w < 3 ? -1 : at;
            m.both[c][i] = at;
        }
    return m;
}

static const InterleaveMasks interleave24 = interleaveMasks();

struct Shuffled24 {
    static WIDE_LOOP __m128i load(const void *p) {
        return _mm_loadu_si128(static_cast<const __m128i *>(p));
    }
    static WIDE_LOOP void store(void *p, __m128i v) {
        _mm_storeu_si128(static_cast<__m128i *>(p), v);
    }
    // Sixteen pixels a step, every load inside the step's 48 bytes.
    static WIDE_LOOP void unpack(const uint8_t *RESTRICT s, uint32_t *RESTRICT p) {
        const __m128i spread = load(spread24);
        for (int i = 0; i < SRC_W; i += 16, s += 48, p += 16) {
            const __m128i in0 = load(s), in1 = load(s + 16), in2 = load(s + 32);
            store(p, _mm_shuffle_epi8(in0, spread));
            store(p + 4, _mm_shuffle_epi8(_mm_alignr_epi8(in1, in0, 12), spread));
            store(p + 8, _mm_shuffle_epi8(_mm_alignr_epi8(in2, in1, 8), spread));
            store(p + 12, _mm_shuffle_epi8(_mm_srli_si128(in2, 4), spread));
        }
    }
    static WIDE_LOOP void pack(const uint32_t *RESTRICT p, uint8_t *RESTRICT d) {
        const __m128i gather = load(gather24);
        for (int i = 0; i < DST_W; i += 16, p += 16, d += 48) {
            const __m128i p0 = _mm_shuffle_epi8(load(p), gather);
            const __m128i p1 = _mm_shuffle_epi8(load(p + 4), gather);
            const __m128i p2 = _mm_shuffle_epi8(load(p + 8), gather);
            const __m128i p3 = _mm_shuffle_epi8(load(p + 12), gather);
            store(d, _mm_or_si128(p0, _mm_slli_si128(p1, 12)));
            store(d + 16, _mm_or_si128(_mm_srli_si128(p1, 4), _mm_slli_si128(p2, 8)));
            store(d + 32, _mm_or_si128(_mm_srli_si128(p2, 8), _mm_slli_si128(p3, 4)));
        }
    }
    static WIDE_LOOP void twice(const uint8_t *RESTRICT s, uint8_t *RESTRICT d) {
        const InterleaveMasks &m = interleave24;
        const __m128i m0 = load(m.both[0]), m1 = load(m.both[1]), m2 = load(m.both[2]);
        for (int x = 0; x < SRC_W; x += 8, s += 24, d += 48) {
            store(d, _mm_shuffle_epi8(load(s), m0));
            store(d + 16, _mm_shuffle_epi8(load(s + 4), m1));
            store(d + 32, _mm_shuffle_epi8(load(s + 8), m2));
        }
    }
    static WIDE_LOOP void interleave(const uint8_t *RESTRICT a, const uint8_t *RESTRICT b,
                                     uint8_t *RESTRICT d) {
        const InterleaveMasks &m = interleave24;
        for (int x = 0; x < SRC_W; x += 8, a += 24, b += 24, d += 48)
            for (int c = 0; c < 3; c++)
                store(d + 16 * c, _mm_or_si128(_mm_shuffle_epi8(load(a + 4 * c), load(m.a[c])),
                                               _mm_shuffle_epi8(load(b + 4 * c), load(m.b[c]))));
    }
};
#endif

// Frames.

static ROW_LOOP const uint8_t *srcRow(const Frame &f, int y) {
    return f.src + size_t(y) * size_t(f.srcPitch);
}

static ROW_LOOP uint8_t *dstRow(const Frame &f, int y) {
    return f.dst + size_t(y) * size_t(f.dstPitch);
}

template <class P> static ROW_LOOP const P *srcPixels(const Frame &f, int y) {
    return reinterpret_cast<const P *>(srcRow(f, y));
}

template <class P> static ROW_LOOP P *dstPixels(const Frame &f, int y) {
    return reinterpret_cast<P *>(dstRow(f, y));
}

static ROW_LOOP void zoomFrame16(const Frame &f) {
    for (int y = 0; y < SRC_H; y++) {
        uint16_t *t = dstPixels<uint16_t>(f, 2 * y);
        doubleRow(srcPixels<uint16_t>(f, y), t);
        memcpy(dstRow(f, 2 * y + 1), t, DST_W * sizeof(uint16_t));
    }
}

template <class B> static ROW_LOOP void zoomFrame24(const Frame &f) {
    for (int y = 0; y < SRC_H; y++) {
        uint8_t *t = dstRow(f, 2 * y);
        B::twice(srcRow(f, y), t);
        memcpy(dstRow(f, 2 * y + 1), t, DST_W * 3);
    }
}

static ROW_LOOP void scanlineFrame16(const Frame &f) {
    const Px16 ops = {f.dark16, f.half16};
    for (int y = 0; y < SRC_H; y++) {
        const uint16_t *s = srcPixels<uint16_t>(f, y);
        doubleRow(s, dstPixels<uint16_t>(f, 2 * y));
        darkRow(ops, s, dstPixels<uint16_t>(f, 2 * y + 1));
    }
}

// Darkening works on each byte by itself, so it runs on the row as stored.
template <class B> static ROW_LOOP void scanlineFrame24(const Frame &f) {
    uint8_t dark[3 * SRC_W];
    for (int y = 0; y < SRC_H; y++) {
        const uint8_t *s = srcRow(f, y);
        B::twice(s, dstRow(f, 2 * y));
        for (int i = 0; i < 3 * SRC_W; i++)
            dark[i] = uint8_t((s[i] & 0x80) >> 2);
        B::twice(dark, dstRow(f, 2 * y + 1));
    }
}

static ROW_LOOP void scale2xFrame16(const Frame &f) {
    for (int y = 0; y < SRC_H; y++) {
        const uint16_t *s = srcPixels<uint16_t>(f, y);
        const uint16_t *a = y > 0 ? srcPixels<uint16_t>(f, y - 1) : s;
        const uint16_t *b = y < SRC_H - 1 ? srcPixels<uint16_t>(f, y + 1) : s;
        scale2xRow(a, s, b, dstPixels<uint16_t>(f, 2 * y), dstPixels<uint16_t>(f, 2 * y + 1));
    }
}

// 24-bit frames that compare or mix pixels unpack each source row once into
// a ring of 32-bit rows.
template <class B> static ROW_LOOP void scale2xFrame24(const Frame &f) {
    uint32_t ring[3][SRC_W], t[DST_W], u[DST_W];
    B::unpack(srcRow(f, 0), ring[0]);
    for (int y = 0; y < SRC_H; y++) {
        const uint32_t *s = ring[y % 3];
        const uint32_t *a = y > 0 ? ring[(y + 2) % 3] : s;
        const uint32_t *b = s;
        if (y < SRC_H - 1) {
            B::unpack(srcRow(f, y + 1), ring[(y + 1) % 3]);
            b = ring[(y + 1) % 3];
        }
        scale2xRow(a, s, b, t, u);
        B::pack(t, dstRow(f, 2 * y));
        B::pack(u, dstRow(f, 2 * y + 1));
    }
}

static ROW_LOOP void bilinearFrame16(const Frame &f) {
    const Px16 ops = {f.dark16, f.half16};
    for (int y = 0; y < SRC_H - 1; y++)
        bilinearRow(ops, srcPixels<uint16_t>(f, y), srcPixels<uint16_t>(f, y + 1),
                    dstPixels<uint16_t>(f, 2 * y), dstPixels<uint16_t>(f, 2 * y + 1));
    uint16_t *t = dstPixels<uint16_t>(f, 2 * SRC_H - 2);
    bilinearLastRow(ops, srcPixels<uint16_t>(f, SRC_H - 1), t);
    memcpy(dstRow(f, 2 * SRC_H - 1), t, DST_W * sizeof(uint16_t));
}

template <class B> static ROW_LOOP void bilinearFrame24(const Frame &f) {
    const Px24 ops;
    uint32_t ring[2][SRC_W], t[DST_W], u[DST_W];
    B::unpack(srcRow(f, 0), ring[0]);
    for (int y = 0; y < SRC_H - 1; y++) {
        const uint32_t *s = ring[y & 1];
        uint32_t *b = ring[(y + 1) & 1];
        B::unpack(srcRow(f, y + 1), b);
        bilinearRow(ops, s, b, t, u);
        B::pack(t, dstRow(f, 2 * y));
        B::pack(u, dstRow(f, 2 * y + 1));
    }
    bilinearLastRow(ops, ring[(SRC_H - 1) & 1], t);
    B::pack(t, dstRow(f, 2 * SRC_H - 2));
    memcpy(dstRow(f, 2 * SRC_H - 1), dstRow(f, 2 * SRC_H - 2), DST_W * 3);
}

// The frame functions of one instruction set, by scaler and depth.
typedef void (*FrameFn)(const Frame &);
struct FrameSet {
    FrameFn zoom[2], scale2x[2], scanline[2], bilinear[2]; // [0] 16-bit, [1] 24-bit
};

#define FRAME_SET(NAME, ATTR, BYTES24)                                                             \
    ATTR static void NAME##Zoom16(const Frame &f) {                                                \
        zoomFrame16(f);                                                                            \
    }                                                                                              \
    ATTR static void NAME##Zoom24(const Frame &f) {                                                \
        zoomFrame24<BYTES24>(f);                                                                   \
    }                                                                                              \
    ATTR static void NAME##Scale2x16(const Frame &f) {                                             \
        scale2xFrame16(f);                                                                         \
    }                                                                                              \
    ATTR static void NAME##Scale2x24(const Frame &f) {                                             \
        scale2xFrame24<BYTES24>(f);                                                                \
    }                                                                                              \
    ATTR static void NAME##Scanline16(const Frame &f) {                                            \
        scanlineFrame16(f);                                                                        \
    }                                                                                              \
    ATTR static void NAME##Scanline24(const Frame &f) {                                            \
        scanlineFrame24<BYTES24>(f);                                                               \
    }                                                                                              \
    ATTR static void NAME##Bilinear16(const Frame &f) {                                            \
        bilinearFrame16(f);                                                                        \
    }                                                                                              \
    ATTR static void NAME##Bilinear24(const Frame &f) {                                            \
        bilinearFrame24<BYTES24>(f);                                                               \
    }                                                                                              \
    static const FrameSet NAME = {{NAME##Zoom16, NAME##Zoom24},                                    \
                                  {NAME##Scale2x16, NAME##Scale2x24},                              \
                                  {NAME##Scanline16, NAME##Scanline24},                            \
                                  {NAME##Bilinear16, NAME##Bilinear24}};

FRAME_SET(baseline, , Bytes24)
#if WIDE_VECTORS
FRAME_SET(wide, WIDE_TARGET, Shuffled24)
#endif

int scalerWideVectorsAvailable() {
#if WIDE_VECTORS
    return __builtin_cpu_supports("avx2") ? 1 : 0;
#else
    return 0;
#endif
}

static const FrameSet &frameSet() {
#if WIDE_VECTORS
    if (scalerWideVectors && scalerWideVectorsAvailable())
        return wide;
#endif
    return baseline;
}

// Sixteen-bit masks from the format's channel positions and widths: the top
// bit of each channel (16, 32 and 16 shifted into place on 5-6-5, and still
// each channel's own top bit on any other layout)...
static uint16_t darkMask(const SDL_PixelFormat *f) {
    return uint16_t((128u >> f->Rloss) << f->Rshift | (128u >> f->Gloss) << f->Gshift |
                    (128u >> f->Bloss) << f->Bshift);
}

// ...and every bit but the lowest of each channel, bit 0 kept: the carry of
// the channel in bit 0 shifts back out.
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
