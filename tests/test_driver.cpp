#include "board_helpers.h"

#include <gtest/gtest.h>
#include <random>

namespace {

const int nx[4] = {-1, 1, 0, 0}, ny[4] = {0, 0, -1, 1};

bool onBoard(int x, int y) {
    return x >= 0 && x < BOARD_W && y >= 0 && y < BOARD_H;
}

// Every column a solid stack from the bottom.
Board settledBoard(std::mt19937 &gen) {
    Board b{};
    for (int x = 0; x < BOARD_W; x++) {
        int height = static_cast<int>(gen() % (BOARD_H + 1));
        for (int y = BOARD_H - height; y < BOARD_H; y++)
            b[x + BOARD_W * y] = 1 + static_cast<int>(gen() % 5);
    }
    return b;
}

// Fruit anywhere, holes under fruit included.
Board holeyBoard(std::mt19937 &gen) {
    Board b{};
    for (int &cell : b)
        cell = gen() % 10 < 3 ? 0 : 1 + static_cast<int>(gen() % 5);
    return b;
}

// The outcome without any animation: the pick's value changes, then each
// column packed downwards in order.
Board simpleModel(Board b, int x, int y) {
    if (b[x + BOARD_W * y] == 0)
        return b;
    int &centre = b[x + BOARD_W * y];
    centre = centre > 2 ? centre - 2 : 0;
    for (int i = 0; i < 4; i++)
        if (onBoard(x + nx[i], y + ny[i]) && b[x + nx[i] + BOARD_W * (y + ny[i])] > 0)
            b[x + nx[i] + BOARD_W * (y + ny[i])]--;
    for (int cx = 0; cx < BOARD_W; cx++) {
        int to = BOARD_H - 1;
        for (int cy = BOARD_H - 1; cy >= 0; cy--) {
            int v = b[cx + BOARD_W * cy];
            b[cx + BOARD_W * cy] = 0;
            if (v)
                b[cx + BOARD_W * to--] = v;
        }
    }
    return b;
}

int pickPoints(const Board &b, int x, int y) {
    int v = b[x + BOARD_W * y];
    if (v == 0)
        return 0;
    int points = v == 1 ? 1 : 2 * (v - 1);
    for (int i = 0; i < 4; i++)
        if (onBoard(x + nx[i], y + ny[i]))
            points += b[x + nx[i] + BOARD_W * (y + ny[i])];
    return points;
}

int fruitOnBoard() {
    int n = 0;
    for (int v : currentLevel)
        n += v != 0;
    return n;
}

struct PickOutcome {
    int steps, frames;
    Board board;
    int score, lives;
};

// Carries out one pick frame by frame, checking after every frame that no
// fruit is lost or made and that no fall lands on a fruit.
PickOutcome checkedPick(int x, int y) {
    actionX = x;
    actionY = y;
    PickOutcome out{};
    out.steps = doSwitch();
    while (!driverBoardStill()) {
        Board before = currentBoard();
        bool fallFrame = curTrans == 0;
        driverStepFrame();
        out.frames++;
        for (int i = 0; i < BOARD_CELLS; i++) {
            if (fallFrame && before[i] != 0) {
                EXPECT_EQ(currentLevel[i], before[i]) << "a fall landed on a fruit at " << i;
            }
            if (!fallFrame && before[i] == 0) {
                EXPECT_EQ(currentLevel[i], 0) << "fruit appeared during morphs at " << i;
            }
        }
        EXPECT_EQ(currentCount, fruitOnBoard() + curMove) << "frame " << out.frames;
        if (testing::Test::HasFailure() || out.frames > 5000)
            break;
    }
    out.board = currentBoard();
    out.score = score;
    out.lives = lives;
    return out;
}

void checkPicksOn(Board (*makeBoard)(std::mt19937 &), unsigned seed, int picks) {
    std::mt19937 gen(seed);
    Board b = makeBoard(gen);
    resetPlay(b);
    score = static_cast<int>(gen() % 10000);
    srand(seed);
    for (int k = 0; k < picks && !testing::Test::HasFailure(); k++) {
        int x = static_cast<int>(gen() % BOARD_W), y = static_cast<int>(gen() % BOARD_H);
        SCOPED_TRACE(testing::Message()
                     << "seed " << seed << " pick " << k << " at " << x << "," << y << "\n"
                     << boardText(b));
        int scoreBefore = score, livesBefore = lives;
        PickOutcome out = checkedPick(x, y);
        EXPECT_EQ(out.board, simpleModel(b, x, y)) << boardText(out.board);
        EXPECT_EQ(out.score - scoreBefore, pickPoints(b, x, y));
        EXPECT_EQ(out.lives - livesBefore, out.score / 2500 - scoreBefore / 2500);
        EXPECT_EQ(out.steps, b[x + BOARD_W * y] == 0 ? 0 : b[x + BOARD_W * y] == 1 ? 1 : 2);
        b = out.board;
    }
}

TEST(DriverProperties, SettledBoardsFollowTheSimpleModel) {
    for (unsigned seed = 1; seed <= 400 && !HasFailure(); seed++)
        checkPicksOn(settledBoard, seed, 6);
}

// Level boards may have fruit over holes; the first real pick settles them.
TEST(DriverProperties, BoardsWithHolesKeepEveryFruit) {
    for (unsigned seed = 1; seed <= 1500 && !HasFailure(); seed++)
        checkPicksOn(holeyBoard, 100000 + seed, 2);
}

// Column 4 has holes at rows 1 and 8: the first scan lifts the fruit of row
// 0, the last one the six below the hole at row 1, and with this seed the
// lower lift waits long enough for the upper fruit to catch up with it.
TEST(DriverProperties, FruitOverAHoleFallsOntoTheLaterLift) {
    const Board b = boardFromRows({".1.15.4.", ".....2.4", "..2.452.", "334.5.34", "...552.3",
                                   "14..2.24", ".4113.31", ".5225.53", "145..241", "41.43353"});
    resetPlay(b);
    srand(100016);
    PickOutcome out = checkedPick(4, 4);
    EXPECT_EQ(out.board, simpleModel(b, 4, 4)) << boardText(out.board);
    EXPECT_EQ(currentCount, fruitOnBoard());
}

TEST(Driver, PickMatchesTheFrameByFrameRun) {
    std::mt19937 gen(77);
    for (int k = 0; k < 50; k++) {
        Board b = settledBoard(gen);
        int x = static_cast<int>(gen() % BOARD_W), y = static_cast<int>(gen() % BOARD_H);
        resetPlay(b);
        srand(k);
        PickOutcome stepped = checkedPick(x, y);
        resetPlay(b);
        srand(k);
        int frames = -1;
        EXPECT_EQ(driverPick(x, y, &frames), stepped.steps);
        EXPECT_EQ(frames, stepped.frames);
        EXPECT_EQ(currentBoard(), stepped.board);
        EXPECT_EQ(score, stepped.score);
    }
}

TEST(Driver, LoneFruitVanishesAfter32Or64Frames) {
    struct Case {
        int value, steps, frames, left;
    };
    const Case cases[] = {{1, 1, 32, 0}, {2, 2, 64, 0}, {3, 2, 64, 1}, {0, 0, 0, 0}};
    for (const Case &c : cases) {
        Board b{};
        b[3 + 8 * 9] = c.value;
        resetPlay(b);
        srand(1);
        int frames = -1;
        EXPECT_EQ(driverPick(3, 9, &frames), c.steps) << c.value;
        EXPECT_EQ(frames, c.frames) << c.value;
        EXPECT_EQ(currentLevel[3 + 8 * 9], c.left) << c.value;
    }
}

TEST(Driver, MorphsRunBeforeFallsAndDecorationsStepBeside) {
    resetPlay();
    srand(1);
    addTransform(1, 0, 9, 0, 5);
    currentLevel[0 + 8 * 9] = 2;
    addMove(3, 5, 0, 0);
    addShine(8, 9, 9, 4);
    addEject(1, 2, 2);
    driverStepFrame();
    EXPECT_EQ(animTrans[0].frames, 4);
    EXPECT_EQ(animMove[0].pixels, 0);
    EXPECT_EQ(animShine[0].frames, 3);
    EXPECT_EQ(animEject[0].y, 28);
    EXPECT_EQ(driverBoardStill(), 0);
    EXPECT_EQ(driverRunToStill(), 4 + 9 * 16);
    EXPECT_EQ(currentLevel[5 + 8 * 9], 3);
    EXPECT_EQ(driverBoardStill(), 1);
    curAction = 5; // a picking hand in progress
    EXPECT_EQ(driverBoardStill(), 0);
    curAction = 0;
    // On the still board a glint still steps.
    addShine(8, 9, 9, 4);
    driverStepFrame();
    EXPECT_EQ(animShine[0].frames, 3);
}

} // namespace

namespace {

// The level tool's use: a record's start board, its picks, then the check.
TEST(Driver, RecordSolvedByItsPicks) {
    const Board start = boardFromRows({"........", "........", "........", "........", "........",
                                       "........", "...3....", "..242...", ".13531..", "2244422."});
    const int picks[][2] = {{3, 8}, {3, 9}, {2, 9}};
    Board target = start;
    for (const auto &p : picks)
        target = simpleModel(target, p[0], p[1]);
    uint8_t record[LEVEL_RECORD_SIZE] = {};
    for (int y = 0; y < BOARD_H; y++)
        for (int x = 0; x < BOARD_W; x++) {
            record[16 * y + x] = static_cast<uint8_t>(start[x + 8 * y]);
            record[16 * y + 8 + x] = static_cast<uint8_t>(target[x + 8 * y]);
        }
    resetPlay();
    srand(1);
    driverLoadRecord(record);
    EXPECT_EQ(currentBoard(), start);
    EXPECT_EQ(currentCount, 16);
    for (const auto &p : picks) {
        EXPECT_EQ(haveMadeit(), 0);
        EXPECT_GT(driverPick(p[0], p[1], nullptr), 0);
    }
    EXPECT_EQ(haveMadeit(), 1);
}

} // namespace
