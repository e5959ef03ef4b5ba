#pragma once

#include "board.h"

#include <cstdint>
#include <vector>

// Exact search for the fewest picks that turn one board into another:
// iterative deepening on an admissible bound, with a transposition table and
// picks far enough apart to commute tried in one order only.

struct SolveResult {
    bool found; // `picks` is a solution, and none shorter exists
    std::vector<Pick> picks;
    int cleared;  // no solution has this many picks or fewer (-1: none ruled out)
    bool aborted; // the node budget ran out before the search ended
    uint64_t nodes;
};

// Searches solutions of up to `maxDepth` picks, visiting at most
// `nodeBudget` nodes. Both boards must be settled.
SolveResult solveBoards(const Board &start, const Board &target, int maxDepth, uint64_t nodeBudget);

// Cheap test that `target` may still be reached from `board` by picks: each
// target column must be the board's column with some fruits lowered or gone.
bool reachable(const Board &board, const Board &target);
// Admissible bound on the picks still needed (a large value when hopeless).
int picksLowerBound(const Board &board, const Board &target);
