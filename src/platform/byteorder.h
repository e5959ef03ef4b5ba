#pragma once

// Byte order, in one place. The game's files (archives, high scores, WAV
// output) are little-endian on every machine; SDL keeps a 2- or 4-byte
// pixel as a whole value of the machine's order, but a 3-byte one as three
// bytes whose order follows the machine's; and the mixer's device may play
// samples of either order. Everything else reads and writes whole values.

#include <SDL/SDL_endian.h>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The `bytes` (1 to 4) at `p` as a little-endian number.
inline uint32_t readLE(const uint8_t *p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; i--)
        v = v << 8 | p[i];
    return v;
}

inline void writeLE(uint8_t *p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The value of the 3-byte pixel at `p`, as SDL reads it.
inline uint32_t readPixel24(const uint8_t *p) {
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]);
#else
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
#endif
}

inline void writePixel24(uint8_t *p, uint32_t v) {
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
    p[0] = uint8_t(v >> 16);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v);
#else
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
#endif
}

// The pixel of `bytes` (1 to 4) at `p`, as SDL reads it, and as SDL
// writes it.
inline uint32_t readPixel(const uint8_t *p, int bytes) {
    uint32_t v = 0;
    if (bytes == 1) {
        v = p[0];
    } else if (bytes == 2) {
        uint16_t w;
        memcpy(&w, p, 2);
        v = w;
    } else if (bytes == 3) {
        v = readPixel24(p);
    } else {
        memcpy(&v, p, 4);
    }
    return v;
}

inline void writePixel(uint8_t *p, int bytes, uint32_t v) {
    if (bytes == 1) {
        p[0] = uint8_t(v);
    } else if (bytes == 2) {
        const uint16_t w = uint16_t(v);
        memcpy(p, &w, 2);
    } else if (bytes == 3) {
        writePixel24(p, v);
    } else {
        memcpy(p, &v, 4);
    }
}

// The 16-bit values in `bytes` bytes at `p` turned to the other byte order.
inline void swapBytes16(uint8_t *p, size_t bytes) {
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        const uint8_t first = p[i];
        p[i] = p[i + 1];
        p[i + 1] = first;
    }
}
