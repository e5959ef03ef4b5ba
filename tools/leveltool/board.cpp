#include "board.h"

#include <cstring>

int columnSum(uint32_t column) {
    int sum = 0;
    for (; column; column >>= 3)
        sum += column & 7;
    return sum;
}

uint32_t compactColumn(uint32_t column) {
    uint32_t out = 0;
    int shift = 0;
    for (; column; column >>= 3)
        if (column & 7) {
            out |= (column & 7) << shift;
            shift += 3;
        }
    return out;
}

Board boardFromCells(const uint8_t *cells) {
    Board board;
    for (int x = 0; x < COLS; x++) {
        uint32_t column = 0;
        int shift = 0;
        for (int y = ROWS - 1; y >= 0; y--)
            if (cells[x + COLS * y]) {
                column |= uint32_t(cells[x + COLS * y] & 7) << shift;
                shift += 3;
            }
        board.col[x] = column;
    }
    return board;
}

void boardToCells(const Board &board, uint8_t *cells) {
    memset(cells, 0, COLS * ROWS);
    for (int x = 0; x < COLS; x++)
        for (int i = 0; i < columnHeight(board.col[x]); i++)
            cells[x + COLS * (ROWS - 1 - i)] = field(board.col[x], i);
}

bool cellsSettled(const uint8_t *cells) {
    for (int i = 0; i < COLS * ROWS; i++)
        if (cells[i] > 5)
            return false;
    for (int x = 0; x < COLS; x++)
        for (int y = 1; y < ROWS; y++)
            if (!cells[x + COLS * y] && cells[x + COLS * (y - 1)])
                return false;
    return true;
}

bool sameBoard(const Board &a, const Board &b) {
    return memcmp(a.col, b.col, sizeof a.col) == 0;
}

int fruitCount(const Board &board) {
    int n = 0;
    for (uint32_t column : board.col)
        n += columnHeight(column);
    return n;
}

// Lowers field i by `steps` (at most its value); returns what it took and
// flags an emptied field.
static int lower(uint32_t &column, int i, int steps, bool &emptied) {
    int v = field(column, i);
    if (steps > v)
        steps = v;
    column -= uint32_t(steps) << (3 * i);
    if (steps == v)
        emptied = true;
    return steps;
}

int pickBoard(Board &board, int x, int y, int *lost) {
    int columnLost[3] = {0, 0, 0};
    int i = ROWS - 1 - y;
    uint32_t column = board.col[x];
    int height = columnHeight(column);
    if (lost)
        lost[0] = lost[1] = lost[2] = 0;
    if (i < 0 || i >= height)
        return 0;
    bool emptied = false;
    columnLost[1] = lower(column, i, 2, emptied);
    if (i + 1 < height)
        columnLost[1] += lower(column, i + 1, 1, emptied);
    if (i > 0)
        columnLost[1] += lower(column, i - 1, 1, emptied);
    board.col[x] = emptied ? compactColumn(column) : column;
    for (int side = 0; side < 3; side += 2) {
        int sx = x - 1 + side;
        if (sx < 0 || sx >= COLS || i >= columnHeight(board.col[sx]))
            continue;
        bool gone = false;
        columnLost[side] = lower(board.col[sx], i, 1, gone);
        if (gone)
            board.col[sx] = compactColumn(board.col[sx]);
    }
    if (lost)
        for (int k = 0; k < 3; k++)
            lost[k] = columnLost[k];
    return columnLost[0] + columnLost[1] + columnLost[2];
}
