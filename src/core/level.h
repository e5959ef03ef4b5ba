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
    LEVEL_MAX_VALUE = 5, // the top fruit; 0 is an empty cell
};

extern uint8_t *levelsData; // the whole descrambled level file
extern int levelCount;
extern uint8_t *levels; // levelsData + 1; record i at levels + 288 * i
extern uint8_t testLevel[LEVEL_RECORD_SIZE];
extern uint8_t *currentSource; // record being played
extern uint8_t *currentSol;    // its solution, null on the test board

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

// Reads and descrambles data/levels.bin; ends the game when it is missing
// or holds no whole level record. Levels from the first damaged record on
// are left out.
void loadLevels();
// Whether both boards hold only empty cells and fruit (160 bytes).
int boardsValid(const uint8_t *boards);
// Whether a whole record holds valid boards and a solution that picks only
// cells of the board.
int levelRecordValid(const uint8_t *record);
// Resets the play state for level `index`, or for test.bin when negative.
void loadLevel(int index);
// Number of picks in a solution (up to the 0xFF terminator, at most 64).
int solutionLength(const uint8_t *solution);
