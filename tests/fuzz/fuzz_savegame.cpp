// The saved game: savegame.dat read by loadGame, as the menu does. The level
// it gives must be one the level table holds, and only a file that passes
// the check may give one.

#include "core/level.h"
#include "core/savegame.h"
#include "fuzz_support.h"
#include "storage/hiscores.h"

#include <cstdlib>

enum { LEVELS = 120 };

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    srand(1);
    levelCount = LEVELS;
    configFolder = const_cast<char *>(scratchFolder().c_str());
    scratchWrite("savegame.dat", data, size);
    int level = loadGame();
    FUZZ_CHECK(level >= 0 && level < LEVELS);
    if (level == 0)
        return 0;
    FUZZ_CHECK(size >= 4 && decodeSaveGame(data) == level);
    // Saved again, it reads back the same.
    saveGame(level);
    FUZZ_CHECK(saved == level && loadGame() == level);
    return 0;
}
