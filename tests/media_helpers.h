#pragma once

// Shared by the video and font tests: a headless display, pixel access and
// a gfx archive made of pictures built in the test.

#include "front/defines.h"
#include "platform/byteorder.h"
#include "platform/gfx_sdl.h"
#include "storage/winova.h"
#include "temp_helpers.h"

#include <SDL/SDL.h>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace media {

// Sets the display up the way start-up does.
inline void startVideo(int fullScreen, int scaling, int depth) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0);
    fs = fullScreen;
    ScalingMethod = scaling;
    bpp = depth;
    screen = gfxSetVideoMode();
    ASSERT_NE(screen, nullptr);
    gfxInitColors();
    gfxPrepareBlackScreen();
}

inline void stopVideo() {
    destroyFonts();
    if (black)
        SDL_FreeSurface(black);
    black = nullptr;
    if (fscreen && screen)
        SDL_FreeSurface(screen); // ours only in the doubled arrangement
    screen = fscreen = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    fs = ScalingMethod = 0;
    bpp = 16;
}

inline Uint32 getPixel(SDL_Surface *s, int x, int y) {
    SDL_LockSurface(s);
    const Uint8 *p =
        static_cast<const Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 v = readPixel(p, s->format->BytesPerPixel);
    SDL_UnlockSurface(s);
    return v;
}

inline void putPixel(SDL_Surface *s, int x, int y, Uint32 v) {
    SDL_LockSurface(s);
    Uint8 *p = static_cast<Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    writePixel(p, s->format->BytesPerPixel, v);
    SDL_UnlockSurface(s);
}

// A folder of its own with data/ in it, the working directory meanwhile.
class TempFolder : public TempWorkDir {
  public:
    TempFolder() : TempWorkDir("quenzy-media"), dir(path) { EXPECT_EQ(mkdir("data", 0755), 0); }
    // The archives it opened go before the folder does.
    ~TempFolder() { closeArchives(); }
    std::string dir;
};

// A Windows bitmap of `s` as SDL writes it (8-bit with a palette, else 24-bit).
inline std::vector<uint8_t> bmpOf(SDL_Surface *s) {
    std::vector<uint8_t> bytes(1 << 20);
    SDL_RWops *rw = SDL_RWFromMem(bytes.data(), int(bytes.size()));
    EXPECT_EQ(SDL_SaveBMP_RW(s, rw, 0), 0);
    bytes.resize(size_t(SDL_RWtell(rw)));
    SDL_FreeRW(rw);
    return bytes;
}

inline void le(std::vector<uint8_t> &b, uint32_t v, int n) {
    for (int i = 0; i < n; i++)
        b.push_back(uint8_t(v >> (8 * i)));
}

// A 16-bit (5-5-5) Windows bitmap of w x h pixels, top row first in `pixels`.
inline std::vector<uint8_t> bmp16(int w, int h, const std::vector<uint16_t> &pixels) {
    const int stride = (w * 2 + 3) & ~3;
    std::vector<uint8_t> b;
    b.push_back('B');
    b.push_back('M');
    le(b, 54 + stride * h, 4);
    le(b, 0, 4);
    le(b, 54, 4);
    le(b, 40, 4);
    le(b, w, 4);
    le(b, h, 4);
    le(b, 1, 2);
    le(b, 16, 2);
    le(b, 0, 4); // uncompressed
    le(b, stride * h, 4);
    le(b, 2835, 4);
    le(b, 2835, 4);
    le(b, 0, 4);
    le(b, 0, 4);
    for (int y = h - 1; y >= 0; y--) {
        for (int x = 0; x < w; x++)
            le(b, pixels[y * w + x], 2);
        for (int pad = w * 2; pad < stride; pad++)
            b.push_back(0);
    }
    return b;
}

struct Picture {
    std::string name; // with its extension
    std::vector<uint8_t> bytes;
};

inline void writeGfxArchive(const std::vector<Picture> &pictures) {
    std::vector<OVAItem> items;
    for (const Picture &p : pictures)
        items.push_back({p.name.c_str(), p.bytes.data(), uint32_t(p.bytes.size())});
    ASSERT_EQ(writeOVA("data/gfx.ova", items.data(), unsigned(items.size())), 0);
    closeArchives();
}

// A w x h surface in the format of `screen`, all of colour c.
inline SDL_Surface *plainSurface(int w, int h, SDL_Color c) {
    SDL_PixelFormat *f = screen->format;
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f->BitsPerPixel, f->Rmask, f->Gmask,
                                          f->Bmask, f->Amask);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, c.r, c.g, c.b));
    return s;
}

// A font of solid size x size glyphs in colour c, but a see-through space, so
// a pixel tells text from no text. destroyFonts frees it as `font`/`fontbig`.
inline SDL_Surface **solidFont(int size, SDL_Color c) {
    SDL_Surface **glyphs = static_cast<SDL_Surface **>(calloc(97, sizeof(SDL_Surface *)));
    for (int k = 0; k < 96; k++) {
        glyphs[k] = plainSurface(size, size, k == 0 ? SDL_Color{255, 0, 255, 0} : c);
        setColorKey(glyphs[k], 255, 0, 255);
    }
    return glyphs;
}

// Glyph k of a coded font (character 32 + k) is filled with glyphColour(k),
// so text drawn with it reads back cell by cell (readCells).
inline Uint32 glyphColour(int k) {
    return SDL_MapRGB(screen->format, Uint8((k % 32) * 8), Uint8(32 + (k / 32) * 64), 40);
}

// A font of size x size glyphs, each of its own colour, for the 96
// characters from 32 on. destroyFonts frees it as `font`/`fontbig`.
inline SDL_Surface **codedFont(int size) {
    SDL_Surface **glyphs = static_cast<SDL_Surface **>(calloc(97, sizeof(SDL_Surface *)));
    for (int k = 0; k < 96; k++) {
        glyphs[k] = SDL_CreateRGBSurface(SDL_SWSURFACE, size, size, screen->format->BitsPerPixel,
                                         screen->format->Rmask, screen->format->Gmask,
                                         screen->format->Bmask, screen->format->Amask);
        SDL_FillRect(glyphs[k], nullptr, glyphColour(k));
    }
    return glyphs;
}

// What `cells` cells of width cellW from (x0, y) on show: the character
// whose coded glyph fills the cell's top-left pixel, '.' for none.
inline std::string readCells(SDL_Surface *s, int x0, int y, int cells, int cellW) {
    std::string text;
    for (int i = 0; i < cells; i++) {
        Uint32 p = getPixel(s, x0 + i * cellW, y);
        char c = '.';
        for (int k = 0; k < 96; k++)
            if (p == glyphColour(k))
                c = char(32 + k);
        text += c;
    }
    return text;
}

} // namespace media
