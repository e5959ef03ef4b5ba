#include "core/savegame.h"

#include "core/level.h"
#include "storage/hiscores.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// XORed over the four bytes, little-endian: C1 A4 27 6E.
static const unsigned char SAVE_MASK[4] = {0xC1, 0xA4, 0x27, 0x6E};
static const int SAVE_DRAWS = 10;
static const unsigned SAVE_FALLBACK_R = 0xCAFE;

int saved = 0;

static int badR(unsigned r) {
    return r == 0x0000 || r == 0xFFFF;
}

void encodeSaveGame(int level, unsigned r, unsigned char out[4]) {
    unsigned char rh = static_cast<unsigned char>(r >> 8);
    unsigned char rl = static_cast<unsigned char>(r);
    unsigned char l = static_cast<unsigned char>(level);
    const unsigned char plain[4] = {rh, static_cast<unsigned char>(rl ^ l), rl,
                                    static_cast<unsigned char>(rh ^ l)};
    for (int k = 0; k < 4; k++)
        out[k] = plain[k] ^ SAVE_MASK[k];
}

int decodeSaveGame(const unsigned char in[4]) {
    unsigned char b[4];
    for (int k = 0; k < 4; k++)
        b[k] = in[k] ^ SAVE_MASK[k];
    if (badR(b[2] + 256u * b[0]))
        return -1;
    if ((b[3] ^ b[0]) != (b[1] ^ b[2]))
        return -1;
    return b[1] ^ b[2];
}

int (*saveGameRand)() = rand;

static unsigned drawR() {
    for (int n = 0; n < SAVE_DRAWS; n++) {
        unsigned r = static_cast<unsigned>(saveGameRand()) & 0xFFFF;
        if (!badR(r))
            return r;
    }
    return SAVE_FALLBACK_R;
}

void saveGame(int level) {
    unsigned char bytes[4];
    encodeSaveGame(level, drawR(), bytes);
    saved = level;
    // A temporary file renamed over the old one: never half a saved game.
    saveUserFile("savegame", "dat", bytes, sizeof bytes);
}

int loadGame() {
    const char *path = filename(configFolder, "savegame", "dat");
    FILE *f = path ? fopen(path, "rb") : nullptr;
    if (!f)
        return 0;
    unsigned char bytes[4];
    size_t got = fread(bytes, 1, 4, f);
    fclose(f);
    if (got < 4)
        return 0;
    int level = decodeSaveGame(bytes);
    if (level <= 0 || level >= levelCount)
        return 0;
    return level;
}
