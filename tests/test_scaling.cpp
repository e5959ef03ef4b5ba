// The four 2x scalers against a plain per-pixel version written from their
// rules, on surfaces whose rows are wider than the picture, at 16 and 24
// bits, in the portable build and (where the processor has it) the wider one:
// AVX2 on x86-64, NEON on ARM.

#include "media_helpers.h"
#include "platform/Scaling.h"

#include <algorithm>
#include <random>
#include <vector>

namespace {

using namespace media;

enum { W = 320, HT = 240 };

struct Format {
    const char *name;
    int bits;
    Uint32 r, g, b;
};

const Format formats[] = {
    {"565", 16, 0xF800, 0x07E0, 0x001F},          {"555", 16, 0x7C00, 0x03E0, 0x001F},
    {"BGR 565", 16, 0x001F, 0x07E0, 0xF800},      {"RGB 24", 24, 0xFF0000, 0x00FF00, 0x0000FF},
    {"BGR 24", 24, 0x0000FF, 0x00FF00, 0xFF0000},
};

enum Method { ZOOM, SCALE2X, SCANLINE, BILINEAR };
const char *const methodNames[] = {"zoom2", "Scale2X", "Scanline2x", "Bilinear2"};
void (*const scalers[])() = {zoom2, Scale2X, Scanline2x, Bilinear2};

// A 320 x 240 picture and a 640 x 480 display in one format, both with
// padding bytes at the end of every row, filled with junk the scalers must
// neither copy nor overwrite.
class Surfaces {
  public:
    Surfaces(const Format &f, int srcPad, int dstPad) : bytes(f.bits / 8) {
        srcPitch = W * bytes + srcPad;
        dstPitch = 2 * W * bytes + dstPad;
        src.assign(size_t(srcPitch) * HT, 0);
        dst.assign(size_t(dstPitch) * 2 * HT, 0);
        std::mt19937 junk(99);
        for (Uint8 &b : src)
            b = Uint8(junk());
        for (Uint8 &b : dst)
            b = Uint8(junk());
        before = dst;
        screen = SDL_CreateRGBSurfaceFrom(src.data(), W, HT, f.bits, srcPitch, f.r, f.g, f.b, 0);
        fscreen =
            SDL_CreateRGBSurfaceFrom(dst.data(), 2 * W, 2 * HT, f.bits, dstPitch, f.r, f.g, f.b, 0);
    }
    ~Surfaces() {
        SDL_FreeSurface(screen);
        SDL_FreeSurface(fscreen);
        screen = fscreen = nullptr;
    }
    Surfaces(const Surfaces &) = delete;
    Surfaces &operator=(const Surfaces &) = delete;

    Uint32 p(int x, int y) const { return read(&src[size_t(y) * srcPitch + x * bytes]); }
    Uint32 q(int x, int y) const { return read(&dst[size_t(y) * dstPitch + x * bytes]); }
    void setP(int x, int y, Uint32 v) {
        writePixel(&src[size_t(y) * srcPitch + x * bytes], bytes, v);
    }
    bool paddingKept() const {
        for (int y = 0; y < 2 * HT; y++)
            for (int i = 2 * W * bytes; i < dstPitch; i++)
                if (dst[size_t(y) * dstPitch + i] != before[size_t(y) * dstPitch + i])
                    return false;
        return true;
    }

    int bytes, srcPitch, dstPitch;

  private:
    Uint32 read(const Uint8 *at) const { return readPixel(at, bytes); }
    std::vector<Uint8> src, dst, before;
};

// The rules, one output pixel at a time.

// A 16-bit pixel's masks: the top bit of each channel's field...
Uint32 topBit(Uint32 mask) {
    Uint32 top = 0;
    for (Uint32 bit = 1; bit && bit <= mask; bit <<= 1)
        if (mask & bit)
            top = bit;
    return top;
}

Uint32 darkMask(const SDL_PixelFormat *f) {
    return topBit(f->Rmask) | topBit(f->Gmask) | topBit(f->Bmask);
}

// ...and the lowest bit of each channel cleared but bit 0.

Uint32 halfMask(const SDL_PixelFormat *f) {
    return (~((1u << f->Rshift) | (1u << f->Gshift) | (1u << f->Bshift)) & 0xFFFF) | 1;
}

Uint32 eachByte(Uint32 a, Uint32 b, Uint32 c, Uint32 d, int n, int div) {
    Uint32 out = 0;
    for (int i = 0; i < 24; i += 8)
        out |=
            ((((a >> i) & 255) + ((b >> i) & 255) + ((c >> i) & 255) + ((d >> i) & 255)) / n / div)
            << i;
    return out;
}

struct Rules {
    const Surfaces &s;
    const SDL_PixelFormat *f;
    bool deep() const { return s.bytes != 2; }

    // Beyond the picture the pixel itself stands in.
    Uint32 P(int x, int y, int dx, int dy) const {
        const int nx = x + dx, ny = y + dy;
        return nx < 0 || nx >= W || ny < 0 || ny >= HT ? s.p(x, y) : s.p(nx, ny);
    }
    Uint32 avg(Uint32 a, Uint32 b) const {
        if (deep())
            return eachByte(a, b, 0, 0, 1, 2);
        const Uint32 k = halfMask(f);
        return ((a & k) + (b & k)) >> 1;
    }
    Uint32 zoom(int X, int Y) const { return s.p(X / 2, Y / 2); }
    Uint32 scale2x(int X, int Y) const {
        const int x = X / 2, y = Y / 2;
        const Uint32 B = P(x, y, 0, -1), D = P(x, y, -1, 0), E = s.p(x, y), F = P(x, y, 1, 0),
                     H = P(x, y, 0, 1);
        if (B == H || D == F)
            return E;
        const bool right = X % 2, lower = Y % 2;
        const Uint32 side = right ? F : D, vertical = lower ? H : B;
        return side == vertical ? side : E;
    }
    Uint32 scanline(int X, int Y) const {
        const Uint32 v = s.p(X / 2, Y / 2);
        if (Y % 2 == 0)
            return v;
        if (deep())
            return eachByte(v & 0x808080, 0, 0, 0, 1, 4);
        return (v & darkMask(f)) >> 2;
    }
    Uint32 bilinear(int X, int Y) const {
        const int x = X / 2, y = Y / 2;
        const Uint32 E = s.p(x, y);
        if (y == HT - 1) {
            if (x == W - 1 || X % 2 == 0)
                return E;
            return avg(E, s.p(x + 1, y));
        }
        if (x == W - 1)
            return Y % 2 ? avg(E, s.p(x, y + 1)) : E;
        const Uint32 F = s.p(x + 1, y), Hb = s.p(x, y + 1), I = s.p(x + 1, y + 1);
        if (X % 2 == 0)
            return Y % 2 ? avg(E, Hb) : E;
        if (Y % 2 == 0)
            return avg(E, F);
        return deep() ? eachByte(E, F, Hb, I, 1, 4) : avg(avg(E, F), avg(Hb, I));
    }
    Uint32 q(Method m, int X, int Y) const {
        switch (m) {
        case ZOOM:
            return zoom(X, Y);
        case SCALE2X:
            return scale2x(X, Y);
        case SCANLINE:
            return scanline(X, Y);
        default:
            return bilinear(X, Y);
        }
    }
};

// Output pixels that differ from the rules, with the first one described.
int wrongPixels(const Surfaces &s, Method m, std::string *first) {
    const Rules rules{s, screen->format};
    int wrong = 0;
    for (int Y = 0; Y < 2 * HT; Y++)
        for (int X = 0; X < 2 * W; X++) {
            const Uint32 want = rules.q(m, X, Y), got = s.q(X, Y);
            if (want != got && wrong++ == 0)
                *first = "at " + std::to_string(X) + "," + std::to_string(Y) + " want " +
                         std::to_string(want) + " got " + std::to_string(got);
        }
    return wrong;
}

// Pixels from a small palette, so neighbours are often equal, and now and
// then any value at all.
void randomPicture(Surfaces &s, unsigned seed) {
    std::mt19937 rng(seed);
    const Uint32 all = s.bytes == 2 ? 0xFFFF : 0xFFFFFF;
    Uint32 palette[4];
    for (Uint32 &c : palette)
        c = rng() & all;
    for (int y = 0; y < HT; y++)
        for (int x = 0; x < W; x++)
            s.setP(x, y, rng() % 5 ? palette[rng() % 4] : Uint32(rng()) & all);
}

// The builds to try: the portable one, and the wide one where it runs.
std::vector<int> builds() {
    std::vector<int> b = {0};
    if (wideVectorsAvailable())
        b.push_back(1);
    return b;
}

class Scaling : public testing::Test {
  protected:
    void TearDown() override { wideVectors = 1; }
};

TEST_F(Scaling, RandomFramesFollowTheRules) {
    for (const Format &f : formats)
        for (int wide : builds()) {
            wideVectors = wide;
            Surfaces s(f, 12, 20);
            // One frame after another on the same surfaces: nothing carries over.
            for (unsigned seed = 1; seed <= 3; seed++) {
                randomPicture(s, seed);
                for (Method m : {ZOOM, SCALE2X, SCANLINE, BILINEAR}) {
                    SCOPED_TRACE(testing::Message()
                                 << f.name << " " << methodNames[m]
                                 << (wide ? " " WIDE_NAME : " portable") << " seed " << seed);
                    scalers[m]();
                    std::string first;
                    EXPECT_EQ(wrongPixels(s, m, &first), 0) << first;
                    EXPECT_TRUE(s.paddingKept());
                }
            }
        }
}

// Scale2X's output pixels that are not the source pixel, in the sixteen
// columns at either end of the rows (where vector loops have their edge
// steps), by place in the block: 0 upper left, 1 upper right, 2 lower left,
// 3 lower right.
std::vector<int> smoothedAtEnds(const Surfaces &s) {
    std::vector<int> n(8, 0);
    for (int Y = 0; Y < 2 * HT; Y++)
        for (int X = 0; X < 2 * W; X++)
            if (X < 32 || X >= 2 * W - 32)
                n[size_t((X >= 32) * 4 + Y % 2 * 2 + X % 2)] += s.q(X, Y) != s.p(X / 2, Y / 2);
    return n;
}

// The same frames through both builds, byte for byte: a picture of every
// value the scalers' arithmetic can meet at 16 bits, and one of a few
// colours, where Scale2X smooths every corner of a block at both ends of the
// rows.
TEST_F(Scaling, BothBuildsAgree) {
    if (!wideVectorsAvailable())
        GTEST_SKIP() << "no wider build on this processor";
    for (const Format &f : formats)
        for (int picture = 0; picture < 2; picture++) {
            Surfaces s(f, 4, 8);
            if (picture == 0)
                for (int y = 0; y < HT; y++)
                    for (int x = 0; x < W; x++)
                        s.setP(x, y, Uint32(x * 977 + y * 65537 * 3 + x * y) & 0xFFFFFF);
            else
                randomPicture(s, 4);
            for (Method m : {ZOOM, SCALE2X, SCANLINE, BILINEAR}) {
                SCOPED_TRACE(testing::Message()
                             << f.name << " " << methodNames[m] << " picture " << picture);
                std::vector<Uint32> out[2];
                for (int wide : {0, 1}) {
                    wideVectors = wide;
                    scalers[m]();
                    for (int Y = 0; Y < 2 * HT; Y++)
                        for (int X = 0; X < 2 * W; X++)
                            out[wide].push_back(s.q(X, Y));
                    if (m == SCALE2X && picture == 1) {
                        for (int n : smoothedAtEnds(s))
                            EXPECT_GT(n, 0);
                    }
                }
                EXPECT_TRUE(out[0] == out[1]);
            }
        }
}

// Flat frames and the small pictures of the rules' own examples.

Uint32 rgb(Uint8 r, Uint8 g, Uint8 b) {
    return SDL_MapRGB(screen->format, r, g, b);
}

void fill(Surfaces &s, Uint32 v) {
    for (int y = 0; y < HT; y++)
        for (int x = 0; x < W; x++)
            s.setP(x, y, v);
}

TEST_F(Scaling, FlatFrames) {
    for (const Format &f : {formats[0], formats[3]}) {
        Surfaces s(f, 0, 0);
        const Uint32 E = rgb(201, 77, 150);
        fill(s, E);
        const Uint32 k = halfMask(screen->format);
        const bool deep = s.bytes == 3;
        struct Case {
            Method m;
            Uint32 even, oddColumn, oddRow, corner; // Q(2x, 2y), Q(2x+1, 2y), ...
        };
        const Uint32 dark = deep ? (E & 0x808080) >> 2 : (E & darkMask(screen->format)) >> 2;
        const Uint32 half = deep ? E : E & k;
        const Case cases[] = {
            {ZOOM, E, E, E, E},
            {SCALE2X, E, E, E, E},
            {SCANLINE, E, E, dark, dark},
            {BILINEAR, E, half, half, half},
        };
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << f.name << " " << methodNames[c.m]);
            scalers[c.m]();
            // Inside the picture, and at the last column and row, which the
            // bilinear scaler writes directly.
            EXPECT_EQ(s.q(100, 60), c.even);
            EXPECT_EQ(s.q(101, 60), c.oddColumn);
            EXPECT_EQ(s.q(100, 61), c.oddRow);
            EXPECT_EQ(s.q(101, 61), c.corner);
            if (c.m == BILINEAR) {
                EXPECT_EQ(s.q(639, 60), E);
                EXPECT_EQ(s.q(639, 61), half);
                EXPECT_EQ(s.q(101, 479), half);
                EXPECT_EQ(s.q(639, 479), E);
            }
        }
    }
}

TEST_F(Scaling, ScanlinesOfWhite) {
    struct Case {
        const Format &f;
        Uint8 r, g, b; // the odd row, in units of each channel's field
    };
    // 5-5-5 too: its odd rows darken each channel by its own top bit.
    const Case cases[] = {{formats[0], 4, 8, 4}, {formats[1], 4, 4, 4}, {formats[3], 32, 32, 32}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.f.name);
        Surfaces s(c.f, 0, 0);
        fill(s, rgb(255, 255, 255));
        Scanline2x();
        const SDL_PixelFormat *f = screen->format;
        const Uint32 odd = s.q(33, 77);
        EXPECT_EQ((odd & f->Rmask) >> f->Rshift, c.r);
        EXPECT_EQ((odd & f->Gmask) >> f->Gshift, c.g);
        EXPECT_EQ((odd & f->Bmask) >> f->Bshift, c.b);
        EXPECT_EQ(s.q(33, 76), rgb(255, 255, 255));
    }
}

// The 16-bit average between two 5-6-5 pixels, Q(2x + 1, 2y).
TEST_F(Scaling, SixteenBitAverage) {
    struct Case {
        const char *what;
        Uint32 E, F, avg;
    };
    const Case cases[] = {
        {"E and F differ in red's lowest bit: it is dropped", 0x8A52, 0x8252, 0x8252},
        {"blue's lowest bit is bit 0 and stays", 0x0001, 0x0001, 0x0001},
        {"blue's carry does not reach green", 0x001F, 0x0001, 0x0010},
        {"green's carry does not reach red", 0x07C0, 0x0040, 0x0400},
        {"red's carry out of 16 bits is kept", 0xF000, 0xF000, 0xF000},
    };
    for (int wide : builds()) {
        wideVectors = wide;
        Surfaces s(formats[0], 0, 0);
        for (const Case &c : cases) {
            SCOPED_TRACE(c.what);
            fill(s, 0);
            s.setP(10, 10, c.E);
            s.setP(11, 10, c.F);
            Bilinear2();
            EXPECT_EQ(s.q(21, 20), c.avg);
        }
    }
}

TEST_F(Scaling, Scale2xCorners) {
    for (const Format &f : {formats[0], formats[3]}) {
        SCOPED_TRACE(f.name);
        Surfaces s(f, 0, 0);
        const Uint32 Z = rgb(0, 200, 0), A = rgb(200, 0, 0);
        fill(s, Z);
        // Left and lower neighbours A, upper and right ones Z: only the
        // lower-left pixel turns A.
        s.setP(49, 30, A);
        s.setP(50, 31, A);
        Scale2X();
        EXPECT_EQ(s.q(100, 60), Z);
        EXPECT_EQ(s.q(101, 60), Z);
        EXPECT_EQ(s.q(100, 61), A);
        EXPECT_EQ(s.q(101, 61), Z);
    }
}

TEST_F(Scaling, Scale2xOfAllDifferentPixelsIsPlainDoubling) {
    for (const Format &f : {formats[0], formats[3]}) {
        SCOPED_TRACE(f.name);
        Surfaces s(f, 8, 16);
        for (int y = 0; y < HT; y++)
            for (int x = 0; x < W; x++)
                s.setP(x, y, Uint32(y * W + x));
        Scale2X();
        int wrong = 0;
        for (int Y = 0; Y < 2 * HT; Y++)
            for (int X = 0; X < 2 * W; X++)
                wrong += s.q(X, Y) != s.p(X / 2, Y / 2);
        EXPECT_EQ(wrong, 0);
    }
}

// The game draws in 16 or 24 bits; at any other depth every method simply
// doubles each pixel rather than misread it.
TEST_F(Scaling, AtAnotherDepthEveryMethodDoubles) {
    const Format rgb32 = {"RGB 32", 32, 0xFF0000, 0x00FF00, 0x0000FF};
    for (int m = ZOOM; m <= BILINEAR; m++) {
        SCOPED_TRACE(methodNames[m]);
        Surfaces s(rgb32, 4, 12);
        std::mt19937 rng(7);
        for (int y = 0; y < HT; y++)
            for (int x = 0; x < W; x++)
                s.setP(x, y, Uint32(rng()) & 0xFFFFFF);
        scalers[m]();
        int wrong = 0;
        for (int Y = 0; Y < 2 * HT; Y++)
            for (int X = 0; X < 2 * W; X++)
                wrong += s.q(X, Y) != s.p(X / 2, Y / 2);
        EXPECT_EQ(wrong, 0);
        EXPECT_TRUE(s.paddingKept());
    }
}

// At the left column the missing neighbour is the pixel itself, so the
// blocks' left pixels keep it; the same for the lower pixels of the last row.
TEST_F(Scaling, Scale2xEdgesKeepThePixel) {
    for (const Format &f : {formats[0], formats[3]}) {
        SCOPED_TRACE(f.name);
        Surfaces s(f, 0, 0);
        randomPicture(s, 5);
        Scale2X();
        int wrong = 0;
        for (int y = 0; y < HT; y++)
            wrong += s.q(0, 2 * y) != s.p(0, y) || s.q(0, 2 * y + 1) != s.p(0, y);
        for (int x = 0; x < W; x++)
            wrong += s.q(2 * x, 479) != s.p(x, HT - 1) || s.q(2 * x + 1, 479) != s.p(x, HT - 1);
        EXPECT_EQ(wrong, 0);
    }
}

// flipScreen picks the scaler by ScalingMethod; unknown values double.
TEST_F(Scaling, FlipChoosesByScalingMethod) {
    const int expected[][2] = {{0, ZOOM},     {1, ZOOM}, {2, SCALE2X}, {3, SCANLINE},
                               {4, BILINEAR}, {5, ZOOM}, {-1, ZOOM}};
    for (int depth : {16, 24}) {
        startVideo(0, 1, depth);
        std::vector<Uint32> want;
        for (const auto &c : expected) {
            SCOPED_TRACE(testing::Message() << depth << " bits, method " << c[0]);
            // Magenta and blue at random: each scaler gives its own picture.
            SDL_Surface *shown = fscreen, *work = screen;
            srand(11);
            for (int y = 0; y < HT; y++)
                for (int x = 0; x < W; x++)
                    putPixel(work, x, y, SDL_MapRGB(work->format, rand() % 2 * 255, 0, 255));
            scalers[c[1]]();
            want.clear();
            for (int Y = 0; Y < 2 * HT; Y++)
                for (int X = 0; X < 2 * W; X++)
                    want.push_back(getPixel(shown, X, Y));
            SDL_FillRect(shown, nullptr, 0);
            ScalingMethod = c[0];
            flipScreen();
            int wrong = 0;
            for (int Y = 0, i = 0; Y < 2 * HT; Y++)
                for (int X = 0; X < 2 * W; X++)
                    wrong += getPixel(shown, X, Y) != want[size_t(i++)];
            EXPECT_EQ(wrong, 0);
        }
        stopVideo();
    }
}

// Setting the mode again (the window made full screen, or the scaler
// switched off) replaces the arrangement up: a screen of 320 x 240 shown
// doubled or as it is.
TEST_F(Scaling, ASecondVideoModeReplacesTheFirst) {
    const struct {
        int fullScreen, scaling;
        int shownW; // the display's width
    } cases[] = {{1, 1, 640}, {0, 0, 320}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "full screen " << c.fullScreen << ", scaling " << c.scaling);
        startVideo(0, 1, 16);
        fs = c.fullScreen;
        ScalingMethod = c.scaling;
        screen = gfxSetVideoMode();
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(fscreen != nullptr, c.shownW == 640);
        SDL_Surface *shown = fscreen ? fscreen : screen;
        EXPECT_EQ(screen->w, W);
        EXPECT_EQ(shown->w, c.shownW);
        EXPECT_EQ(videoWidth, c.shownW);
        const Uint32 white = SDL_MapRGB(screen->format, 255, 255, 255);
        putPixel(screen, 5, 7, white);
        flipScreen();
        const int k = c.shownW / W;
        EXPECT_EQ(getPixel(shown, k * 5 + k - 1, k * 7 + k - 1), white);
        stopVideo();
    }
}

// A pixel's bytes as SDL lays them at each depth: writePixel writes what
// SDL's own fill does, and readPixel reads it back.
TEST(PixelBytes, AsSDLLaysThemAtEveryDepth) {
    const struct {
        int bits;
        Uint32 r, g, b, value;
    } cases[] = {{8, 0, 0, 0, 0xA5},
                 {16, 0xF800, 0x07E0, 0x001F, 0xA55A},
                 {24, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456},
                 {32, 0xFF0000, 0x00FF00, 0x0000FF, 0x00123456}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bits);
        SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, c.bits, c.r, c.g, c.b, 0);
        ASSERT_NE(s, nullptr);
        SDL_FillRect(s, nullptr, c.value);
        const int bytes = c.bits / 8;
        Uint8 mine[4] = {0, 0, 0, 0};
        writePixel(mine, bytes, c.value);
        const Uint8 *theirs = static_cast<const Uint8 *>(s->pixels);
        EXPECT_TRUE(std::equal(mine, mine + bytes, theirs));
        EXPECT_EQ(readPixel(theirs, bytes), c.value);
        SDL_FreeSurface(s);
    }
}

} // namespace
