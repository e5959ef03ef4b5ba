#include "media_helpers.h"

namespace {

using namespace media;

// Glyph k of a test sheet is filled with glyphColour(k), as in a coded font.
SDL_Surface *codedSheet(int columns, int rows, int cell) {
    SDL_Surface *sheet = createImage(columns * cell, rows * cell, 0);
    for (int r = 0; r < rows; r++)
        for (int j = 0; j < columns; j++)
            fillRect(sheet, j * cell, r * cell, cell, cell, glyphColour(r * columns + j));
    return sheet;
}

class Fonts : public testing::Test {
  protected:
    void SetUp() override {
        startVideo(0, 0, 16);
        SDL_Surface *sheet = codedSheet(16, 4, 8); // codes 32 ... 95
        small = createFont(sheet, 8, 8);
        freeSurface(sheet);
        sheet = codedSheet(16, 6, 16);
        big = createFont(sheet, 16, 16);
        freeSurface(sheet);
        dst = createImage(320, 24, 0);
    }
    void TearDown() override {
        freeSurface(dst);
        font = small;
        fontbig = big;
        stopVideo(); // destroys both
    }
    std::string smallLine(int x0 = 0, int cells = 12) { return readCells(dst, x0, 0, cells, 8); }
    SDL_Surface **small = nullptr, **big = nullptr;
    SDL_Surface *dst = nullptr;
};

int countGlyphs(SDL_Surface **glyphs) {
    int n = 0;
    while (glyphs[n])
        n++;
    return n;
}

TEST_F(Fonts, GlyphCountFollowsTheSheetSize) {
    struct Case {
        int w, h, cell, count;
    } cases[] = {
        {128, 48, 8, 96},  {130, 20, 8, 32}, {7, 7, 8, 0},
        {271, 48, 16, 48}, {16, 16, 16, 1},  {8, 200, 8, 25},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " / " << c.cell);
        SDL_Surface *sheet = createImage(c.w, c.h, 0);
        SDL_Surface **glyphs = createFont(sheet, c.cell, c.cell);
        EXPECT_EQ(countGlyphs(glyphs), c.count);
        for (int k = 0; k < c.count; k++) {
            EXPECT_EQ(glyphs[k]->w, c.cell);
            EXPECT_EQ(glyphs[k]->h, c.cell);
        }
        SDL_Surface **keep = font;
        font = glyphs;
        destroyFonts(); // frees this one; fontbig is not set here
        EXPECT_EQ(font, nullptr);
        font = keep;
        freeSurface(sheet);
    }
}

TEST_F(Fonts, GlyphsAreCutInReadingOrderAndKeyedByContent) {
    // Row-major order: glyph 17 is row 1, column 1.
    EXPECT_EQ(getPixel(small[17], 3, 3), glyphColour(17));
    // One glyph with a magenta pixel, copied as it is and keyed on it; the
    // others, all opaque on a 16-bit display, carry no key.
    SDL_Surface *sheet = codedSheet(2, 1, 8);
    Uint32 magenta = SDL_MapRGB(screen->format, 255, 0, 255);
    putPixel(sheet, 8 + 5, 2, magenta);
    SDL_Surface **glyphs = createFont(sheet, 8, 8);
    EXPECT_FALSE(glyphs[0]->flags & SDL_SRCCOLORKEY);
    EXPECT_TRUE(glyphs[1]->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(glyphs[1]->format->colorkey, magenta);
    EXPECT_EQ(getPixel(glyphs[1], 5, 2), magenta);
    // Drawn, the magenta pixel lets the background through.
    fillRect(dst, 0, 0, 16, 8, BLACK);
    drawTextAt(dst, "!", 0, 0, glyphs);
    EXPECT_EQ(getPixel(dst, 5, 2), BLACK);
    EXPECT_EQ(getPixel(dst, 4, 2), glyphColour(1));
    SDL_Surface **keep = font;
    font = glyphs;
    destroyFonts();
    font = keep;
    freeSurface(sheet);
}

struct TextCase {
    const char *what;
    const char *text;
    int n, x;
    const char *seen; // cells 0 ... 11 of the line afterwards
};

TEST_F(Fonts, DrawTextNAt) {
    const TextCase cases[] = {
        {"whole text", "HELLO", 99, 0, "HELLO......."},
        {"n cuts it", "HELLO", 3, 0, "HEL........."},
        {"n of 0", "HELLO", 0, 0, "............"},
        {"negative n", "HELLO", -1, 0, "............"},
        {"empty text", "", 5, 0, "............"},
        {"starting at x 16", "AB", 2, 16, "..AB........"},
        {"cell wholly left of the edge is skipped", "ABC", 3, -8, "BC.........."},
        {"characters outside the font leave their cell empty",
         "A\x1F"
         "a\xC3"
         "B~C",
         7, 0, "A...B.C....."},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.what);
        fillRect(dst, 0, 0, 320, 24, BLACK);
        drawTextNAt(dst, c.text, c.n, c.x, 0, small);
        EXPECT_EQ(smallLine(), c.seen);
    }
}

// No font loaded yet, or one cut from a sheet smaller than a glyph.
TEST_F(Fonts, WithoutGlyphsNothingIsDrawn) {
    SDL_Surface *empty[] = {nullptr};
    for (SDL_Surface **glyphs : {static_cast<SDL_Surface **>(nullptr), empty}) {
        fillRect(dst, 0, 0, 320, 24, BLACK);
        drawTextNAt(dst, "HELLO", 5, 0, 0, glyphs);
        drawTextAt(dst, "HELLO", 8, 0, glyphs);
        drawTextCenterAt(dst, "HELLO", 0, glyphs);
        drawNumberAt(dst, 42, 0, 0, 5, 1, glyphs);
        EXPECT_EQ(smallLine(0, 40), std::string(40, '.'));
    }
}

TEST_F(Fonts, PartlyVisibleCellShowsItsRightColumns) {
    // At x = -7 only the rightmost column of the first cell reaches x = 0.
    SDL_Surface *sheet = codedSheet(16, 4, 8);
    Uint32 edge = SDL_MapRGB(screen->format, 250, 250, 0);
    fillRect(sheet, ('A' - 32) % 16 * 8 + 7, ('A' - 32) / 16 * 8, 1, 8, edge);
    SDL_Surface **glyphs = createFont(sheet, 8, 8);
    fillRect(dst, 0, 0, 320, 24, BLACK);
    drawTextNAt(dst, "AB", 2, -7, 0, glyphs);
    EXPECT_EQ(getPixel(dst, 0, 0), edge);
    EXPECT_EQ(getPixel(dst, 1, 0), glyphColour('B' - 32));
    SDL_Surface **keep = font;
    font = glyphs;
    destroyFonts();
    font = keep;
    freeSurface(sheet);
}

TEST_F(Fonts, TextRunningOffTheRightEdgeStops) {
    fillRect(dst, 0, 0, 320, 24, BLACK);
    drawTextAt(dst, "ABCDEFGH", 300, 0, small);
    EXPECT_EQ(smallLine(296, 3), ".AB");
    // A position beyond the 16-bit range of blit rectangles does not wrap
    // around to the left edge.
    drawTextAt(dst, "ABCDEFGH", 65536, 0, small);
    EXPECT_EQ(smallLine(0, 12), "............");
}

TEST_F(Fonts, DrawTextCenterAt) {
    fillRect(dst, 0, 0, 320, 24, BLACK);
    drawTextCenterAt(dst, "0123456789", 0, small);
    EXPECT_EQ(readCells(dst, 112, 0, 12, 8), ".0123456789.");
    fillRect(dst, 0, 0, 320, 24, BLACK);
    drawTextCenterAt(dst, "0123456789", 0, big);
    EXPECT_EQ(readCells(dst, 64, 0, 12, 16), ".0123456789.");
}

struct NumberCase {
    int value, x, digits, zeroPad;
    const char *seen; // cells from x = 0
};

TEST_F(Fonts, DrawNumberAt) {
    const NumberCase cases[] = {
        {42, 0, 5, 1, "00042......."},     {42, 0, 5, 0, "...42......."},
        {12345, 40, 3, 0, "...12345...."}, {12345, 40, 3, 1, "...12345...."},
        {7, 16, 0, 0, "..7........."},     {7, 16, 0, 1, "..7........."},
        {-7, 0, 4, 0, "..-7........"},     {-305, 8, 0, 0, ".-305......."},
        {5, 0, 12, 1, "00000000...5"},     {0, 0, 3, 1, "000........."},
    };
    for (const NumberCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " at " << c.x << " in " << c.digits
                                        << (c.zeroPad ? " padded" : ""));
        fillRect(dst, 0, 0, 320, 24, BLACK);
        drawNumberAt(dst, c.value, c.x, 0, c.digits, c.zeroPad, small);
        EXPECT_EQ(smallLine(), c.seen);
    }
}

TEST_F(Fonts, LoadSpriteFontFromTheGfxArchive) {
    TempFolder folder;
    SDL_Surface *smallSheet =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 128, 48, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_Surface *bigSheet =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 256 + 10, 96, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    // Magenta everywhere but one pixel of the small sheet's glyph 1.
    SDL_FillRect(smallSheet, nullptr, 0xFF00FF);
    SDL_Rect dot = {8 + 3, 4, 1, 1};
    SDL_FillRect(smallSheet, &dot, 0x00FF00);
    SDL_FillRect(bigSheet, nullptr, 0x123456);
    writeGfxArchive({{"font.bmp", bmpOf(smallSheet)}, {"fontbig.bmp", bmpOf(bigSheet)}});
    SDL_FreeSurface(smallSheet);
    SDL_FreeSurface(bigSheet);

    font = fontbig = nullptr;
    loadSpriteFont();
    ASSERT_NE(font, nullptr);
    ASSERT_NE(fontbig, nullptr);
    EXPECT_EQ(countGlyphs(font), 96);
    EXPECT_EQ(countGlyphs(fontbig), 96);
    EXPECT_EQ(fontbig[0]->w, 16);
    // The sheet carried no key, so magenta reached the glyph and keyed it.
    EXPECT_TRUE(font[1]->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(getPixel(font[1], 3, 4), SDL_MapRGB(screen->format, 0, 255, 0));
    // The big sheet has no magenta: opaque glyphs, no key.
    EXPECT_FALSE(fontbig[5]->flags & SDL_SRCCOLORKEY);
    destroyFonts();
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(fontbig, nullptr);
}

} // namespace
