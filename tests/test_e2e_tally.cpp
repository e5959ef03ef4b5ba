// The level tally through the real program: whenever ACTION skips ahead, every
// bonus the tally announced is paid.

#include "e2e_helpers.h"
#include "platform/byteorder.h"

#include <SDL/SDL.h>

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
        const char *key = "LCTRL";
    } cases[] = {
        {"no skip", {}, 139 + 360},
        {"ACTION during the jump is ignored", {100}, 139 + 360},
        {"from t = 10 to 30", {149}, 149 + 360 - 30},
        {"at t = 30, before its payment: stays", {169}, 169 + 360 - 30},
        {"from t = 31 to 60", {170}, 170 + 360 - 60},
        {"at t = 60, before its payment: stays", {199}, 199 + 360 - 60},
        {"at t = 90, before its payment: stays", {229}, 229 + 360 - 90},
        {"three skips, then a fourth ends the tally", {149, 160, 170, 180}, 181},
        {"START skips as ACTION does", {149}, 149 + 360 - 30, "RETURN"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string script = "after tally\n";
        int last = 0;
        for (int frame : c.presses) {
            script += "frame +" + std::to_string(frame - last) + " type " + c.key + "\n";
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

// Pixels of a dump in the w x h box at (x, y) brighter than the darkened
// picture behind the tally's lines ever is: those of its text.
int brightPixels(const std::string &bmp, int x, int y, int w, int h) {
    SDL_Surface *s = SDL_LoadBMP(bmp.c_str());
    if (!s) {
        ADD_FAILURE() << "cannot read " << bmp;
        return -1;
    }
    int n = 0;
    SDL_LockSurface(s);
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++) {
            const Uint8 *p =
                static_cast<const Uint8 *>(s->pixels) + j * s->pitch + i * s->format->BytesPerPixel;
            Uint8 r, g, b;
            SDL_GetRGB(readPixel(p, s->format->BytesPerPixel), s->format, &r, &g, &b);
            n += r + g + b > 450;
        }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    return n;
}

// STAGE 1 NEXT stands on row 186 under the tally of the test board, shown
// while t & 32 is 0 (t as above), and under none after the last level of
// the set. Both boards are won at once.
TEST_F(EndToEnd, TheNextStageBlinksUnderEveryTallyButTheLast) {
    testBoard(Board());
    levels(levelFile({Board().start(3, 9, 2).target(3, 9, 2)}, {{}}));
    Outcome out = play("after tally\n"
                       "frame +155 dump first-16\n"
                       "frame +32 dump first-48\n"
                       "frame +32 dump first-80\n"
                       "after tally\n"
                       "frame +155 dump last-16\n"
                       "frame +32 dump last-48\n"
                       "frame +1 exit\n");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("tally", 1).num("level"), 0);
    const struct {
        const char *dump;
        bool shown;
    } cases[] = {{"first-16", true},
                 {"first-48", false},
                 {"first-80", true},
                 {"last-16", false},
                 {"last-48", false}};
    for (const auto &c : cases) // the left half of the line: "STAGE"
        EXPECT_EQ(brightPixels(dir + "/" + c.dump + ".bmp", 20, 186, 120, 16) > 0, c.shown)
            << c.dump;
}

} // namespace
