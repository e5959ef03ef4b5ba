#include "board_helpers.h"
#include "core/anim.h"
#include "core/game.h"
#include "core/level.h"
#include "core/levelend.h"
#include "core/pausemenu.h"
#include "core/playscreen.h"
#include "core/rules.h"
#include "front/scenery.h"
#include "front/stuff.h"
#include "platform/keyhelper.h"
#include "sound/sound.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A level record built cell by cell: start board, target board, solution.
struct Record {
    uint8_t bytes[LEVEL_RECORD_SIZE];
    Record() {
        memset(bytes, 0, sizeof bytes);
        bytes[160] = 0xFF;
    }
    void start(int x, int y, int v) { bytes[16 * y + x] = static_cast<uint8_t>(v); }
    void target(int x, int y, int v) { bytes[16 * y + 8 + x] = static_cast<uint8_t>(v); }
    void solution(std::vector<std::pair<int, int>> picks) {
        size_t k = 0;
        for (; k < picks.size(); k++) {
            bytes[160 + 2 * k] = static_cast<uint8_t>(picks[k].first);
            bytes[161 + 2 * k] = static_cast<uint8_t>(picks[k].second);
        }
        if (k < LEVEL_MAX_PICKS)
            bytes[160 + 2 * k] = 0xFF;
    }
};

class Game : public testing::Test {
  protected:
    void SetUp() override {
        memset(&g, 0, sizeof g);
        g.level = 0;
        escape = paused = done = 0;
        lastKeyTyped = 0;
        mouseX = mouseY = -1;
        lives = 3;
        score = 0;
        canUndo = 0;
        canSolve = 1;
        lameMode = 0;
        skipLevel = 0;
        curTrans = curMove = curShine = curEject = curAction = 0;
        memset(currentTrans, 0, sizeof currentTrans);
        memset(currentShining, 0, sizeof currentShining);
        cursorX = 4;
        cursorY = 5;
        currentTime = 1000;
        endTime = 1000 + LEVEL_TIME;
        setLionAnim(4);
        srand(3);
    }
    // Puts `rec` in play as loadLevel would, with `bonus` extra moves.
    void play(Record &rec, int bonus, int withSolution = 1) {
        currentSource = rec.bytes;
        currentSol = withSolution ? rec.bytes + 160 : nullptr;
        currentBonus = bonus;
        currentMoves = withSolution ? solutionLength(currentSol) + bonus : 64;
        for (int y = 0; y < BOARD_H; y++)
            for (int x = 0; x < BOARD_W; x++)
                currentLevel[x + 8 * y] = rec.bytes[16 * y + x];
        currentCount = countFruits();
    }
    // Carries the picking hand and the board animation on until still.
    void settle() {
        for (int i = 0; i < 2000 && (curAction || curTrans || curMove); i++) {
            if (curTrans > 0)
                doTrans();
            else if (curMove > 0)
                doMove();
            else
                pickingHand(&g);
        }
    }
    GameRun g;
};

TEST_F(Game, EndChecks) {
    Record rec;
    rec.start(0, 9, 3);
    rec.target(0, 9, 1);
    struct Case {
        const char *name;
        int livesBefore, restart, esc;
        uint32_t now;
        int moves, trans, count;
        int outcome, livesAfter;
    } cases[] = {
        {"playing", 3, 0, 0, 1000, 0, 0, 1, PLAY_ON, 3},
        {"time up", 3, 0, 0, 1000 + LEVEL_TIME, 0, 0, 1, PLAY_LIFE_LOST, 2},
        {"time up while a morph runs", 3, 0, 0, 1000 + LEVEL_TIME, 0, 1, 1, PLAY_ON, 3},
        {"no move left", 3, 0, 0, 1000, 64, 0, 1, PLAY_LIFE_LOST, 2},
        {"all gone", 3, 0, 0, 1000, 1, 0, 0, PLAY_LIFE_LOST, 2},
        {"last life gone", 1, 0, 0, 1000, 64, 0, 1, PLAY_GAME_OVER, 0},
        {"exit", 3, 1, 1, 1000, 0, 0, 1, PLAY_ESCAPE, 3},
        {"restart", 2, 1, 0, 1000, 1, 0, 1, PLAY_RESTART, 2},
        {"restart on the last life", 1, 1, 0, 1000, 1, 0, 1, PLAY_RESTART, 1},
        {"restart without a life", 0, 1, 0, 1000, 1, 0, 1, PLAY_GAME_OVER, 0},
    };
    for (const Case &c : cases) {
        play(rec, 3, 0);
        lives = c.livesBefore;
        g.restartRequested = c.restart;
        escape = c.esc;
        currentTime = c.now;
        g.movesUsed = c.moves;
        curTrans = c.trans;
        currentCount = c.count;
        EXPECT_EQ(endChecks(&g), c.outcome) << c.name;
        EXPECT_EQ(lives, c.livesAfter) << c.name;
    }
}

TEST_F(Game, WonBeforeLostAndRestartOnLastLifeCanWin) {
    Record rec; // start and target both empty
    play(rec, 3, 0);
    EXPECT_EQ(currentCount, 0);
    EXPECT_EQ(endChecks(&g), PLAY_WON);
    EXPECT_EQ(lives, 3);
    lives = 0;
    g.restartRequested = 1;
    EXPECT_EQ(endChecks(&g), PLAY_WON);
}

TEST_F(Game, PickCountsOnlyFruitAndKeepsTheUndoCopy) {
    Record rec;
    rec.start(4, 9, 3);
    rec.start(5, 9, 2);
    rec.target(0, 0, 1);
    play(rec, 3, 0);
    cursorY = 9;
    int before[BOARD_CELLS];
    memcpy(before, currentLevel, sizeof before);

    lastKeyTyped = INPUT_ACTION;
    playerControls(&g);
    EXPECT_EQ(curAction, PICK_FRAMES);
    // A second pick is refused while the hand runs.
    playerControls(&g);
    int handFrames = 0;
    while (curAction) {
        pickingHand(&g);
        handFrames++;
    }
    EXPECT_EQ(handFrames, PICK_FRAMES);
    EXPECT_EQ(g.movesUsed, 1);
    EXPECT_EQ(canUndo, 1);
    EXPECT_EQ(0, memcmp(currentUndo, before, sizeof before));
    settle();
    EXPECT_EQ(currentLevel[4 + 8 * 9], 1);
    EXPECT_EQ(currentLevel[5 + 8 * 9], 1);

    // An empty cell: the hand shows, but no move and no new undo copy.
    canUndo = 0;
    cursorX = 0;
    cursorY = 0;
    lastKeyTyped = INPUT_ACTION;
    playerControls(&g);
    EXPECT_EQ(curAction, PICK_FRAMES);
    settle();
    EXPECT_EQ(g.movesUsed, 1);
    EXPECT_EQ(canUndo, 0);
    EXPECT_EQ(0, memcmp(currentUndo, before, sizeof before));
}

// ACTION picks only on a still board with a move left.
TEST_F(Game, PickRefusedWithoutMovesLeftOrWhileTheBoardMoves) {
    Record rec;
    rec.start(4, 5, 3);
    const struct {
        const char *what;
        int movesLeft, morphs, falls, hand;
        bool picks;
    } cases[] = {
        {"no move left", 0, 0, 0, 0, false},
        {"a morph running", 1, 1, 0, 0, false},
        {"a fall running", 1, 0, 1, 0, false},
        {"the hand still picking", 1, 0, 0, 3, false},
        {"a still board, one move left", 1, 0, 0, 0, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        play(rec, 2, 0);
        g.movesUsed = currentMoves - c.movesLeft;
        curTrans = c.morphs;
        curMove = c.falls;
        curAction = c.hand;
        lastKeyTyped = INPUT_ACTION;
        playerControls(&g);
        EXPECT_EQ(curAction, c.picks ? int(PICK_FRAMES) : c.hand);
        curTrans = curMove = curAction = 0;
    }
}

TEST_F(Game, MouseClicksPickTheCellUnderThem) {
    Record rec;
    rec.start(0, 0, 3);
    struct Case {
        int mx, my;
        int picked, cx, cy;
    } cases[] = {
        {16, 64, 1, 0, 0},  {143, 223, 1, 7, 9}, {40, 80, 1, 1, 1},   {15, 100, 0, 4, 5},
        {100, 63, 0, 4, 5}, {144, 100, 0, 4, 5}, {100, 224, 0, 4, 5}, {300, 200, 0, 4, 5},
    };
    for (const Case &c : cases) {
        play(rec, 3, 0);
        curAction = 0;
        cursorX = 4;
        cursorY = 5;
        lastKeyTyped = INPUT_ACTION;
        mouseX = c.mx;
        mouseY = c.my;
        playerControls(&g);
        EXPECT_EQ(curAction != 0, c.picked) << c.mx << "," << c.my;
        EXPECT_EQ(cursorX, c.cx) << c.mx << "," << c.my;
        EXPECT_EQ(cursorY, c.cy) << c.mx << "," << c.my;
        if (!c.picked) {
            EXPECT_EQ(lastKeyTyped, 0);
        }
    }
}

TEST_F(Game, CursorStaysOnTheBoardAndIdleCountsToSleep) {
    struct Case {
        int key, x0, y0, x1, y1;
    } cases[] = {
        {INPUT_LEFT, 0, 3, 0, 3}, {INPUT_LEFT, 5, 3, 4, 3}, {INPUT_RIGHT, 7, 3, 7, 3},
        {INPUT_UP, 2, 0, 2, 0},   {INPUT_DOWN, 2, 9, 2, 9}, {INPUT_DOWN, 2, 8, 2, 9},
    };
    for (const Case &c : cases) {
        cursorX = c.x0;
        cursorY = c.y0;
        lastKeyTyped = c.key;
        playerControls(&g);
        EXPECT_EQ(cursorX, c.x1);
        EXPECT_EQ(cursorY, c.y1);
        EXPECT_EQ(sleepTime, 0);
    }
    lastKeyTyped = 0;
    for (int i = 0; i < SLEEP_FRAMES - 1; i++)
        playerControls(&g);
    EXPECT_NE(curLionAnim, 5);
    playerControls(&g);
    EXPECT_EQ(curLionAnim, 5);
    lastKeyTyped = INPUT_UP;
    playerControls(&g);
    EXPECT_EQ(curLionAnim, 0);
}

TEST_F(Game, SolverResetsTheBoardAndWalksColumnsFirst) {
    Record rec;
    rec.start(1, 9, 2);
    rec.start(6, 2, 1);
    rec.solution({{6, 2}, {1, 9}});
    rec.target(1, 9, 0);
    play(rec, 2);
    currentLevel[0] = 5; // a change the reset must undo
    g.movesUsed = 1;
    startSolver(&g);
    resetBoardForSolver(&g);
    EXPECT_EQ(g.movesUsed, 0);
    EXPECT_EQ(currentLevel[0], 0);
    EXPECT_EQ(currentCount, 2);
    // From (4, 5) to (6, 2): two column steps, then three row steps, then
    // the pick.
    std::vector<std::pair<int, int>> path;
    for (int i = 0; i < 6; i++) {
        solverStep(&g);
        path.push_back({cursorX, cursorY});
    }
    EXPECT_EQ(path,
              (std::vector<std::pair<int, int>>{{5, 5}, {6, 5}, {6, 4}, {6, 3}, {6, 2}, {6, 2}}));
    EXPECT_EQ(curAction, PICK_FRAMES);
    EXPECT_EQ(actionX, 6);
    EXPECT_EQ(actionY, 2);
    solverStep(&g); // the hand runs: no step
    EXPECT_EQ(cursorX, 6);
    for (int i = 0; i < 3000 && g.solverOn; i++) {
        settle();
        solverStep(&g);
    }
    EXPECT_EQ(g.solverOn, 0);
    EXPECT_EQ(g.movesUsed, 2);
    EXPECT_EQ(haveMadeit(), 1);
}

// A solution of all 64 picks has no terminator: the solver stops after the
// last pick instead of reading on past the record.
TEST_F(Game, SolverStopsAfterTheSixtyFourthPick) {
    Record rec;
    rec.start(1, 9, 2);
    rec.solution(std::vector<std::pair<int, int>>(LEVEL_MAX_PICKS, {1, 9}));
    play(rec, 0);
    startSolver(&g);
    resetBoardForSolver(&g);
    ASSERT_EQ(g.solIndex, 0);
    g.solIndex = 2 * (LEVEL_MAX_PICKS - 1); // the last pick is next
    for (int i = 0; i < 3000 && g.solverOn; i++) {
        settle();
        solverStep(&g);
    }
    EXPECT_EQ(g.solverOn, 0);
    EXPECT_EQ(g.solIndex, 2 * LEVEL_MAX_PICKS);
    EXPECT_EQ(g.movesUsed, 1);
}

TEST_F(Game, SolverStartedMidPickWaitsForAStillBoard) {
    Record rec;
    rec.start(3, 9, 2);
    rec.start(4, 9, 3);
    rec.start(4, 8, 1);
    rec.solution({{4, 9}});
    rec.target(3, 9, 1);
    rec.target(4, 9, 1);
    play(rec, 2);
    // The player's own pick is in flight when the solve key comes.
    actionX = 3;
    actionY = 9;
    ASSERT_GT(doSwitch(), 0);
    doTrans();
    startSolver(&g);
    resetBoardForSolver(&g);
    solverStep(&g);
    EXPECT_EQ(g.solIndex, -1);
    EXPECT_GT(curTrans, 0);
    settle();
    resetBoardForSolver(&g);
    EXPECT_EQ(g.solIndex, 0);
    EXPECT_EQ(currentLevel[3 + 8 * 9], 2);
    EXPECT_EQ(currentCount, 3);
    for (int i = 0; i < 3000 && g.solverOn; i++) {
        settle();
        solverStep(&g);
    }
    EXPECT_EQ(g.solverOn, 0);
    EXPECT_EQ(currentCount, countFruits());
    EXPECT_EQ(haveMadeit(), 1);
}

// The reset waits for every kind of motion, not only a morph.
TEST_F(Game, SolverResetWaitsForFallsAndTheHand) {
    Record rec;
    rec.start(1, 9, 2);
    rec.solution({{1, 9}});
    const struct {
        const char *what;
        int falls, hand;
    } cases[] = {{"a fall", 1, 0}, {"the picking hand", 0, 3}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        play(rec, 2);
        currentLevel[0] = 5; // a change the reset would undo
        startSolver(&g);
        curMove = c.falls;
        curAction = c.hand;
        resetBoardForSolver(&g);
        EXPECT_EQ(g.solIndex, -1);
        EXPECT_EQ(currentLevel[0], 5);
        curMove = curAction = 0;
        resetBoardForSolver(&g);
        EXPECT_EQ(g.solIndex, 0);
        EXPECT_EQ(currentLevel[0], 0);
    }
}

// Frame by frame, in play and under the tally, a glint and a thrown fruit
// run their course and go.
TEST_F(Game, DecorationsRunTheirCourse) {
    ASSERT_NE(addShine(8, 2, 3, 4), nullptr);
    ASSERT_NE(addEject(3, 2, 3), nullptr);
    for (int i = 0; i < 500 && (curShine || curEject); i++)
        stepDecorations();
    EXPECT_EQ(curShine, 0);
    EXPECT_EQ(curEject, 0);
    EXPECT_EQ(currentShining[2 + 2 * BOARD_W * 3], 0);
}

TEST_F(Game, SolveKeyIsIgnoredOnTheTestBoard) {
    Record rec;
    rec.start(0, 0, 1);
    play(rec, 3, 0);
    skipLevel = 1;
    afterControls(&g);
    EXPECT_EQ(skipLevel, 0);
    EXPECT_EQ(g.solverOn, 0);
    play(rec, 3, 1);
    skipLevel = 1;
    afterControls(&g);
    EXPECT_EQ(g.solverOn, 1);
    EXPECT_EQ(g.solIndex, -1);
}

TEST_F(Game, PauseEntriesAndTheirNeighbours) {
    Record rec;
    rec.start(0, 0, 1);
    play(rec, 3);
    struct Case {
        int undo, moves, solve;
        int enabled[PAUSE_ENTRIES];
        int down0, up0, nearest3, nearest2;
    } cases[] = {
        {0, 0, 1, {1, 0, 0, 1, 1}, 3, 4, 3, 0}, {0, 0, 0, {1, 0, 0, 0, 1}, 4, 4, 0, 0},
        {1, 1, 0, {1, 1, 1, 0, 1}, 1, 4, 2, 2}, {0, 2, 0, {1, 0, 1, 0, 1}, 2, 4, 2, 2},
        {1, 1, 1, {1, 1, 1, 1, 1}, 1, 4, 3, 2},
    };
    for (const Case &c : cases) {
        g.undoAvailable = c.undo;
        g.movesUsed = c.moves;
        canSolve = c.solve;
        for (int e = 0; e < PAUSE_ENTRIES; e++)
            EXPECT_EQ(pauseEnabled(&g, e), c.enabled[e]) << e;
        EXPECT_EQ(pauseStep(&g, 0, 1), c.down0);
        EXPECT_EQ(pauseStep(&g, 0, -1), c.up0);
        EXPECT_EQ(pauseStep(&g, 4, 1), 0);
        EXPECT_EQ(pauseNearestAbove(&g, 3), c.nearest3);
        EXPECT_EQ(pauseNearestAbove(&g, 2), c.nearest2);
    }
    // No stored solution: AUTO RESOLVE is not offered.
    play(rec, 3, 0);
    canSolve = 1;
    EXPECT_EQ(pauseEnabled(&g, PAUSE_SOLVE), 0);
}

// Clicks find their entry below a title of 40 rows: entry k spans the rows
// 56 + 32k ... 87 + 32k, and the 31 rows above entry 0 count as entry 0
// (the division goes toward zero).
TEST_F(Game, PauseClickRows) {
    SDL_Surface *title = SDL_CreateRGBSurface(SDL_SWSURFACE, 200, 40, 16, 0, 0, 0, 0);
    ASSERT_NE(title, nullptr);
    SDL_Surface *old = pauseTitle;
    pauseTitle = title;
    const int rows[][2] = {{24, -1}, {25, 0},  {56, 0},  {87, 0},  {88, 1},
                           {119, 1}, {120, 2}, {184, 4}, {215, 4}, {216, -1}};
    for (const auto &r : rows)
        EXPECT_EQ(pauseEntryAt(r[0]), r[1]) << "row " << r[0];
    pauseTitle = old;
    SDL_FreeSurface(title);
}

TEST_F(Game, PauseChoicesChangeTheAttempt) {
    Record rec;
    rec.start(4, 5, 3);
    rec.target(0, 0, 1);
    rec.solution({{4, 5}});
    play(rec, 3);
    int before[BOARD_CELLS];
    memcpy(before, currentLevel, sizeof before);
    startPick();
    settle();
    ASSERT_EQ(g.movesUsed, 1);
    pauseApply(&g, PAUSE_UNDO);
    EXPECT_EQ(0, memcmp(currentLevel, before, sizeof before));
    EXPECT_EQ(currentCount, 1);
    EXPECT_EQ(g.movesUsed, 0);
    EXPECT_EQ(canUndo, 0);
    canUndo = 1;
    pauseApply(&g, PAUSE_UNDO); // no move left to take back
    EXPECT_EQ(g.movesUsed, 0);
    EXPECT_EQ(canUndo, 1);
    g.movesUsed = 1;
    canUndo = 0;
    pauseApply(&g, PAUSE_UNDO); // a move, but its copy is used up
    EXPECT_EQ(g.movesUsed, 1);

    pauseApply(&g, PAUSE_RESTART);
    EXPECT_EQ(g.restartRequested, 1);
    EXPECT_EQ(lives, 2);

    pauseApply(&g, PAUSE_SOLVE);
    EXPECT_EQ(g.solverOn, 1);
    EXPECT_EQ(g.solIndex, -1);
    EXPECT_EQ(canSolve, 0);

    g.musicPending = 1;
    pauseApply(&g, PAUSE_EXIT);
    EXPECT_EQ(escape, 1);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(g.musicPending, 0);
}

TEST_F(Game, TallyBonuses) {
    Record rec;
    rec.solution({{0, 0}, {1, 1}, {2, 2}}); // three picks, 3 + 4 moves allowed
    play(rec, 4);
    struct Case {
        int moves, pay;
    } moveCases[] = {{2, 200}, {3, 200}, {4, 30}, {7, 0}};
    for (const Case &c : moveCases) {
        g.movesUsed = c.moves;
        EXPECT_EQ(moveBonus(&g), c.pay) << c.moves;
    }
    struct Time {
        uint32_t now, end;
        int bonus;
    } timeCases[] = {{5000, 5999, 0}, {5000, 6000, 1}, {5000, 124999, 119}, {7000, 6000, 0}};
    for (const Time &c : timeCases) {
        currentTime = c.now;
        endTime = c.end;
        EXPECT_EQ(timeBonus(), c.bonus);
    }
}

std::vector<int> warningFrames;
int warningFrame;
void hearWarning(int id) {
    if (id == 4)
        warningFrames.push_back(warningFrame);
}

TEST_F(Game, LastSecondsTickEvery67Frames) {
    struct Case {
        const char *name;
        uint32_t left; // ms before endTime; 0 with the clock run out
        std::vector<int> frames;
    } cases[] = {
        {"plenty of time", 20000, {}},
        {"exactly 11 s", 11000, {}},
        {"last seconds", 10999, {0, 67, 134}},
        {"time is up", 0, {}},
    };
    playSFXHook = hearWarning;
    for (const Case &c : cases) {
        g.warning = 0;
        endTime = 50000;
        currentTime = endTime - c.left;
        warningFrames.clear();
        for (warningFrame = 0; warningFrame < 150; warningFrame++)
            lastSecondsWarning(&g);
        EXPECT_EQ(warningFrames, c.frames) << c.name;
    }
    playSFXHook = nullptr;
}

TEST_F(Game, LifeLostReasons) {
    Record rec;
    rec.start(0, 0, 1);
    play(rec, 3, 0);
    currentTime = endTime;
    EXPECT_EQ(lifeLostReason(&g), 44);
    currentTime = endTime - 1;
    g.movesUsed = 64;
    EXPECT_EQ(lifeLostReason(&g), 45);
    g.movesUsed = 10;
    EXPECT_EQ(lifeLostReason(&g), 46);
}

// Each play frame draws for a glint (1 in 16: rand() & 15 == 0, then the
// cell, column rand() & 15 of both boards side by side and row rand() % 10)
// and then, while the hero idles, for a blink (rand() % 512 == 0) or else a
// long blink (rand() % 1024 == 0).
TEST_F(Game, RandomShineAndIdleDrawsFollowTheSequence) {
    Record rec;
    rec.start(2, 4, 3);
    rec.target(7, 0, 5);
    struct Case {
        const char *what;
        unsigned seed;
        int heroBefore, emptyCell, morphing;
        int shineX, shineY, base; // -1: no glint
        int heroAfter, draws;
    } cases[] = {
        // 0x648e8cd0 & 15 = 0; 0x3857be92 & 15 = 2; 247215794 % 10 = 4; then
        // 1768547008 % 512 = 192 and 1478315323 % 1024 = 315: no blink.
        {"a fruit of the play board", 12, 4, 0, 0, 2, 4, 3 + 7, 4, 5},
        {"an empty cell", 12, 4, 1, 0, -1, -1, 0, 4, 5},
        {"the play board while a morph runs", 12, 4, 0, 1, -1, -1, 0, 4, 5},
        // 0x40c15130 & 15 = 0; 0x13c2560f & 15 = 15; 716492090 % 10 = 0: the
        // target board's cell (7, 0), which a morph does not hold back.
        {"a fruit of the target", 21, 4, 0, 1, 15, 0, 5 + 7, 4, 5},
        // 0x533f8d53 & 15 = 3: no glint; 0x36397000 % 512 = 0.
        {"a blink", 133, 4, 0, 0, -1, -1, 0, 1, 2},
        {"no idle hero, no idle draws", 133, 0, 0, 0, -1, -1, 0, 0, 1},
        // 0x7aeaab93 & 15 = 3; 0x06c4a9b0 % 512 = 432; 0x11fdf400 % 1024 = 0.
        {"a long blink", 212, 4, 0, 0, -1, -1, 0, 2, 3},
        // 0x33b45174 & 15 = 4; 0x7b4c4097 % 512 = 151; 0x0d7ab600 % 1024 = 512.
        {"no long blink on 512", 1674, 4, 0, 0, -1, -1, 0, 4, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        play(rec, 3, 0);
        if (c.emptyCell)
            currentLevel[2 + 8 * 4] = 0;
        curTrans = c.morphing;
        curShine = 0;
        memset(currentShining, 0, sizeof currentShining);
        setLionAnim(c.heroBefore);
        cursorA = 7;
        srand(c.seed);
        afterControls(&g);
        EXPECT_EQ(randDrawsSince(c.seed), c.draws);
        EXPECT_EQ(cursorA, 8);
        EXPECT_EQ(curLionAnim, c.heroAfter);
        if (c.shineX < 0) {
            EXPECT_EQ(curShine, 0);
            continue;
        }
        ASSERT_EQ(curShine, 1);
        const Shine &s = animShine[0];
        EXPECT_EQ(s.x, c.shineX);
        EXPECT_EQ(s.y, c.shineY);
        EXPECT_EQ(s.base, c.base);
        EXPECT_EQ(s.phase, 0);
        EXPECT_EQ(s.frames, 4);
        EXPECT_EQ(currentShining[c.shineX + 16 * c.shineY], 1);
    }
    curTrans = 0;
}

} // namespace
