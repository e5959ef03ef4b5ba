#pragma once

#include "levelfile.h"
#include "solver.h"

#include <string>

// Checks of one level: the stored solution played by the game's own rules
// code, and a search for anything shorter.

struct ReplayResult {
    bool ok;
    std::string problem; // why not, when not ok
};

// Plays the solution on the compact board: every pick on a fruit, target
// reached.
ReplayResult replayOnBoard(const LevelText &level);
// Plays the solution through the headless game driver once per rand() seed
// 1 ... `seeds`, checking after every pick that the board is still, matches
// the compact board, and that no fruit was lost from the count.
ReplayResult replayInGame(const LevelText &level, int seeds);
// Both boards settled and different.
ReplayResult checkBoards(const LevelText &level);
// The boards as above, and a solution of 1 ... 64 picks.
ReplayResult checkShape(const LevelText &level);

struct VerifyOptions {
    int seeds;
    uint64_t budget; // search nodes per level
};

// One line per level and a summary on `out`; returns the number of unsound
// levels. A level whose boards repeat an earlier level's is unsound too.
int verifyLevels(const std::vector<LevelText> &levels, const VerifyOptions &options, FILE *out);
