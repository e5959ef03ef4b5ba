#include "front/i18n.h"
#include "front/stuff.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(GameFlags, InitVarsResetsFlagsAndRewindsScroller) {
    escape = paused = 1;
    hsRank = 4;
    workflow = 3;
    scroller = nullptr;
    initVars();
    EXPECT_EQ(escape, 0);
    EXPECT_EQ(paused, 0);
    EXPECT_EQ(hsRank, -1);
    EXPECT_EQ(workflow, 0);
    const char *text = translation[lang_id * TEXT_COUNT + TEXT_SCROLLER];
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(scroller, text);
    EXPECT_EQ(scrollmax, static_cast<int>(strlen(text)));

    // A later call only rewinds: the text set first stays.
    const char *other = "ANOTHER";
    scroller = other;
    scrollmax = 7;
    scrollidx = 12;
    scrolldx = 9;
    workflow = 2;
    initVars0();
    EXPECT_EQ(scroller, other);
    EXPECT_EQ(scrollmax, 7);
    EXPECT_EQ(scrollidx, 0);
    EXPECT_EQ(scrolldx, 0);
    EXPECT_EQ(workflow, 0);
    scroller = nullptr;
}

} // namespace
