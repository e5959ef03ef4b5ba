#pragma once

#include <cstdint>

// The level tool's compact board. On a settled board every column is a stack
// of fruits resting on the floor, so a column fits in one word: 3 bits per
// fruit, the bottom fruit in the lowest bits, a zero field above the top one.
// Rows count from the top as in the game: row 9 is the floor.

enum { COLS = 8, ROWS = 10 };

struct Board {
    uint32_t col[COLS];
};

struct Pick {
    int x, y;
};

inline int field(uint32_t column, int i) {
    return (column >> (3 * i)) & 7;
}

inline int columnHeight(uint32_t column) {
    return column ? (32 - __builtin_clz(column) + 2) / 3 : 0;
}

int columnSum(uint32_t column);
// Drops the empty fields of a column, keeping the order of its fruits.
uint32_t compactColumn(uint32_t column);

// Cells are 80 bytes, index x + 8 * y. The board keeps each column's fruits in
// order and lets them fall, so it is exact only for settled cells.
Board boardFromCells(const uint8_t *cells);
void boardToCells(const Board &board, uint8_t *cells);
// No fruit stands above an empty cell, and every value is 0 ... 5.
bool cellsSettled(const uint8_t *cells);
bool sameBoard(const Board &a, const Board &b);
int fruitCount(const Board &board);

// A pick at (x, y) and the fall after it. Returns the total of values lost,
// 0 when the cell is empty (board unchanged). `lost`, when given, receives
// what columns x - 1, x and x + 1 lost.
int pickBoard(Board &board, int x, int y, int *lost = nullptr);
