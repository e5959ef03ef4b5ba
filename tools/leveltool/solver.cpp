#include "solver.h"

#include <algorithm>
#include <cstring>

enum { NO_WAY = 1000 };

// Target column t can come out of column c: its fruits, bottom up, match an
// ordered selection of c's fruits of at least their value (the rest vanish).
static bool columnReachable(uint32_t c, uint32_t t) {
    for (; t; t >>= 3, c >>= 3) {
        while (c && (c & 7) < (t & 7))
            c >>= 3;
        if (!c)
            return false;
    }
    return true;
}

bool reachable(const Board &board, const Board &target) {
    for (int x = 0; x < COLS; x++)
        if (!columnReachable(board.col[x], target.col[x]))
            return false;
    return true;
}

// `deficit` is what each column must still lose. A pick takes at most 6 in
// all, at most 4 from its own column and 1 from each side column. Hence three
// bounds: the total over 6; columns pairwise three apart need separate picks,
// at most 4 each; and columns pairwise two apart share only side touches, so
// their deficits together over 4.
static int boundFromDeficit(const int *deficit) {
    int total = 0;
    int apart3[COLS], apart2[COLS];
    for (int x = 0; x < COLS; x++) {
        total += deficit[x];
        int own3 = (deficit[x] + 3) / 4 + (x >= 3 ? apart3[x - 3] : 0);
        apart3[x] = std::max(x ? apart3[x - 1] : 0, own3);
        int own2 = deficit[x] + (x >= 2 ? apart2[x - 2] : 0);
        apart2[x] = std::max(x ? apart2[x - 1] : 0, own2);
    }
    return std::max({(total + 5) / 6, apart3[COLS - 1], (apart2[COLS - 1] + 3) / 4});
}

int picksLowerBound(const Board &board, const Board &target) {
    if (!reachable(board, target))
        return NO_WAY;
    int deficit[COLS];
    for (int x = 0; x < COLS; x++)
        deficit[x] = columnSum(board.col[x]) - columnSum(target.col[x]);
    return boundFromDeficit(deficit);
}

// Transposition table: a board from which the search found nothing within
// `remaining` picks, with commuting picks allowed from column `minColumn` on.
struct TableEntry {
    uint32_t col[COLS];
    uint32_t stamp;
    int8_t remaining;
    int8_t minColumn;
};

enum { TABLE_BITS = 20 };
static std::vector<TableEntry> table;
static uint32_t tableStamp = 0;

static Board goal;
static int bound;
static uint64_t nodes, budget;
static bool aborted;
static Pick path[64];

static uint64_t boardHash(const Board &b) {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (int x = 0; x < COLS; x += 2) {
        h ^= (uint64_t(b.col[x]) << 32) | b.col[x + 1];
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    return h;
}

static TableEntry &tableSlot(const Board &b) {
    return table[boardHash(b) >> (64 - TABLE_BITS)];
}

static bool search(const Board &b, const int *deficit, int depth, int prevColumn) {
    if (++nodes > budget) {
        aborted = true;
        return false;
    }
    int left = 0;
    for (int x = 0; x < COLS; x++)
        left += deficit[x];
    if (left == 0)
        return sameBoard(b, goal);
    int remaining = bound - depth;
    if (boundFromDeficit(deficit) > remaining)
        return false;
    // Picks three or more columns apart touch disjoint columns, so they
    // commute: keep only orders where such a pair comes left column first.
    int minColumn = std::max(0, prevColumn - 2);
    TableEntry &slot = tableSlot(b);
    if (slot.stamp == tableStamp && slot.remaining >= remaining && slot.minColumn <= minColumn &&
        memcmp(slot.col, b.col, sizeof b.col) == 0)
        return false;
    int heights[COLS];
    for (int x = 0; x < COLS; x++)
        heights[x] = columnHeight(b.col[x]);
    for (int x = minColumn; x < COLS; x++) {
        if (!deficit[x])
            continue;
        int height = heights[x];
        for (int i = 0; i < height; i++) {
            // What this pick takes at least, column by column: skip it
            // unless every column can afford that.
            int own = std::min(2, field(b.col[x], i)) + (i + 1 < height) + (i > 0);
            if (own > deficit[x] || (x > 0 && i < heights[x - 1] && !deficit[x - 1]) ||
                (x + 1 < COLS && i < heights[x + 1] && !deficit[x + 1]))
                continue;
            Board next = b;
            int lost[3];
            pickBoard(next, x, ROWS - 1 - i, lost);
            int nextDeficit[COLS];
            memcpy(nextDeficit, deficit, sizeof nextDeficit);
            bool ok = true;
            for (int k = 0; k < 3 && ok; k++) {
                int c = x - 1 + k;
                if (!lost[k])
                    continue;
                nextDeficit[c] -= lost[k];
                ok = nextDeficit[c] >= 0 && columnReachable(next.col[c], goal.col[c]);
            }
            if (!ok)
                continue;
            path[depth] = {x, ROWS - 1 - i};
            if (search(next, nextDeficit, depth + 1, x))
                return true;
            if (aborted)
                return false;
        }
    }
    memcpy(slot.col, b.col, sizeof b.col);
    slot.stamp = tableStamp;
    slot.remaining = static_cast<int8_t>(remaining);
    slot.minColumn = static_cast<int8_t>(minColumn);
    return false;
}

SolveResult solveBoards(const Board &start, const Board &target, int maxDepth,
                        uint64_t nodeBudget) {
    SolveResult result{false, {}, -1, false, 0};
    if (table.empty())
        table.resize(size_t(1) << TABLE_BITS);
    maxDepth = std::min(maxDepth, 64);
    goal = target;
    nodes = 0;
    budget = nodeBudget;
    aborted = false;
    int first = picksLowerBound(start, target);
    if (first >= NO_WAY) {
        result.cleared = maxDepth;
        return result;
    }
    result.cleared = first - 1;
    int deficit[COLS];
    for (int x = 0; x < COLS; x++)
        deficit[x] = columnSum(start.col[x]) - columnSum(target.col[x]);
    for (bound = first; bound <= maxDepth; bound++) {
        // A fresh stamp per start board empties the table at no cost; depths
        // recorded under smaller bounds stay valid under larger ones.
        if (bound == first && ++tableStamp == 0) {
            std::fill(table.begin(), table.end(), TableEntry{});
            tableStamp = 1;
        }
        if (search(start, deficit, 0, 0)) {
            result.found = true;
            result.picks.assign(path, path + bound);
            break;
        }
        if (aborted) {
            result.aborted = true;
            break;
        }
        result.cleared = bound;
    }
    result.nodes = nodes;
    return result;
}
