// The game art: every picture the game loads exists, decodes, and has the
// size and cells its users index; transparency is exact magenta only; and the
// rules that keep it readable hold (cursor corners free, small ejects, clean
// morph colours, a halo round every letter).
#include "storage/winova.h"

#include "file_helpers.h"
#include "launcher.h"
#include "temp_helpers.h"
#include <SDL.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <set>
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

// Tile frames the boards draw in a cell: the kinds, their shines and every
// frame of the morph table.
std::vector<int> boardFrames() {
    std::vector<int> frames = {0, 1, 2, 3, 4};
    for (int v = 1; v <= 5; v++)
        for (int phase = 0; phase < 4; phase++)
            frames.push_back(v + 7 + 8 * phase);
    for (int row = 0; row < 9; row++) {
        frames.push_back(5 + 8 * row);
        frames.push_back(6 + 8 * row);
    }
    return frames;
}

// Cells the game draws must show something, and keyed ones must not be
// solid squares.
TEST_F(Art, DrawnCellsShowSomethingAndKeyedOnesAreCutOut) {
    struct Used {
        const char *sheet;
        std::vector<int> cells;
    };
    std::vector<int> tiles = boardFrames();
    tiles.insert(tiles.end(), {55, 56, 57, 58, 59, 64, 65, 66, 67}); // paw, cursor
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

bool opaqueAt(const Picture &p, int cell, int x, int y) {
    return p.at(cell % 8 * 16 + x, cell / 8 * 16 + y) != MAGENTA;
}

// The cursor lies under the tiles: no frame a board cell can show may cover
// any of its pixels, and every cursor frame marks all four corners.
TEST_F(Art, CursorCornersStayClearOfEveryTileFrame) {
    for (const char *name : {"fruitanim", "fruitanim2"}) {
        Picture p;
        ASSERT_TRUE(decode(name, p));
        for (int cursor = 64; cursor <= 67; cursor++) {
            for (int corner = 0; corner < 4; corner++) {
                int x0 = corner & 1 ? 12 : 0, y0 = corner & 2 ? 12 : 0, ink = 0;
                for (int y = y0; y < y0 + 4; y++)
                    for (int x = x0; x < x0 + 4; x++)
                        ink += opaqueAt(p, cursor, x, y);
                EXPECT_GE(ink, 6) << name << " cursor " << cursor << " corner " << corner;
            }
            for (int frame : boardFrames()) {
                int covered = 0;
                for (int y = 0; y < 16; y++)
                    for (int x = 0; x < 16; x++)
                        covered += opaqueAt(p, cursor, x, y) && opaqueAt(p, frame, x, y);
                EXPECT_EQ(covered, 0) << name << " frame " << frame << " hides cursor " << cursor;
            }
        }
    }
}

// Kinds are told apart by shape as well as colour (some players see the
// sapphire and the emerald as one teal): no two kinds of a set may share
// most of their silhouette.
TEST_F(Art, EveryKindHasAnOutlineOfItsOwn) {
    for (const char *name : {"fruitanim", "fruitanim2"}) {
        Picture p;
        ASSERT_TRUE(decode(name, p));
        for (int a = 0; a < 5; a++)
            for (int b = a + 1; b < 5; b++) {
                int both = 0, either = 0;
                for (int y = 0; y < 16; y++)
                    for (int x = 0; x < 16; x++) {
                        both += opaqueAt(p, a, x, y) && opaqueAt(p, b, x, y);
                        either += opaqueAt(p, a, x, y) || opaqueAt(p, b, x, y);
                    }
                EXPECT_LE(both * 100, either * 85)
                    << name << " kinds " << a + 1 << " and " << b + 1;
            }
    }
}

// The morph strips run from kind 3 up to kind 1 in column 5 and from kind 5
// up to kind 3 in column 6, passing exactly through kinds 2 and 4 halfway.
// A step between two kinds uses only their own colours (and white or cream
// sparks), never a muddy blend; no in-between is empty, and the frames the
// game throws off the board as ejects (morph entries 8v - 4) are small.
TEST_F(Art, MorphStepsShrinkThenGrowInTheKindsOwnColours) {
    for (const char *name : {"fruitanim", "fruitanim2"}) {
        Picture p;
        ASSERT_TRUE(decode(name, p));
        const int same[][2] = {{37, 1}, {69, 2}, {6, 2}, {38, 3}, {70, 4}};
        for (const auto &pair : same)
            EXPECT_TRUE(sameCells(p, 16, 16, pair[0], pair[1])) << name << " " << pair[0];
        auto colours = [&](int cell) {
            std::set<uint32_t> c;
            for (int y = 0; y < 16; y++)
                for (int x = 0; x < 16; x++)
                    c.insert(p.at(cell % 8 * 16 + x, cell / 8 * 16 + y));
            return c;
        };
        // the in-between cells of each step, with the kinds (0-based) it joins
        struct Step {
            int cells[3], from, to;
        };
        const Step steps[] = {
            {{13, 21, 29}, 1, 0}, {{45, 53, 61}, 2, 1}, {{14, 22, 30}, 3, 2}, {{46, 54, 62}, 4, 3}};
        for (const Step &s : steps) {
            std::set<uint32_t> allowed = colours(s.from), to = colours(s.to);
            allowed.insert(to.begin(), to.end());
            allowed.insert({0xFFFFFF, 0xFFF4D8});
            for (int cell : s.cells) {
                for (uint32_t c : colours(cell))
                    EXPECT_TRUE(allowed.count(c)) << name << " cell " << cell << " colour " << c;
                EXPECT_GE(inkInCell(p, 16, 16, cell), inkInCell(p, 16, 16, s.to) / 5)
                    << name << " cell " << cell << " looks empty";
            }
        }
        EXPECT_LT(inkInCell(p, 16, 16, 5), inkInCell(p, 16, 16, 0)) << name;
        const int ejects[5] = {5, 21, 53, 22, 54};
        for (int kind = 0; kind < 5; kind++)
            EXPECT_LE(2 * inkInCell(p, 16, 16, ejects[kind]), inkInCell(p, 16, 16, kind))
                << name << " eject of kind " << kind + 1;
    }
}

TEST_F(Art, FontsHaveAGlyphForEveryPrintableCharacter) {
    for (auto [name, glyph] : {std::pair<const char *, int>{"font", 8}, {"fontbig", 16}}) {
        const int size = glyph; // a lambda may not capture a structured binding in C++17
        Picture p;
        ASSERT_TRUE(decode(name, p));
        EXPECT_EQ(inkInCell(p, size, size, 0), 0) << name << " space";
        for (int code = 33; code <= 126; code++)
            EXPECT_GT(inkInCell(p, size, size, code - 32), 0) << name << " '" << char(code) << "'";
        // lower case is drawn, not a copy of the capitals
        EXPECT_FALSE(sameCells(p, size, size, 'a' - 32, 'A' - 32)) << name;
    }
}

// Letter fill, as opposed to the dark halo round it.
bool light(uint32_t c) {
    int r = c >> 16 & 255, g = c >> 8 & 255, b = c & 255;
    return c != MAGENTA && 299 * r + 587 * g + 114 * b >= 100000;
}

// Text is drawn over anything, so every letter pixel is ringed by the dark
// halo: none of its eight neighbours in the cell is transparent.
TEST_F(Art, GlyphsSitInAClosedDarkHalo) {
    for (auto [name, glyph] : {std::pair<const char *, int>{"font", 8}, {"fontbig", 16}}) {
        const int size = glyph; // a lambda may not capture a structured binding in C++17
        Picture p;
        ASSERT_TRUE(decode(name, p));
        for (int code = 33; code <= 126; code++) {
            int k = code - 32, x0 = k % 16 * size, y0 = k / 16 * size, open = 0;
            for (int y = 0; y < size; y++)
                for (int x = 0; x < size; x++) {
                    if (!light(p.at(x0 + x, y0 + y)))
                        continue;
                    for (int v = -1; v <= 1; v++)
                        for (int u = -1; u <= 1; u++) {
                            int xx = x + u, yy = y + v;
                            if (xx >= 0 && yy >= 0 && xx < size && yy < size)
                                open += p.at(x0 + xx, y0 + yy) == MAGENTA;
                        }
                }
            EXPECT_EQ(open, 0) << name << " '" << char(code) << "'";
        }
    }
}

// Capitals and digits never pass for one another (B and 8, D and O, G and
// 6): any two differ in at least two pixels of the letter shapes, a letter
// and a digit in at least three (each pixel of the shapes is 2 x 2 in the
// big font).
TEST_F(Art, CapitalsAndDigitsAreToldApart) {
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ", digits = "0123456789";
    const std::string all = letters + digits;
    for (auto [name, glyph] : {std::pair<const char *, int>{"font", 8}, {"fontbig", 16}}) {
        const int size = glyph; // a lambda may not capture a structured binding in C++17
        Picture p;
        ASSERT_TRUE(decode(name, p));
        int unit = size / 8 * size / 8;
        auto differ = [&](char a, char b) {
            int ka = a - 32, kb = b - 32, n = 0;
            for (int y = 0; y < size; y++)
                for (int x = 0; x < size; x++)
                    n += light(p.at(ka % 16 * size + x, ka / 16 * size + y)) !=
                         light(p.at(kb % 16 * size + x, kb / 16 * size + y));
            return n;
        };
        for (size_t i = 0; i < all.size(); i++)
            for (size_t j = i + 1; j < all.size(); j++) {
                bool mixed = (i < letters.size()) != (j < letters.size());
                EXPECT_GE(differ(all[i], all[j]), (mixed ? 3 : 2) * unit)
                    << name << " " << all[i] << " and " << all[j];
            }
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
    std::string cmd = launchPrefix() + "'" + QUENZY_BINARY_DIR + "/gfxtool' build '" +
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
