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

TEST_F(Scenery, TotemShowLastsThirtySixFramesAPass) {
    for (unsigned seed = 1; seed <= 6; seed++) {
        sounds.clear();
        srand(seed);
        int anim = rand() % 5;
        int passes = (rand() & 3) + 1;
        int rest = (rand() & 7) * 60 + 300;
        srand(seed);
        curTotemWait = 1;
        frames(1);
        EXPECT_EQ(curTotemWait, 0);
        EXPECT_EQ(curTotemAnim, anim);
        int shown = 0;
        while (curTotemWait == 0 && shown < 1000) {
            EXPECT_EQ(curTotemFrame, shown % 36 / 12);
            frames(1);
            shown++;
        }
        EXPECT_EQ(shown, 36 * passes) << seed;
        EXPECT_EQ(count(13), passes) << seed;
        EXPECT_EQ(curTotemWait, rest) << seed;
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

TEST_F(Scenery, BirdStartsFromItsDrawsInOrder) {
    for (unsigned seed = 1; seed <= 40; seed++) {
        sounds.clear();
        srand(seed);
        int r[6];
        for (int &v : r)
            v = rand();
        srand(seed);
        birdAnimWait = 1;
        frames(1);
        const FlyingBird &b = birdAnim;
        ASSERT_EQ(birdAnimWait, 0);
        EXPECT_EQ(b.vertical, r[0] & 1);
        int down = r[1] & 1;
        if (b.vertical) {
            EXPECT_EQ(b.dx, 0);
            EXPECT_EQ(b.y, down ? -15 : 239);
            EXPECT_EQ(b.dy, down ? 4 : -4);
            EXPECT_EQ(b.x, (r[2] & 255) + 32);
        } else {
            EXPECT_EQ(b.dy, 0);
            EXPECT_EQ(b.x, down ? -15 : 319);
            EXPECT_EQ(b.dx, down ? 4 : -4);
            EXPECT_EQ(b.y, r[2] % 208 + 8);
        }
        EXPECT_EQ(b.frame, down);
        EXPECT_EQ(b.count, 6);
        int wobble = r[3] & 7;
        EXPECT_EQ(birdDA, wobble < 4 ? 0 : (wobble - 3) * 2);
        EXPECT_EQ(birdAngle, wobble < 4 ? 0 : r[4] % 512);
        EXPECT_EQ(sounds, std::vector<int>{6});
    }
}

TEST_F(Scenery, BirdLeavingLeftThenNextWait) {
    birdAnimWait = 0;
    birdAnim = FlyingBird{-3, 100, -4, 0, 10, 6, 0};
    birdAngle = 100;
    birdDA = 4;
    srand(3);
    int next = (rand() & 3) * 60 + 900;
    srand(3);
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
    srand(1);
    frames(1);
    EXPECT_GE(birdAnimWait, 900); // gone at 240
}

TEST_F(Scenery, FlowerGrowsThenOpens) {
    FlowerSlot &f = animFlower[3];
    f = FlowerSlot{0, 50, 40, 0, 1, 0};
    flowerUp = 1;
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

TEST_F(Scenery, FlowerTakesItsDrawsAfterTheSlotsBefore) {
    // Slot 0 draws first; with the draws known, the starting slot and its
    // sizes follow.
    for (unsigned seed = 1; seed <= 20; seed++) {
        SetUp();
        flowerUp = 0;
        srand(seed);
        int slot = -1, height = 0, wait = 0;
        for (int s = 0; s < 16 && slot < 0; s++) {
            if ((rand() & 7) == 0) {
                slot = s;
                height = rand() % 128 + 32;
                wait = (rand() % 10) * 60 + 120;
            }
        }
        srand(seed);
        frames(1);
        for (int s = 0; s < 16; s++)
            EXPECT_EQ(animFlower[s].idle, s != slot) << seed << " " << s;
        if (slot >= 0) {
            EXPECT_EQ(animFlower[slot].maxHeight, height);
            EXPECT_EQ(animFlower[slot].wait, wait);
        }
    }
}

// Every level starts the scenery afresh, taking its draws in a fixed order:
// totem rest, bird wait, then per perched bird its visibility and, when
// shown, its wing wait and cell.
TEST_F(Scenery, LevelStartResetsInItsDrawOrder) {
    for (unsigned seed : {1u, 7u, 42u, 1234u}) {
        srand(seed);
        int totemWait = (rand() & 15) * 60 + 300;
        int birdWait = (rand() & 3) * 60 + 300;
        WaitingBird want[4];
        for (int i = 0; i < 4; i++) {
            want[i] = WaitingBird{-5, -5, -5, -5, rand() & 1};
            if (want[i].visible) {
                want[i].wait = (rand() & 15) + 16;
                want[i].frame = (rand() & 1) + 2;
                want[i].x = 192 + 16 * i;
                want[i].y = i < 2 ? 36 : 34;
            }
        }
        int nextDraw = rand();

        curLionAnim = 5, curLionFrame = 3, curLionLoop = 9, curLionCount = 2, sleepTime = 700;
        curTotemAnim = 3, curTotemFrame = 2, curTotemLoop = 4, curTotemCount = 1;
        curSunAnim = 2, curSunCount = 9;
        flowerUp = 1;
        for (FlowerSlot &f : animFlower)
            f.idle = 0;
        for (WaitingBird &b : waitingBirds)
            b = WaitingBird{-5, -5, -5, -5, 1};
        birdAnim = FlyingBird{77, 88, 4, 0, 6, 3, 0};
        sounds.clear();

        srand(seed);
        loadLevel(-1);
        EXPECT_EQ(rand(), nextDraw) << seed; // no draws beyond these

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
        EXPECT_EQ(curTotemWait, totemWait) << seed;
        EXPECT_EQ(curSunAnim, 0);
        EXPECT_EQ(curSunCount, 1);
        EXPECT_EQ(birdAnimWait, birdWait) << seed;
        EXPECT_EQ(flowerUp, 0);
        for (const FlowerSlot &f : animFlower)
            EXPECT_EQ(f.idle, 1);
        for (int i = 0; i < 4; i++) {
            const WaitingBird &b = waitingBirds[i];
            // A hidden bird keeps whatever it held.
            EXPECT_EQ(b.visible, want[i].visible) << seed << " " << i;
            EXPECT_EQ(b.wait, want[i].wait) << seed << " " << i;
            EXPECT_EQ(b.frame, want[i].frame) << seed << " " << i;
            EXPECT_EQ(b.x, want[i].x) << seed << " " << i;
            EXPECT_EQ(b.y, want[i].y) << seed << " " << i;
        }
        EXPECT_EQ(birdAnim.x, 77); // the flying bird is left as it was
        EXPECT_EQ(birdAnim.frame, 6);
    }
}

TEST_F(Scenery, PerchedBirdsFlapBetweenTwoCells) {
    waitingBirds[0] = WaitingBird{192, 36, 1, 2, 1};
    waitingBirds[1] = WaitingBird{208, 36, 1, 3, 1};
    waitingBirds[2] = WaitingBird{224, 34, 1, 2, 0};
    srand(5);
    int w0 = (rand() & 15) + 16;
    int w1 = (rand() & 15) + 16;
    srand(5);
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
