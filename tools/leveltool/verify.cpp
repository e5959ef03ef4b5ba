#include "verify.h"

#include "core/anim.h"
#include "core/driver.h"
#include "core/level.h"
#include "core/rules.h"

#include <cstdlib>
#include <cstring>

static ReplayResult fail(const std::string &problem) {
    return {false, problem};
}

static std::string pickName(int k, const Pick &p) {
    return "pick " + std::to_string(k + 1) + " (" + std::to_string(p.x) + "," +
           std::to_string(p.y) + ")";
}

ReplayResult checkBoards(const LevelText &level) {
    if (!cellsSettled(level.start))
        return fail("start board not settled (a fruit above an empty cell, or a bad value)");
    if (!cellsSettled(level.target))
        return fail("target board not settled (a fruit above an empty cell, or a bad value)");
    if (memcmp(level.start, level.target, sizeof level.start) == 0)
        return fail("target equals start");
    return {true, ""};
}

ReplayResult checkShape(const LevelText &level) {
    ReplayResult boards = checkBoards(level);
    if (!boards.ok)
        return boards;
    if (level.picks.empty() || level.picks.size() > MAX_PICKS)
        return fail("solution must have 1 to 64 picks");
    return {true, ""};
}

ReplayResult replayOnBoard(const LevelText &level) {
    Board board = boardFromCells(level.start);
    for (size_t k = 0; k < level.picks.size(); k++)
        if (!pickBoard(board, level.picks[k].x, level.picks[k].y))
            return fail(pickName(k, level.picks[k]) + " lands on an empty cell");
    if (!sameBoard(board, boardFromCells(level.target)))
        return fail("solution does not reach the target");
    return {true, ""};
}

static int boardFruits() {
    int n = 0;
    for (int v : currentLevel)
        n += v != 0;
    return n;
}

static bool boardMatches(const Board &board) {
    uint8_t cells[COLS * ROWS];
    boardToCells(board, cells);
    for (int i = 0; i < COLS * ROWS; i++)
        if (currentLevel[i] != cells[i])
            return false;
    return true;
}

static ReplayResult replayOnce(const LevelText &level, unsigned seed) {
    std::string at = "seed " + std::to_string(seed) + ", ";
    srand(seed);
    Board board = boardFromCells(level.start);
    for (size_t k = 0; k < level.picks.size(); k++) {
        const Pick &p = level.picks[k];
        if (!currentLevel[p.x + COLS * p.y])
            return fail(at + pickName(k, p) + " lands on an empty cell");
        if (driverPick(p.x, p.y, nullptr) < 1)
            return fail(at + pickName(k, p) + " changed nothing");
        if (!driverBoardStill() || curTrans || curMove)
            return fail(at + pickName(k, p) + " left the board moving");
        if (currentCount != boardFruits())
            return fail(at + pickName(k, p) + ": fruit count " + std::to_string(currentCount) +
                        ", board holds " + std::to_string(boardFruits()));
        pickBoard(board, p.x, p.y);
        if (!boardMatches(board))
            return fail(at + pickName(k, p) + " gives another board than the compact model");
    }
    if (!haveMadeit())
        return fail(at + "the game does not see the target reached");
    return {true, ""};
}

ReplayResult replayInGame(const LevelText &level, int seeds) {
    // One record holding this level, loaded the way the game loads it.
    std::vector<uint8_t> plain = packLevels({level});
    uint8_t *oldData = levelsData, *oldLevels = levels;
    int oldCount = levelCount;
    levelsData = plain.data();
    levels = plain.data() + 1;
    levelCount = 1;
    ReplayResult result{true, ""};
    for (int seed = 1; seed <= seeds && result.ok; seed++) {
        loadLevel(0);
        result = replayOnce(level, static_cast<unsigned>(seed));
    }
    levelsData = oldData;
    levels = oldLevels;
    levelCount = oldCount;
    currentSource = currentSol = nullptr;
    return result;
}

static std::string picksText(const std::vector<Pick> &picks) {
    std::string text;
    for (const Pick &p : picks)
        text += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    return text;
}

int verifyLevels(const std::vector<LevelText> &levels, const VerifyOptions &options, FILE *out) {
    int unsound = 0, proven = 0;
    for (size_t i = 0; i < levels.size(); i++) {
        const LevelText &level = levels[i];
        int n = static_cast<int>(level.picks.size());
        ReplayResult check = checkShape(level);
        for (size_t j = 0; j < i && check.ok; j++)
            if (memcmp(levels[j].start, level.start, sizeof level.start) == 0 &&
                memcmp(levels[j].target, level.target, sizeof level.target) == 0)
                check = fail("same boards as level " + std::to_string(j + 1));
        if (check.ok)
            check = replayOnBoard(level);
        if (check.ok)
            check = replayInGame(level, options.seeds);
        if (!check.ok) {
            fprintf(out, "level %3zu: UNSOUND: %s\n", i + 1, check.problem.c_str());
            unsound++;
            continue;
        }
        SolveResult search = solveBoards(boardFromCells(level.start), boardFromCells(level.target),
                                         n - 1, options.budget);
        if (search.found) {
            fprintf(out, "level %3zu: UNSOUND: %d picks stored, %zu suffice:%s\n", i + 1, n,
                    search.picks.size(), picksText(search.picks).c_str());
            unsound++;
        } else if (!search.aborted) {
            fprintf(out, "level %3zu: %2d picks, optimal (proven, %llu nodes)\n", i + 1, n,
                    static_cast<unsigned long long>(search.nodes));
            proven++;
        } else {
            fprintf(out,
                    "level %3zu: %2d picks, none shorter up to %d picks (budget of %llu nodes)\n",
                    i + 1, n, search.cleared, static_cast<unsigned long long>(options.budget));
        }
    }
    fprintf(out, "%zu levels: %zu sound, %d proven optimal, %d unsound (%d seeds each)\n",
            levels.size(), levels.size() - unsound, proven, unsound, options.seeds);
    return unsound;
}
