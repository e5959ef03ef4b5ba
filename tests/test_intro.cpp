// The intro screens: the loop that plays the table's rows, the maker's
// splash and the credits page, on made-up pictures.

#include "front/i18n.h"
#include "front/ondrascreen.h"
#include "front/opensourcescreen.h"
#include "front/screen.h"
#include "platform/replay.h"
#include "screen_helpers.h"
#include "temp_helpers.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using screentest::ScreenTest;

// ---- the loop, on a table of two screens that write down what they see ----

std::vector<std::string> calls;
int updatesOfB = 0;

void note(const char *what) {
    calls.push_back(std::string(what) + ":" + std::to_string(lastKeyTyped));
}
int initA() {
    note("A.init");
    return 0;
}
int updateA() {
    note("A.update");
    return lastKeyTyped == INPUT_ACTION;
}
int renderA(SDL_Surface *) {
    note("A.render");
    return 0;
}
int shutdownA() {
    note("A.shutdown");
    return 0;
}
int initB() {
    note("B.init");
    return 0;
}
int updateB() {
    note("B.update");
    return ++updatesOfB == 2;
}
int renderB(SDL_Surface *) {
    note("B.render");
    return 0;
}
int shutdownB() {
    note("B.shutdown");
    return 0;
}

const IntroScreen twoScreens[] = {
    {"a", initA, shutdownA, updateA, renderA},
    {"b", initB, shutdownB, updateB, renderB},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

class IntroLoop : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        calls.clear();
        updatesOfB = 0;
        currentScreen = 0;
    }
};

// Each screen's update runs before its first poll: the ACTION that ends A
// (typed, with a window close, before anything ran) reaches A's second
// update only, and B starts with nothing typed. The close ends nothing.
TEST_F(IntroLoop, PlaysEveryRowInOrderAndLooksAtNoKeyOfTheScreenBefore) {
    typeKey(SDLK_LCTRL);
    closeWindow();
    lastKeyTyped = INPUT_START; // left over from start-up
    playScreens(twoScreens);
    const std::vector<std::string> expected = {
        "A.init:0", "A.update:0", "A.render:0", "A.update:8", "A.shutdown:8",
        "B.init:0", "B.update:0", "B.render:0", "B.update:0", "B.shutdown:0",
    };
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(currentScreen, 2);
    EXPECT_EQ(done, 1); // left for start-up to look at
}

TEST_F(IntroLoop, StartsAtRowCurrentScreen) {
    currentScreen = 1;
    playScreens(twoScreens);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "B.init:0");
    EXPECT_EQ(calls.back(), "B.shutdown:0");
    EXPECT_EQ(currentScreen, 2);
}

int over() {
    return 1;
}
int none() {
    return 0;
}

// The trace names each screen as it starts and, as it ends, the frames it
// ran: none for one over before its first.
TEST_F(IntroLoop, TracesEachScreenAndTheFramesItRan) {
    TempDir tmp("quenzy-intro-trace");
    const std::string path = tmp / "trace.txt";
    setenv("QUENZY_TRACE", path.c_str(), 1);
    replayStartFromEnv();
    unsetenv("QUENZY_TRACE");
    const IntroScreen table[] = {
        {"over", none, none, over, renderA},
        {"b", initB, shutdownB, updateB, renderB},
        {nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    playScreens(table);
    replayStop();
    std::ifstream in(path);
    std::string line;
    std::vector<std::string> events;
    while (std::getline(in, line)) // "frame F time T event details"
        events.push_back(line.substr(line.find(' ', line.find("time ") + 5) + 1));
    const std::vector<std::string> expected = {"intro screen=over", "introend screen=over frames=0",
                                               "intro screen=b", "introend screen=b frames=1"};
    EXPECT_EQ(events, expected);
}

TEST(IntroTable, SplashThenCreditsThenTheEnd) {
    EXPECT_STREQ(screens[0].name, "ondra");
    EXPECT_EQ(screens[0].update, ondraUpdate);
    EXPECT_STREQ(screens[1].name, "opensource");
    EXPECT_EQ(screens[1].render, opensourceRender);
    EXPECT_EQ(screens[2].name, nullptr);
}

// ---- the splash ----

const SDL_Color MASCOT = {40, 120, 220, 0};
const SDL_Color LOGO = {230, 140, 20, 0};

class SplashScreen : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        splash = Splash();
        splash.ondra = media::plainSurface(64, 64, MASCOT);
        splash.j = SPLASH_LOGO_START;
    }
    void TearDown() override {
        ondraShutdown();
        ScreenTest::TearDown();
    }
    void logoOfWidth(int w) {
        if (splash.ov_logo)
            SDL_FreeSurface(splash.ov_logo);
        splash.ov_logo = media::plainSurface(w, 32, LOGO);
    }
};

struct RestCase {
    int logoWidth;
    int restX;  // where the logo stops
    int frames; // updates until it gets there
};

// The logo slides 2 pixels a frame from x 360 to its resting x, rounded
// down, and may stop short of it by one. Typed keys do nothing meanwhile,
// nor in the frame it arrives; from the next, ACTION or START ends the
// splash, and without a jingle it ends by itself.
TEST_F(SplashScreen, TheLogoSlidesToItsRestAndKeysWaitForIt) {
    const RestCase cases[] = {{100, 110, 125}, {101, 108, 126}, {128, 96, 132}};
    const int endingKeys[] = {INPUT_ACTION, INPUT_START, 0};
    for (const RestCase &c : cases) {
        for (int key : endingKeys) {
            logoOfWidth(c.logoWidth);
            splash.j = SPLASH_LOGO_START;
            for (int frame = 0; frame < c.frames; frame++) {
                lastKeyTyped = INPUT_ACTION;
                ASSERT_EQ(ondraUpdate(), 0) << c.logoWidth << " at x " << splash.j;
            }
            EXPECT_EQ(splash.j, c.restX) << c.logoWidth;
            lastKeyTyped = key;
            EXPECT_EQ(ondraUpdate(), 1) << c.logoWidth << " key " << key;
            EXPECT_EQ(splash.j, c.restX);
        }
    }
}

// The mascot traces a figure around (160, 100), 8 pixels each way, and
// comes back to where it was after 512 frames.
TEST_F(SplashScreen, TheMascotFloatsAroundTheMiddle) {
    logoOfWidth(128);
    splash.j = 5000; // a long slide, so the splash does not end meanwhile
    std::vector<std::pair<int, int>> path;
    int minX = 999, maxX = -999, minY = 999, maxY = -999;
    for (int k = 0; k < 1024; k++) {
        ASSERT_EQ(ondraUpdate(), 0);
        path.push_back({splash.gx, splash.gy});
        minX = std::min(minX, splash.gx);
        maxX = std::max(maxX, splash.gx);
        minY = std::min(minY, splash.gy);
        maxY = std::max(maxY, splash.gy);
    }
    // The mascot is 64 x 64: its top-left swings around (128, 68).
    EXPECT_EQ(minX, 128 - 8);
    EXPECT_EQ(maxX, 128 + 8);
    EXPECT_EQ(minY, 68 - 8);
    EXPECT_EQ(maxY, 68 + 8);
    for (int k = 0; k < 512; k++)
        ASSERT_EQ(path[k], path[k + 512]) << k;
    EXPECT_NE(path[0], path[100]);
}

// The splash shown again (from pictures in the archive, no jingle) slides
// and floats frame for frame as it did the first time, from a fresh start.
TEST_F(SplashScreen, EachShowingStartsFromTheBeginning) {
    auto play = [] {
        std::vector<std::vector<int>> frames;
        while (!ondraUpdate())
            frames.push_back({splash.j, splash.gx, splash.gy});
        return frames;
    };
    logoOfWidth(128);
    const std::vector<std::vector<int>> first = play();
    media::TempFolder folder;
    media::writeGfxArchive({{"ov-ondra.bmp", media::bmpOf(splash.ondra)},
                            {"ov-logo.bmp", media::bmpOf(splash.ov_logo)}});
    ondraShutdown();
    ASSERT_EQ(ondraInit(), 0);
    EXPECT_EQ(splash.music, nullptr);
    EXPECT_EQ(play(), first);
    EXPECT_EQ(first.size(), 132u);
    ondraShutdown(); // before the archive goes
}

TEST_F(SplashScreen, DrawsTheMascotAndTheLogoOnBlack) {
    logoOfWidth(128);
    splash.j = 150;
    splash.gx = 10;
    splash.gy = 20;
    SDL_FillRect(screen, nullptr, colour(screentest::GLYPH));
    ondraRender(screen);
    EXPECT_EQ(at(10, 20), colour(MASCOT));
    EXPECT_EQ(at(73, 83), colour(MASCOT));
    EXPECT_EQ(at(150, 180 - 32), colour(LOGO)); // the logo's bottom on y 180
    EXPECT_EQ(at(277, 179), colour(LOGO));
    EXPECT_EQ(at(149, 150), BLACK);
    EXPECT_EQ(at(150, 180), BLACK);
    EXPECT_EQ(at(319, 239), BLACK);
}

// ---- the credits ----

using CreditsScreen = ScreenTest;

TEST_F(CreditsScreen, AnythingTypedEndsThePageButAWindowCloseDoesNot) {
    const int codes[] = {INPUT_START, INPUT_ACTION, INPUT_LEFT, INPUT_RIGHT,
                         INPUT_DOWN,  INPUT_UP,     INPUT_OTHER};
    lastKeyTyped = 0;
    EXPECT_EQ(opensourceUpdate(), 0);
    for (int code : codes) {
        lastKeyTyped = code;
        EXPECT_NE(opensourceUpdate(), 0) << code;
    }
    lastKeyTyped = 0;
    done = 1;
    EXPECT_EQ(opensourceUpdate(), 0);
    done = 0;
}

// The title on row 40 in the big font, nine lines from row 80 and the key
// to press on row 210, with empty rows where the paragraphs part.
TEST_F(CreditsScreen, TextsStandOnTheirRows) {
    SDL_FillRect(screen, nullptr, colour(MASCOT));
    opensourceRender(screen);
    EXPECT_EQ(at(0, 0), BLACK);
    const int textRows[] = {40, 55, 80, 90, 100, 120, 130, 150, 160, 170, 180, 210};
    for (int y : textRows)
        EXPECT_TRUE(rowHasText(y)) << y;
    const int emptyRows[] = {39, 56, 79, 110, 119, 140, 149, 190, 209, 218};
    for (int y : emptyRows)
        EXPECT_FALSE(rowHasText(y)) << y;
}

// Read back with fonts whose every glyph has a colour of its own: the nine
// lines in order, each centred on its row, and the key to press.
TEST_F(CreditsScreen, EachRowShowsItsOwnLine) {
    destroyFonts();
    font = media::codedFont(8);
    fontbig = media::codedFont(16);
    opensourceRender(screen);
    auto shown = [&](int y, int cell, const char *line) {
        int n = int(strlen(line));
        return media::readCells(screen, 160 - n * cell / 2, y, n, cell);
    };
    EXPECT_EQ(shown(40, 16, text(TEXT_CREDITS)), text(TEXT_CREDITS));
    const int rows[] = {80, 90, 100, 120, 130, 150, 160, 170, 180};
    for (int i = 0; i < 9; i++) {
        const char *line = text(TEXT_CREDIT_LINES + i);
        EXPECT_EQ(shown(rows[i], 8, line), line) << i;
        EXPECT_EQ(shown(rows[i] - 1, 8, line), std::string(strlen(line), '.')) << i; // starts there
    }
    EXPECT_EQ(shown(210, 8, text(TEXT_HIT_ANY_KEY)), text(TEXT_HIT_ANY_KEY));
}

} // namespace
