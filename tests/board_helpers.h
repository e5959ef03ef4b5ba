#pragma once

// Small helpers for the puzzle-core tests: boards written as text, a clean
// play state, and a way to count rand() draws.

#include "core/anim.h"
#include "core/driver.h"
#include "core/level.h"
#include "core/rules.h"
#include "sound/sound.h"

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

using Board = std::array<int, BOARD_CELLS>;

// Ten rows of eight characters, '.' for empty, '1' ... '5' for fruit.
inline Board boardFromRows(const std::vector<std::string> &rows) {
    Board b{};
    for (int y = 0; y < BOARD_H; y++)
        for (int x = 0; x < BOARD_W; x++) {
            char c = rows.at(y).at(x);
            b[x + BOARD_W * y] = c == '.' ? 0 : c - '0';
        }
    return b;
}

inline Board currentBoard() {
    Board b;
    for (int i = 0; i < BOARD_CELLS; i++)
        b[i] = currentLevel[i];
    return b;
}

inline std::string boardText(const Board &b) {
    std::string s;
    for (int y = 0; y < BOARD_H; y++) {
        for (int x = 0; x < BOARD_W; x++)
            s += b[x + BOARD_W * y] ? static_cast<char>('0' + b[x + BOARD_W * y]) : '.';
        s += '\n';
    }
    return s;
}

inline std::vector<int> &sfxLog() {
    static std::vector<int> log;
    return log;
}

inline void logSFX(int id) {
    sfxLog().push_back(id);
}

// Empty queues, the given board, no score, three lives, sounds logged.
inline void resetPlay(const Board &b = Board{}) {
    driverLoadBoard(b.data());
    score = 0;
    lives = 3;
    eject_id = 0;
    sfxLog().clear();
    playSFXHook = logSFX;
}

// How many rand() values were drawn since srand(seed), found by replaying
// the sequence; -1 when more than `limit`. Reseeds and draws as it goes.
inline int randDrawsSince(unsigned seed, int limit = 200) {
    int next = rand();
    srand(seed);
    for (int n = 0; n <= limit; n++)
        if (rand() == next)
            return n;
    return -1;
}

inline std::vector<int> firstDraws(unsigned seed, int n) {
    srand(seed);
    std::vector<int> v;
    for (int i = 0; i < n; i++)
        v.push_back(rand());
    srand(seed);
    return v;
}
