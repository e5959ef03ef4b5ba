#include "core/rules.h"
#include "front/stuff.h"
#include "platform/keyhelper.h"
#include "storage/hiscores.h"
#include "storage/nameentry.h"

#include <SDL/SDL.h>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// One frame's input as the input layer leaves it.
struct Frame {
    int held = 0, typed = 0, x = -1, y = -1;
};

Frame held(int code) {
    Frame f;
    f.held = code;
    return f;
}
Frame typed(int code) {
    Frame f;
    f.typed = code;
    return f;
}
Frame click(int x, int y) {
    Frame f;
    f.typed = INPUT_ACTION;
    f.x = x;
    f.y = y;
    return f;
}

const Frame UP = held(INPUT_UP), DOWN = held(INPUT_DOWN), LEFT = held(INPUT_LEFT),
            OK = typed(INPUT_ACTION), RIGHT = typed(INPUT_RIGHT), START = typed(INPUT_START);

struct EntryCase {
    const char *what;
    std::vector<Frame> frames;
    const char *line;   // the name line afterwards
    int finished;       // the last frame finished the entry
    const char *result; // the name saved
};

// Feeds the frames to the entry's rules; returns whether the last finished it.
int feed(NameEntry *e, const std::vector<Frame> &frames) {
    int finished = 0;
    for (const Frame &f : frames) {
        EXPECT_FALSE(finished) << "input after the end";
        lastKey = f.held;
        lastKeyTyped = f.typed;
        mouseX = f.x;
        mouseY = f.y;
        finished = nameEntryInput(e);
    }
    return finished;
}

class NameEntryRules : public testing::Test {
  protected:
    void TearDown() override {
        lastKey = lastKeyTyped = 0;
        mouseX = mouseY = -1;
    }
};

TEST_F(NameEntryRules, StartsWithAUnderTheCursor) {
    NameEntry e;
    nameEntryStart(&e);
    EXPECT_STREQ(e.name, "A.......");
    EXPECT_STREQ(e.cursor, "-       ");
    EXPECT_EQ(e.pos, 0);
    EXPECT_EQ(e.pause, 0);
}

TEST_F(NameEntryRules, SpellingTable) {
    const EntryCase cases[] = {
        {"START at once", {START}, "A.......", 1, ""},
        {"UP OK UP UP START", {UP, OK, UP, UP, START}, "BC......", 1, "B"},
        {"DOWN wraps through space to Z", {DOWN}, " .......", 0, ""},
        {"DOWN DOWN", {DOWN, DOWN}, "Z.......", 0, ""},
        {"UP from Z to space to A", {DOWN, DOWN, UP, UP}, "A.......", 0, ""},
        {"RIGHT confirms too", {RIGHT, UP, RIGHT, START}, "ABA.....", 1, "AB"},
        {"a space is kept", {DOWN, OK, OK, START}, " AA.....", 1, " A"},
        {"eight confirmed letters finish",
         {OK, OK, OK, OK, OK, OK, OK, OK},
         "AAAAAAAA",
         1,
         "AAAAAAAA"},
        {"the eighth letter chosen",
         {OK, OK, OK, OK, OK, OK, OK, DOWN, DOWN, OK},
         "AAAAAAAZ",
         1,
         "AAAAAAAZ"},
        {"LEFT at 0 does nothing", {LEFT, UP}, "B.......", 0, ""},
        {"LEFT keeps the letters", {UP, OK, UP, UP, OK, LEFT, LEFT, START}, "BCA.....", 1, ""},
        {"confirming again keeps chosen letters",
         {UP, OK, UP, UP, OK, LEFT, LEFT, OK, OK, START},
         "BCA.....",
         1,
         "BC"},
        {"other keys do nothing",
         {typed(INPUT_OTHER), typed(INPUT_DOWN), typed(INPUT_LEFT)},
         "A.......",
         0,
         ""},
        // Held directions come first: DOWN held beats a typed START.
        {"held before typed", {Frame{INPUT_DOWN, INPUT_START, -1, -1}}, " .......", 0, ""},
        // The mouse: x 81 ... 223 are the eight columns.
        {"click above the name steps back", {click(81, 135)}, " .......", 0, ""},
        {"click below steps forward", {click(223, 148)}, "B.......", 0, ""},
        {"click on the name line does nothing",
         {click(150, 136), click(150, 147)},
         "A.......",
         0,
         ""},
        {"click beside the columns confirms", {click(80, 104), click(224, 180)}, "AAA.....", 0, ""},
        {"click far from the name is ignored",
         {click(80, 103), click(224, 181), click(10, 10)},
         "A.......",
         0,
         ""},
        {"click off the picture is ignored", {click(150, 240), click(300, 250)}, "A.......", 0, ""},
        {"clicks steps the letter under the cursor",
         {OK, click(100, 200), click(200, 200)},
         "AC......",
         0,
         ""},
    };
    for (const EntryCase &c : cases) {
        NameEntry e;
        nameEntryStart(&e);
        EXPECT_EQ(feed(&e, c.frames), c.finished) << c.what;
        EXPECT_STREQ(e.name, c.line) << c.what;
        char result[NAME_LENGTH + 1];
        nameEntryResult(&e, result);
        if (c.finished) {
            EXPECT_STREQ(result, c.result) << c.what;
        }
    }
}

TEST_F(NameEntryRules, TheCursorLineFollowsTheCursor) {
    NameEntry e;
    nameEntryStart(&e);
    feed(&e, {OK, OK, OK});
    EXPECT_STREQ(e.cursor, "   -    ");
    feed(&e, {LEFT});
    EXPECT_STREQ(e.cursor, "  -     ");
}

TEST_F(NameEntryRules, EveryChangePausesTheInput) {
    const std::vector<Frame> changes[] = {
        {UP}, {DOWN}, {OK}, {OK, LEFT}, {click(100, 100)}, {click(150, 140)}};
    for (const auto &frames : changes) {
        NameEntry e;
        nameEntryStart(&e);
        feed(&e, frames);
        EXPECT_EQ(e.pause, NAME_PAUSE);
    }
    NameEntry e;
    nameEntryStart(&e);
    feed(&e, {LEFT, typed(INPUT_OTHER), click(10, 10)});
    EXPECT_EQ(e.pause, 0);
}

// Through the loop's own pass, with real events: a held UP steps the letter
// on the first pass and every eleventh after it.
TEST(NameEntryPass, HeldDirectionsRepeatEveryEleventhFrame) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    resetDefaultControls();
    lastKey = lastKeyTyped = 0;
    NameEntry entry;
    nameEntryStart(&entry);
    SDL_Event press = {};
    press.type = SDL_KEYDOWN;
    press.key.type = SDL_KEYDOWN;
    press.key.state = SDL_PRESSED;
    press.key.keysym.sym = SDLK_UP;
    ASSERT_EQ(SDL_PushEvent(&press), 0);
    std::string seen;
    for (int pass = 0; pass < 34; pass++) {
        EXPECT_EQ(nameEntryPass(&entry), 0);
        seen += entry.name[0];
    }
    EXPECT_EQ(seen, std::string(11, 'B') + std::string(11, 'C') + std::string(11, 'D') + "E");
    SDL_Event release = press;
    release.type = release.key.type = SDL_KEYUP;
    release.key.state = SDL_RELEASED;
    ASSERT_EQ(SDL_PushEvent(&release), 0);
    for (int pass = 0; pass < 30; pass++)
        nameEntryPass(&entry);
    EXPECT_EQ(entry.name[0], 'E');
    lastKey = lastKeyTyped = 0;
    escape = 0;
}

TEST(CheckHiscore, AScoreThatDoesNotBeatRowNineIsNotEntered) {
    memset(hiscores, 0, sizeof hiscores);
    hiscores[9].score = 500;
    for (int s : {500, 0, 499}) {
        score = s;
        hsRank = 7;
        EXPECT_EQ(checkHiscore(), -1) << s;
        EXPECT_EQ(hsRank, -1);
    }
    score = 0;
}

} // namespace
