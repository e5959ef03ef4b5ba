#pragma once

// The saved game: the level the player has reached, kept in savegame.dat in
// the user folder as 4 lightly disguised, self-checking bytes.

extern int saved; // level to continue from, 0 none

// Writes the file for level `level` (0 ... 254) and sets `saved`, also when
// the file cannot be written.
void saveGame(int level);
// The level in the file, or 0 when there is no usable saved game.
int loadGame();

// Source of the random word; rand, replaced by tests.
extern int (*saveGameRand)();

// The file's 4 bytes for level `level` with random word `r` (neither 0x0000
// nor 0xFFFF), mask applied.
void encodeSaveGame(int level, unsigned r, unsigned char out[4]);
// The level held by 4 file bytes, or -1 when they fail their check.
int decodeSaveGame(const unsigned char in[4]);
