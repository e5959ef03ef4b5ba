#include "board_helpers.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const Board fullOfThrees = boardFromRows({
    "33333333",
    "33333333",
    "33333333",
    "33333333",
    "33333333",
    "33333333",
    "33333333",
    "33333333",
    "33333333",
    "33333333",
});

struct SwitchCase {
    int value, steps, delay;
    int applied, frames, target;
};

TEST(SwitchTile, SchedulesOneMorphWithoutTouchingTheCell) {
    const SwitchCase cases[] = {
        {3, 2, 0, 2, 63, 1}, {2, 2, 5, 2, 63, 0},  {1, 2, 0, 1, 31, 0},
        {5, 1, 7, 1, 31, 4}, {1, 1, 40, 1, 31, 0}, {0, 2, 0, 0, 0, 0},
    };
    for (const SwitchCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "value " << c.value << " steps " << c.steps);
        Board b{};
        b[3 + 8 * 4] = c.value;
        resetPlay(b);
        EXPECT_EQ(switchTile(3, 4, c.steps, c.delay), c.applied);
        EXPECT_EQ(currentLevel[3 + 8 * 4], c.value);
        if (c.applied == 0) {
            EXPECT_EQ(curTrans, 0);
            EXPECT_EQ(currentTrans[3 + 8 * 4], 0);
            continue;
        }
        ASSERT_EQ(curTrans, 1);
        const Transform &t = animTrans[0];
        EXPECT_EQ(t.x, 3);
        EXPECT_EQ(t.y, 4);
        EXPECT_EQ(t.frames, c.frames);
        EXPECT_EQ(t.target, c.target);
        EXPECT_EQ(t.delay, c.delay + 1);
        EXPECT_EQ(currentTrans[3 + 8 * 4], 1);
    }
}

TEST(SwitchTile, OffBoardCellsAreSkipped) {
    const int cells[][2] = {{-1, 0}, {8, 0}, {0, -1}, {0, 10}, {-1, -1}, {8, 10}};
    for (const auto &c : cells) {
        resetPlay(fullOfThrees);
        EXPECT_EQ(switchTile(c[0], c[1], 1, 0), 0) << c[0] << "," << c[1];
        EXPECT_EQ(curTrans, 0);
    }
}

TEST(SwitchTile, EndsTheShineOfThePlayBoardCellOnly) {
    resetPlay(fullOfThrees);
    addShine(10, 2, 3, 4);
    addShine(10, 2 + 8, 3, 4); // same cell on the target board
    switchTile(2, 3, 1, 0);
    EXPECT_EQ(curShine, 1);
    EXPECT_EQ(currentShining[2 + 16 * 3], 0);
    EXPECT_EQ(currentShining[10 + 16 * 3], 1);
    EXPECT_EQ(animShine[0].x, 10);
}

TEST(RemoveShine, DropsMatchesAndRenumbersTheRest) {
    resetPlay();
    addShine(8, 1, 1, 4);
    addShine(9, 2, 3, 4);
    addShine(10, 10, 3, 4);
    addShine(11, 4, 4, 4);
    removeShine(2, 3);
    ASSERT_EQ(curShine, 3);
    EXPECT_EQ(animShine[0].base, 8);
    EXPECT_EQ(animShine[1].base, 10);
    EXPECT_EQ(animShine[2].base, 11);
    EXPECT_EQ(currentShining[1 + 16 * 1], 1);
    EXPECT_EQ(currentShining[2 + 16 * 3], 0);
    EXPECT_EQ(currentShining[10 + 16 * 3], 2);
    EXPECT_EQ(currentShining[4 + 16 * 4], 3);
    removeShine(7, 7); // nothing there
    EXPECT_EQ(curShine, 3);
}

// Each neighbour's morph waits (r & 31) + 8 * (steps - 1) frames, one rand()
// per neighbour in the order left, right, above, below, drawn also for
// neighbours off the board; the queue counts the delay from 1.
TEST(DoSwitch, NeighbourDelaysFollowTheDrawsInOrder) {
    struct Case {
        int x, y, centre;
        unsigned seed;
        bool onBoard[4]; // left, right, above, below
    } cases[] = {
        {3, 4, 3, 1, {true, true, true, true}}, // a 3 loses two steps: + 8
        {3, 4, 1, 1, {true, true, true, true}}, // a 1 loses one: + 0
        {0, 0, 4, 42, {false, true, false, true}},
        {7, 9, 2, 2, {true, false, true, false}},
    };
    const int dx[4] = {-1, 1, 0, 0}, dy[4] = {0, 0, -1, 1};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "pick " << c.x << "," << c.y << " seed " << c.seed);
        Board b = fullOfThrees;
        b[c.x + 8 * c.y] = c.centre;
        resetPlay(b);
        const std::vector<int> draws = firstDraws(c.seed, 4);
        const int steps = c.centre == 1 ? 1 : 2;
        actionX = c.x;
        actionY = c.y;
        EXPECT_EQ(doSwitch(), steps);
        EXPECT_EQ(randDrawsSince(c.seed), 4);
        EXPECT_EQ(animTrans[0].delay, 1);
        int k = 1;
        for (int i = 0; i < 4; i++) {
            if (!c.onBoard[i])
                continue;
            ASSERT_LT(k, curTrans);
            const Transform &t = animTrans[k++];
            EXPECT_EQ(t.x, c.x + dx[i]);
            EXPECT_EQ(t.y, c.y + dy[i]);
            EXPECT_EQ(t.delay, (draws[i] & 31) + 8 * (steps - 1) + 1) << "neighbour " << i;
            EXPECT_EQ(t.frames, 31);
            EXPECT_EQ(t.target, 2);
        }
        EXPECT_EQ(curTrans, k);
    }
}

TEST(DoSwitch, EmptyNeighbourStillDrawsAndStaysEmpty) {
    Board b = fullOfThrees;
    b[2 + 8 * 4] = 0; // left of the pick
    b[4 + 8 * 4] = 1; // right of the pick: will vanish
    resetPlay(b);
    srand(5);
    actionX = 3;
    actionY = 4;
    EXPECT_EQ(doSwitch(), 2);
    EXPECT_EQ(randDrawsSince(5), 4);
    ASSERT_EQ(curTrans, 4);
    EXPECT_EQ(currentTrans[2 + 8 * 4], 0);
    EXPECT_EQ(animTrans[1].x, 4);
    EXPECT_EQ(animTrans[1].target, 0);
}

TEST(DoSwitch, EmptyPickChangesNothingAndDrawsNothing) {
    Board b = fullOfThrees;
    b[5 + 8 * 5] = 0;
    resetPlay(b);
    srand(9);
    actionX = 5;
    actionY = 5;
    EXPECT_EQ(doSwitch(), 0);
    EXPECT_EQ(curTrans, 0);
    EXPECT_EQ(randDrawsSince(9), 0);
    EXPECT_EQ(currentBoard(), b);
}

class HaveMadeit : public testing::Test {
  protected:
    void SetUp() override {
        memset(record, 0, sizeof record);
        for (int y = 0; y < BOARD_H; y++)
            for (int x = 0; x < BOARD_W; x++)
                record[16 * y + 8 + x] = static_cast<uint8_t>(target[x + 8 * y]);
        currentSource = record;
        resetPlay(target);
    }
    const Board target = boardFromRows({
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "..1.....",
        "..23....",
        ".5443...",
        "12345123",
    });
    uint8_t record[LEVEL_RECORD_SIZE];
};

TEST_F(HaveMadeit, SolvedOnlyOnAStillMatchingBoard) {
    struct Case {
        const char *what;
        void (*setUp)();
        int expected;
    };
    const Case cases[] = {
        {"equal boards", [] {}, 1},
        {"morph running", [] { addTransform(4, 1, 8, 0, 20); }, 0},
        {"fall running", [] { addMove(3, 6, 0, 0); }, 0},
        {"shine and eject running",
         [] {
             addShine(8, 1, 8, 4);
             addEject(2, 3, 3);
         },
         1},
        {"a fruit where the target is empty", [] { currentLevel[0] = 1; }, 0},
        {"an empty cell where the target has fruit", [] { currentLevel[9 * 8] = 0; }, 0},
        {"one value differs", [] { currentLevel[3 + 8 * 8] = 3; }, 0},
    };
    for (const Case &c : cases) {
        resetPlay(target);
        c.setUp();
        EXPECT_EQ(haveMadeit(), c.expected) << c.what;
    }
}

TEST(AddScore, OneLifePerMultipleOf2500Passed) {
    struct Case {
        int score, points, livesGained;
    };
    const Case cases[] = {
        {0, 100, 0},     {2499, 1, 1}, {2400, 200, 1}, {2500, 2499, 0}, {0, 5000, 2},
        {2499, 2501, 2}, {4999, 1, 1}, {12345, 0, 0},  {7499, 5002, 3},
    };
    for (const Case &c : cases) {
        score = c.score;
        lives = 3;
        EXPECT_EQ(addScore(c.points), 3 + c.livesGained) << c.score << " + " << c.points;
        EXPECT_EQ(lives, 3 + c.livesGained);
        EXPECT_EQ(score, c.score + c.points);
    }
}

} // namespace
