// The game art: every picture the game loads exists, decodes, and has the
// size and cells its users index; transparency is exact magenta only.
#include "storage/winova.h"

#include "file_helpers.h"
#include "temp_helpers.h"
#include <SDL.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The entry as the game reads it from data/gfx.ova.
std::vector<uint8_t> pictureBytes(const std::string &name) {
    uint32_t length = 0;
    uint8_t *data = loadOVAFile(OVA_GFX, name.c_str(), "bmp", &length);
    if (!data)
        return {};
    std::vector<uint8_t> bytes(data, data + length);
    free(data);
    return bytes;
}

// Decoded as the game decodes it, then converted to 32-bit RGB for reading.
struct Picture {
    int w = 0, h = 0;
    std::vector<uint32_t> px; // 0xRRGGBB
    uint32_t at(int x, int y) const { return px[size_t(y) * w + x]; }
};

bool decode(const std::string &name, Picture &out) {
    std::vector<uint8_t> bytes = pictureBytes(name);
    if (bytes.empty())
        return false;
    SDL_RWops *rw = SDL_RWFromMem(bytes.data(), int(bytes.size()));
    SDL_Surface *bmp = SDL_LoadBMP_RW(rw, 1);
    if (!bmp)
        return false;
    SDL_Surface *rgb =
        SDL_CreateRGBSurface(SDL_SWSURFACE, bmp->w, bmp->h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_BlitSurface(bmp, nullptr, rgb, nullptr);
    out.w = rgb->w;
    out.h = rgb->h;
    out.px.resize(size_t(out.w) * out.h);
    SDL_LockSurface(rgb);
    for (int y = 0; y < out.h; y++)
        for (int x = 0; x < out.w; x++)
            out.px[size_t(y) * out.w + x] =
                static_cast<uint32_t *>(rgb->pixels)[y * rgb->pitch / 4 + x] & 0xFFFFFF;
    SDL_UnlockSurface(rgb);
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(bmp);
    return true;
}

const uint32_t MAGENTA = 0xFF00FF;

bool nearMagenta(uint32_t c) {
    int r = c >> 16 & 255, g = c >> 8 & 255, b = c & 255;
    return c != MAGENTA && r >= 192 && b >= 192 && g <= 64;
}

int cellCount(const Picture &p, int cw, int ch) {
    return (p.w / cw) * (p.h / ch);
}

// Pixels of one cell that are not transparent.
int inkInCell(const Picture &p, int cw, int ch, int cell) {
    int cols = p.w / cw, x0 = cell % cols * cw, y0 = cell / cols * ch, n = 0;
    for (int y = 0; y < ch; y++)
        for (int x = 0; x < cw; x++)
            n += p.at(x0 + x, y0 + y) != MAGENTA;
    return n;
}

bool sameCells(const Picture &p, int cw, int ch, int a, int b) {
    int cols = p.w / cw;
    for (int y = 0; y < ch; y++)
        for (int x = 0; x < cw; x++)
            if (p.at(a % cols * cw + x, a / cols * ch + y) !=
                p.at(b % cols * cw + x, b / cols * ch + y))
                return false;
    return true;
}

// Each test reads the real archive in build/data, whatever another test left open.
class Art : public testing::Test {
  protected:
    void SetUp() override { closeArchives(); }
    void TearDown() override { closeArchives(); }
};

const char *const loadedNames[] = {
    "logo",       "timebar",    "timebar2",     "gameover",   "kitty",      "pause",
    "ingamebkg1", "ingamebkg2", "ingamebkg3",   "ingamebkg4", "titbkgl0",   "titbkgl1",
    "titbkgl2",   "font",       "fontbig",      "fruitanim",  "fruitanim2", "lionanim",
    "totem",      "sunanim",    "options_vert", "birds",      "birds2",     "flowers",
    "flowers2",   "butterfly",  "hippo",        "creditsend", "ov-ondra",   "ov-logo"};

TEST_F(Art, EveryPictureTheGameLoadsDecodes) {
    uint32_t length = 0;
    EXPECT_EQ(loadOVAFile(OVA_GFX, "no-such-picture", "bmp", &length), nullptr);
    for (const char *name : loadedNames) {
        Picture p;
        EXPECT_TRUE(decode(name, p)) << name;
        EXPECT_GT(p.w, 0) << name;
        EXPECT_GT(p.h, 0) << name;
    }
}

TEST_F(Art, NoPictureHasNearMagentaPixels) {
    for (const char *name : loadedNames) {
        Picture p;
        ASSERT_TRUE(decode(name, p)) << name;
        int bad = 0;
        for (uint32_t c : p.px)
            bad += nearMagenta(c);
        EXPECT_EQ(bad, 0) << name;
    }
}

struct SheetCase {
    const char *name;
    int cellW, cellH;
    int columns;  // 0 when the users only count cells in reading order
    int minCells; // one past the highest index any user draws
    bool keyed;   // cells drawn with magenta transparent
};

const SheetCase sheets[] = {
    {"fruitanim", 16, 16, 8, 71, true}, {"fruitanim2", 16, 16, 8, 71, true},
    {"lionanim", 32, 32, 7, 49, true},  {"totem", 32, 48, 5, 15, false},
    {"sunanim", 64, 64, 0, 3, false},   {"options_vert", 32, 32, 0, 5, true},
    {"birds", 16, 16, 5, 14, true},     {"birds2", 16, 16, 5, 14, true},
    {"flowers", 16, 16, 0, 7, true},    {"flowers2", 16, 16, 0, 7, true},
    {"butterfly", 16, 16, 0, 2, true},  {"font", 8, 8, 0, 95, true},
    {"fontbig", 16, 16, 0, 95, true},
};

TEST_F(Art, SheetsHoldTheCellsTheirUsersIndex) {
    for (const SheetCase &s : sheets) {
        Picture p;
        ASSERT_TRUE(decode(s.name, p)) << s.name;
        EXPECT_EQ(p.w % s.cellW, 0) << s.name;
        EXPECT_EQ(p.h % s.cellH, 0) << s.name;
        if (s.columns) {
            EXPECT_EQ(p.w / s.cellW, s.columns) << s.name;
        }
        EXPECT_GE(cellCount(p, s.cellW, s.cellH), s.minCells) << s.name;
    }
}

// Cells the game draws must show something, and keyed ones must not be
// solid squares.
TEST_F(Art, DrawnCellsShowSomethingAndKeyedOnesAreCutOut) {
    struct Used {
        const char *sheet;
        std::vector<int> cells;
    };
    std::vector<int> tiles = {0, 1, 2, 3, 4, 55, 56, 57, 58, 59, 64, 65, 66, 67};
    for (int v = 1; v <= 5; v++)
        for (int phase = 0; phase < 4; phase++)
            tiles.push_back(v + 7 + 8 * phase);
    for (int row = 0; row < 9; row++) {
        tiles.push_back(5 + 8 * row);
        tiles.push_back(6 + 8 * row);
    }
    std::vector<int> lion;
    const int frames[7] = {3, 4, 6, 7, 3, 6, 3};
    for (int a = 0; a < 7; a++)
        for (int f = 0; f < frames[a]; f++)
            lion.push_back(f * 7 + a);
    const Used used[] = {{"fruitanim", tiles},
                         {"fruitanim2", tiles},
                         {"lionanim", lion},
                         {"options_vert", {0, 1, 2, 3, 4}},
                         {"birds", {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13}},
                         {"birds2", {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13}},
                         {"flowers", {0, 1, 2, 3, 4, 5, 6}},
                         {"flowers2", {0, 1, 2, 3, 4, 5, 6}},
                         {"butterfly", {0, 1}}};
    for (const Used &u : used) {
        const SheetCase *s = nullptr;
        for (const SheetCase &c : sheets)
            if (std::string(c.name) == u.sheet)
                s = &c;
        ASSERT_NE(s, nullptr);
        Picture p;
        ASSERT_TRUE(decode(u.sheet, p));
        for (int cell : u.cells) {
            int ink = inkInCell(p, s->cellW, s->cellH, cell);
            EXPECT_GT(ink, 0) << u.sheet << " cell " << cell;
            EXPECT_LT(ink, s->cellW * s->cellH) << u.sheet << " cell " << cell;
        }
    }
}

// The morph strips run from kind 3 up to kind 1 in column 5 and from kind 5
// up to kind 3 in column 6, passing exactly through kinds 2 and 4 halfway.
TEST_F(Art, MorphStripsStartAndEndOnTheFruitKinds) {
    for (const char *name : {"fruitanim", "fruitanim2"}) {
        Picture p;
        ASSERT_TRUE(decode(name, p));
        const int same[][2] = {{5, 0}, {37, 1}, {69, 2}, {6, 2}, {38, 3}, {70, 4}};
        for (const auto &pair : same)
            EXPECT_TRUE(sameCells(p, 16, 16, pair[0], pair[1])) << name << " " << pair[0];
        for (int between : {13, 21, 29, 45, 53, 61, 14, 22, 30, 46, 54, 62}) {
            int above = between - 8, below = between + 8;
            EXPECT_FALSE(sameCells(p, 16, 16, between, above)) << name << " " << between;
            EXPECT_FALSE(sameCells(p, 16, 16, between, below)) << name << " " << between;
        }
    }
}

TEST_F(Art, FontsHaveAGlyphForEveryPrintableCharacter) {
    for (auto [name, size] : {std::pair<const char *, int>{"font", 8}, {"fontbig", 16}}) {
        Picture p;
        ASSERT_TRUE(decode(name, p));
        EXPECT_EQ(inkInCell(p, size, size, 0), 0) << name << " space";
        for (int code = 33; code <= 126; code++)
            EXPECT_GT(inkInCell(p, size, size, code - 32), 0) << name << " '" << char(code) << "'";
        // lower case is drawn, not a copy of the capitals
        EXPECT_FALSE(sameCells(p, size, size, 'a' - 32, 'A' - 32)) << name;
    }
}

// Sizes follow from where the screens put the pictures.
TEST_F(Art, PicturesFitWhereTheScreensPlaceThem) {
    Picture p, fill;
    for (const char *name : {"ingamebkg1", "ingamebkg2", "ingamebkg3", "ingamebkg4"}) {
        ASSERT_TRUE(decode(name, p));
        EXPECT_EQ(p.w, 320) << name;
        EXPECT_EQ(p.h, 240) << name;
    }
    // time bar: the fill lies inside the frame; the status line under it
    // ends above the boards, and the lives text stays clear of the moves
    // and of the score label
    ASSERT_TRUE(decode("timebar", p));
    ASSERT_TRUE(decode("timebar2", fill));
    EXPECT_LE(20 + fill.w, 8 + p.w);
    EXPECT_LE(20 + fill.h, 8 + p.h);
    EXPECT_LE(p.h + 8 + 8, 62);
    EXPECT_GE(p.w - 64, 88);
    EXPECT_LE(p.w + 8, 272);
    EXPECT_LE(8 + p.w, 216) << "frame runs into the stage counter";
    Picture kitty;
    ASSERT_TRUE(decode("kitty", kitty));
    EXPECT_LE(kitty.w, 16);
    EXPECT_LE(p.h + 8 + kitty.h, 62);
    // title logo above the first menu item, inside the screen
    ASSERT_TRUE(decode("logo", p));
    EXPECT_LE(p.w, 320);
    EXPECT_GE((240 - p.h) / 2 - 56, 0);
    EXPECT_LE((240 - p.h) / 2 - 56 + p.h, 104);
    // pause title: five 32-pixel rows below it still fit the screen
    ASSERT_TRUE(decode("pause", p));
    EXPECT_LE(p.h + 16 + 5 * 32, 240);
    EXPECT_LE(p.w, 320);
    // game over above the score line at 160
    ASSERT_TRUE(decode("gameover", p));
    EXPECT_LE(48 + p.h, 160);
    EXPECT_LE(p.w, 320);
    // the hippo pose at x 4 stays left of the text column at 72
    ASSERT_TRUE(decode("hippo", p));
    EXPECT_EQ(p.w % 2, 0);
    EXPECT_LE(4 + p.w / 2, 72);
    ASSERT_TRUE(decode("creditsend", p));
    EXPECT_EQ(p.w, 320);
    EXPECT_LE(p.h, 240);
    // the splash logo slides in from x 360 and rests centred above y 180
    ASSERT_TRUE(decode("ov-logo", p));
    EXPECT_LE(p.w, 320);
    EXPECT_LE(p.h, 180);
    // the opaque title layer covers the whole screen height
    ASSERT_TRUE(decode("titbkgl0", p));
    EXPECT_GE(p.h, 240);
}

// Layers scroll endlessly, so the last column must run on into the first:
// few rows may jump in colour there, and the ground of a keyed layer (the
// opaque run up from the bottom) must continue within a pixel.
int groundLine(const Picture &p, int x) {
    int y = p.h;
    while (y > 0 && p.at(x, y - 1) != MAGENTA)
        y--;
    return y;
}

TEST_F(Art, TitleLayersTileSideways) {
    for (const char *name : {"titbkgl0", "titbkgl1", "titbkgl2"}) {
        Picture p;
        ASSERT_TRUE(decode(name, p));
        int jumps = 0;
        for (int y = 0; y < p.h; y++) {
            uint32_t a = p.at(p.w - 1, y), b = p.at(0, y);
            bool aKey = a == MAGENTA, bKey = b == MAGENTA;
            int d = std::abs(int(a >> 16 & 255) - int(b >> 16 & 255)) +
                    std::abs(int(a >> 8 & 255) - int(b >> 8 & 255)) +
                    std::abs(int(a & 255) - int(b & 255));
            jumps += aKey != bKey || d > 96;
        }
        EXPECT_LE(jumps, p.h / 20) << name;
        EXPECT_LE(std::abs(groundLine(p, p.w - 1) - groundLine(p, 0)), 1) << name;
    }
}

// The sun is drawn without a key over background 1, and the totem over all
// four: their cells must blend in, so the border of each cell matches the
// background under it.
TEST_F(Art, OpaqueSceneryMatchesTheBackgroundAroundIt) {
    Picture sun, bkg;
    ASSERT_TRUE(decode("sunanim", sun));
    ASSERT_TRUE(decode("ingamebkg1", bkg));
    for (int cell = 0; cell < 3; cell++)
        for (int i = 0; i < 64; i++) {
            EXPECT_EQ(sun.at(cell * 64 + i, 63), bkg.at(192 + i, 63)) << cell;
            EXPECT_EQ(sun.at(cell * 64 + 63, i), bkg.at(192 + 63, i)) << cell;
        }
    Picture totem;
    ASSERT_TRUE(decode("totem", totem));
    for (const char *name : {"ingamebkg1", "ingamebkg2", "ingamebkg3", "ingamebkg4"}) {
        ASSERT_TRUE(decode(name, bkg));
        int differ = 0;
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 32; x++)
                differ += totem.at(x, y) != bkg.at(144 + x, 192 + y);
        EXPECT_EQ(differ, 0) << name << ": the resting totem is not cell 0";
    }
}

TEST_F(Art, ToolOutputIsDeterministic) {
    TempDir tmp("quenzy-gfx");
    std::string out = tmp.path;
    std::string cmd = std::string("'") + QUENZY_BINARY_DIR + "/gfxtool' build '" +
                      QUENZY_SOURCE_DIR + "/assets/gfx' '" + out + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char *name : loadedNames) {
        std::vector<uint8_t> again = readFileBytes(out + "/" + name + ".bmp");
        EXPECT_FALSE(again.empty()) << name;
        EXPECT_TRUE(again ==
                    readFileBytes(std::string(QUENZY_BINARY_DIR) + "/gfx/" + name + ".bmp"))
            << name;
    }
}

} // namespace
