// HOW TO PLAY and the congratulations page, on made-up pictures: the hippo's
// poses and grunts, the title layers going on, the butterfly's flight, and
// the keys that leave.

#include "front/scenery.h"
#include "front/story.h"
#include "front/stuff.h"
#include "platform/fpshelper.h"
#include "screen_helpers.h"
#include "sound/sound.h"

#include <utility>
#include <vector>

namespace {

using screentest::ScreenTest;

const SDL_Color SKY = {60, 100, 200, 0};
const SDL_Color HILLS = {30, 160, 40, 0};
const SDL_Color LEFT_POSE = {200, 30, 30, 0};
const SDL_Color RIGHT_POSE = {30, 30, 200, 0};
const SDL_Color KEY = {255, 0, 255, 0};

std::vector<std::pair<int, int>> heard; // sound id, frames drawn by then
const Tutorial *listening = nullptr;
void hear(int id) {
    heard.push_back({id, listening ? listening->drawn : -1});
}

SDL_Surface *keyed(int w, int h) {
    SDL_Surface *s = media::plainSurface(w, h, KEY);
    setColorKey(s, 255, 0, 255);
    return s;
}

// A one-pixel column of colour c at x 0 of a layer, from y 0 to 40.
void column(SDL_Surface *layer, SDL_Color c) {
    SDL_Rect r = {0, 0, 1, 40};
    SDL_FillRect(layer, &r, SDL_MapRGB(layer->format, c.r, c.g, c.b));
}

// Typed input for one pass: what the case pushes before it.
enum Typed {
    NOTHING,
    KEY_LEFT,
    KEY_RIGHT,
    KEY_UP,
    KEY_DOWN,
    KEY_ACTION,
    KEY_START,
    KEY_SPACE,
    CLICK,
    CLOSE
};

struct KeyCase {
    Typed typed;
    int leaves;
};

const KeyCase keyCases[] = {
    {NOTHING, 0},    {KEY_LEFT, 0},  {KEY_RIGHT, 0}, {KEY_UP, 0}, {KEY_DOWN, 0},
    {KEY_ACTION, 1}, {KEY_START, 1}, {KEY_SPACE, 1}, {CLICK, 1},  {CLOSE, 1},
};

class StoryScreen : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        menubkg[0] = media::plainSurface(320, 240, SKY);
        column(menubkg[0], HILLS);
        menubkg[1] = keyed(320, 240);
        column(menubkg[1], LEFT_POSE);
        heard.clear();
        listening = nullptr;
        playSFXHook = hear;
        initFPS();
    }
    void TearDown() override {
        playSFXHook = nullptr;
        for (SDL_Surface *&s : menubkg) {
            if (s)
                SDL_FreeSurface(s);
            s = nullptr;
        }
        ScreenTest::TearDown();
    }
    static void type(Typed t) {
        static const SDLKey keys[] = {SDLK_UNKNOWN, SDLK_LEFT,  SDLK_RIGHT,  SDLK_UP,
                                      SDLK_DOWN,    SDLK_LCTRL, SDLK_RETURN, SDLK_SPACE};
        if (t == CLICK)
            click(100, 100);
        else if (t == CLOSE)
            closeWindow();
        else if (t != NOTHING)
            typeKey(keys[t]);
    }
};

// ---- HOW TO PLAY ----

class HowToPlay : public StoryScreen {
  protected:
    void SetUp() override {
        StoryScreen::SetUp();
        SDL_Surface *poses = media::plainSurface(128, 80, LEFT_POSE);
        SDL_Rect right = {64, 0, 64, 80};
        SDL_FillRect(poses, &right, colour(RIGHT_POSE));
        t = {poses, 0, 0, 0, 1};
        listening = &t;
    }
    void TearDown() override {
        SDL_FreeSurface(t.hippo);
        StoryScreen::TearDown();
    }
    Tutorial t;
};

// Right pose for drawn frames 1-31, left for 32-63, right again from 64;
// the hippo grunts as it turns left: at the 32nd drawn frame, then every 64.
TEST_F(HowToPlay, TheHippoTurnsEvery32DrawnFramesAndGruntsTurningLeft) {
    std::vector<int> leftFrames;
    for (int n = 1; n <= 200; n++) {
        tutorialDraw(&t);
        ASSERT_EQ(t.drawn, n);
        Uint32 pose = at(HIPPO_X + 30, HIPPO_Y + 40);
        ASSERT_TRUE(pose == colour(LEFT_POSE) || pose == colour(RIGHT_POSE)) << n;
        if (pose == colour(LEFT_POSE))
            leftFrames.push_back(n);
    }
    std::vector<int> expectedLeft;
    for (int n = 1; n <= 200; n++)
        if ((n / 32) % 2 == 1)
            expectedLeft.push_back(n);
    EXPECT_EQ(leftFrames, expectedLeft);
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{
                         {SFX_HIPPO, 32}, {SFX_HIPPO, 96}, {SFX_HIPPO, 160}}));
    // Half the picture, at (4, 80): nothing of the other half beside it.
    EXPECT_NE(at(HIPPO_X + 64, HIPPO_Y + 40), colour(LEFT_POSE));
    EXPECT_NE(at(HIPPO_X + 64, HIPPO_Y + 40), colour(RIGHT_POSE));
}

// The two far title layers scroll on from the counters the title handed
// over, at half a pixel and a pixel a pass.
TEST_F(HowToPlay, TheTitleLayersGoOnFromTheMenusCounters) {
    t.frameA = 41;  // layer 0 drawn 20 pixels on
    t.frameB = 100; // layer 1 drawn 50 pixels on
    ASSERT_EQ(tutorialPass(&t), 0);
    EXPECT_EQ(t.frameA, 42);
    EXPECT_EQ(t.frameB, 102);
    EXPECT_EQ(at(300, 10), colour(HILLS));
    EXPECT_EQ(at(270, 10), colour(LEFT_POSE));
    EXPECT_EQ(at(0, 10), colour(SKY));
    for (int pass = 0; pass < 9; pass++)
        ASSERT_EQ(tutorialPass(&t), 0);
    EXPECT_EQ(t.frameA, 51);
    EXPECT_EQ(t.frameB, 120);
    EXPECT_EQ(at(295, 10), colour(HILLS)); // drawn with 50 / 2 and 118 / 2
    EXPECT_EQ(at(261, 10), colour(LEFT_POSE));
}

TEST_F(HowToPlay, DirectionsDoNotLeaveAnythingElseDoes) {
    for (const KeyCase &c : keyCases) {
        done = 0;
        drain();
        ASSERT_EQ(tutorialPass(&t), 0);
        type(c.typed);
        int left = tutorialPass(&t);
        if (c.typed == CLOSE)
            left = tutorialPass(&t); // the close is looked at as the next pass starts
        EXPECT_EQ(left, c.leaves) << c.typed;
    }
}

TEST_F(HowToPlay, ShowsTheRulesBesideTheHippo) {
    tutorialDraw(&t);
    EXPECT_TRUE(rowHasText(50)); // HOW TO PLAY, big
    const int lines[] = {90, 102, 114, 126, 138, 150, 162, 182, 202};
    for (int y : lines) {
        EXPECT_EQ(at(72, y), colour(screentest::GLYPH)) << y;
        EXPECT_NE(at(71, y), colour(screentest::GLYPH)) << y;
    }
    EXPECT_NE(at(72, 176), colour(screentest::GLYPH));
}

// ---- the congratulations page ----

const SDL_Color EVENING = {250, 150, 80, 0};
const SDL_Color WINGS_OPEN = {250, 120, 0, 0};
const SDL_Color WINGS_UP = {120, 60, 0, 0};

class Congratulations : public StoryScreen {
  protected:
    void SetUp() override {
        StoryScreen::SetUp();
        butterflyBlocks = static_cast<SDL_Surface **>(calloc(3, sizeof(SDL_Surface *)));
        butterflyBlocks[0] = media::plainSurface(16, 16, WINGS_OPEN);
        butterflyBlocks[1] = media::plainSurface(16, 16, WINGS_UP);
        congratStart(&c, media::plainSurface(320, 200, EVENING));
    }
    void TearDown() override {
        SDL_FreeSurface(c.picture);
        freeBlocks(butterflyBlocks);
        butterflyBlocks = nullptr;
        StoryScreen::TearDown();
    }
    Congrat c;
};

// In from x -16 (plus its wobble of up to 8) at a pixel a pass, settled at
// 176 after 192 passes; it wobbles on there.
TEST_F(Congratulations, TheButterflyFliesInAndSettles) {
    int x, y;
    butterflyAt(&c, &x, &y);
    EXPECT_EQ(c.baseX, -16);
    EXPECT_EQ(x, -16 + 8); // the wobble starts at its right end
    EXPECT_EQ(y, BUTTERFLY_Y);
    int minX = 999, maxX = -999, minY = 999, maxY = -999;
    for (int pass = 1; pass <= 600; pass++) {
        congratStep(&c);
        ASSERT_EQ(c.baseX, std::min(-16 + pass, int(BUTTERFLY_REST_X))) << pass;
        if (pass < 192)
            continue;
        butterflyAt(&c, &x, &y);
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    EXPECT_EQ(minX, 176 - 8);
    EXPECT_EQ(maxX, 176 + 8);
    EXPECT_EQ(minY, 176 - 8);
    EXPECT_EQ(maxY, 176 + 8);
}

// The wings change every 6 passes, also through passes that the pacing
// does not draw.
TEST_F(Congratulations, TheWingsFlapEverySixPassesDrawnOrNot) {
    std::vector<int> wings;
    int skipped = 0;
    for (int pass = 0; pass < 36; pass++) {
        if (pass % 9 == 4)
            sysVirtualNow += 60; // the machine falls behind: frames are skipped
        ASSERT_EQ(congratPass(&c), 0);
        skipped += skipFrame;
        wings.push_back(c.wing);
    }
    EXPECT_GT(skipped, 3);
    std::vector<int> expected;
    for (int pass = 1; pass <= 36; pass++)
        expected.push_back((pass / WING_FRAMES) % 2);
    EXPECT_EQ(wings, expected);
}

TEST_F(Congratulations, DrawsThePictureCentredWithTheButterflyAndTheStory) {
    for (int pass = 0; pass < 50; pass++)
        congratStep(&c);
    SDL_FillRect(screen, nullptr, colour(SKY));
    congratDraw(&c);
    EXPECT_EQ(at(0, 19), colour(SKY)); // 200 rows high: from y 20 to 219
    EXPECT_EQ(at(0, 20), colour(EVENING));
    EXPECT_EQ(at(319, 219), colour(EVENING));
    EXPECT_EQ(at(0, 220), colour(SKY));
    int x, y;
    butterflyAt(&c, &x, &y);
    EXPECT_EQ(at(x + 8, y + 8), colour(c.wing ? WINGS_UP : WINGS_OPEN));
    const int textRows[] = {64, 104, 116, 128, 152};
    for (int row : textRows)
        EXPECT_TRUE(rowHasText(row)) << row;
    EXPECT_FALSE(rowHasText(140));
}

TEST_F(Congratulations, DirectionsDoNotLeaveAnythingElseDoes) {
    for (const KeyCase &c0 : keyCases) {
        done = 0;
        drain();
        type(c0.typed);
        EXPECT_EQ(congratPass(&c), c0.leaves) << c0.typed;
    }
}

} // namespace
