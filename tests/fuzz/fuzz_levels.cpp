// The level file: read as loadLevels reads it (whole file, descramble, the
// table), then every record loaded for play and the first picks of the
// first record's solution played through the game's rules.

#include "core/anim.h"
#include "core/driver.h"
#include "core/level.h"
#include "core/rules.h"
#include "fuzz_support.h"

#include <cstdlib>

// Playing costs most of a run: enough to meet boards the start of a file
// makes, not the whole table.
enum { PLAYED_RECORDS = 1, PLAYED_PICKS = 16 };

static int boardFruits() {
    int n = 0;
    for (int v : currentLevel) {
        FUZZ_CHECK(v >= 0 && v <= MAX_CELL_VALUE);
        n += v != 0;
    }
    return n;
}

static void checkLoaded(int index) {
    FUZZ_CHECK(currentSource == levels + LEVEL_RECORD_SIZE * index);
    int n = solutionLength(currentSol);
    FUZZ_CHECK(n >= 0 && n <= LEVEL_MAX_PICKS);
    FUZZ_CHECK(currentMoves == n + currentBonus);
    FUZZ_CHECK(currentCount == boardFruits());
    // What the drawing looks up in the tile sheet: both boards.
    FUZZ_CHECK(badBoardCell(currentSource) < 0);
}

// The stored picks, wherever they point, as the solver would make them.
static void playSolution() {
    for (int k = 0; k < PLAYED_PICKS && currentSol[2 * k] != 0xFF; k++) {
        driverPick(currentSol[2 * k], currentSol[2 * k + 1], nullptr);
        FUZZ_CHECK(driverBoardStill());
        FUZZ_CHECK(currentCount == boardFruits());
    }
    haveMadeit();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    srand(1);
    scratchWrite("data/levels.bin", data, size);
    unsigned length = 0;
    uint8_t *bytes;
    {
        InScratch here;
        bytes = loadBINFile("data/levels.bin", &length);
    }
    FUZZ_CHECK(bytes == nullptr || length == size);
    // A refusal is the game's answer: loadLevels stops with it.
    if (takeLevelFile(bytes, length) != nullptr)
        return 0;
    FUZZ_CHECK(levelsData != nullptr && levels == levelsData + 1);
    FUZZ_CHECK(levelCount >= 1 && 1 + size_t(LEVEL_RECORD_SIZE) * levelCount <= size);
    for (int i = 0; i < levelCount; i++) {
        currentBonus = 1 + i % 5;
        loadLevel(i);
        checkLoaded(i);
        if (i < PLAYED_RECORDS)
            playSolution();
    }
    return 0;
}
