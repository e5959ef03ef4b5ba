#include "core/game.h"
#include "core/playscreen.h"
#include "front/scenery.h"
#include "platform/keyhelper.h"
#include "storage/hiscores.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

struct SpecialCase {
    std::vector<std::pair<int, const char *>> rows; // row, name
    int lame, slow, sheets;                         // sheets -1: as drawn
};

TEST(SpecialNames, TheTableSwitchesTheModesAtEachAttempt) {
    const SpecialCase cases[] = {
        {{}, 0, 0, -1},
        {{{0, "OXBLURT"}}, 1, 0, -1},
        {{{9, "GRUMPLE"}}, 0, 1, -1},
        {{{3, "KELPIN"}}, 0, 0, 0},
        {{{3, "MORVAN"}}, 0, 0, 1},
        {{{2, "KELPIN"}, {5, "MORVAN"}}, 0, 0, 1}, // the later row wins
        {{{2, "MORVAN"}, {5, "KELPIN"}}, 0, 0, 0},
        {{{1, "OXBLURT"}, {4, "GRUMPLE"}, {8, "MORVAN"}}, 1, 1, 1},
        // Only the exact names count.
        {{{0, "oxblurt"}, {1, "GRUMPLE "}, {2, "KELPI"}, {3, "MORVANS"}}, 0, 0, -1},
    };
    for (const SpecialCase &c : cases) {
        memset(hiscores, 0, sizeof hiscores);
        for (const auto &row : c.rows)
            strncpy(hiscores[row.first].name, row.second, HISCORE_NAME - 1);
        // Modes left over from the attempt before are switched off again.
        slowMode = lameMode = skipLevel = 1;
        skipX = 1;
        curBlock = 1;
        curBirdsBlock = 0;
        curFlowersBlock = 1;
        applySpecialNames();
        std::string what = c.rows.empty() ? "none" : c.rows[0].second;
        EXPECT_EQ(lameMode, c.lame) << what;
        EXPECT_EQ(skipX, c.lame ? 1 : -1) << what;
        EXPECT_EQ(slowMode, c.slow) << what;
        EXPECT_EQ(skipLevel, 0) << what;
        if (c.sheets < 0) {
            EXPECT_EQ(curBlock * 100 + curBirdsBlock * 10 + curFlowersBlock, 101) << what;
        } else {
            EXPECT_EQ(curBlock, c.sheets) << what;
            EXPECT_EQ(curBirdsBlock, c.sheets) << what;
            EXPECT_EQ(curFlowersBlock, c.sheets) << what;
        }
    }
    memset(hiscores, 0, sizeof hiscores);
    slowMode = lameMode = 0;
    skipX = -1;
}

} // namespace
