#include "core/level.h"

#include "core/anim.h"
#include "front/scenery.h"
#include "platform/debug.h"

#include <cstdlib>
#include <cstring>

uint8_t *levelsData = nullptr;
int levelCount = 0;
uint8_t *levels = nullptr;
uint8_t testLevel[LEVEL_RECORD_SIZE];
const char *testBoardPath = "test.bin";
uint8_t *currentSource = nullptr;
uint8_t *currentSol = nullptr;

int currentLevel[BOARD_CELLS];
int currentUndo[BOARD_CELLS];
int currentCount = 0;
int currentMoves = 0;
int currentBonus = 0;
uint8_t currentTrans[BOARD_CELLS];
uint8_t currentShining[2 * BOARD_CELLS];
int cursorX = 4, cursorY = 5, cursorA = 0;
int curAction = 0;

const uint8_t key0[8] = {0x5C, 0xA4, 0x1F, 0x83, 0xE2, 0x6B, 0x39, 0xD0};
const uint8_t key1[5] = {0x91, 0x2E, 0x47, 0xD3, 0x68};

static const uint8_t SCRAMBLE_SEED = 0xB7;

// The length of open file `f`, or 0 when it cannot be told.
static unsigned binfilesize(FILE *f) {
    rewind(f);
    if (fseek(f, 0, SEEK_END) != 0)
        return 0;
    long size = ftell(f);
    if (size < 0 || fseek(f, 0, SEEK_SET) != 0)
        return 0;
    return static_cast<unsigned>(size);
}

uint8_t *loadBINFile(const char *path, unsigned *size) {
    FILE *f = fopen(path, "rb");
    if (!f)
        return nullptr;
    unsigned length = binfilesize(f);
    if (length == 0) {
        fclose(f);
        return nullptr;
    }
    uint8_t *buffer = static_cast<uint8_t *>(malloc(length));
    if (!buffer) {
        fclose(f);
        return nullptr;
    }
    // A short read leaves the tail zeroed rather than uninitialised.
    size_t got = fread(buffer, 1, length, f);
    if (got < length)
        memset(buffer + got, 0, length - got);
    fclose(f);
    if (size)
        *size = length;
    return buffer;
}

static uint8_t scrambleMask(unsigned i) {
    return key1[i % 5] ^ key0[i % 8] ^ static_cast<uint8_t>(i % 256);
}

void descrambleLevels(uint8_t *bytes, unsigned size) {
    uint8_t prev = SCRAMBLE_SEED;
    for (unsigned i = 0; i < size; i++) {
        bytes[i] ^= scrambleMask(i) ^ prev;
        prev = bytes[i];
    }
}

void scrambleLevels(uint8_t *bytes, unsigned size) {
    uint8_t prev = SCRAMBLE_SEED;
    for (unsigned i = 0; i < size; i++) {
        uint8_t plain = bytes[i];
        bytes[i] ^= scrambleMask(i) ^ prev;
        prev = plain;
    }
}

int badBoardCell(const uint8_t *boards) {
    for (int i = 0; i < LEVEL_BOARDS_SIZE; i++)
        if (boards[i] > MAX_CELL_VALUE)
            return i;
    return -1;
}

// Whether every pick of a solution (up to its terminator) lies on the board.
static int solutionOnBoard(const uint8_t *solution) {
    for (int n = solutionLength(solution) - 1; n >= 0; n--)
        if (solution[2 * n] >= BOARD_W || solution[2 * n + 1] >= BOARD_H)
            return 0;
    return 1;
}

const char *takeLevelFile(uint8_t *bytes, unsigned size) {
    static char why[96];
    if (!bytes)
        return "Unable to load data/levels.bin";
    descrambleLevels(bytes, size);
    int count = size > 0 ? bytes[0] : 0;
    // A file shorter than its count claims would send loadLevel past the end.
    unsigned records = size > 0 ? (size - 1) / LEVEL_RECORD_SIZE : 0;
    if (static_cast<unsigned>(count) > records)
        count = static_cast<int>(records);
    // With no level at all a game would start on a record that is not there.
    if (count < 1) {
        free(bytes);
        return "No levels in data/levels.bin";
    }
    // The drawing, the rules and the solver know fruits 1 to 5 only, and
    // the solver picks what the record says: anything else is damage that
    // would draw past the tile sheet or pick outside the board.
    for (int i = 0; i < count; i++) {
        const uint8_t *record = bytes + 1 + LEVEL_RECORD_SIZE * i;
        const char *damage = badBoardCell(record) >= 0                      ? "a cell above 5"
                             : !solutionOnBoard(record + LEVEL_BOARDS_SIZE) ? "a pick off the board"
                                                                            : nullptr;
        if (damage) {
            free(bytes);
            snprintf(why, sizeof why, "Level %d in data/levels.bin is damaged (%s)", i + 1, damage);
            return why;
        }
    }
    free(levelsData);
    levelsData = bytes;
    levelCount = count;
    levels = levelsData + 1;
    return nullptr;
}

void loadLevels() {
    unsigned size = 0;
    uint8_t *bytes = loadBINFile("data/levels.bin", &size);
    const char *why = takeLevelFile(bytes, size);
    if (why)
        error(why);
}

int solutionLength(const uint8_t *solution) {
    int n = 0;
    while (n < LEVEL_MAX_PICKS && solution[2 * n] != 0xFF)
        n++;
    return n;
}

// Where a bad cell of a test board lies, for the message.
static void reportBadTestCell(const uint8_t *boards, int i) {
    int column = i % LEVEL_ROW;
    fprintf(stderr, "%s: cell %d,%d of the %s board holds %d, above 5; board not used\n",
            testBoardPath, column % BOARD_W, i / LEVEL_ROW, column < BOARD_W ? "start" : "target",
            boards[i]);
}

static void readTestBoard() {
    unsigned size = 0;
    uint8_t *bytes = loadBINFile(testBoardPath, &size);
    if (bytes && size == LEVEL_BOARDS_SIZE) {
        // Refused like a file of the wrong size: the board stays as it was.
        int bad = badBoardCell(bytes);
        if (bad < 0)
            memcpy(testLevel, bytes, LEVEL_BOARDS_SIZE);
        else
            reportBadTestCell(bytes, bad);
    }
    free(bytes);
}

void loadLevel(int index) {
    if (index < 0) {
        readTestBoard();
        currentSource = testLevel;
        currentSol = nullptr;
        currentMoves = LEVEL_MAX_PICKS;
    } else {
        currentSource = levels + LEVEL_RECORD_SIZE * index;
        currentSol = currentSource + LEVEL_BOARDS_SIZE;
        currentMoves = solutionLength(currentSol) + currentBonus;
    }
    currentCount = 0;
    for (int y = 0; y < BOARD_H; y++)
        for (int x = 0; x < BOARD_W; x++) {
            int v = currentSource[startCell(x, y)];
            currentLevel[x + BOARD_W * y] = v;
            if (v)
                currentCount++;
        }
    memset(currentTrans, 0, sizeof currentTrans);
    memset(currentShining, 0, sizeof currentShining);
    cursorA = 0;
    cursorX = 4;
    cursorY = 5;
    curMove = curTrans = curShine = curAction = curEject = 0;
    resetScenery();
}
