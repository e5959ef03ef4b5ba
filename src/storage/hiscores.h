#pragma once

#include <cstdint>

// The user folder ($HOME/.quenzy, or "./" without HOME) and the paths in it.
extern char *configFolder;

// Finds or makes the user folder; runs before the command line is read.
void getConfigFolder();
// Forms folder/name.ext (or name.ext without a folder) in one static buffer
// that the next call overwrites.
char *filename(const char *folder, const char *name, const char *ext);

// The table of the ten best scores, row 0 the best; on disk hiscores.dat,
// the ten 16-byte rows scrambled with a chained XOR.
enum { HISCORE_ROWS = 10, HISCORE_NAME = 9, HISCORE_DEFAULT_NAMES = 33 };

struct HiscoreEntry {
    char name[HISCORE_NAME]; // NUL-terminated, at most 8 characters
    uint8_t kind;            // 0 a player's, 1 a default row, 2 a rejected file's
    uint8_t reserved[2];     // carried along with the row
    int32_t score;
};
static_assert(sizeof(HiscoreEntry) == 16, "a row is 16 bytes on disk");

extern HiscoreEntry hiscores[HISCORE_ROWS];
extern const char *const score_names[HISCORE_DEFAULT_NAMES];

void codebuf(uint8_t *buffer, int length, int seed);
void decodebuf(uint8_t *buffer, int length, int seed);
// Writes the table to the hiscore file.
void saveBuffer();
// 0: reads the file (a default table when there is none); else builds the
// default table.
void loadHiscores(int reset);
// Inserts a score that beats row 9 and saves; returns its row.
int saveHiscores(int score, const char *name);
