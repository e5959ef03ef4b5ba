#pragma once

#include "board.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Levels as readable text, and as the game's packed level file.
//
// Text: '#' starts a comment line. "level <title>" opens a level; ten board
// lines follow, each the start row and the target row side by side as eight
// characters of '.' (empty) or 1 ... 5; then "solution" and its picks as
// "x,y" (column, row from the top), in the order they are played.

struct LevelText {
    std::string title;
    uint8_t start[COLS * ROWS];
    uint8_t target[COLS * ROWS];
    std::vector<Pick> picks;
    int line; // where it starts in its source, for messages
};

enum { RECORD_SIZE = 288, BOARDS_SIZE = 160, MAX_PICKS = 64 };

// Appends the levels of a text file. On failure returns false with a
// message naming the file and line.
bool readLevelText(const char *path, std::vector<LevelText> &levels, std::string &error);
void writeLevelText(FILE *f, const LevelText &level);

// The plain (unscrambled) level file: a count byte, then 288-byte records.
std::vector<uint8_t> packLevels(const std::vector<LevelText> &levels);
bool unpackLevels(const std::vector<uint8_t> &plain, std::vector<LevelText> &levels,
                  std::string &error);

// A path ending in ".bin" is read as a scrambled level file, any other as
// text.
bool readLevels(const char *path, std::vector<LevelText> &levels, std::string &error);
bool writeFile(const char *path, const std::vector<uint8_t> &bytes, std::string &error);
