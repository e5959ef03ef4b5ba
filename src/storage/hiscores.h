#pragma once

#include <cstddef>
#include <cstdint>

// The user folder ($HOME/.quenzy, or "./" without HOME) and the paths in it.
extern char *configFolder;

enum { USER_PATH_MAX = 1024 }; // the path buffer, terminator included

// Finds or makes the user folder and clears it of stale temporaries;
// runs before the command line is read.
void getConfigFolder();
// Forms folder/name.ext (or name.ext without a folder) in one static buffer
// that the next call overwrites. A path that does not fit the buffer gives
// null rather than a cut one that might name another file.
char *filename(const char *folder, const char *name, const char *ext);

// Replaces the user file name.ext in the user folder by `size` bytes: they
// go to a fresh temporary file beside it that is then renamed over it, so a
// crash or a full disk leaves the old file or the new one, never a broken
// one. Returns 0 when the new file is in place, -1 when the old one stays.
int saveUserFile(const char *name, const char *ext, const void *data, size_t size);

// The table of the ten best scores, row 0 the best; on disk hiscores.dat,
// the ten 16-byte rows scrambled with a chained XOR.
enum {
    HISCORE_ROWS = 10,
    HISCORE_NAME = 9,
    HISCORE_DEFAULT_NAMES = 33,
    HISCORE_ROW_SIZE = 16,
    HISCORE_FILE_SIZE = HISCORE_ROWS * HISCORE_ROW_SIZE,
    HISCORE_SEED = 0xA7,
    HISCORE_MAX_SCORE = 500000,   // a row above this fails the check
    HISCORE_CHEATER_SCORE = 50000 // each row of a table that failed it
};

enum { KIND_PLAYER = 0, KIND_DEFAULT = 1, KIND_REJECTED = 2 };

struct HiscoreEntry {
    char name[HISCORE_NAME]; // NUL-terminated, at most 8 characters
    uint8_t kind;            // 0 a player's, 1 a default row, 2 a rejected file's
    uint8_t reserved[2];     // carried along with the row
    int32_t score;
};
static_assert(sizeof(HiscoreEntry) == 16, "a row is 16 bytes on disk");

extern HiscoreEntry hiscores[HISCORE_ROWS];                  // the table
extern const char *const score_names[HISCORE_DEFAULT_NAMES]; // names a default table draws from

void codebuf(uint8_t *buffer, int length, int seed);
void decodebuf(uint8_t *buffer, int length, int seed);
// The table as the file's 160 bytes, before scrambling.
void hiscoresToBytes(uint8_t bytes[HISCORE_FILE_SIZE]);
// Writes the table to the hiscore file, unless the last load found a file
// it could not read: that one is kept.
void saveBuffer();
// 0: reads the file (a default table when there is none, or when the file
// cannot be read now); else builds the default table.
void loadHiscores(int reset);
// Inserts a score that beats row 9 and saves; returns its row.
int saveHiscores(int score, const char *name);
