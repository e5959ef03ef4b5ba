// Keyed blits of 2 and 3-byte pixels take our own copy instead of SDL's
// per-pixel loops: the same clipping, the same pixels. SDL_BlitSurface
// itself is the reference, and SDL keeps the blits it is given (an alpha of
// 255 sends a keyed surface back to SDL's own keyed loop).

#include "busy_board.h"
#include "front/stuff.h"
#include "media_helpers.h"
#include "platform/Scaling.h"
#include "sound_helpers.h"

#include <random>
#include <vector>

namespace {

using namespace media;

const int depths[] = {16, 24};

SDL_Surface *surface(int bits, int w, int h) {
    return bits == 16 ? SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, 0xF800, 0x07E0, 0x001F, 0)
                      : SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
}

// A third magenta, a third magenta with one bit changed, a third anything.
void scribble(SDL_Surface *s, unsigned seed) {
    std::mt19937 rng(seed);
    const int bits = s->format->BitsPerPixel;
    const Uint32 magenta = SDL_MapRGB(s->format, 255, 0, 255), all = (1u << bits) - 1;
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++) {
            const unsigned kind = rng() % 3;
            const Uint32 nearly = magenta ^ (1u << (rng() % bits));
            putPixel(s, x, y, kind == 0 ? magenta : kind == 1 ? nearly : Uint32(rng() & all));
        }
}

std::vector<Uint8> bytesOf(SDL_Surface *s) {
    SDL_LockSurface(s);
    const Uint8 *p = static_cast<const Uint8 *>(s->pixels);
    std::vector<Uint8> out(p, p + size_t(s->pitch) * s->h);
    SDL_UnlockSurface(s);
    return out;
}

// The builds to try: the portable one, and the wide one where it runs.
std::vector<int> builds() {
    std::vector<int> b = {0};
    if (wideVectorsAvailable())
        b.push_back(1);
    return b;
}

class KeyedBlit : public testing::Test {
  protected:
    void TearDown() override {
        wideVectors = 1;
        stopVideo();
    }
};

struct ClipCase {
    const char *what;
    bool srcRect;
    SDL_Rect from;
    bool dstRect;
    Sint16 x, y;
    SDL_Rect clip; // w 0: the whole destination
};

// A 19 x 5 keyed sprite (rows of two steps of eight and three more) onto a
// 31 x 9 picture (odd widths, so rows end in padding), every way the
// rectangles can be cut.
TEST_F(KeyedBlit, ClipsAndCopiesAsSdlDoes) {
    const ClipCase cases[] = {
        {"inside", true, {0, 0, 19, 5}, true, 3, 2, {0, 0, 0, 0}},
        {"off the top left", true, {0, 0, 19, 5}, true, -2, -3, {0, 0, 0, 0}},
        {"off the bottom right", true, {0, 0, 19, 5}, true, 25, 6, {0, 0, 0, 0}},
        {"right at the last column", true, {0, 0, 19, 5}, true, 30, 0, {0, 0, 0, 0}},
        {"one column over the right edge", true, {0, 0, 19, 5}, true, 13, 0, {0, 0, 0, 0}},
        {"one row over the bottom edge", true, {0, 0, 19, 5}, true, 0, 5, {0, 0, 0, 0}},
        {"wholly outside", true, {0, 0, 19, 5}, true, -40, 4, {0, 0, 0, 0}},
        {"part of the sprite", true, {2, 1, 11, 2}, true, 5, 5, {0, 0, 0, 0}},
        {"source rectangle above and left of it", true, {-2, -1, 12, 4}, true, 4, 4, {0, 0, 0, 0}},
        {"source rectangle past it", true, {3, 2, 40, 40}, true, 1, 1, {0, 0, 0, 0}},
        {"one pixel", true, {18, 4, 1, 1}, true, 0, 8, {0, 0, 0, 0}},
        {"eight pixels", true, {5, 0, 8, 5}, true, 23, 3, {0, 0, 0, 0}},
        {"no source rectangle", false, {0, 0, 0, 0}, true, 6, 4, {0, 0, 0, 0}},
        {"no destination rectangle", true, {1, 0, 17, 5}, false, 0, 0, {0, 0, 0, 0}},
        {"clip rectangle", true, {0, 0, 19, 5}, true, 1, 1, {3, 2, 14, 4}},
        {"outside the clip rectangle", true, {0, 0, 19, 5}, true, 0, 0, {27, 7, 2, 2}},
    };
    for (int bits : depths) {
        SDL_Surface *sprite = surface(bits, 19, 5);
        scribble(sprite, 1);
        SDL_SetColorKey(sprite, SDL_SRCCOLORKEY, SDL_MapRGB(sprite->format, 255, 0, 255));
        for (int wide : builds())
            for (const ClipCase &c : cases) {
                SCOPED_TRACE(testing::Message()
                             << c.what << ", " << bits << " bits" << (wide ? ", wide" : ""));
                wideVectors = wide;
                SDL_Surface *ours = surface(bits, 31, 9), *theirs = surface(bits, 31, 9);
                scribble(ours, 2);
                scribble(theirs, 2);
                if (c.clip.w) {
                    SDL_Rect clip = c.clip;
                    SDL_SetClipRect(ours, &clip);
                    SDL_SetClipRect(theirs, &clip);
                }
                SDL_Rect fromOurs = c.from, fromTheirs = c.from;
                SDL_Rect toOurs = {c.x, c.y, 0, 0}, toTheirs = toOurs;
                blitSurface(sprite, c.srcRect ? &fromOurs : nullptr, ours,
                            c.dstRect ? &toOurs : nullptr);
                SDL_BlitSurface(sprite, c.srcRect ? &fromTheirs : nullptr, theirs,
                                c.dstRect ? &toTheirs : nullptr);
                EXPECT_TRUE(bytesOf(ours) == bytesOf(theirs));
                // The rectangle drawn comes back the same way.
                EXPECT_EQ(toOurs.x, toTheirs.x);
                EXPECT_EQ(toOurs.y, toTheirs.y);
                EXPECT_EQ(toOurs.w, toTheirs.w);
                EXPECT_EQ(toOurs.h, toTheirs.h);
                SDL_FreeSurface(ours);
                SDL_FreeSurface(theirs);
            }
        SDL_FreeSurface(sprite);
    }
}

// Magenta is transparent; each of its one-bit neighbours is not.
TEST_F(KeyedBlit, OnlyTheKeyIsTransparent) {
    for (int bits : depths) {
        SDL_Surface *sprite = surface(bits, bits, 2), *dst = surface(bits, bits, 2);
        const Uint32 magenta = SDL_MapRGB(sprite->format, 255, 0, 255);
        for (int x = 0; x < bits; x++) {
            putPixel(sprite, x, 0, magenta ^ (1u << x));
            putPixel(sprite, x, 1, magenta);
        }
        SDL_SetColorKey(sprite, SDL_SRCCOLORKEY, magenta);
        for (int wide : builds()) {
            SCOPED_TRACE(testing::Message() << bits << " bits" << (wide ? ", wide" : ""));
            wideVectors = wide;
            SDL_FillRect(dst, nullptr, 0x1234);
            blitImage(sprite, 0, 0, dst);
            int wrong = 0;
            for (int x = 0; x < bits; x++)
                wrong +=
                    getPixel(dst, x, 0) != (magenta ^ (1u << x)) || getPixel(dst, x, 1) != 0x1234;
            EXPECT_EQ(wrong, 0);
        }
        SDL_FreeSurface(sprite);
        SDL_FreeSurface(dst);
    }
}

struct Format {
    int bits;
    Uint32 r, g, b, a;
};
const Format RGB565 = {16, 0xF800, 0x07E0, 0x001F, 0}, BGR565 = {16, 0x001F, 0x07E0, 0xF800, 0},
             RGB564 = {16, 0xF800, 0x07E0, 0x000F, 0}, RGB555 = {16, 0x7C00, 0x03E0, 0x001F, 0},
             ARGB1555 = {16, 0x7C00, 0x03E0, 0x001F, 0x8000},
             RGB888 = {24, 0xFF0000, 0xFF00, 0xFF, 0}, BGR888 = {24, 0xFF, 0xFF00, 0xFF0000, 0},
             RBG888 = {24, 0xFF0000, 0xFF, 0xFF00, 0};

SDL_Surface *surface(const Format &f, int w, int h) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f.bits, f.r, f.g, f.b, f.a);
}

struct OtherCase {
    const char *what;
    Format sprite, picture;
    int alpha;  // per-surface alpha of the sprite, 255 for none
    int locked; // during the blit: 1 both pictures, 2 the sprite
};

// Blits our copy does not do are left to SDL: the results are SDL's, down
// to a blit SDL refuses.
TEST_F(KeyedBlit, OtherBlitsStaySdls) {
    const OtherCase cases[] = {
        {"half-transparent", RGB565, RGB565, 100, 0},
        {"half-transparent", RGB888, RGB888, 100, 0},
        {"another channel order", RGB565, BGR565, 255, 0},
        {"another channel order", RGB888, BGR888, 255, 0},
        {"green and blue swapped", RGB888, RBG888, 255, 0},
        {"another blue", RGB565, RGB564, 255, 0},
        {"another depth", RGB565, {24, 0xF800, 0x07E0, 0x001F, 0}, 255, 0},
        {"a sprite with an alpha bit", ARGB1555, RGB555, 255, 0},
        {"a picture with an alpha bit", RGB555, ARGB1555, 255, 0},
        {"locked pictures", RGB565, RGB565, 255, 1},
        {"a locked sprite", RGB565, RGB565, 255, 2},
        {"four bytes a pixel",
         {32, 0xFF0000, 0xFF00, 0xFF, 0},
         {32, 0xFF0000, 0xFF00, 0xFF, 0},
         255,
         0},
    };
    for (const OtherCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.what << " at " << c.sprite.bits);
        SDL_Surface *sprite = surface(c.sprite, 6, 6);
        scribble(sprite, 3);
        SDL_SetColorKey(sprite, SDL_SRCCOLORKEY, SDL_MapRGB(sprite->format, 255, 0, 255));
        // An alpha channel alone does not blend here: SDL_SRCALPHA goes.
        SDL_SetAlpha(sprite, c.alpha < 255 ? SDL_SRCALPHA : 0, Uint8(c.alpha));
        SDL_Surface *ours = surface(c.picture, 8, 8), *theirs = surface(c.picture, 8, 8);
        for (SDL_Surface *s : {ours, theirs}) {
            scribble(s, 4);
            if (c.locked == 1)
                SDL_LockSurface(s);
        }
        if (c.locked == 2)
            SDL_LockSurface(sprite);
        SDL_Rect at = {1, 1, 0, 0};
        blitImage(sprite, 1, 1, ours);
        SDL_BlitSurface(sprite, nullptr, theirs, &at);
        for (SDL_Surface *s : {sprite, ours, theirs})
            if (c.locked)
                SDL_UnlockSurface(s);
        EXPECT_TRUE(bytesOf(ours) == bytesOf(theirs));
        for (SDL_Surface *s : {sprite, ours, theirs})
            SDL_FreeSurface(s);
    }
}

// A picture blitted onto itself, along its rows and down them, its copy
// going to SDL.
TEST_F(KeyedBlit, OntoItselfAsSdlDoes) {
    const SDL_Rect offsets[] = {{3, 0, 0, 0}, {-3, 0, 0, 0}, {2, 1, 0, 0}, {0, -1, 0, 0}};
    for (int bits : depths)
        for (int build : builds())
            for (SDL_Rect at : offsets) {
                SCOPED_TRACE(testing::Message()
                             << bits << " bits, build " << build << ", by " << at.x << "," << at.y);
                wideVectors = build;
                SDL_Surface *ours = surface(bits, 40, 7), *theirs = surface(bits, 40, 7);
                for (SDL_Surface *s : {ours, theirs}) {
                    scribble(s, 5);
                    SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, 255, 0, 255));
                }
                blitImage(ours, at.x, at.y, ours);
                SDL_BlitSurface(theirs, nullptr, theirs, &at);
                EXPECT_TRUE(bytesOf(ours) == bytesOf(theirs));
                SDL_FreeSurface(ours);
                SDL_FreeSurface(theirs);
            }
}

// A busy play frame of the real art, doubled: drawn with our copy in each
// build, then with every keyed surface sent back to SDL's own keyed loop.
int keyedSurfaces(SDL_Surface **cells, bool toSdl) {
    int n = 0;
    for (; cells && *cells; cells++)
        if ((*cells)->flags & SDL_SRCCOLORKEY) {
            n++;
            if (toSdl)
                SDL_SetAlpha(*cells, SDL_SRCALPHA, 255);
        }
    return n;
}

int everyKeyedSurface(bool toSdl) {
    SDL_Surface **sheets[] = {font,           fontbig,          blocks[0],
                              blocks[1],      lionBlocks,       birdsBlocks[0],
                              birdsBlocks[1], flowersBlocks[0], flowersBlocks[1],
                              optionsBlocks,  butterflyBlocks};
    int n = 0;
    for (SDL_Surface **cells : sheets)
        n += keyedSurfaces(cells, toSdl);
    SDL_Surface *pictures[] = {logo, timebar, gameover, kitty, pauseTitle, nullptr};
    return n + keyedSurfaces(pictures, toSdl);
}

TEST_F(KeyedBlit, PlayFrameIsTheSame) {
    for (int bits : depths) {
        SCOPED_TRACE(bits);
        startVideo(0, 1, bits);
        snd::VirtualMixer mixer; // the effects load too
        openArchives();
        loadSpriteFont();
        loadPictures();
        initStuff();
        // The bird half off the left edge, so the clipped path runs too.
        setBusyBoard(-6);
        ASSERT_GT(everyKeyedSurface(false), 100);
        std::vector<std::vector<Uint8>> frames;
        for (int wide : builds()) {
            wideVectors = wide;
            drawScreen(0, 1, 3, 7);
            flipScreen();
            frames.push_back(bytesOf(fscreen));
        }
        everyKeyedSurface(true);
        drawScreen(0, 1, 3, 7);
        flipScreen();
        const std::vector<Uint8> sdl = bytesOf(fscreen);
        for (const std::vector<Uint8> &frame : frames)
            EXPECT_TRUE(frame == sdl);
        freePictures();
        freeAllBlocks();
        for (int id = 0; id < SFX_COUNT; id++)
            freeSFX(id);
        closeArchives();
        stopVideo();
    }
}

} // namespace
