#include "media_helpers.h"

#include <cstdio>

namespace {

using namespace media;

class Video : public testing::Test {
  protected:
    void TearDown() override { stopVideo(); }
};

struct Arrangement {
    int fs, scaling, bpp;
    bool doubled;
};

TEST_F(Video, DisplayArrangements) {
    const Arrangement cases[] = {
        {0, 0, 16, false}, {0, 0, 24, false}, {0, 1, 16, true}, {0, 1, 24, true},
        {0, 4, 24, true},  {1, 0, 16, true},  {1, 2, 24, true},
    };
    for (const Arrangement &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "fs " << c.fs << " scaling " << c.scaling << " bpp " << c.bpp);
        startVideo(c.fs, c.scaling, c.bpp);
        EXPECT_EQ(screen->w, 320);
        EXPECT_EQ(screen->h, 240);
        EXPECT_EQ(screen->format->BitsPerPixel, c.bpp);
        if (c.doubled) {
            ASSERT_NE(fscreen, nullptr);
            EXPECT_EQ(fscreen->w, 640);
            EXPECT_EQ(fscreen->h, 480);
            EXPECT_NE(screen, fscreen);
            EXPECT_EQ(screen->format->BitsPerPixel, fscreen->format->BitsPerPixel);
            EXPECT_EQ(screen->format->Rmask, fscreen->format->Rmask);
            EXPECT_EQ(screen->format->Gmask, fscreen->format->Gmask);
            EXPECT_EQ(screen->format->Bmask, fscreen->format->Bmask);
            EXPECT_EQ(videoWidth, 640);
            EXPECT_EQ(videoHeight, 480);
            EXPECT_EQ((fscreen->flags & SDL_FULLSCREEN) != 0, c.fs != 0);
        } else {
            EXPECT_EQ(fscreen, nullptr);
            EXPECT_EQ(screen, SDL_GetVideoSurface());
            EXPECT_EQ(videoWidth, 320);
            EXPECT_EQ(videoHeight, 240);
        }
        // The named colours and the dimming surface follow screen's format.
        EXPECT_EQ(BLACK, SDL_MapRGB(screen->format, 0, 0, 0));
        EXPECT_EQ(DGREY, SDL_MapRGB(screen->format, 96, 96, 96));
        ASSERT_NE(black, nullptr);
        EXPECT_EQ(black->format->BitsPerPixel, c.bpp);
        EXPECT_TRUE(black->flags & SDL_SRCALPHA);
        EXPECT_EQ(black->format->alpha, 128);
        stopVideo();
    }
}

TEST_F(Video, FlipDoublesEveryPixel) {
    for (int depth : {16, 24}) {
        SCOPED_TRACE(depth);
        startVideo(0, 1, depth);
        srand(3);
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++) {
                const Uint8 r = rand(), g = rand(), b = rand();
                putPixel(screen, x, y, SDL_MapRGB(screen->format, r, g, b));
            }
        flipScreen();
        int wrong = 0;
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++)
                wrong += getPixel(fscreen, x, y) != getPixel(screen, x / 2, y / 2);
        EXPECT_EQ(wrong, 0);
        stopVideo();
    }
}

// Each channel in the units of its own field.
void fields(SDL_Surface *s, Uint32 pixel, int out[3]) {
    const SDL_PixelFormat *f = s->format;
    out[0] = int((pixel & f->Rmask) >> f->Rshift);
    out[1] = int((pixel & f->Gmask) >> f->Gshift);
    out[2] = int((pixel & f->Bmask) >> f->Bshift);
}

TEST_F(Video, DarkenHalvesThenQuarters) {
    const SDL_Color colours[] = {{255, 255, 255, 0}, {200, 100, 40, 0}, {8, 252, 16, 0}};
    for (int depth : {16, 24}) {
        SCOPED_TRACE(depth);
        startVideo(0, 0, depth);
        const int spots[3][2] = {{0, 0}, {319, 239}, {160, 17}};
        int before[3][3];
        for (int i = 0; i < 3; i++) {
            Uint32 p = SDL_MapRGB(screen->format, colours[i].r, colours[i].g, colours[i].b);
            putPixel(screen, spots[i][0], spots[i][1], p);
            fields(screen, p, before[i]);
        }
        for (int times = 1; times <= 2; times++) {
            darken();
            for (int i = 0; i < 3; i++) {
                int now[3];
                fields(screen, getPixel(screen, spots[i][0], spots[i][1]), now);
                for (int c = 0; c < 3; c++)
                    EXPECT_NEAR(now[c], before[i][c] >> times, 1)
                        << "darkened " << times << " colour " << i << " channel " << c;
            }
        }
        stopVideo();
    }
}

struct KeyCase {
    const char *what;
    int depth;         // 8 builds a palette surface
    int keyAt;         // palette index or pixel position holding magenta, -1 none
    bool keyed;        // SDL_SRCCOLORKEY expected afterwards
    int expectedIndex; // palette surfaces: the key expected
};

TEST_F(Video, SetColorKey) {
    startVideo(0, 0, 16);
    const KeyCase cases[] = {
        {"palette with magenta at 5", 8, 5, true, 5},
        {"palette without magenta keys index 0", 8, -1, true, 0},
        {"16-bit with magenta in its last pixel", 16, 3 * 5 - 1, true, -1},
        {"16-bit with magenta in its first pixel", 16, 0, true, -1},
        {"16-bit without magenta loses its key", 16, -1, false, -1},
        {"24-bit keyed without scanning", 24, -1, true, -1},
    };
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(c.what);
        // 3 x 5: odd width, so 16-bit rows end in padding.
        SDL_Surface *s =
            c.depth == 16 ? SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 5, 16, 0xF800, 0x07E0, 0x001F, 0)
                          : SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 5, c.depth, 0, 0, 0, 0);
        ASSERT_NE(s, nullptr);
        if (c.depth == 8) {
            SDL_Color palette[16];
            for (int i = 0; i < 16; i++)
                palette[i] = SDL_Color{Uint8(i * 10), Uint8(i), 7, 0};
            // Nearly magenta: one channel off by one is not the key.
            palette[1] = SDL_Color{255, 1, 255, 0};
            palette[2] = SDL_Color{255, 0, 254, 0};
            if (c.keyAt >= 0)
                palette[c.keyAt] = palette[c.keyAt + 2] = SDL_Color{255, 0, 255, 0};
            SDL_SetColors(s, palette, 0, 16);
        } else {
            SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 10, 200, 30));
            if (c.keyAt >= 0)
                putPixel(s, c.keyAt % 3, c.keyAt / 3, SDL_MapRGB(s->format, 255, 0, 255));
            // A stale key must go when the colour is not there.
            SDL_SetColorKey(s, SDL_SRCCOLORKEY, 1);
        }
        setColorKey(s, 255, 0, 255);
        EXPECT_EQ((s->flags & SDL_SRCCOLORKEY) != 0, c.keyed);
        if (c.depth == 8) {
            EXPECT_EQ(s->format->colorkey, Uint32(c.expectedIndex));
        } else if (c.keyed) {
            EXPECT_EQ(s->format->colorkey, SDL_MapRGB(s->format, 255, 0, 255));
        }
        SDL_FreeSurface(s);
    }
}

TEST_F(Video, SixteenBitScanIgnoresRowPadding) {
    startVideo(0, 0, 16);
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_GT(s->pitch, 6);
    SDL_FillRect(s, nullptr, 0);
    Uint16 magenta = Uint16(SDL_MapRGB(s->format, 255, 0, 255));
    // The key colour only in the bytes past the last pixel of row 0.
    memcpy(static_cast<Uint8 *>(s->pixels) + 6, &magenta, 2);
    setColorKey(s, 255, 0, 255);
    EXPECT_FALSE(s->flags & SDL_SRCCOLORKEY);
    SDL_FreeSurface(s);
}

TEST_F(Video, CreateImageIsBlackInScreenFormat) {
    for (int depth : {16, 24}) {
        startVideo(0, 0, depth);
        for (int keyed : {0, 1}) {
            SDL_Surface *image = createImage(13, 7, keyed);
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->w, 13);
            EXPECT_EQ(image->h, 7);
            EXPECT_EQ(image->format->BitsPerPixel, depth);
            EXPECT_EQ(image->format->Rmask, screen->format->Rmask);
            int lit = 0;
            for (int y = 0; y < 7; y++)
                for (int x = 0; x < 13; x++)
                    lit += getPixel(image, x, y) != BLACK;
            EXPECT_EQ(lit, 0);
            freeSurface(image);
        }
        stopVideo();
    }
}

TEST_F(Video, BlitImageAtANegativePositionDrawsTheVisiblePart) {
    startVideo(0, 0, 16);
    SDL_Surface *dst = createImage(8, 8, 0);
    SDL_Surface *image = createImage(4, 4, 0);
    Uint32 red = SDL_MapRGB(screen->format, 255, 0, 0);
    fillRect(image, 0, 0, 4, 4, red);
    blitImage(image, -2, -3, dst);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            EXPECT_EQ(getPixel(dst, x, y), x < 2 && y < 1 ? red : BLACK) << x << "," << y;
    freeSurface(image);
    freeSurface(dst);
}

// Pictures.

class Pictures : public Video {
  protected:
    void SetUp() override {
        folder = new TempFolder();
        startVideo(0, 0, 16);
    }
    void TearDown() override {
        Video::TearDown();
        delete folder;
    }
    TempFolder *folder = nullptr;
};

std::vector<uint16_t> flat555(int n, uint16_t colour) {
    return std::vector<uint16_t>(n, colour);
}

std::vector<uint8_t> palettePicture(bool withMagenta) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 8, 0, 0, 0, 0);
    SDL_Color palette[4] = {{1, 2, 3, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}, {200, 10, 10, 0}};
    if (withMagenta)
        palette[2] = SDL_Color{255, 0, 255, 0};
    SDL_SetColors(s, palette, 0, 4);
    SDL_FillRect(s, nullptr, 1);
    std::vector<uint8_t> bytes = bmpOf(s);
    SDL_FreeSurface(s);
    return bytes;
}

std::vector<uint8_t> truecolourPicture() {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 5, 3, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_FillRect(s, nullptr, 0x336699);
    std::vector<uint8_t> bytes = bmpOf(s);
    SDL_FreeSurface(s);
    return bytes;
}

struct LoadCase {
    const char *name;
    int keyed;
    bool keyExpected;
    SDL_Color key; // the colour that must come out transparent
};

TEST_F(Pictures, LoadGfxDecidesTheKeyOnTheStoredPicture) {
    std::vector<uint16_t> withMagenta = flat555(6, 0x1234);
    withMagenta[4] = 0x7C1F;
    writeGfxArchive({
        {"plain16.bmp", bmp16(3, 2, flat555(6, 0x1234))},
        {"magenta16.bmp", bmp16(3, 2, withMagenta)},
        {"pal.bmp", palettePicture(false)},
        {"palmagenta.bmp", palettePicture(true)},
        {"tc.bmp", truecolourPicture()},
    });
    const LoadCase cases[] = {
        {"plain16", 1, false, {0, 0, 0, 0}},
        {"magenta16", 1, true, {255, 0, 255, 0}},
        {"magenta16", 0, false, {0, 0, 0, 0}},
        {"pal", 1, true, {1, 2, 3, 0}}, // index 0 stands in for the missing magenta
        {"palmagenta", 1, true, {255, 0, 255, 0}},
        {"tc", 1, true, {255, 0, 255, 0}},
    };
    for (const LoadCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " keyed " << c.keyed);
        SDL_Surface *s = loadGFX(c.name, c.keyed, 255, 0, 255);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->format->BitsPerPixel, screen->format->BitsPerPixel);
        EXPECT_EQ(s->format->Rmask, screen->format->Rmask);
        EXPECT_EQ((s->flags & SDL_SRCCOLORKEY) != 0, c.keyExpected);
        if (c.keyExpected) {
            EXPECT_EQ(s->format->colorkey, SDL_MapRGB(screen->format, c.key.r, c.key.g, c.key.b));
        }
        freeSurface(s);
    }
    // The picture's pixels arrive converted.
    SDL_Surface *s = loadGFX("plain16", 0, 0, 0, 0);
    Uint8 r, g, b;
    SDL_GetRGB(getPixel(s, 2, 1), screen->format, &r, &g, &b);
    // 0x1234 in 5-5-5 is red 4, green 17, blue 20 of 31.
    EXPECT_NEAR(r, 4 * 255 / 31, 8);
    EXPECT_NEAR(g, 17 * 255 / 31, 8);
    EXPECT_NEAR(b, 20 * 255 / 31, 8);
    freeSurface(s);
}

TEST_F(Pictures, MissingPictureIsFatalWithoutADump) {
    writeGfxArchive({{"logo.bmp", truecolourPicture()}});
    EXPECT_EXIT(loadGFX("kitty", 0, 0, 0, 0), testing::ExitedWithCode(1),
                "^Error loading gfx file$");
    FILE *dump = fopen("fuu.xxx", "rb");
    EXPECT_EQ(dump, nullptr);
    if (dump)
        fclose(dump);
}

TEST_F(Pictures, UndecodablePictureIsDumpedThenFatal) {
    const std::string junk = "this is no bitmap at all";
    writeGfxArchive({{"logo.bmp", std::vector<uint8_t>(junk.begin(), junk.end())}});
    EXPECT_EXIT(loadGFX("logo", 0, 0, 0, 0), testing::ExitedWithCode(1), "^Unable to load bitmap$");
    FILE *dump = fopen("fuu.xxx", "rb");
    ASSERT_NE(dump, nullptr);
    char buf[64] = {0};
    size_t got = fread(buf, 1, sizeof buf, dump);
    fclose(dump);
    EXPECT_EQ(std::string(buf, got), junk);
}

} // namespace
