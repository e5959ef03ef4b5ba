// The title menu's states, clicks, scroller and drawing, on made-up pictures.

#include "core/savegame.h"
#include "front/i18n.h"
#include "front/menu.h"
#include "front/options.h"
#include "front/stuff.h"
#include "media_helpers.h"
#include "platform/keyhelper.h"
#include "sound/sound.h"
#include "storage/hiscores.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<int> heard;
void hear(int id) {
    heard.push_back(id);
}

const SDL_Color LAYER = {40, 80, 120, 0};
const SDL_Color LOGO = {200, 40, 40, 0};
const SDL_Color GLYPH = {250, 250, 0, 0};

Uint32 colour(SDL_Color c) {
    return SDL_MapRGB(screen->format, c.r, c.g, c.b);
}

class Menu : public testing::Test {
  protected:
    void SetUp() override {
        media::startVideo(0, 0, 16);
        font = media::solidFont(8, GLYPH);
        fontbig = media::solidFont(16, GLYPH);
        logo = media::plainSurface(100, 40, LOGO);
        menubkg[0] = media::plainSurface(320, 240, LAYER);
        // The two front layers are wholly see-through here.
        for (int i = 1; i < 3; i++) {
            menubkg[i] = media::plainSurface(64, 32, SDL_Color{255, 0, 255, 0});
            setColorKey(menubkg[i], 255, 0, 255);
        }
        prepareScrollBack();
        initVars();
        saved = 0;
        joystick = nullptr;
        resetDefaultControls();
        heard.clear();
        playSFXHook = hear;
    }
    void TearDown() override {
        playSFXHook = nullptr;
        stopMusic(m.track); // the title piece the options screen started
        m.track = nullptr;
        for (SDL_Surface *&s : menubkg) {
            SDL_FreeSurface(s);
            s = nullptr;
        }
        SDL_FreeSurface(logo);
        SDL_FreeSurface(scrollBack);
        logo = scrollBack = nullptr;
        media::stopVideo();
    }
    // One frame's input with `typed` released (and a click at `y`, or -1).
    void type(int typed, int y = -1) {
        lastKeyTyped = typed;
        mouseY = y;
        mouseX = y == -1 ? -1 : 160;
        menuInput(&m);
    }
    Uint32 at(int x, int y) { return media::getPixel(screen, x, y); }
    MenuRun m = {};
};

TEST_F(Menu, TitleKeys) {
    struct Case {
        int from, typed, savedLevel, to, sound;
    };
    const Case cases[] = {
        {MENU_PRESS_START, INPUT_ACTION, 0, MENU_NEW_GAME, -1},
        {MENU_PRESS_START, INPUT_START, 7, MENU_CONTINUE, -1},
        {MENU_PRESS_START, INPUT_DOWN, 0, MENU_NEW_GAME, SFX_MENU_CONTROL},
        {MENU_PRESS_START, INPUT_UP, 0, MENU_EXIT, SFX_MENU_CONTROL},
        {MENU_PRESS_START, INPUT_LEFT, 0, MENU_EXIT, SFX_MENU_CONTROL},
        {MENU_NEW_GAME, INPUT_RIGHT, 0, MENU_CONTINUE, SFX_MENU_CONTROL},
        {MENU_EXIT, INPUT_DOWN, 0, MENU_NEW_GAME, SFX_MENU_CONTROL},
        {MENU_NEW_GAME, INPUT_UP, 0, MENU_EXIT, SFX_MENU_CONTROL},
        {MENU_OPTIONS, INPUT_LEFT, 0, MENU_HISCORES, SFX_MENU_CONTROL},
        {MENU_HISCORES, INPUT_ACTION, 0, MENU_HISCORE_PAGE, -1},
        {MENU_OPTIONS, INPUT_START, 0, MENU_OPTIONS_PAGE, -1},
        {MENU_HISCORES, INPUT_OTHER, 0, MENU_HISCORES, -1},
        {MENU_PRESS_START, INPUT_OTHER, 0, MENU_PRESS_START, -1},
    };
    for (const Case &c : cases) {
        workflow = c.from;
        saved = c.savedLevel;
        heard.clear();
        type(c.typed);
        EXPECT_EQ(workflow, c.to) << "from " << c.from << " typed " << c.typed;
        EXPECT_EQ(heard, c.sound < 0 ? std::vector<int>{} : std::vector<int>{c.sound})
            << "from " << c.from << " typed " << c.typed;
        EXPECT_EQ(escape, 0);
    }
}

TEST_F(Menu, OptionsOpenOnTheFirstRowBrowsing) {
    workflow = MENU_OPTIONS;
    cfgIndex = 5;
    cfgStatus = cfgCount = cfgUsed = cfgChanged = 1;
    type(INPUT_ACTION);
    EXPECT_EQ(workflow, MENU_OPTIONS_PAGE);
    EXPECT_EQ(cfgIndex, 0);
    EXPECT_EQ(cfgStatus + cfgCount + cfgUsed + cfgChanged, 0);
}

TEST_F(Menu, ExitLeavesWithTheSelectSound) {
    workflow = MENU_EXIT;
    type(INPUT_ACTION);
    EXPECT_EQ(escape, 1);
    EXPECT_EQ(heard, std::vector<int>{SFX_SELECT_OPTION});
}

TEST_F(Menu, ClicksSelectThenChoose) {
    struct Case {
        int from, y, to, sound;
    };
    const Case cases[] = {
        {MENU_PRESS_START, 87, MENU_NEW_GAME, SFX_MENU_CONTROL}, // truncation: -17 / 18 is row 0
        {MENU_PRESS_START, 121, MENU_NEW_GAME, SFX_MENU_CONTROL},
        {MENU_NEW_GAME, 122, MENU_CONTINUE, SFX_MENU_CONTROL},
        {MENU_NEW_GAME, 157, MENU_HISCORES, SFX_MENU_CONTROL},
        {MENU_NEW_GAME, 175, MENU_OPTIONS, SFX_MENU_CONTROL},
        {MENU_NEW_GAME, 193, MENU_EXIT, SFX_MENU_CONTROL},
        // On the selected item, or off the rows, a click chooses.
        {MENU_HISCORES, 150, MENU_HISCORE_PAGE, -1},
        {MENU_HISCORES, 60, MENU_HISCORE_PAGE, -1},
        {MENU_OPTIONS, 220, MENU_OPTIONS_PAGE, -1},
        {MENU_PRESS_START, 86, MENU_NEW_GAME, -1}, // PRESS START taken
    };
    for (const Case &c : cases) {
        workflow = c.from;
        heard.clear();
        type(INPUT_ACTION, c.y);
        EXPECT_EQ(workflow, c.to) << "from " << c.from << " y " << c.y;
        EXPECT_EQ(heard, c.sound < 0 ? std::vector<int>{} : std::vector<int>{c.sound})
            << "from " << c.from << " y " << c.y;
    }
}

TEST_F(Menu, HiscorePageReturnsToItsItem) {
    workflow = MENU_HISCORE_PAGE;
    hsRank = 4;
    type(INPUT_DOWN);
    EXPECT_EQ(workflow, MENU_HISCORE_PAGE);
    type(INPUT_ACTION, 100); // a click anywhere
    EXPECT_EQ(workflow, MENU_HISCORES);
    EXPECT_EQ(hsRank, -1);
    EXPECT_TRUE(heard.empty());
}

TEST_F(Menu, AfterAGameWithAnEntryTheTableShowsIt) {
    struct Case {
        int workflowAfterRun, rank, to, keptRank;
    };
    const Case cases[] = {
        {MENU_HISCORE_PAGE, 3, MENU_HISCORE_PAGE, 3},
        {MENU_HISCORE_PAGE, -1, MENU_PRESS_START, -1}, // the page, but no entry to show
        {MENU_CONTINUE, -1, MENU_PRESS_START, -1},
        {MENU_NEW_GAME, -1, MENU_PRESS_START, -1},
    };
    for (const Case &c : cases) {
        workflow = c.workflowAfterRun;
        hsRank = c.rank;
        escape = done = 1;
        curMusic = 6;
        scrollidx = 30;
        m.frameA = 77;
        m.gameOver = 0;
        stopMusic(m.track); // as starting the game did
        m.track = nullptr;
        afterGame(&m);
        EXPECT_EQ(workflow, c.to);
        EXPECT_EQ(hsRank, c.keptRank);
        EXPECT_EQ(escape + done, 0);
        EXPECT_EQ(curMusic, 0);
        EXPECT_EQ(scrollidx, 0); // initVars0 rewinds the scroller
        EXPECT_EQ(m.blinkBase, 77);
        EXPECT_EQ(m.gameOver, 1);
    }
}

TEST_F(Menu, ScrollerMovesACharacterEvery16FramesAndWraps) {
    scrollmax = 3;
    scrollidx = 0;
    scrolldx = 0;
    for (int i = 0; i < 15; i++)
        advanceScroller();
    EXPECT_EQ(scrollidx, 0);
    EXPECT_EQ(scrolldx, 15);
    advanceScroller();
    EXPECT_EQ(scrollidx, 1);
    EXPECT_EQ(scrolldx, 0);
    for (int i = 0; i < 32; i++)
        advanceScroller();
    EXPECT_EQ(scrollidx, 0);
}

TEST_F(Menu, EveryFrameDrawsOneRandomNumberAndMovesTheScrollerInEveryState) {
    srand(7);
    rand();
    const int second = rand();
    for (int state : {MENU_PRESS_START, MENU_EXIT, MENU_HISCORE_PAGE, MENU_OPTIONS_PAGE}) {
        workflow = state;
        m = MenuRun();
        scrollidx = 0;
        scrolldx = 15;
        srand(7);
        EXPECT_EQ(menuFrame(&m), 1);
        EXPECT_EQ(rand(), second) << "state " << state;
        EXPECT_EQ(scrollidx, 1);
        EXPECT_EQ(scrolldx, 0);
        EXPECT_EQ(m.frameA, 1);
        EXPECT_EQ(m.frameB, 2);
        EXPECT_EQ(m.frameC, 3);
        EXPECT_EQ(workflow, state);
    }
}

TEST_F(Menu, TitleLayout) {
    workflow = MENU_PRESS_START;
    m.frameA = 0;
    drawMenu(&m);
    // Logo centred, 56 pixels above the middle.
    EXPECT_EQ(at(110, 44), colour(LOGO));
    EXPECT_EQ(at(209, 83), colour(LOGO));
    EXPECT_EQ(at(109, 44), colour(LAYER));
    EXPECT_EQ(at(110, 43), colour(LAYER));
    // The band: black lines at 194 and 205, the half-transparent band between.
    EXPECT_EQ(at(3, 194), BLACK);
    EXPECT_EQ(at(3, 205), BLACK);
    EXPECT_NE(at(3, 195), colour(LAYER));
    EXPECT_NE(at(3, 195), BLACK);
    // Version line centred at 208: 14 big characters from x 48.
    EXPECT_EQ(at(48, 208), colour(GLYPH));
    EXPECT_EQ(at(47, 208), colour(LAYER));
    // PRESS START: 11 big characters from x 72 at y 128, shown first.
    EXPECT_EQ(at(72, 128), colour(GLYPH));
    m.frameA = 32;
    drawMenu(&m);
    EXPECT_EQ(at(72, 128), colour(LAYER));
    m.blinkBase = 32; // a new phase starts shown
    drawMenu(&m);
    EXPECT_EQ(at(72, 128), colour(GLYPH));
}

// The three title layers scroll at half their counters (which count 1, 2
// and 3 a frame): a layer at position p shows its own column p at x 0.
TEST_F(Menu, TheLayersScrollAtHalfTheirCounters) {
    const SDL_Color marks[] = {{20, 200, 60, 0}, {220, 120, 20, 0}};
    for (int i = 1; i < 3; i++) {
        SDL_FreeSurface(menubkg[i]);
        menubkg[i] = media::plainSurface(64, 32, SDL_Color{255, 0, 255, 0});
        SDL_Rect column = {0, 0, 1, 32}; // the only opaque column
        SDL_FillRect(menubkg[i], &column, colour(marks[i - 1]));
        setColorKey(menubkg[i], 255, 0, 255);
    }
    workflow = MENU_PRESS_START;
    m.frameA = 0;
    m.frameB = 20;
    m.frameC = 30;
    drawMenu(&m);
    EXPECT_EQ(at(64 - 10, 5), colour(marks[0]));
    EXPECT_EQ(at(64 - 10 - 1, 5), colour(LAYER));
    EXPECT_EQ(at(64 - 15, 5), colour(marks[1]));
    EXPECT_EQ(at(64 - 15 + 1, 5), colour(LAYER));
}

TEST_F(Menu, SelectedItemBlinksOthersStay) {
    workflow = MENU_CONTINUE;
    m.frameA = 40; // hidden half
    drawMenu(&m);
    // NEW GAME (8 characters from x 96) stays, CONTINUE blinks, EXIT stays.
    EXPECT_EQ(at(96, 104), colour(GLYPH));
    EXPECT_EQ(at(96, 122), colour(LAYER));
    EXPECT_EQ(at(128, 176), colour(GLYPH));
    m.frameA = 64;
    drawMenu(&m);
    EXPECT_EQ(at(96, 122), colour(GLYPH));
}

TEST_F(Menu, ScrollTextMovesAPixelEverySecondFrame) {
    workflow = MENU_NEW_GAME;
    static const char text[] = "AB C";
    scroller = text;
    scrollmax = 4;
    scrollidx = 0;
    scrolldx = 2;
    drawMenu(&m);
    EXPECT_EQ(at(0, 196), colour(GLYPH));
    EXPECT_EQ(at(14, 196), colour(GLYPH)); // B ends at 15 - 1
    EXPECT_NE(at(15, 196), colour(GLYPH)); // the space
    scrollidx = 2;
    scrolldx = 0;
    drawMenu(&m);
    EXPECT_NE(at(0, 196), colour(GLYPH));
    EXPECT_EQ(at(8, 196), colour(GLYPH));
    scroller = nullptr;
    initVars0();
}

TEST_F(Menu, HiscoreTableWithTheNewRowBlinking) {
    workflow = MENU_HISCORE_PAGE;
    for (int n = 0; n < HISCORE_ROWS; n++) {
        strcpy(hiscores[n].name, "ABC");
        hiscores[n].score = 1000 - n;
    }
    hsRank = 2;
    m.frameA = 0;
    drawMenu(&m);
    EXPECT_EQ(at(160, 16), colour(GLYPH));               // HISCORES centred at 16
    EXPECT_EQ(at(48, 84), colour(GLYPH));                // row 2's name
    EXPECT_EQ(at(192 + 4 * 16 + 8, 210), colour(GLYPH)); // row 9's fifth digit
    EXPECT_EQ(at(192 + 5 * 16, 210), colour(LAYER));     // no sixth
    EXPECT_EQ(at(192 + 8, 232), colour(LAYER));          // and no row under row 9
    m.frameA = 32;
    drawMenu(&m);
    EXPECT_EQ(at(48, 84), colour(LAYER));
    EXPECT_EQ(at(192, 84), colour(LAYER));
    EXPECT_EQ(at(48, 66), colour(GLYPH)); // row 1 stays
    // No logo, version line or band on this page.
    EXPECT_EQ(at(110, 44), colour(LAYER));
    EXPECT_EQ(at(3, 194), colour(LAYER));
    memset(hiscores, 0, sizeof hiscores);
}

} // namespace
