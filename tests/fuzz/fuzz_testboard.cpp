// The test board: test.bin read by loadLevel(-1), as test mode does at every
// attempt. The board it leaves must be one the drawing can show.

#include "core/level.h"
#include "fuzz_support.h"

#include <cstdlib>
#include <cstring>

// What the board held before: a settled board of every kind.
static void knownBoard(uint8_t *record) {
    memset(record, 0, LEVEL_RECORD_SIZE);
    for (int x = 0; x < BOARD_W; x++) {
        record[16 * 9 + x] = static_cast<uint8_t>(1 + x % 5);
        record[16 * 9 + 8 + x] = static_cast<uint8_t>(1 + (x + 2) % 5);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    srand(1);
    uint8_t before[LEVEL_RECORD_SIZE];
    knownBoard(before);
    memcpy(testLevel, before, sizeof testLevel);
    scratchWrite("test.bin", data, size);
    {
        InScratch here;
        loadLevel(-1);
    }
    FUZZ_CHECK(currentSource == testLevel && currentSol == nullptr && currentMoves == 64);
    // Taken whole, or not at all.
    bool taken = size == LEVEL_BOARDS_SIZE && badBoardCell(data) < 0;
    FUZZ_CHECK(memcmp(testLevel, taken ? data : before, LEVEL_BOARDS_SIZE) == 0);
    FUZZ_CHECK(memcmp(testLevel + LEVEL_BOARDS_SIZE, before + LEVEL_BOARDS_SIZE,
                      LEVEL_RECORD_SIZE - LEVEL_BOARDS_SIZE) == 0);
    FUZZ_CHECK(badBoardCell(testLevel) < 0);
    int fruits = 0;
    for (int y = 0; y < BOARD_H; y++)
        for (int x = 0; x < BOARD_W; x++) {
            FUZZ_CHECK(currentLevel[x + BOARD_W * y] == testLevel[16 * y + x]);
            fruits += testLevel[16 * y + x] != 0;
        }
    FUZZ_CHECK(currentCount == fruits);
    return 0;
}
