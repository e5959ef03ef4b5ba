#include "board_helpers.h"

#include <gtest/gtest.h>

namespace {

TEST(AnimQueues, AppendsFillRecordsAndIndexTables) {
    resetPlay();
    addTransform(2, 7, 9, 9, 9); // one before, so positions are 1-based
    Transform *t = addTransform(1, 3, 4, 5, 31);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t, &animTrans[1]);
    EXPECT_EQ(t->x, 3);
    EXPECT_EQ(t->y, 4);
    EXPECT_EQ(t->frames, 31);
    EXPECT_EQ(t->target, 1);
    EXPECT_EQ(t->delay, 5);
    EXPECT_EQ(curTrans, 2);
    EXPECT_EQ(currentTrans[3 + 8 * 4], 2);

    Move *m = addMove(4, 2, 6, 3);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(curMove, 1);
    EXPECT_EQ(m->x, 2);
    EXPECT_EQ(m->y, 6);
    EXPECT_EQ(m->pixels, 0);
    EXPECT_EQ(m->value, 4);
    EXPECT_EQ(m->delay, 3);

    Shine *s = addShine(12, 13, 9, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->phase, 0);
    EXPECT_EQ(s->base, 12);
    EXPECT_EQ(s->frames, 4);
    EXPECT_EQ(currentShining[13 + 16 * 9], 1);
}

TEST(AnimQueues, EjectsTakeTheStartSpeedsInTurn) {
    resetPlay();
    const int expectedDx[] = {-4, 2, -2, 4, -4, 2};
    for (int i = 0; i < 6; i++) {
        Eject *e = addEject(3, 7, 9);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->x, 112);
        EXPECT_EQ(e->y, 144);
        EXPECT_EQ(e->dx, expectedDx[i]);
        EXPECT_EQ(e->dy, -4);
        EXPECT_EQ(e->value, 3);
    }
    EXPECT_EQ(eject_id, 6);
}

TEST(AnimQueues, AFullQueueRefusesTheAppend) {
    resetPlay();
    for (int i = 0; i < ANIM_QUEUE_SIZE; i++) {
        ASSERT_NE(addTransform(1, i % 8, i / 8, 1, 31), nullptr);
        ASSERT_NE(addMove(1, i % 8, i / 8, 0), nullptr);
        ASSERT_NE(addShine(8, i % 16, i / 16, 4), nullptr);
        ASSERT_NE(addEject(1, 0, 0), nullptr);
    }
    currentTrans[0] = 0;
    EXPECT_EQ(addTransform(1, 0, 0, 1, 31), nullptr);
    EXPECT_EQ(addMove(1, 0, 0, 0), nullptr);
    EXPECT_EQ(addShine(8, 15, 9, 4), nullptr);
    EXPECT_EQ(addEject(1, 0, 0), nullptr);
    EXPECT_EQ(curTrans, ANIM_QUEUE_SIZE);
    EXPECT_EQ(curMove, ANIM_QUEUE_SIZE);
    EXPECT_EQ(curShine, ANIM_QUEUE_SIZE);
    EXPECT_EQ(curEject, ANIM_QUEUE_SIZE);
    EXPECT_EQ(currentTrans[0], 0);
    EXPECT_EQ(currentShining[15 + 16 * 9], 0);
    // switchTile reports nothing scheduled rather than a phantom morph.
    Board b{};
    b[0] = 3;
    for (int i = 0; i < BOARD_CELLS; i++)
        currentLevel[i] = b[i];
    EXPECT_EQ(switchTile(0, 0, 2, 0), 0);
}

TEST(AnimQueues, CellsOffTheBoardAreRefused) {
    const int cells[][2] = {{-1, 0}, {0, -1}, {0, 10}, {16, 0}, {100, 100}};
    for (const auto &c : cells) {
        resetPlay();
        EXPECT_EQ(addTransform(1, c[0], c[1], 1, 31), nullptr);
        EXPECT_EQ(addMove(1, c[0], c[1], 0), nullptr);
        EXPECT_EQ(addShine(8, c[0], c[1], 4), nullptr);
        EXPECT_EQ(curTrans + curMove + curShine, 0);
    }
    resetPlay();
    EXPECT_EQ(addTransform(1, 8, 0, 1, 31), nullptr); // the target board takes shines only
    EXPECT_NE(addShine(8, 15, 9, 4), nullptr);
}

struct MorphCase {
    int value, steps;
    int endStep;           // doTrans call that writes the new value
    std::vector<int> paid; // points paid, one per halfway moment
    std::vector<int> paidAt;
};

// A lone fruit on the bottom row, so no fall follows.
TEST(DoTrans, TimingPaymentsAndEjects) {
    const MorphCase cases[] = {
        {1, 2, 32, {1}, {16}}, {2, 2, 64, {1, 1}, {16, 48}}, {5, 2, 64, {4, 4}, {16, 48}},
        {5, 1, 32, {5}, {16}}, {1, 1, 32, {1}, {16}},        {3, 1, 32, {3}, {16}},
    };
    for (const MorphCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "value " << c.value << " steps " << c.steps);
        Board b{};
        b[4 + 8 * 9] = c.value;
        resetPlay(b);
        srand(1); // the fall scan's draws
        int applied = switchTile(4, 9, c.steps, 0);
        int target = c.value - applied;
        std::vector<int> paid, paidAt;
        int endStep = 0;
        for (int step = 1; step <= 80 && curTrans > 0; step++) {
            int before = score;
            doTrans();
            if (step == 1) {
                // Start delay 1: the sound now, counting from the next step.
                EXPECT_EQ(sfxLog(), std::vector<int>{2});
                EXPECT_EQ(animTrans[0].frames, 32 * applied - 1);
            }
            if (score != before) {
                paid.push_back(score - before);
                paidAt.push_back(step);
                const Eject &e = animEject[curEject - 1];
                EXPECT_EQ(e.value, score - before);
                EXPECT_EQ(e.x, 64);
                EXPECT_EQ(e.y, 144);
            }
            if (curTrans > 0)
                EXPECT_EQ(currentLevel[4 + 8 * 9], c.value) << "step " << step;
            else
                endStep = step;
        }
        EXPECT_EQ(endStep, c.endStep);
        EXPECT_EQ(currentLevel[4 + 8 * 9], target);
        EXPECT_EQ(currentTrans[4 + 8 * 9], 0);
        EXPECT_EQ(currentCount, target ? 1 : 0);
        EXPECT_EQ(paid, c.paid);
        EXPECT_EQ(paidAt, c.paidAt);
        EXPECT_EQ(curEject, static_cast<int>(c.paid.size()));
    }
}

// With nothing morphing a frame of morphs scans no column: no fruit over
// a hole is lifted and the game's random sequence is left as it was.
TEST(DoTrans, NothingMorphingScansNothing) {
    resetPlay(boardFromRows({
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "..4.....",
        "........",
        "..1.....",
    }));
    srand(5);
    doTrans();
    EXPECT_EQ(randDrawsSince(5), 0);
    EXPECT_EQ(curMove, 0);
    EXPECT_EQ(currentLevel[2 + 8 * 7], 4);
}

TEST(DoTrans, KeptMorphsAreRenumbered) {
    resetPlay(boardFromRows({
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "333.....",
    }));
    addTransform(2, 0, 9, 0, 1); // completes in the first step
    addTransform(2, 1, 9, 0, 40);
    addTransform(2, 2, 9, 0, 40);
    srand(1); // the fall scan's draws
    doTrans();
    EXPECT_EQ(curTrans, 2);
    EXPECT_EQ(currentTrans[0 + 8 * 9], 0);
    EXPECT_EQ(currentTrans[1 + 8 * 9], 1);
    EXPECT_EQ(currentTrans[2 + 8 * 9], 2);
    EXPECT_EQ(animTrans[0].x, 1);
    EXPECT_EQ(animTrans[1].x, 2);
}

// The fall scans' board: one column of six fruits in column 2.
Board columnTwo() {
    return boardFromRows({
        "........",
        "........",
        "........",
        "........",
        "..4.....",
        "..5.....",
        "..1.....",
        "..2.....",
        "..3.....",
        "..1.....",
    });
}

// The fall scan draws one rand() per column and one per fruit lifted.
TEST(FallScan, LiftsTheFruitAboveAnEmptiedCell) {
    resetPlay(columnTwo());
    addTransform(0, 2, 7, 0, 1);
    srand(2);
    doTrans();
    EXPECT_EQ(currentCount, 5);
    EXPECT_EQ(randDrawsSince(2), 8 + 3);
    ASSERT_EQ(curMove, 3);
    // Columns 0 and 1 draw first. Column 2 starts at 0x0b5da644 & 7 = 4, and
    // each fruit lifted, lowest first, adds the next draw & 3 for the one
    // above it: 0x0f8ca14f & 3 = 3, then 0x2c9550d5 & 3 = 1.
    const int rows[] = {6, 5, 4}, values[] = {1, 5, 4}, delays[] = {4, 7, 8};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(animMove[i].x, 2);
        EXPECT_EQ(animMove[i].y, rows[i]);
        EXPECT_EQ(animMove[i].value, values[i]);
        EXPECT_EQ(animMove[i].delay, delays[i]);
        EXPECT_EQ(currentLevel[2 + 8 * rows[i]], 0);
    }
}

// With room for one more fall, the lowest fruit lifted takes it and the
// others stay where they are: none is lost, and the draws are the same.
TEST(FallScan, AFullFallQueueLeavesTheRestInPlace) {
    resetPlay(columnTwo());
    while (curMove < ANIM_QUEUE_SIZE - 1)
        ASSERT_NE(addMove(1, 7, 0, 0), nullptr);
    addTransform(0, 2, 7, 0, 1);
    srand(2);
    doTrans();
    EXPECT_EQ(randDrawsSince(2), 8 + 3);
    ASSERT_EQ(curMove, ANIM_QUEUE_SIZE);
    EXPECT_EQ(animMove[ANIM_QUEUE_SIZE - 1].y, 6);
    EXPECT_EQ(currentLevel[2 + 8 * 6], 0);
    EXPECT_EQ(currentLevel[2 + 8 * 5], 5);
    EXPECT_EQ(currentLevel[2 + 8 * 4], 4);
}

TEST(FallScan, AMorphAboveHoldsTheColumn) {
    resetPlay(boardFromRows({
        "..1.....",
        "..1.....",
        "..1.....",
        "..1.....",
        "..4.....",
        "..5.....",
        "..1.....",
        "..2.....",
        "..3.....",
        "..1.....",
    }));
    addTransform(0, 2, 7, 0, 1);
    addTransform(3, 2, 4, 0, 30); // still running above the hole
    srand(3);
    doTrans();
    EXPECT_EQ(randDrawsSince(3), 8);
    EXPECT_EQ(curMove, 0);
    EXPECT_EQ(currentLevel[2 + 8 * 7], 0);
}

TEST(FallScan, AHoleUnderAMorphIsPassedForOneHigherUp) {
    // Column 2 has an old hole at row 2; the emptied row 7 has a morph above.
    resetPlay(boardFromRows({
        "..4.....",
        "..5.....",
        "........",
        "..1.....",
        "..4.....",
        "..5.....",
        "..1.....",
        "..2.....",
        "..3.....",
        "..1.....",
    }));
    addTransform(0, 2, 7, 0, 1);
    addTransform(3, 2, 4, 0, 30);
    srand(1); // the fall scan's draws
    doTrans();
    ASSERT_EQ(curMove, 2);
    EXPECT_EQ(animMove[0].y, 1);
    EXPECT_EQ(animMove[1].y, 0);
}

TEST(FallScan, TwoMorphsCompletingTogetherScanOnce) {
    resetPlay(boardFromRows({
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        ".2...4..",
        ".3...5..",
        ".1...1..",
        ".4...4..",
    }));
    addTransform(0, 1, 8, 0, 1);
    addTransform(0, 5, 8, 0, 1);
    srand(8);
    doTrans();
    EXPECT_EQ(randDrawsSince(8), 8 + 4);
    EXPECT_EQ(curMove, 4);
    EXPECT_EQ(currentCount, 6);
}

TEST(DoMove, LandsOnRow9OrOnAFruit) {
    struct Case {
        int bottom; // value at row 9 of column 0, 0 for none
        int startRow, delay;
        int landRow, landStep;
    };
    const Case cases[] = {
        {0, 5, 2, 9, 2 + 4 * 16},
        {0, 8, 0, 9, 16},
        {3, 5, 0, 8, 3 * 16},
        {3, 7, 7, 8, 7 + 16},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "from row " << c.startRow);
        Board b{};
        b[8 * 9] = c.bottom;
        resetPlay(b);
        addMove(4, 0, c.startRow, c.delay);
        int landStep = 0;
        for (int step = 1; step <= 200 && curMove > 0; step++) {
            doMove();
            EXPECT_EQ(sfxLog().size(), curMove ? 0u : 1u);
            if (curMove == 0)
                landStep = step;
        }
        EXPECT_EQ(landStep, c.landStep);
        EXPECT_EQ(currentLevel[8 * c.landRow], 4);
    }
}

// Two lifts of one column from different scans: the upper lift entered the
// queue first. However their delays fall, the upper fruit stays a cell above
// the lower one and comes to rest on it, never in its cell.
TEST(DoMove, AnUpperFallNeverCatchesTheOneBelow) {
    struct Case {
        int upperRow, upperDelay, lowerRow, lowerDelay;
    };
    const Case cases[] = {
        {2, 0, 4, 16}, // both reach their last cell in the same frame
        {0, 0, 2, 20}, // the upper one would run into the waiting one
        {1, 3, 5, 0},  // no contact at all
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "upper delay " << c.upperDelay << " lower delay " << c.lowerDelay);
        resetPlay(boardFromRows({
            "........",
            "........",
            "........",
            "........",
            "........",
            "........",
            "........",
            "........",
            "........",
            "1.......",
        }));
        addMove(4, 0, c.upperRow, c.upperDelay);
        addMove(5, 0, c.lowerRow, c.lowerDelay);
        currentCount = 3;
        for (int step = 0; step < 300 && curMove > 0; step++) {
            doMove();
            if (curMove == 2) {
                int gap = 16 * animMove[1].y + animMove[1].pixels - 16 * animMove[0].y -
                          animMove[0].pixels;
                ASSERT_GE(gap, 16) << "step " << step;
            }
        }
        EXPECT_EQ(curMove, 0);
        EXPECT_EQ(currentLevel[8 * 8], 5);
        EXPECT_EQ(currentLevel[8 * 7], 4);
        EXPECT_EQ(sfxLog().size(), 2u);
    }
}

TEST(DoShine, FourPhasesOfFourFramesThenGone) {
    resetPlay();
    addShine(8, 3, 3, 4);
    for (int step = 1; step <= 16; step++) {
        doShine();
        if (step < 16) {
            ASSERT_EQ(curShine, 1);
            EXPECT_EQ(animShine[0].phase, step / 4) << step;
        }
    }
    EXPECT_EQ(curShine, 0);
    EXPECT_EQ(currentShining[3 + 16 * 3], 0);
}

TEST(DoShine, SurvivorsAreRenumbered) {
    resetPlay();
    addShine(8, 1, 0, 4);
    for (int i = 0; i < 8; i++)
        doShine();
    addShine(9, 12, 5, 4);
    EXPECT_EQ(currentShining[12 + 16 * 5], 2);
    for (int i = 0; i < 8; i++)
        doShine();
    EXPECT_EQ(curShine, 1);
    EXPECT_EQ(currentShining[1], 0);
    EXPECT_EQ(currentShining[12 + 16 * 5], 1);
}

TEST(DoEject, Trajectories) {
    struct Case {
        int row, id;  // start row, eject_id picking the start speed
        int steps;    // doEject call that drops it
        int driftX;   // final x minus start x
        int highestY; // smallest y reached
    };
    const Case cases[] = {
        {9, 0, 22, -10, 134}, {9, 1, 22, 3, 134},   {9, 2, 22, -3, 134},
        {9, 3, 22, 10, 134},  {0, 0, 40, -10, -10},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " id " << c.id);
        resetPlay();
        eject_id = c.id;
        addEject(2, 5, c.row);
        int startX = animEject[0].x, lastX = startX, highest = animEject[0].y;
        int steps = 0;
        while (curEject > 0 && steps < 100) {
            lastX = animEject[0].x;
            doEject();
            steps++;
            if (curEject > 0 && animEject[0].y < highest)
                highest = animEject[0].y;
        }
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(lastX - startX, c.driftX);
        EXPECT_EQ(highest, c.highestY);
    }
}

TEST(DoEject, NegativeCountIsReset) {
    resetPlay();
    curEject = -3;
    doEject();
    EXPECT_EQ(curEject, 0);
}

} // namespace
