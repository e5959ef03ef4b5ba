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
    LEVEL_MAX_PICKS = 64,
    MAX_CELL_VALUE = 5, // 0 empty, 1 ... 5 fruit
};

extern uint8_t *levelsData; // the whole descrambled level file
extern int levelCount;
extern uint8_t *levels; // levelsData + 1; record i at levels + 288 * i
extern uint8_t testLevel[LEVEL_RECORD_SIZE];
extern uint8_t *currentSource; // record being played
extern uint8_t *currentSol;    // its solution, null on the test board
// The board file test mode plays: "test.bin", or what QUENZY_TEST_BOARD names.
extern const char *testBoardPath;

extern int currentLevel[BOARD_CELLS];
extern int currentUndo[BOARD_CELLS];
extern int currentCount; // fruits on the board plus fruits falling
extern int currentMoves;
extern int currentBonus;
extern uint8_t currentTrans[BOARD_CELLS];
extern uint8_t currentShining[2 * BOARD_CELLS];
extern int cursorX, cursorY, cursorA;
extern int curAction; // frames left of the picking hand

extern const uint8_t key0[8];
extern const uint8_t key1[5];

unsigned binfilesize(FILE *f);
uint8_t *loadBINFile(const char *path, unsigned *size);

// Descrambles `size` bytes in place (the level file's chained XOR).
void descrambleLevels(uint8_t *bytes, unsigned size);
// The inverse: turns plain bytes into the file's scrambled form in place.
void scrambleLevels(uint8_t *bytes, unsigned size);

// Index of the first of a record's 160 board bytes that is no cell value
// (above 5), or -1 when all are.
int badBoardCell(const uint8_t *boards);
// Whether every pick of a solution (up to its terminator) lies on the board.
int solutionOnBoard(const uint8_t *solution);
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
