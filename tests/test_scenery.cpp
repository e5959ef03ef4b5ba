#include "board_helpers.h"
#include "core/anim.h"
#include "core/level.h"
#include "front/scenery.h"
#include "sound/sound.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<int> sounds;
void hearSound(int id) {
    sounds.push_back(id);
}

int count(int id) {
    int n = 0;
    for (int s : sounds)
        n += s == id;
    return n;
}

// A quiet stage: every piece idle so a test can wake just the one it studies.
class Scenery : public testing::Test {
  protected:
    void SetUp() override {
        sounds.clear();
        playSFXHook = hearSound;
        memset(testLevel, 0, sizeof testLevel);
        currentSource = testLevel;
        memset(currentLevel, 0, sizeof currentLevel);
        curMove = curEject = curTrans = 0;
        curTotemWait = 1000000;
        curSunCount = 1000000;
        birdAnimWait = 1000000;
        for (FlowerSlot &f : animFlower)
            f = FlowerSlot{1, 0, 0, 0, 0, 0};
        flowerUp = 1;
        for (WaitingBird &b : waitingBirds)
            b = WaitingBird{0, 0, 0, 0, 0};
    }
    void TearDown() override { playSFXHook = nullptr; }
    static void frames(int n) {
        for (int i = 0; i < n; i++)
            doBgAnims();
    }
};

TEST(SineTables, TruncatedProducts) {
    for (int i = 0; i < 512; i++) {
        long double a = 2 * 3.14159265358979323846264338327950288L * i / 512;
        EXPECT_EQ(tsin[i], static_cast<int>(std::trunc(1024 * std::sin(a)))) << i;
        EXPECT_EQ(tcos[i], static_cast<int>(std::trunc(1024 * std::cos(a)))) << i;
    }
    EXPECT_EQ(tsin[0], 0);
    EXPECT_EQ(tsin[128], 1024);
    EXPECT_EQ(tsin[256], 0);
    EXPECT_EQ(tsin[384], -1024);
    EXPECT_EQ(tsin[64], 724); // 724.077: truncated, not rounded
    EXPECT_EQ(tsin[320], -724);
}

// Runs the hero until its animation changes; gives the frames it showed, one
// per game frame.
std::vector<int> heroFrames(int animation) {
    std::vector<int> shown;
    while (curLionAnim == animation && shown.size() < 100000) {
        shown.push_back(curLionFrame);
        doLionAnim();
    }
    return shown;
}

TEST_F(Scenery, SleepLoopsFramesFourAndFiveThenWakes) {
    setLionAnim(5);
    curLionCount = 10;
    std::vector<int> shown = heroFrames(5);
    ASSERT_EQ(shown.size(), 10u * (6 + 127 * 2));
    for (int k = 0; k < 6; k++)
        EXPECT_EQ(shown[10 * k], k);
    EXPECT_EQ(shown[60], 4);
    EXPECT_EQ(shown[70], 5);
    EXPECT_EQ(shown[80], 4);
    // Snores at once and on every fourth pass, then wakes with its blink.
    EXPECT_EQ(count(12), 1 + 31);
    EXPECT_EQ(sounds.back(), 10);
    EXPECT_EQ(curLionAnim, 0);
}

TEST_F(Scenery, JumpSoundsTwiceThenWakes) {
    setLionAnim(3);
    curLionCount = 10;
    EXPECT_TRUE(sounds.empty());
    std::vector<int> shown = heroFrames(3);
    EXPECT_EQ(shown.size(), 140u);
    EXPECT_EQ(sounds, (std::vector<int>{11, 11, 10}));
    EXPECT_EQ(curLionAnim, 0);
    heroFrames(0);
    EXPECT_EQ(curLionAnim, 4); // the blink ends in idle
    heroFrames(4);
    EXPECT_EQ(curLionAnim, 4); // idle repeats itself
}

TEST_F(Scenery, WakeUpOnlyFromSleep) {
    setLionAnim(4);
    sleepTime = 500;
    lionWakeUp();
    EXPECT_EQ(curLionAnim, 4);
    EXPECT_EQ(sleepTime, 0);
    setLionAnim(5);
    sleepTime = 1000;
    lionWakeUp();
    EXPECT_EQ(curLionAnim, 0);
    EXPECT_EQ(sounds, (std::vector<int>{12, 10}));
}

// The totem's show takes two draws when it starts (its animation, rand() % 5,
// and its passes, (rand() & 3) + 1) and one when it ends (the rest before the
// next show, (rand() & 7) * 60 + 300).
TEST_F(Scenery, TotemShowLastsThirtySixFramesAPass) {
    struct Case {
        unsigned seed;
        int anim, passes, rest;
    } cases[] = {
        // 0x59b997fa % 5 = 0; 0x67a3797f & 3 = 3; 0x0b5da644 & 7 = 4.
        {2, 0, 4, 540},
        // 71876166 % 5 = 1; 0x2a3c4464 & 3 = 0; 0x5866c031 & 7 = 1.
        {42, 1, 1, 360},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seed);
        sounds.clear();
        srand(c.seed);
        curTotemWait = 1;
        frames(1);
        EXPECT_EQ(curTotemWait, 0);
        EXPECT_EQ(curTotemAnim, c.anim);
        int shown = 0;
        while (curTotemWait == 0 && shown < 1000) {
            EXPECT_EQ(curTotemFrame, shown % 36 / 12);
            frames(1);
            shown++;
        }
        EXPECT_EQ(shown, 36 * c.passes);
        EXPECT_EQ(count(13), c.passes);
        EXPECT_EQ(curTotemWait, c.rest);
        EXPECT_EQ(randDrawsSince(c.seed), 3);
    }
}

TEST_F(Scenery, SunStepsEverySixteenFrames) {
    curSunAnim = 0;
    curSunCount = 1;
    std::vector<int> shown;
    for (int i = 0; i < 50; i++) {
        frames(1);
        shown.push_back(curSunAnim);
    }
    EXPECT_EQ(shown[0], 1);
    EXPECT_EQ(shown[15], 1);
    EXPECT_EQ(shown[16], 2);
    EXPECT_EQ(shown[32], 0);
    EXPECT_EQ(shown[48], 1);
}

// A bird takes its draws in order: vertical or not (& 1), which way (& 1),
// where across (vertically x = (r & 255) + 32, sideways y = r % 208 + 8), the
// wobble (& 7) and, for a wobble of 4 or more, its start angle (% 512).
TEST_F(Scenery, BirdStartsFromItsDrawsInOrder) {
    struct Case {
        unsigned seed;
        int draws;
        FlyingBird bird;
        int da, angle;
    } cases[] = {
        // 0x6b8b4567 odd: vertical; 0x327b23c6 even: upwards from the bottom;
        // 0x643c9869 & 255 = 105; 0x66334873 & 7 = 3: no wobble.
        {1, 4, {137, 239, 0, -4, 0, 6, 1}, 0, 0},
        // 0x754e7ddd odd: vertical; 0x11265233 odd: downwards from the top;
        // 0x18799942 & 255 = 66; 0x214a541e & 7 = 6; 0x1b6d90f3 % 512 = 243.
        {4, 5, {98, -15, 0, 4, 1, 6, 1}, 6, 243},
        // 0x59b997fa even: sideways; 0x67a3797f odd: rightwards from the left;
        // 190686788 % 208 = 84; 0x0f8ca14f & 7 = 7; 0x2c9550d5 % 512 = 213.
        {2, 5, {-15, 92, 4, 0, 1, 6, 0}, 8, 213},
        // 0x2d274378 even: sideways; 0x65114598 even: leftwards from the right;
        // 1945246242 % 208 = 82; 0x059e1a7d & 7 = 5; 0x7a255a57 % 512 = 87.
        {8, 5, {319, 90, -4, 0, 0, 6, 0}, 4, 87},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seed);
        sounds.clear();
        srand(c.seed);
        birdAnimWait = 1;
        frames(1);
        const FlyingBird &b = birdAnim;
        ASSERT_EQ(birdAnimWait, 0);
        EXPECT_EQ(b.x, c.bird.x);
        EXPECT_EQ(b.y, c.bird.y);
        EXPECT_EQ(b.dx, c.bird.dx);
        EXPECT_EQ(b.dy, c.bird.dy);
        EXPECT_EQ(b.frame, c.bird.frame);
        EXPECT_EQ(b.count, c.bird.count);
        EXPECT_EQ(b.vertical, c.bird.vertical);
        EXPECT_EQ(birdDA, c.da);
        EXPECT_EQ(birdAngle, c.angle);
        EXPECT_EQ(sounds, std::vector<int>{6});
        EXPECT_EQ(randDrawsSince(c.seed), c.draws);
    }
}

TEST_F(Scenery, BirdLeavingLeftThenNextWait) {
    birdAnimWait = 0;
    birdAnim = FlyingBird{-3, 100, -4, 0, 10, 6, 0};
    birdAngle = 100;
    birdDA = 4;
    srand(3); // 0x47db4e3a & 3 = 2: the next bird in 2 * 60 + 900 frames
    const int next = 1020;
    frames(6); // x -7, wing back to cell 0 with a flap
    EXPECT_EQ(birdAnim.x, -7);
    EXPECT_EQ(birdAnim.frame, 0);
    EXPECT_EQ(sounds, std::vector<int>{6});
    frames(6);
    EXPECT_EQ(birdAnim.frame, 5);
    frames(5);
    EXPECT_EQ(birdAnim.x, -11);
    EXPECT_EQ(birdAnimWait, 0);
    frames(1); // -15 is still on screen
    EXPECT_EQ(birdAnim.x, -15);
    EXPECT_EQ(birdAnimWait, 0);
    frames(6);
    EXPECT_EQ(birdAnim.x, -19);
    EXPECT_EQ(birdAnimWait, next);
    EXPECT_EQ(birdAngle, 100 + 4 * 4); // every move wobbles, the last too
    frames(next - 1);
    EXPECT_EQ(birdAnimWait, 1);
    frames(1);
    EXPECT_EQ(birdAnimWait, 0);
    EXPECT_EQ(sounds.back(), 6);
}

TEST_F(Scenery, VerticalBirdFlapsEveryTwelveFrames) {
    birdAnimWait = 0;
    birdAnim = FlyingBird{100, -15, 0, 4, 1, 1, 1};
    birdDA = 0;
    birdAngle = 0;
    frames(1);
    EXPECT_EQ(birdAnim.y, -11);
    EXPECT_EQ(birdAnim.frame, 13);
    frames(11);
    EXPECT_EQ(birdAnim.y, -11);
    frames(1);
    EXPECT_EQ(birdAnim.frame, 12);
    EXPECT_EQ(sounds, std::vector<int>{6});
    birdAnim.y = 236;
    birdAnim.count = 1;
    srand(1); // 0x6b8b4567 & 3 = 3: the next bird in 3 * 60 + 900 frames
    frames(1);
    EXPECT_EQ(birdAnimWait, 1080); // gone at 240
}

TEST_F(Scenery, FlowerGrowsThenOpens) {
    FlowerSlot &f = animFlower[3];
    f = FlowerSlot{0, 50, 40, 0, 1, 0};
    flowerUp = 1;
    // Every bottom filled: once it has opened, the idle slots draw but no
    // other flower can start.
    for (int x = 0; x < 8; x++) {
        currentLevel[72 + x] = 1;
        testLevel[16 * 9 + 8 + x] = 1;
    }
    srand(5);
    int shown = 0;
    while (f.growing && shown < 10000) {
        frames(1);
        shown++;
    }
    EXPECT_EQ(shown, 50 + 4 * 39);
    EXPECT_EQ(f.height, 40);
    EXPECT_EQ(sounds, std::vector<int>{7});
    EXPECT_EQ(flowerUp, 1);
    frames(4 + 6 * 3);
    EXPECT_EQ(f.bloom, 4);
    EXPECT_EQ(flowerUp, 0);
    frames(100);
    EXPECT_EQ(f.bloom, 4);
    EXPECT_EQ(f.height, 40);
}

// Frames until some flower starts, or -1.
int firstFlower(int limit) {
    for (int i = 0; i < limit; i++) {
        doBgAnims();
        if (flowerUp)
            return i;
    }
    return -1;
}

TEST_F(Scenery, FlowersStartOnlyOnAStillBoardWithEmptyBottoms) {
    struct {
        const char *name;
        int up, move, eject, trans;
        int playBottom, targetBottom;
        int starts; // 0 none, 1 play-board slots only, 2 target slots only, 3 any
    } cases[] = {
        {"still, empty", 0, 0, 0, 0, 0, 0, 3},
        {"another opening", 1, 0, 0, 0, 0, 0, 0},
        {"falling", 0, 1, 0, 0, 0, 0, 0},
        {"ejecting", 0, 0, 1, 0, 0, 0, 0},
        {"morphing", 0, 0, 0, 1, 0, 0, 0},
        {"all bottoms filled", 0, 0, 0, 0, 1, 1, 0},
        {"play bottoms filled", 0, 0, 0, 0, 1, 0, 2},
        {"target bottoms filled", 0, 0, 0, 0, 0, 1, 1},
    };
    for (const auto &c : cases) {
        SetUp();
        srand(11);
        flowerUp = c.up;
        curMove = c.move;
        curEject = c.eject;
        curTrans = c.trans;
        for (int x = 0; x < 8; x++) {
            currentLevel[72 + x] = c.playBottom;
            testLevel[16 * 9 + 8 + x] = static_cast<uint8_t>(c.targetBottom);
        }
        int when = firstFlower(2000);
        int started = -1, many = 0;
        for (int s = 0; s < 16; s++) {
            if (!animFlower[s].idle) {
                started = s;
                many++;
            }
        }
        if (c.starts == 0) {
            EXPECT_EQ(started, -1) << c.name;
            continue;
        }
        ASSERT_GE(when, 0) << c.name;
        EXPECT_EQ(many, 1) << c.name;
        if (c.starts == 1) {
            EXPECT_LT(started, 8) << c.name;
        }
        if (c.starts == 2) {
            EXPECT_GE(started, 8) << c.name;
        }
        const FlowerSlot &f = animFlower[started];
        EXPECT_EQ(f.growing, 1);
        EXPECT_EQ(f.height, 0);
        EXPECT_GE(f.maxHeight, 32);
        EXPECT_LE(f.maxHeight, 159);
        EXPECT_EQ((f.wait - 120) % 60, 0);
        EXPECT_LE(f.wait, 660);
    }
}

// Each idle slot draws (rand() & 7) in turn, and the first to draw 0 over an
// empty bottom starts: its height is rand() % 128 + 32, its wait before
// growing (rand() % 10) * 60 + 120. A filled bottom spends its draw.
TEST_F(Scenery, FlowerTakesItsDrawsAfterTheSlotsBefore) {
    struct Case {
        const char *what;
        unsigned seed;
        int filledColumn; // -1 for none
        int slot, height, wait, draws;
    } cases[] = {
        // Slots 0, 1, 2 draw 0x..3a & 7 = 2, 0x..d1 & 7 = 1, 0x..d8 & 7 = 0;
        // then 0x38d2f928 % 128 = 40 and 612121425 % 10 = 5.
        {"third slot", 3, -1, 2, 72, 420, 5},
        // Slot 3 draws 0x38d2f928 & 7 = 0; then 0x247c3b51 % 128 = 81 and
        // 310914940 % 10 = 0.
        {"its bottom filled: the next", 3, 2, 3, 113, 120, 6},
        // Sixteen draws, none with the low three bits clear.
        {"none", 1, -1, -1, 0, 0, 16},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        flowerUp = 0;
        if (c.filledColumn >= 0)
            currentLevel[72 + c.filledColumn] = 1;
        srand(c.seed);
        frames(1);
        EXPECT_EQ(randDrawsSince(c.seed), c.draws);
        for (int s = 0; s < 16; s++)
            EXPECT_EQ(animFlower[s].idle, s != c.slot) << s;
        if (c.slot < 0)
            continue;
        EXPECT_EQ(animFlower[c.slot].maxHeight, c.height);
        EXPECT_EQ(animFlower[c.slot].wait, c.wait);
        EXPECT_EQ(flowerUp, 1);
    }
}

// Every level starts the scenery afresh, taking its draws in a fixed order:
// the totem's rest (300 + 60 * (r & 15)), the bird's wait (300 + 60 * (r & 3)),
// then per perched bird whether it shows (r & 1) and, when it does, its wing
// wait (16 + (r & 15)) and cell (2 + (r & 1)).
TEST_F(Scenery, LevelStartResetsInItsDrawOrder) {
    const WaitingBird held{-5, -5, -5, -5, 1};
    struct Case {
        unsigned seed;
        int totemWait, birdWait, draws;
        WaitingBird birds[4];
    } cases[] = {
        // 0x6b8b4567 & 15 = 7; 0x327b23c6 & 3 = 2; birds: 0x..69 odd, 0x..73
        // & 15 = 3, 0x..51 odd; 0x..ff odd, 0x..4a & 15 = 10, 0x..ec even;
        // 0x..29 odd, 0x..cd & 15 = 13, 0x..ba even; 0x..ab odd, 0x..f2 & 15
        // = 2, 0x..fb odd.
        {1,
         720,
         420,
         14,
         {{192, 36, 19, 3, 1}, {208, 36, 26, 2, 1}, {224, 34, 29, 2, 1}, {240, 34, 18, 3, 1}}},
        // 0x0448be46 & 15 = 6; 0x2a3c4464 & 3 = 0; birds: 0x..31 odd, 0x..29 &
        // 15 = 9, 0x..64 even; 0x..86 even: hidden, it keeps what it held;
        // 0x..ed odd, 0x..9c & 15 = 12, 0x..d7 odd; 0x..1f odd, 0x..c2 & 15 =
        // 2, 0x..07 odd.
        {42,
         660,
         300,
         12,
         {{192, 36, 25, 2, 1}, {-5, -5, -5, -5, 0}, {224, 34, 28, 3, 1}, {240, 34, 18, 3, 1}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seed);
        curLionAnim = 5, curLionFrame = 3, curLionLoop = 9, curLionCount = 2, sleepTime = 700;
        curTotemAnim = 3, curTotemFrame = 2, curTotemLoop = 4, curTotemCount = 1;
        curSunAnim = 2, curSunCount = 9;
        flowerUp = 1;
        for (FlowerSlot &f : animFlower)
            f.idle = 0;
        for (WaitingBird &b : waitingBirds)
            b = held;
        birdAnim = FlyingBird{77, 88, 4, 0, 6, 3, 0};
        sounds.clear();

        srand(c.seed);
        loadLevel(-1);
        EXPECT_EQ(randDrawsSince(c.seed), c.draws);

        EXPECT_EQ(curLionAnim, 4);
        EXPECT_EQ(curLionFrame, 0);
        EXPECT_EQ(curLionLoop, 1);
        EXPECT_EQ(curLionCount, 10);
        EXPECT_EQ(sleepTime, 0);
        EXPECT_TRUE(sounds.empty()); // idle is silent
        EXPECT_EQ(curTotemAnim, 0);
        EXPECT_EQ(curTotemFrame, 0);
        EXPECT_EQ(curTotemLoop, 1);
        EXPECT_EQ(curTotemCount, 12);
        EXPECT_EQ(curTotemWait, c.totemWait);
        EXPECT_EQ(curSunAnim, 0);
        EXPECT_EQ(curSunCount, 1);
        EXPECT_EQ(birdAnimWait, c.birdWait);
        EXPECT_EQ(flowerUp, 0);
        for (const FlowerSlot &f : animFlower)
            EXPECT_EQ(f.idle, 1);
        for (int i = 0; i < 4; i++) {
            const WaitingBird &b = waitingBirds[i], &want = c.birds[i];
            EXPECT_EQ(b.visible, want.visible) << "bird " << i;
            EXPECT_EQ(b.wait, want.wait) << "bird " << i;
            EXPECT_EQ(b.frame, want.frame) << "bird " << i;
            EXPECT_EQ(b.x, want.x) << "bird " << i;
            EXPECT_EQ(b.y, want.y) << "bird " << i;
        }
        EXPECT_EQ(birdAnim.x, 77); // the flying bird is left as it was
        EXPECT_EQ(birdAnim.frame, 6);
    }
}

TEST_F(Scenery, PerchedBirdsFlapBetweenTwoCells) {
    waitingBirds[0] = WaitingBird{192, 36, 1, 2, 1};
    waitingBirds[1] = WaitingBird{208, 36, 1, 3, 1};
    waitingBirds[2] = WaitingBird{224, 34, 1, 2, 0};
    // 0x232add1b & 15 = 11 and 0x05f2a7dd & 15 = 13: the next flaps in
    // 16 + 11 and 16 + 13 frames.
    srand(5);
    const int w0 = 27, w1 = 29;
    frames(1);
    EXPECT_EQ(waitingBirds[0].frame, 7);
    EXPECT_EQ(waitingBirds[1].frame, 8);
    EXPECT_EQ(waitingBirds[2].frame, 2); // hidden birds stay as they are
    EXPECT_EQ(waitingBirds[0].wait, w0);
    EXPECT_EQ(waitingBirds[1].wait, w1);
    frames(w0);
    EXPECT_EQ(waitingBirds[0].frame, 2);
}

} // namespace
