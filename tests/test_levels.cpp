// The level tool's board model, solver, level files and verifier, and the
// shipped level set.

#include "board.h"
#include "generate.h"
#include "levelfile.h"
#include "solver.h"
#include "verify.h"

#include "core/level.h"
#include "temp_helpers.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The lowest rows of a board, bottom row last; the rows above are empty.
std::vector<uint8_t> cellsOf(const std::vector<std::string> &lowRows) {
    std::vector<uint8_t> cells(COLS * ROWS, 0);
    int top = ROWS - static_cast<int>(lowRows.size());
    for (size_t r = 0; r < lowRows.size(); r++)
        for (int x = 0; x < COLS; x++) {
            char c = lowRows[r][x];
            cells[x + COLS * (top + r)] = c == '.' ? 0 : c - '0';
        }
    return cells;
}

Board boardOf(const std::vector<std::string> &lowRows) {
    return boardFromCells(cellsOf(lowRows).data());
}

LevelText levelOf(const std::vector<std::string> &start, const std::vector<std::string> &target,
                  const std::vector<Pick> &picks) {
    LevelText level{};
    memcpy(level.start, cellsOf(start).data(), sizeof level.start);
    memcpy(level.target, cellsOf(target).data(), sizeof level.target);
    level.picks = picks;
    return level;
}

struct PickCase {
    const char *what;
    std::vector<std::string> before;
    Pick pick;
    std::vector<std::string> after;
    int lost;
};

TEST(LevelBoard, PickLowersNeighboursAndLetsFruitsFall) {
    const PickCase cases[] = {
        {"lone fruit drops two", {"...5...."}, {3, 9}, {"...3...."}, 2},
        {"picked 1 takes one step", {"...1...."}, {3, 9}, {"........"}, 1},
        {"four neighbours drop one",
         {"...4....", "..353...", "..424..."},
         {3, 8},
         {"...3....", "..232...", "..414..."},
         6},
        {"emptied cell lets the column fall, lowered first",
         {"...5....", "...4....", "...2....", "...3...."},
         {3, 8},
         {"........", "...5....", "...3....", "...2...."},
         4},
        {"side neighbour of 1 vanishes and its column falls",
         {"..4.....", "..3.....", "..2.....", "..15...."},
         {3, 9},
         {"........", "..4.....", "..3.....", "..23...."},
         3},
        {"corner has two neighbours",
         {"4.......", "33......"},
         {0, 9},
         {"3.......", "12......"},
         4},
        {"right edge", {".......3", "......55"}, {7, 9}, {".......2", "......43"}, 4},
        {"empty cell changes nothing", {"...5...."}, {3, 8}, {"...5...."}, 0},
    };
    for (const PickCase &c : cases) {
        Board board = boardOf(c.before);
        EXPECT_EQ(pickBoard(board, c.pick.x, c.pick.y), c.lost) << c.what;
        EXPECT_TRUE(sameBoard(board, boardOf(c.after))) << c.what;
    }
}

TEST(LevelBoard, SettledBoardsOnly) {
    EXPECT_TRUE(cellsSettled(cellsOf({"..1.....", "..5..3.."}).data()));
    EXPECT_FALSE(cellsSettled(cellsOf({"..1.....", "...5...."}).data()));
    EXPECT_FALSE(cellsSettled(cellsOf({"..6....."}).data()));
    uint8_t cells[COLS * ROWS];
    boardToCells(boardOf({"1.3.....", "21345..5"}), cells);
    EXPECT_EQ(std::vector<uint8_t>(cells, cells + COLS * ROWS), cellsOf({"1.3.....", "21345..5"}));
}

// The compact board must agree with the game's own rules code on every pick
// of random levels, whatever rand() decides about delays and falls.
TEST(LevelBoard, AgreesWithTheGameDriver) {
    Rng rng{77};
    srand(1); // loading the level draws for the scenery before the replays seed
    const char *const *shapes = shapeNames();
    for (int trial = 0; trial < 40; trial++) {
        LevelText level{};
        makeBoard(rng, shapes[trial % 10], 5, level.start);
        Board board = boardFromCells(level.start);
        for (int k = 0; k < 6 && fruitCount(board); k++) {
            int which = rngBelow(rng, fruitCount(board));
            for (int x = 0; x < COLS; x++) {
                int h = columnHeight(board.col[x]);
                if (which < h) {
                    level.picks.push_back({x, ROWS - 1 - which});
                    pickBoard(board, x, ROWS - 1 - which);
                    break;
                }
                which -= h;
            }
        }
        boardToCells(board, level.target);
        ReplayResult replay = replayInGame(level, 5);
        EXPECT_TRUE(replay.ok) << "trial " << trial << ": " << replay.problem;
    }
}

// Fewest picks by plain breadth-first search, for boards small enough.
int breadthFirst(const Board &start, const Board &target, int maxDepth) {
    std::set<std::array<uint32_t, COLS>> seen;
    std::vector<Board> frontier{start};
    for (int depth = 0; depth <= maxDepth; depth++) {
        std::vector<Board> next;
        for (const Board &b : frontier) {
            if (sameBoard(b, target))
                return depth;
            for (int x = 0; x < COLS; x++)
                for (int i = 0; i < columnHeight(b.col[x]); i++) {
                    Board n = b;
                    pickBoard(n, x, ROWS - 1 - i);
                    std::array<uint32_t, COLS> key;
                    std::copy(n.col, n.col + COLS, key.begin());
                    if (seen.insert(key).second)
                        next.push_back(n);
                }
        }
        frontier.swap(next);
    }
    return -1;
}

TEST(LevelSolver, FindsTheFewestPicksOfBreadthFirstSearch) {
    Rng rng{2024};
    const char *shapes[] = {"sparse", "low", "gaps"};
    for (int trial = 0; trial < 80; trial++) {
        uint8_t cells[COLS * ROWS];
        makeBoard(rng, shapes[trial % 3], 1 + rngBelow(rng, 5), cells);
        Board start = boardFromCells(cells), target = start;
        for (int k = 1 + rngBelow(rng, 3); k > 0 && fruitCount(target); k--) {
            int which = rngBelow(rng, fruitCount(target));
            for (int x = 0; x < COLS; x++) {
                int h = columnHeight(target.col[x]);
                if (which < h) {
                    pickBoard(target, x, ROWS - 1 - which);
                    break;
                }
                which -= h;
            }
        }
        int fewest = breadthFirst(start, target, 3);
        SolveResult found = solveBoards(start, target, 6, 50000000);
        ASSERT_FALSE(found.aborted);
        ASSERT_TRUE(found.found) << trial;
        EXPECT_EQ(static_cast<int>(found.picks.size()), fewest) << trial;
        Board played = start;
        for (const Pick &p : found.picks)
            EXPECT_GT(pickBoard(played, p.x, p.y), 0) << trial;
        EXPECT_TRUE(sameBoard(played, target)) << trial;
    }
}

TEST(LevelSolver, ProvesNoSolutionOrStopsAtItsBudget) {
    // A fruit cannot grow: nothing reaches this target.
    Board start = boardOf({"...3....", "..242..."}), target = boardOf({"...4....", "..242..."});
    SolveResult none = solveBoards(start, target, 10, 1000000);
    EXPECT_FALSE(none.found);
    EXPECT_FALSE(none.aborted);
    EXPECT_EQ(none.cleared, 10);
    EXPECT_FALSE(reachable(start, target));

    // A far target with a tiny budget: how deep it got is reported.
    Board full = boardOf({"55555555", "55555555", "55555555"});
    Board goal = full;
    const Pick picks[] = {{1, 8}, {4, 9}, {6, 7}, {2, 9}, {5, 8}, {3, 7}, {0, 9}, {7, 9}};
    for (const Pick &p : picks)
        pickBoard(goal, p.x, p.y);
    SolveResult cut = solveBoards(full, goal, 20, 50);
    EXPECT_FALSE(cut.found);
    EXPECT_TRUE(cut.aborted);
    EXPECT_GE(cut.cleared, picksLowerBound(full, goal) - 1);
    EXPECT_LT(cut.cleared, 8);
}

TEST(LevelSolver, LowerBoundNeverExceedsAKnownSolution) {
    Rng rng{5};
    for (int trial = 0; trial < 200; trial++) {
        uint8_t cells[COLS * ROWS];
        makeBoard(rng, "any", 5, cells);
        Board start = boardFromCells(cells), target = start;
        int n = 1 + rngBelow(rng, 12), played = 0;
        for (int tries = 0; played < n && tries < 1000; tries++)
            played += pickBoard(target, rngBelow(rng, COLS), rngBelow(rng, ROWS)) > 0;
        EXPECT_LE(picksLowerBound(start, target), played) << trial;
    }
}

void writeText(const std::string &path, const std::string &text) {
    FILE *f = fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs(text.c_str(), f);
    fclose(f);
}

const char *smallLevel = "level two picks\n"
                         "  ........  ........\n"
                         "  ........  ........\n"
                         "  ........  ........\n"
                         "  ........  ........\n"
                         "  ........  ........\n"
                         "  ........  ........\n"
                         "  ........  ........\n"
                         "  ...4....  ...3....\n"
                         "  ..353...  ..222...\n"
                         "  .55455..  .54145..\n"
                         "solution 3,8 3,9\n";

TEST(LevelFiles, TextAndPackedFormsRoundTrip) {
    TempDir tmp("quenzy-levels");
    std::string text = tmp / "round.txt", packed = tmp / "round.bin";
    writeText(text, std::string("# a comment\n\n") + smallLevel);
    std::vector<LevelText> levels;
    std::string error;
    ASSERT_TRUE(readLevelText(text.c_str(), levels, error)) << error;
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0].title, "two picks");
    EXPECT_EQ(levels[0].start[3 + COLS * 7], 4);
    EXPECT_EQ(levels[0].target[2 + COLS * 9], 4);
    ASSERT_EQ(levels[0].picks.size(), 2u);
    EXPECT_EQ(levels[0].picks[1].x, 3);
    EXPECT_EQ(levels[0].picks[1].y, 9);

    // Written back, the text reads the same.
    FILE *f = fopen(text.c_str(), "w");
    writeLevelText(f, levels[0]);
    fclose(f);
    std::vector<LevelText> again;
    ASSERT_TRUE(readLevelText(text.c_str(), again, error)) << error;
    EXPECT_EQ(memcmp(again[0].start, levels[0].start, sizeof levels[0].start), 0);
    EXPECT_EQ(memcmp(again[0].target, levels[0].target, sizeof levels[0].target), 0);
    EXPECT_EQ(again[0].picks.size(), 2u);

    // The record layout the game reads: rows of 8 start then 8 target cells,
    // picks from byte 160, 0xFF after the last.
    std::vector<uint8_t> plain = packLevels(levels);
    ASSERT_EQ(plain.size(), 1u + RECORD_SIZE);
    EXPECT_EQ(plain[0], 1);
    EXPECT_EQ(plain[1 + 16 * 7 + 3], 4);
    EXPECT_EQ(plain[1 + 16 * 9 + 8 + 2], 4);
    EXPECT_EQ(plain[1 + 160], 3);
    EXPECT_EQ(plain[1 + 161], 8);
    EXPECT_EQ(plain[1 + 164], 0xFF);

    scrambleLevels(plain.data(), static_cast<unsigned>(plain.size()));
    ASSERT_TRUE(writeFile(packed.c_str(), plain, error)) << error;
    std::vector<LevelText> unpacked;
    ASSERT_TRUE(readLevels(packed.c_str(), unpacked, error)) << error;
    ASSERT_EQ(unpacked.size(), 1u);
    EXPECT_EQ(memcmp(unpacked[0].start, levels[0].start, sizeof levels[0].start), 0);
    EXPECT_EQ(unpacked[0].picks.size(), 2u);
}

TEST(LevelFiles, BadTextNamesTheLine) {
    std::string base(smallLevel);
    struct {
        const char *what;
        std::string text;
        const char *message;
    } cases[] = {
        {"no level line", "  ........  ........\n", ":1: expected \"level\""},
        {"bad cell", "level\n  ....6...  ........\n", ":2: expected a row"},
        {"short row", "level\n  .......  ........\n", ":2: expected a row"},
        {"pick off the board", base.substr(0, base.find("solution")) + "solution 8,1\n",
         ":12: bad solution"},
        {"stray line", base + "hello\n", ":13: unexpected line"},
        {"short board", "level\n  ........  ........\n", "board is short"},
    };
    TempDir tmp("quenzy-levels");
    std::string path = tmp / "bad.txt";
    for (auto &c : cases) {
        writeText(path, c.text);
        std::vector<LevelText> levels;
        std::string error;
        EXPECT_FALSE(readLevelText(path.c_str(), levels, error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

// Runs the verifier on one level and returns its report.
std::string verifyOne(const std::vector<LevelText> &levels, int *unsound,
                      uint64_t budget = 1000000) {
    srand(1); // loading the level draws for the scenery before the verifier seeds
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    *unsound = verifyLevels(levels, VerifyOptions{5, budget}, out);
    fclose(out);
    std::string report(text, size);
    free(text);
    return report;
}

TEST(LevelVerify, AcceptsASoundMinimalLevel) {
    LevelText good = levelOf({"...4....", "..353...", ".55455.."},
                             {"...3....", "..222...", ".54145.."}, {{3, 8}, {3, 9}});
    int unsound = -1;
    std::string report = verifyOne({good}, &unsound);
    EXPECT_EQ(unsound, 0) << report;
    EXPECT_NE(report.find("level   1:  2 picks, optimal (proven"), std::string::npos) << report;
}

TEST(LevelVerify, SaysHowDeepItSearchedWhenTheBudgetRunsOut) {
    std::vector<std::string> full = {"55555555", "55555555", "55555555"};
    LevelText level = levelOf(full, full, {{0, 9}, {7, 9}, {0, 7}, {7, 7}, {3, 7}, {4, 9}});
    Board target = boardFromCells(level.start);
    for (const Pick &p : level.picks)
        pickBoard(target, p.x, p.y);
    boardToCells(target, level.target);
    int unsound = -1;
    std::string report = verifyOne({level}, &unsound, 20);
    EXPECT_EQ(unsound, 0) << report;
    EXPECT_NE(report.find("6 picks, none shorter up to"), std::string::npos) << report;
    EXPECT_NE(report.find("budget of 20 nodes"), std::string::npos) << report;
}

TEST(LevelVerify, FlagsEveryKindOfUnsoundLevel) {
    std::vector<std::string> start = {"...4....", "..353...", ".55455.."};
    std::vector<std::string> target = {"...3....", "..222...", ".54145.."};
    struct {
        const char *what;
        LevelText level;
        const char *message;
    } cases[] = {
        {"start not settled",
         levelOf({"...4....", "........", ".55455.."}, {"........", "........", ".55355.."},
                 {{3, 9}}),
         "start board not settled"},
        {"nothing to do", levelOf(start, start, {{3, 8}}), "target equals start"},
        {"no solution", levelOf(start, target, {}), "1 to 64 picks"},
        {"pick on an empty cell", levelOf(start, target, {{3, 8}, {0, 9}}),
         "pick 2 (0,9) lands on an empty cell"},
        {"wrong target", levelOf(start, {"...3....", "..222...", ".54245.."}, {{3, 8}, {3, 9}}),
         "does not reach the target"},
        {"longer than needed",
         levelOf({"...5....", "..535..."}, {"........", "..333..."}, {{3, 8}, {2, 9}, {4, 9}}),
         "3 picks stored, 2 suffice"},
    };
    for (auto &c : cases) {
        int unsound = 0;
        std::string report = verifyOne({c.level}, &unsound);
        EXPECT_EQ(unsound, 1) << c.what;
        EXPECT_NE(report.find(c.message), std::string::npos) << c.what << ": " << report;
    }
    // The same boards twice make the second level unsound.
    LevelText good = levelOf(start, target, {{3, 8}, {3, 9}});
    int unsound = 0;
    std::string report = verifyOne({good, good}, &unsound);
    EXPECT_EQ(unsound, 1);
    EXPECT_NE(report.find("level   2: UNSOUND: same boards as level 1"), std::string::npos)
        << report;
}

TEST(LevelGenerator, SameSeedSameLevelsOfTheWantedLength) {
    auto run = [](uint64_t seed) {
        char *text = nullptr;
        size_t size = 0;
        FILE *out = open_memstream(&text, &size);
        GenerateOptions options{seed, 4, "random", 4, 3, 100, 1000000};
        EXPECT_EQ(generateLevels(options, out, nullptr), 3);
        fclose(out);
        std::string result(text, size);
        free(text);
        return result;
    };
    std::string first = run(11);
    EXPECT_EQ(run(11), first);
    EXPECT_NE(run(12), first);

    TempDir tmp("quenzy-levels");
    std::string path = tmp / "generated.txt";
    writeText(path, first);
    std::vector<LevelText> levels;
    std::string error;
    ASSERT_TRUE(readLevelText(path.c_str(), levels, error)) << error;
    ASSERT_EQ(levels.size(), 3u);
    for (const LevelText &level : levels) {
        EXPECT_EQ(level.picks.size(), 4u);
        EXPECT_TRUE(replayOnBoard(level).ok);
        SolveResult shorter =
            solveBoards(boardFromCells(level.start), boardFromCells(level.target), 3, 10000000);
        EXPECT_FALSE(shorter.found);
        EXPECT_FALSE(shorter.aborted);
    }
}

bool mirrored(const uint8_t *cells) {
    for (int y = 0; y < ROWS; y++)
        for (int x = 0; x < COLS / 2; x++)
            if (cells[x + COLS * y] != cells[COLS - 1 - x + COLS * y])
                return false;
    return true;
}

int fruitsOn(const uint8_t *cells) {
    int n = 0;
    for (int i = 0; i < COLS * ROWS; i++)
        n += cells[i] != 0;
    return n;
}

// The shipped set: teaching levels first, a rising curve, varied boards.
TEST(ShippedLevels, RiseFromOnePickToAboutTwelveOnVariedBoards) {
    std::vector<LevelText> levels;
    std::string error;
    ASSERT_TRUE(readLevels("data/levels.bin", levels, error)) << error;
    ASSERT_EQ(levels.size(), 120u);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(levels[i].picks.size(), 1u) << "level " << i + 1;
    double previous = 0;
    for (int block = 0; block < 10; block++) {
        double sum = 0;
        for (int i = 12 * block; i < 12 * block + 12; i++)
            sum += levels[i].picks.size();
        EXPECT_GT(sum / 12, previous) << "levels " << 12 * block + 1 << " on";
        previous = sum / 12;
    }
    EXPECT_GE(previous, 11.0);
    std::set<int> kinds;
    int symmetric = 0, nearlyEmpty = 0, nearlyFull = 0;
    for (const LevelText &level : levels) {
        for (uint8_t v : level.start)
            kinds.insert(v);
        symmetric += mirrored(level.start);
        nearlyEmpty += fruitsOn(level.start) <= 12;
        nearlyFull += fruitsOn(level.start) >= 70;
    }
    EXPECT_EQ(kinds, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_GE(symmetric, 10);
    EXPECT_GE(nearlyEmpty, 5);
    EXPECT_GE(nearlyFull, 5);
}

// The example test board the build puts beside the game: what the game's own
// loader makes of it in test mode, and that it is a first lesson, solved in
// one or two picks.
TEST(ShippedLevels, ExampleTestBoardLoadsInTestMode) {
    std::vector<LevelText> source;
    std::string error;
    ASSERT_TRUE(readLevelText(QUENZY_SOURCE_DIR "/assets/levels/test-board.txt", source, error))
        << error;
    ASSERT_EQ(source.size(), 1u);
    EXPECT_TRUE(source[0].picks.empty());
    srand(1);      // the scenery's reset draws
    loadLevel(-1); // reads test.bin from the working folder, the build folder
    EXPECT_EQ(currentSol, nullptr);
    for (int i = 0; i < COLS * ROWS; i++) {
        EXPECT_EQ(currentLevel[i], source[0].start[i]) << i;
        EXPECT_EQ(testLevel[16 * (i / COLS) + 8 + i % COLS], source[0].target[i]) << i;
    }
    SolveResult way =
        solveBoards(boardFromCells(source[0].start), boardFromCells(source[0].target), 2, 1000000);
    EXPECT_TRUE(way.found);
}

} // namespace
