// The level tally through the real program: whenever ACTION skips ahead, every
// bonus the tally announced is paid.

#include "e2e_helpers.h"

namespace {

using namespace e2e;

// With no test.bin the test board is empty and so won at once: the tally
// announces a time bonus of 120, a life bonus of 30 and a move bonus of 200.
// The hero's jump (14 pictures of 10 frames) holds the tally's counter t at
// 0; from frame 139 after the "tally" event t counts one a frame, so t is
// frame - 139. It pays the time bonus at t = 30, the lives at 60, the moves
// at 90, and ends by itself at t = 360.
TEST_F(EndToEnd, TallyPaysEveryBonusWhateverTheSkips) {
    struct Case {
        const char *what;
        std::vector<int> presses; // frames after the "tally" event
        int endsAt; // frame of the "paid" event after "tally": the one after the last tally frame
    } cases[] = {
        {"no skip", {}, 139 + 360},
        {"ACTION during the jump is ignored", {100}, 139 + 360},
        {"from t = 10 to 30", {149}, 149 + 360 - 30},
        {"at t = 30, before its payment: stays", {169}, 169 + 360 - 30},
        {"from t = 31 to 60", {170}, 170 + 360 - 60},
        {"at t = 60, before its payment: stays", {199}, 199 + 360 - 60},
        {"at t = 90, before its payment: stays", {229}, 229 + 360 - 90},
        {"three skips, then a fourth ends the tally", {149, 160, 170, 180}, 181},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string script = "after tally\n";
        int last = 0;
        for (int frame : c.presses) {
            script += "frame +" + std::to_string(frame - last) + " type LCTRL\n";
            last = frame;
        }
        Outcome out = play(script + "after next\nframe +1 exit\n");
        EXPECT_EQ(out.status, 0);
        TraceLine tally = out.find("tally"), paid = out.find("paid");
        ASSERT_FALSE(paid.event.empty());
        EXPECT_EQ(tally.num("time"), 120);
        EXPECT_EQ(tally.num("life"), 30);
        EXPECT_EQ(tally.num("move"), 200);
        EXPECT_EQ(paid.num("score"), 120 + 30 + 200);
        EXPECT_EQ(paid.num("lives"), 3);
        EXPECT_EQ(static_cast<int>(paid.frame - tally.frame), c.endsAt);
        unlink((dir + "/trace.txt").c_str());
    }
}

} // namespace
