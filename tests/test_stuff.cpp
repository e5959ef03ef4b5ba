#include "core/savegame.h"
#include "front/i18n.h"
#include "front/stuff.h"
#include "media_helpers.h"
#include "sound_helpers.h"
#include "storage/winova.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(GameFlags, InitVarsResetsFlagsAndRewindsScroller) {
    escape = paused = 1;
    hsRank = 4;
    workflow = 3;
    scroller = nullptr;
    initVars();
    EXPECT_EQ(escape, 0);
    EXPECT_EQ(paused, 0);
    EXPECT_EQ(hsRank, -1);
    EXPECT_EQ(workflow, 0);
    const char *text = translation[lang_id * TEXT_COUNT + TEXT_SCROLLER];
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(scroller, text);
    EXPECT_EQ(scrollmax, static_cast<int>(strlen(text)));

    // A later call only rewinds: the text set first stays.
    const char *other = "ANOTHER";
    scroller = other;
    scrollmax = 7;
    scrollidx = 12;
    scrolldx = 9;
    workflow = 2;
    initVars0();
    EXPECT_EQ(scroller, other);
    EXPECT_EQ(scrollmax, 7);
    EXPECT_EQ(scrollidx, 0);
    EXPECT_EQ(scrolldx, 0);
    EXPECT_EQ(workflow, 0);
    scroller = nullptr;
}

} // namespace

namespace {

using media::Picture;

// A 24-bit picture of w x h: cell (c, r) of cellW x cellH filled with a
// colour of its own and a magenta pixel in its corner.
Picture sheetPicture(const std::string &name, int w, int h, int cellW, int cellH) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            int c = x / cellW, r = y / cellH;
            SDL_Rect px = {Sint16(x), Sint16(y), 1, 1};
            Uint32 colour = x % cellW == 0 && y % cellH == 0
                                ? SDL_MapRGB(s->format, 255, 0, 255)
                                : SDL_MapRGB(s->format, Uint8(40 * c + 8), Uint8(100 * r + 8), 64);
            SDL_FillRect(s, &px, colour);
        }
    }
    Picture p{name + ".bmp", media::bmpOf(s)};
    SDL_FreeSurface(s);
    return p;
}

class Sheets : public testing::Test {
  protected:
    void SetUp() override { media::startVideo(0, 0, 16); }
    void TearDown() override { media::stopVideo(); }
    Uint32 rgb(int r, int g, int b) { return SDL_MapRGB(screen->format, r, g, b); }
};

TEST_F(Sheets, CellsRowByRowWithoutPartialOnes) {
    media::TempFolder folder;
    media::writeGfxArchive({sheetPicture("sheet", 50, 40, 16, 16)});
    ASSERT_EQ(loadOVAHeader(OVA_GFX), 0);
    for (int keyed : {0, 1}) {
        SDL_Surface **cells = initBlocks("sheet", 16, 16, keyed);
        int n = 0;
        while (cells[n])
            n++;
        ASSERT_EQ(n, 6) << keyed; // 3 x 2 whole cells of a 50 x 40 sheet
        for (int i = 0; i < 6; i++) {
            SDL_Surface *cell = cells[i];
            EXPECT_EQ(cell->w, 16);
            EXPECT_EQ(cell->h, 16);
            EXPECT_EQ(media::getPixel(cell, 5, 5), rgb(40 * (i % 3) + 8, 100 * (i / 3) + 8, 64))
                << i;
            EXPECT_EQ((cell->flags & SDL_SRCCOLORKEY) != 0, keyed != 0) << i;
            if (keyed) {
                EXPECT_EQ(cell->format->colorkey, rgb(255, 0, 255));
            }
        }
        freeBlocks(cells);
    }
    freeBlocks(nullptr);
}

const char *const pictureNames[] = {
    "logo",       "timebar",    "timebar2",   "gameover", "kitty",    "pause",   "ingamebkg1",
    "ingamebkg2", "ingamebkg3", "ingamebkg4", "titbkgl0", "titbkgl1", "titbkgl2"};

TEST_F(Sheets, PictureTableLoadsAndReleases) {
    media::TempFolder folder;
    std::vector<Picture> pictures;
    for (const char *name : pictureNames)
        pictures.push_back(sheetPicture(name, 20, 10, 10, 10));
    media::writeGfxArchive(pictures);
    ASSERT_EQ(loadOVAHeader(OVA_GFX), 0);
    loadPictures();
    struct {
        SDL_Surface *picture;
        int keyed;
    } want[] = {{logo, 1},           {timebar, 1},        {timebar2, 0},       {gameover, 1},
                {kitty, 1},          {pauseTitle, 1},     {backgrounds[0], 0}, {backgrounds[1], 0},
                {backgrounds[2], 0}, {backgrounds[3], 0}, {menubkg[0], 0},     {menubkg[1], 1},
                {menubkg[2], 1}};
    for (size_t i = 0; i < sizeof want / sizeof want[0]; i++) {
        ASSERT_NE(want[i].picture, nullptr) << pictureNames[i];
        EXPECT_EQ((want[i].picture->flags & SDL_SRCCOLORKEY) != 0, want[i].keyed != 0)
            << pictureNames[i];
    }
    freePictures();
    EXPECT_EQ(logo, nullptr);
    EXPECT_EQ(backgrounds[3], nullptr);
    EXPECT_EQ(menubkg[2], nullptr);
}

TEST_F(Sheets, InitStuffCutsElevenSheets) {
    media::TempFolder folder;
    struct {
        const char *name;
        int w, h;
        SDL_Surface ***cells;
        int keyed;
    } sheets[] = {
        {"fruitanim", 16, 16, &blocks[0], 1},       {"fruitanim2", 16, 16, &blocks[1], 1},
        {"lionanim", 32, 32, &lionBlocks, 1},       {"totem", 32, 48, &totemBlocks, 0},
        {"sunanim", 64, 64, &sunBlocks, 0},         {"options_vert", 32, 32, &optionsBlocks, 1},
        {"birds", 16, 16, &birdsBlocks[0], 1},      {"birds2", 16, 16, &birdsBlocks[1], 1},
        {"flowers", 16, 16, &flowersBlocks[0], 1},  {"flowers2", 16, 16, &flowersBlocks[1], 1},
        {"butterfly", 16, 16, &butterflyBlocks, 1},
    };
    std::vector<Picture> pictures;
    for (const auto &s : sheets)
        pictures.push_back(sheetPicture(s.name, 2 * s.w, s.h, s.w, s.h));
    media::writeGfxArchive(pictures);
    ASSERT_EQ(loadOVAHeader(OVA_GFX), 0);
    snd::VirtualMixer mixer; // the effects load too
    ASSERT_EQ(snd::writeEffects("data/sound.ova"), 0);
    saved = 12;
    paused = 1;
    for (int round = 0; round < 2; round++) { // a second menu entry cuts them again
        initStuff();
        EXPECT_EQ(saved, 0);
        EXPECT_EQ(paused, 0);
        for (const auto &s : sheets) {
            SDL_Surface **cells = *s.cells;
            ASSERT_NE(cells, nullptr) << s.name;
            ASSERT_NE(cells[1], nullptr) << s.name;
            EXPECT_EQ(cells[2], nullptr) << s.name;
            EXPECT_EQ(cells[0]->w, s.w) << s.name;
            EXPECT_EQ(cells[0]->h, s.h) << s.name;
            EXPECT_EQ((cells[0]->flags & SDL_SRCCOLORKEY) != 0, s.keyed != 0) << s.name;
        }
    }
    for (int id = 0; id < SFX_COUNT; id++) {
        EXPECT_NE(snd_data[id], nullptr) << snd_name[id];
        freeSFX(id);
    }
    freeAllBlocks();
    for (const auto &s : sheets)
        EXPECT_EQ(*s.cells, nullptr) << s.name;
    scroller = nullptr;
}

TEST_F(Sheets, ScrollBackIsAHalfTransparentBand) {
    prepareScrollBack();
    ASSERT_NE(scrollBack, nullptr);
    EXPECT_EQ(scrollBack->w, 320);
    EXPECT_EQ(scrollBack->h, 10);
    EXPECT_EQ(scrollBack->format->BitsPerPixel, screen->format->BitsPerPixel);
    EXPECT_TRUE(scrollBack->flags & SDL_SRCALPHA);
    EXPECT_EQ(scrollBack->format->alpha, 128);
    EXPECT_EQ(media::getPixel(scrollBack, 100, 5), rgb(64, 128, 64));
    SDL_FreeSurface(scrollBack);
    scrollBack = nullptr;
}

} // namespace
