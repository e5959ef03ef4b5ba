#pragma once

#include <cstdint>
#include <cstdio>

// Level file, level records and the play board.

enum {
    BOARD_W = 8,
    BOARD_H = 10,
    BOARD_CELLS = 80,
    LEVEL_RECORD_SIZE = 288, // 160 bytes of boards, 128 of solution
    LEVEL_BOARDS_SIZE = 160,
    LEVEL_ROW = 2 * BOARD_W, // a row of the boards: 8 start cells, then 8 target cells
    LEVEL_MAX_PICKS = 64,
    MAX_CELL_VALUE = 5, // 0 empty, 1 ... 5 fruit
};

// Byte of cell (x, y) of the start board in a record's boards (or a test
// board), and of the target board's cell (x, y).
inline int startCell(int x, int y) {
    return LEVEL_ROW * y + x;
}
inline int targetCell(int x, int y) {
    return LEVEL_ROW * y + BOARD_W + x;
}

extern uint8_t *levelsData;                  // the whole descrambled level file
extern int levelCount;                       // records in it
extern uint8_t *levels;                      // levelsData + 1; record i at levels + 288 * i
extern uint8_t testLevel[LEVEL_RECORD_SIZE]; // the test board from test.bin
extern uint8_t *currentSource;               // record being played
extern uint8_t *currentSol;                  // its solution, null on the test board
// The board file test mode plays: "test.bin", or what QUENZY_TEST_BOARD names.
extern const char *testBoardPath;

// The play board, cell (x, y) at x + 8 * y, 0 empty, 1 ... 5 fruit.
extern int currentLevel[BOARD_CELLS];
extern int currentUndo[BOARD_CELLS]; // the play board before the last pick
extern int currentCount;             // fruits on the board plus fruits falling
extern int currentMoves;             // picks allowed in this attempt
extern int currentBonus;             // picks allowed beyond the solution's, 1 ... 5
// Per play cell: 1 + the morph queue entry running there, or 0.
extern uint8_t currentTrans[BOARD_CELLS];
// Per cell of both boards, laid out as a record's boards: 1 + the shine
// queue entry there, or 0.
extern uint8_t currentShining[2 * BOARD_CELLS];
extern int cursorX, cursorY; // the board cursor's cell
extern int cursorA;          // the cursor's animation counter
extern int curAction;        // frames left of the picking hand

// The level file's scrambling masks byte i with key0[i % 8], key1[i % 5] and i.
extern const uint8_t key0[8]; // the mask's 8-byte key
extern const uint8_t key1[5]; // the mask's 5-byte key

// The whole file at `path` in a malloc'd block the caller frees (`size`
// receives its length), or null when it is missing or empty.
uint8_t *loadBINFile(const char *path, unsigned *size);

// Descrambles `size` bytes in place (the level file's chained XOR).
void descrambleLevels(uint8_t *bytes, unsigned size);
// The inverse: turns plain bytes into the file's scrambled form in place.
void scrambleLevels(uint8_t *bytes, unsigned size);

// Index of the first of a record's 160 board bytes that is no cell value
// (above 5), or -1 when all are.
int badBoardCell(const uint8_t *boards);
// Makes the whole level file `bytes` (malloc'd, `size` bytes; null when it
// could not be read) the level table: descrambles it in place and keeps it.
// Returns null when the table is in place, else the reason it is not (the
// buffer is then freed): no file, no whole record, or a damaged record (a
// cell above 5, or a solution picking off the board).
const char *takeLevelFile(uint8_t *bytes, unsigned size);
// Reads data/levels.bin into the level table; ends the game with the reason
// when takeLevelFile refuses it.
void loadLevels();
// Resets the play state for level `index`, or for the board in the file
// testBoardPath when negative. A board file that is not 160 bytes, or holds
// a cell above 5, is not used (the second with a message on standard error):
// the board stays as it was.
void loadLevel(int index);
// Number of picks in a solution (up to the 0xFF terminator, at most 64).
int solutionLength(const uint8_t *solution);
