// The hiscore file: hiscores.dat read by loadHiscores(0), as at start-up.
// Whatever the bytes, the table must end up one the menu and the name entry
// can use, and what the game writes back must read back the same.

#include "fuzz_support.h"
#include "platform/sys.h"
#include "storage/hiscores.h"

#include <cstdlib>
#include <cstring>

static void checkTable() {
    for (const HiscoreEntry &e : hiscores) {
        FUZZ_CHECK(e.name[HISCORE_NAME - 1] == 0);
        FUZZ_CHECK(e.name[0] != 0);
        FUZZ_CHECK(e.kind <= KIND_REJECTED);
        FUZZ_CHECK(e.score >= 0 && e.score <= HISCORE_MAX_SCORE);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The default table seeds rand from the clock: hold it still.
    sysVirtualClock = 1;
    sysVirtualNow = 0;
    srand(1);
    configFolder = const_cast<char *>(scratchFolder().c_str());
    scratchWrite("hiscores.dat", data, size);
    loadHiscores(0);
    checkTable();

    // The table as the game writes it, read again: rows keep their scores
    // and kinds, and their names unless they are default rows.
    HiscoreEntry first[HISCORE_ROWS];
    memcpy(first, hiscores, sizeof first);
    saveBuffer();
    loadHiscores(0);
    checkTable();
    for (int r = 0; r < HISCORE_ROWS; r++) {
        FUZZ_CHECK(hiscores[r].score == first[r].score && hiscores[r].kind == first[r].kind);
        if (first[r].kind != KIND_DEFAULT)
            FUZZ_CHECK(memcmp(hiscores[r].name, first[r].name, HISCORE_NAME) == 0);
    }

    // A game that beats the last row, as the name entry inserts it.
    int score = hiscores[HISCORE_ROWS - 1].score + 1;
    if (score <= HISCORE_MAX_SCORE) {
        int row = saveHiscores(score, "FUZZ");
        FUZZ_CHECK(row >= 0 && row < HISCORE_ROWS);
        FUZZ_CHECK(hiscores[row].score == score && strcmp(hiscores[row].name, "FUZZ") == 0);
        checkTable();
    }
    return 0;
}
