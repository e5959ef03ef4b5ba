// The picture the scaler benchmarks double: short runs of a few colours, so
// Scale2X finds the edges it smooths, with some noise between them.
#pragma once

#include <SDL.h>
#include <cstdlib>
#include <cstring>

inline void fillScalePicture(SDL_Surface *s) {
    srand(7);
    const Uint32 palette[4] = {
        SDL_MapRGB(s->format, 255, 0, 255), SDL_MapRGB(s->format, 20, 120, 40),
        SDL_MapRGB(s->format, 250, 250, 250), SDL_MapRGB(s->format, 90, 60, 10)};
    const int bytes = s->format->BytesPerPixel;
    Uint8 *pixels = static_cast<Uint8 *>(s->pixels);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            Uint32 p = palette[(x / 7 + y / 5) % 4];
            if (rand() % 8 == 0) {
                const Uint8 r = rand(), g = rand(), b = rand();
                p = SDL_MapRGB(s->format, r, g, b);
            }
            Uint8 *at = pixels + y * s->pitch + x * bytes;
            if (bytes == 2) {
                const Uint16 v = Uint16(p);
                memcpy(at, &v, 2);
            } else
                for (int i = 0; i < 3; i++) // SDL's order of a 3-byte pixel's bytes
                    at[i] = Uint8(p >> (SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 16 - 8 * i));
        }
}
