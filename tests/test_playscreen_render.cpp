#include "core/anim.h"
#include "core/level.h"
#include "core/playscreen.h"
#include "core/rules.h"
#include "front/i18n.h"
#include "front/scenery.h"
#include "front/stuff.h"
#include "platform/byteorder.h"
#include "platform/gfx_sdl.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

enum {
    TILES = 1,
    LION = 2,
    TOTEM = 3,
    SUN = 4,
    BIRDS = 5,
    FLOWERS = 6,
    BACK = 7,
    BAR = 7,
    BARS = 0,
    FONT = 0,
    BIG = 6,
    BIG_FIRST = 32
};

// Every cell of every made-up sheet gets a colour of its own, so a pixel
// tells which sheet and cell was drawn there.
SDL_Color cellColour(int sheet, int cell) {
    return SDL_Color{static_cast<Uint8>((cell % 32) * 8), static_cast<Uint8>(cell / 32 * 64 + 32),
                     static_cast<Uint8>(sheet * 32), 0};
}

Uint32 pixelAt(SDL_Surface *s, int x, int y) {
    return readPixel(static_cast<Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                     s->format->BytesPerPixel);
}

SDL_Surface *plain(int w, int h, SDL_Color c) {
    SDL_PixelFormat *f = screen->format;
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f->BitsPerPixel, f->Rmask, f->Gmask,
                                          f->Bmask, f->Amask);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, c.r, c.g, c.b));
    return s;
}

// A tile whose left half is see-through (all but the cursor frames), so what lies under it shows
// there.
SDL_Surface *halfTile(SDL_Color c) {
    SDL_Surface *s = plain(16, 16, c);
    SDL_Rect left = {0, 0, 8, 16};
    SDL_FillRect(s, &left, SDL_MapRGB(s->format, 255, 0, 255));
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, 255, 0, 255));
    return s;
}

SDL_Surface **sheet(int id, int cells, int w, int h) {
    SDL_Surface **a = new SDL_Surface *[cells + 1];
    for (int i = 0; i < cells; i++)
        a[i] = id == TILES && i < 64 ? halfTile(cellColour(id, i)) : plain(w, h, cellColour(id, i));
    a[cells] = nullptr;
    return a;
}

// Glyph k of a font is cell `first` + k of its made-up sheet.
SDL_Surface **glyphs(int id, int first, int size) {
    SDL_Surface **a = new SDL_Surface *[97];
    for (int k = 0; k < 96; k++)
        a[k] = plain(size, size, cellColour(id, first + k));
    a[96] = nullptr;
    return a;
}

void dropSheet(SDL_Surface **a) {
    for (SDL_Surface **s = a; *s; s++)
        SDL_FreeSurface(*s);
    delete[] a;
}

class PlayScreen : public testing::Test {
  protected:
    void SetUp() override {
        savedScreen = screen;
        screen = SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 16, 0xF800, 0x07E0, 0x001F, 0);
        blocks[0] = sheet(TILES, 72, 16, 16);
        lionBlocks = sheet(LION, 49, 32, 32);
        totemBlocks = sheet(TOTEM, 15, 32, 48);
        sunBlocks = sheet(SUN, 3, 64, 64);
        birdsBlocks[0] = sheet(BIRDS, 14, 16, 16);
        flowersBlocks[0] = sheet(FLOWERS, 7, 16, 16);
        for (int i = 0; i < 4; i++)
            backgrounds[i] = plain(320, 240, cellColour(BACK, i));
        timebar = plain(240, 24, cellColour(BAR, 10));
        timebar2 = plain(180, 8, cellColour(BAR, 11));
        kitty = plain(16, 8, cellColour(BAR, 12));
        font = glyphs(FONT, 0, 8);
        fontbig = glyphs(BIG, BIG_FIRST, 16);
        curBlock = 0;
        curBirdsBlock = curFlowersBlock = 0;

        memset(testLevel, 0, sizeof testLevel);
        currentSource = testLevel;
        memset(currentLevel, 0, sizeof currentLevel);
        memset(currentTrans, 0, sizeof currentTrans);
        memset(currentShining, 0, sizeof currentShining);
        curTrans = curMove = curShine = curEject = 0;
        curAction = 0;
        paused = 0;
        currentTime = endTime = 0;
        slowMode = 0;
        currentMoves = 0;
        score = 0;
        cursorX = cursorY = cursorA = 0;
        curTotemWait = 100;
        curLionAnim = curLionFrame = 0;
        birdAnimWait = 100;
        for (FlowerSlot &f : animFlower)
            f.idle = 1;
        for (WaitingBird &b : waitingBirds)
            b.visible = 0;
    }
    void TearDown() override {
        for (SDL_Surface ***a : {&font, &fontbig, &blocks[0], &lionBlocks, &totemBlocks, &sunBlocks,
                                 &birdsBlocks[0], &flowersBlocks[0]}) {
            dropSheet(*a);
            *a = nullptr;
        }
        for (SDL_Surface **s : {&backgrounds[0], &backgrounds[1], &backgrounds[2], &backgrounds[3],
                                &timebar, &timebar2, &kitty}) {
            SDL_FreeSurface(*s);
            *s = nullptr;
        }
        SDL_FreeSurface(screen);
        screen = savedScreen;
    }
    Uint32 colour(int sheetId, int cell) {
        SDL_Color c = cellColour(sheetId, cell);
        return SDL_MapRGB(screen->format, c.r, c.g, c.b);
    }
    Uint32 at(int x, int y) { return pixelAt(screen, x, y); }
    // Right half of the 16 x 16 cell at (x, y): the tile's own colour.
    Uint32 tileAt(int x, int y) { return at(x + 12, y + 4); }
    // Left half: what the tile lets through.
    Uint32 underTileAt(int x, int y) { return at(x + 4, y + 4); }
    // The glyph of `c` drawn with its top left at (x, y).
    void expectGlyph(char c, int x, int y) {
        EXPECT_EQ(at(x + 2, y + 2), colour(FONT, c - 32)) << "'" << c << "' at " << x;
    }
    SDL_Surface *savedScreen = nullptr;
};

int textLength(int entry) {
    return static_cast<int>(strlen(translation[entry]));
}
const char *text(int entry) {
    return translation[entry];
}

TEST_F(PlayScreen, BoardsCursorAndColumn) {
    currentLevel[2 + 8 * 4] = 3;
    currentLevel[5 + 8 * 9] = 1;
    testLevel[16 * 9 + 8 + 0] = 5; // target (0, 9)
    cursorX = 2;
    cursorY = 4;
    cursorA = 5;
    drawScreen(3, 1, 3, 0);
    EXPECT_EQ(tileAt(16 + 32, 64 + 64), colour(TILES, 2));
    EXPECT_EQ(underTileAt(16 + 32, 64 + 64), colour(TILES, 65)); // cursor under the tile
    EXPECT_EQ(tileAt(16 + 80, 64 + 144), colour(TILES, 0));
    EXPECT_EQ(tileAt(176, 64 + 144), colour(TILES, 4));
    EXPECT_EQ(tileAt(16, 64), colour(BACK, 3)); // empty cell: background 3
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(tileAt(152, 62 + 24 * i), colour(TILES, 4 - i)) << i;

    drawScreen(3, 0, 3, 0); // no cursor
    EXPECT_EQ(underTileAt(16 + 32, 64 + 64), colour(BACK, 3));
}

TEST_F(PlayScreen, StatusLine) {
    const int y = 24 + 8, w = 240; // below the time bar, whose width is W
    currentMoves = 14;
    score = 4250;
    drawScreen(4, 0, 3, 7);
    int l = textLength(47);
    expectGlyph(text(47)[0], 8, y);
    expectGlyph('0', 8 * (l + 2), y);
    expectGlyph('7', 8 * (l + 2) + 8, y);
    expectGlyph('/', 8 * (l + 2) + 16, y);
    expectGlyph('1', 8 * (l + 2) + 24, y);
    expectGlyph('4', 8 * (l + 2) + 32, y);
    l = textLength(63);
    expectGlyph(text(63)[0], 320 - 8 - 8 * l, y);
    l = textLength(50);
    expectGlyph(text(50)[0], 320 - 40 - 8 * l, 6);
    expectGlyph('0', 320 - 32, 6);
    expectGlyph('5', 320 - 16, 6); // level index 4 is stage 5
    EXPECT_EQ(at(320 - 104 + 2, 15 + 2), colour(BIG, BIG_FIRST + '0' - 32));
    EXPECT_EQ(at(320 - 104 + 32 + 2, 15 + 2), colour(BIG, BIG_FIRST + '4' - 32));

    struct {
        int lives;
        int entry;     // 48 LIVES, 49 LIFE, -1 nothing
        const char *n; // the count as drawn, right-aligned on one digit
        int kitty;
    } cases[] = {{3, 48, "3", 1}, {2, 48, "2", 1}, {1, 49, "1", 0},
                 {0, -1, "", 0},  {-2, -1, "", 0}, {12, 48, "12", 1}};
    for (const auto &c : cases) {
        drawScreen(5, 0, c.lives, 0);
        int lives = textLength(48);
        if (c.entry < 0) {
            EXPECT_EQ(at(w + 8 - 8 * lives + 2, y + 2), colour(BACK, 1)) << c.lives;
            EXPECT_EQ(at(w - 8 - 8 * lives + 2, y + 2), colour(BACK, 1)) << c.lives;
            continue;
        }
        l = textLength(c.entry);
        expectGlyph(text(c.entry)[0], w + 8 - 8 * l, y);
        // The count ends at its one-digit field; the kitty, drawn after it,
        // covers what grows to the left.
        int digits = static_cast<int>(strlen(c.n));
        expectGlyph(c.n[digits - 1], w - 8 - 8 * l, y);
        if (c.kitty) {
            EXPECT_EQ(at(w - 24 - 8 * l + 2, y + 2), colour(BAR, 12)) << c.lives;
            EXPECT_EQ(at(w - 16 - 8 * l + 2, y + 2), colour(BAR, 12)) << c.lives;
        } else {
            EXPECT_EQ(at(w - 24 - 8 * l + 2, y + 2), colour(BACK, 1)) << c.lives;
        }
    }
}

TEST_F(PlayScreen, BackgroundAndSunByLevel) {
    struct {
        int level, background, sun;
    } cases[] = {{0, 0, 1}, {3, 3, 0}, {4, 0, 1}, {5, 1, 0}, {-1, 3, 0}};
    curSunAnim = 2;
    for (const auto &c : cases) {
        drawScreen(c.level, 0, 1, 0);
        EXPECT_EQ(at(300, 150), colour(BACK, c.background)) << c.level;
        EXPECT_EQ(at(192 + 60, 2), c.sun ? colour(SUN, 2) : colour(BACK, c.background)) << c.level;
    }
}

TEST_F(PlayScreen, TimeBarWidth) {
    struct {
        uint32_t now, end;
        int slow, pausedNow, width;
    } cases[] = {
        {1000, 61000, 0, 0, 90}, {0, 120000, 0, 0, 180}, {1000, 61000, 1, 0, 45},
        {0, 240000, 1, 0, 180},  {5000, 5000, 0, 0, 0},  {6000, 5000, 0, 0, 0},
        {1000, 61000, 0, 1, 0},  {0, 666, 0, 0, 0},      {0, 667, 0, 0, 1},
    };
    for (const auto &c : cases) {
        currentTime = c.now;
        endTime = c.end;
        slowMode = c.slow;
        paused = c.pausedNow;
        drawScreen(0, 0, 0, 0);
        int filled = 0;
        for (int x = 20; x < 20 + 180; x++)
            filled += at(x, 20) == colour(BAR, 11);
        EXPECT_EQ(filled, c.width) << c.now << " " << c.end << " " << c.slow;
        if (c.width > 0) {
            EXPECT_EQ(at(20 + c.width - 1, 27), colour(BAR, 11));
            EXPECT_EQ(at(20 + c.width, 20), colour(BAR, 10)); // the frame beyond
        }
    }
}

TEST_F(PlayScreen, PausedHidesBoardsHandAndBird) {
    currentLevel[0] = 2;
    curAction = 20;
    actionX = 3;
    actionY = 3;
    birdAnimWait = 0;
    birdAnim = FlyingBird{250, 40, -4, 0, 5, 6, 0};
    birdAngle = 0;
    drawScreen(1, 1, 1, 0);
    EXPECT_EQ(tileAt(16, 64), colour(TILES, 1));
    EXPECT_EQ(at(16 * 3 + 12 + 12, 16 * 3 + 68 + 4), colour(TILES, handFrame(20)));
    EXPECT_EQ(at(250 + 8, 40 + 8), colour(BIRDS, 5));
    paused = 1;
    drawScreen(1, 1, 1, 0);
    EXPECT_EQ(tileAt(16, 64), colour(BACK, 1));
    EXPECT_EQ(at(16 * 3 + 12 + 12, 16 * 3 + 68 + 4), colour(BACK, 1));
    EXPECT_EQ(at(250 + 8, 40 + 8), colour(BACK, 1));
    EXPECT_EQ(tileAt(152, 62), colour(BACK, 1));
}

TEST_F(PlayScreen, MorphShineFallAndEject) {
    // A morph wins over a shine on the same cell; it shows before its delay.
    currentLevel[1] = 3;
    animTrans[0] = Transform{1, 0, 63, 1, 10};
    curTrans = 1;
    currentTrans[1] = 1;
    animShine[0] = Shine{1, 0, 2, 10, 4};
    curShine = 1;
    currentShining[1] = 1;
    // A shine alone on a target cell.
    testLevel[8 + 2] = 3;
    animShine[1] = Shine{10, 0, 1, 10, 4};
    curShine = 2;
    currentShining[10] = 2;
    animMove[0] = Move{4, 2, 5, 2, 0};
    curMove = 1;
    animEject[0] = Eject{100, 30, 1, 1, 3};
    curEject = 1;
    drawScreen(1, 0, 1, 0);
    EXPECT_EQ(tileAt(16 + 16, 64), colour(TILES, morphFrames[8 * 1 + 15]));
    EXPECT_EQ(tileAt(176 + 32, 64), colour(TILES, 8 * 1 + 10));
    EXPECT_EQ(tileAt(16 + 64, 64 + 32 + 5), colour(TILES, 1));
    EXPECT_EQ(tileAt(100 + 16, 30 + 64), colour(TILES, morphFrames[8 * 3 - 4]));
}

// Later layers cover earlier ones: board, fall, eject, hand, fruit column,
// flying bird.
TEST_F(PlayScreen, LayerOrder) {
    currentLevel[4 + 8 * 2] = 2;
    animMove[0] = Move{4, 2, 0, 4, 0}; // over the board cell (4, 2)
    curMove = 1;
    currentLevel[4 + 8 * 6] = 2;
    animMove[1] = Move{4, 6, 0, 4, 0};
    curMove = 2;
    animEject[0] = Eject{64, 96, 0, 0, 5}; // over the fall at (4, 6)
    curEject = 1;
    currentLevel[3 + 8 * 8] = 1;
    curAction = 20;
    actionX = 3;
    actionY = 8; // the hand's right half lies on the right half of cell (3, 8)
    birdAnimWait = 0;
    birdAnim = FlyingBird{152, 62, 4, 0, 11, 6, 0}; // on the column's top fruit
    birdAngle = birdDA = 0;
    drawScreen(1, 0, 1, 0);
    EXPECT_EQ(tileAt(16 + 64, 64 + 32), colour(TILES, 3));
    EXPECT_EQ(tileAt(16 + 64, 64 + 96), colour(TILES, morphFrames[8 * 5 - 4]));
    EXPECT_EQ(at(16 * 3 + 12 + 12, 16 * 8 + 68 + 4), colour(TILES, handFrame(20)));
    EXPECT_EQ(tileAt(152, 62), colour(BIRDS, 11));
}

TEST_F(PlayScreen, SceneryPieces) {
    curTotemWait = 0;
    curTotemAnim = 2;
    curTotemFrame = 1;
    curLionAnim = 5;
    curLionFrame = 4;
    waitingBirds[1] = WaitingBird{208, 36, 5, 7, 1};
    drawScreen(1, 0, 1, 0);
    EXPECT_EQ(at(144 + 16, 192 + 40), colour(TOTEM, 1 * 5 + 2));
    EXPECT_EQ(at(144 + 16, 175 + 10), colour(LION, 4 * 7 + 5)); // over the totem
    EXPECT_EQ(at(208 + 8, 36 + 8), colour(BIRDS, 7));
    curTotemWait = 5;
    drawScreen(1, 0, 1, 0);
    EXPECT_EQ(at(144 + 16, 192 + 40), colour(BACK, 1));
}

TEST_F(PlayScreen, FlowerHeadAndStemClipping) {
    // 40 px: a head of 16 rows, a stem piece of 16 (cell 5) and one of 8
    // (cell 6) at the bottom.
    animFlower[2] = FlowerSlot{0, 5, 60, 40, 1, 0};
    animFlower[9] = FlowerSlot{0, 5, 60, 10, 0, 3}; // right board column 1
    drawScreen(1, 0, 1, 0);
    int x = 16 + 32 + 8;
    EXPECT_EQ(at(x, 224 - 41), colour(BACK, 1));
    EXPECT_EQ(at(x, 224 - 40), colour(FLOWERS, 0));
    EXPECT_EQ(at(x, 224 - 25), colour(FLOWERS, 0));
    EXPECT_EQ(at(x, 224 - 24), colour(FLOWERS, 5));
    EXPECT_EQ(at(x, 224 - 9), colour(FLOWERS, 5));
    EXPECT_EQ(at(x, 224 - 8), colour(FLOWERS, 6));
    EXPECT_EQ(at(x, 223), colour(FLOWERS, 6));
    EXPECT_EQ(at(x, 224), colour(BACK, 1));
    int x2 = 48 + 16 * 9 + 8;
    EXPECT_EQ(at(x2, 224 - 11), colour(BACK, 1));
    EXPECT_EQ(at(x2, 224 - 10), colour(FLOWERS, 3)); // open head, first 10 rows
    EXPECT_EQ(at(x2, 223), colour(FLOWERS, 3));
}

TEST_F(PlayScreen, FlyingBirdWobble) {
    birdAnimWait = 0;
    birdAnim = FlyingBird{100, 60, 4, 0, 6, 3, 0};
    birdAngle = 128 + 512; // sin = 1024: 16 px down, the angle wraps
    drawScreen(1, 0, 1, 0);
    EXPECT_EQ(at(108, 60 + 16 + 1), colour(BIRDS, 6));
    EXPECT_EQ(at(108, 60 + 15), colour(BACK, 1));
    birdAnim.vertical = 1;
    birdAngle = 384; // -16 px sideways
    drawScreen(1, 0, 1, 0);
    EXPECT_EQ(at(100 - 16, 61), colour(BIRDS, 6));
    EXPECT_EQ(at(100 - 1, 61), colour(BIRDS, 6));
    EXPECT_EQ(at(100, 61), colour(BACK, 1));
}

TEST_F(PlayScreen, DrawLoopWrapsAround) {
    SDL_Surface *strip = plain(100, 30, cellColour(BACK, 0));
    for (int x = 0; x < 100; x++) {
        SDL_Rect column = {static_cast<Sint16>(x), 0, 1, 30};
        SDL_Color c = cellColour(BARS, x);
        SDL_FillRect(strip, &column, SDL_MapRGB(strip->format, c.r, c.g, c.b));
    }
    for (int position : {0, 37, 100, 250}) {
        SDL_FillRect(screen, nullptr, 0);
        drawLoop(strip, position);
        for (int x : {0, 1, 62, 63, 99, 100, 250, 319})
            EXPECT_EQ(at(x, 10), colour(BARS, (position + x) % 100)) << position << " " << x;
        EXPECT_EQ(at(5, 30), 0u); // only the top
    }
    SDL_FreeSurface(strip);
}

} // namespace
