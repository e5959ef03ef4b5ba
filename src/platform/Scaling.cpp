#include "platform/Scaling.h"

#include "platform/gfx_sdl.h"

#include <cstring>

uint8_t *aabuf = nullptr;

enum { SRC_W = 320, SRC_H = 240 };

// Doubles one 16-bit row: each pixel written twice with one 32-bit store.
static void doubleRow16(const uint16_t *src, uint32_t *dst) {
    for (int x = 0; x < SRC_W; x++) {
        uint32_t p = src[x];
        dst[x] = p | p << 16;
    }
}

// 24-bit: each 3-byte pixel written twice.
static void doubleRow24(const uint8_t *src, uint8_t *dst) {
    for (int x = 0; x < SRC_W; x++, src += 3, dst += 6) {
        dst[0] = dst[3] = src[0];
        dst[1] = dst[4] = src[1];
        dst[2] = dst[5] = src[2];
    }
}

// Any other depth: each pixel's bytes written twice.
static void doubleRowBytes(const uint8_t *src, uint8_t *dst, int bytes) {
    for (int x = 0; x < SRC_W; x++) {
        memcpy(dst, src, bytes);
        memcpy(dst + bytes, src, bytes);
        src += bytes;
        dst += 2 * bytes;
    }
}

void zoom2() {
    SDL_LockSurface(fscreen);
    SDL_LockSurface(screen);
    const int bytes = screen->format->BytesPerPixel;
    const uint8_t *src = static_cast<const uint8_t *>(screen->pixels);
    uint8_t *dst = static_cast<uint8_t *>(fscreen->pixels);
    // The odd row repeats the even one; copy only the 640 pixels so a wide
    // pitch's padding is never read uninitialised.
    const size_t rowBytes = size_t(2 * SRC_W) * bytes;
    for (int y = 0; y < SRC_H; y++) {
        uint8_t *even = dst + size_t(2 * y) * fscreen->pitch;
        const uint8_t *row = src + size_t(y) * screen->pitch;
        if (bytes == 2)
            doubleRow16(reinterpret_cast<const uint16_t *>(row),
                        reinterpret_cast<uint32_t *>(even));
        else if (bytes == 3)
            doubleRow24(row, even);
        else
            doubleRowBytes(row, even, bytes);
        memcpy(even + fscreen->pitch, even, rowBytes);
    }
    SDL_UnlockSurface(screen);
    SDL_UnlockSurface(fscreen);
}
