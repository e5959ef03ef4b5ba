// The user files through the real program: the hiscore entry at the end of
// a game, the configuration read at start-up, and the names of the hiscore
// table that switch on the special modes.

#include "e2e_helpers.h"
#include "platform/byteorder.h"
#include "storage/hiscores.h"

#include <SDL/SDL.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace e2e;

struct Row {
    const char *name;
    int score;
};

// A hiscore file of ten player rows, scrambled as the game writes it.
std::vector<uint8_t> hiscoreFile(const std::vector<Row> &rows) {
    std::vector<uint8_t> bytes(HISCORE_FILE_SIZE, 0);
    for (size_t r = 0; r < rows.size(); r++) {
        uint8_t *row = &bytes[16 * r];
        memcpy(row, rows[r].name, strlen(rows[r].name));
        uint32_t s = uint32_t(rows[r].score);
        for (int b = 0; b < 4; b++)
            row[12 + b] = uint8_t(s >> (8 * b));
    }
    codebuf(bytes.data(), HISCORE_FILE_SIZE, HISCORE_SEED);
    return bytes;
}

// Ten plain rows, all with `score` points, with `special` names over some.
std::vector<Row> table(int score, const std::vector<std::pair<int, const char *>> &special = {}) {
    static const char *const names[] = {"ROW0", "ROW1", "ROW2", "ROW3", "ROW4",
                                        "ROW5", "ROW6", "ROW7", "ROW8", "ROW9"};
    std::vector<Row> rows;
    for (const char *n : names)
        rows.push_back({n, score});
    for (const auto &s : special)
        rows[s.first].name = s.second;
    return rows;
}

// A lone 1 at (2, 9); the target wants a fruit elsewhere.
Board lonelyBoard() {
    return Board().start(2, 9, 1).target(5, 9, 1);
}
// A 1 under a 3 in column 2; the target wants a 2 there.
Board keyBoard() {
    return Board().start(2, 9, 1).start(2, 8, 3).target(2, 9, 2);
}

// The lone fruit picked away three times: game over with 3 points.
const char *const loseThreeLives = "frame 5 click 56 216\n"
                                   "after lost\n"
                                   "frame +5 type LCTRL\n"
                                   "after attempt\n"
                                   "frame +5 click 56 216\n"
                                   "after lost\n"
                                   "frame +5 type LCTRL\n"
                                   "after attempt\n"
                                   "frame +5 click 56 216\n"
                                   "after gameover\n"
                                   "frame +30 type LCTRL\n";

// From the cursor's start at (4, 5) to (2, 9), then the key that follows.
const char *const walkThenType = "frame +5 type LEFT\n"
                                 "frame +1 type LEFT\n"
                                 "frames +1-+4 every 1 type DOWN\n"
                                 "frame +2 type ";
// Ends the tally that just began.
const char *const skipTally = "frames +160-+190 every 10 type LCTRL\n";

class UserFilesEndToEnd : public EndToEnd {
  protected:
    // Another run in the same folder, with a trace of its own.
    Outcome playAgain(const std::string &script) {
        unlink((dir + "/trace.txt").c_str());
        return play(script);
    }
    std::string userFolder() { return dir + "/home/.quenzy"; }
    void userFile(const char *name, const std::vector<uint8_t> &bytes) {
        mkdir(userFolder().c_str(), 0755);
        writeBytes(userFolder() + "/" + name, bytes);
    }
    void userText(const char *name, const std::string &text) {
        userFile(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    // The hiscore table as the next start of the program reads it.
    std::vector<HiscoreEntry> tableOnDisk() {
        std::string folder = userFolder();
        char *old = configFolder;
        configFolder = const_cast<char *>(folder.c_str());
        srand(1); // default rows get names drawn at random
        loadHiscores(0);
        std::vector<HiscoreEntry> rows(hiscores, hiscores + HISCORE_ROWS);
        configFolder = old;
        return rows;
    }
    // The rows from `from` to `to` of a dumped picture that are not all black.
    std::vector<int> litRows(const char *dump, int from, int to) {
        std::vector<int> rows;
        SDL_Surface *s = SDL_LoadBMP((dir + "/" + dump + ".bmp").c_str());
        if (!s)
            return rows;
        SDL_LockSurface(s);
        for (int y = from; y <= to; y++) {
            bool lit = false;
            for (int x = 0; x < s->w && !lit; x++) {
                const Uint8 *p = static_cast<const Uint8 *>(s->pixels) + y * s->pitch +
                                 x * s->format->BytesPerPixel;
                Uint8 r, g, b;
                SDL_GetRGB(readPixel(p, s->format->BytesPerPixel), s->format, &r, &g, &b);
                lit = r || g || b;
            }
            if (lit)
                rows.push_back(y);
        }
        SDL_UnlockSurface(s);
        SDL_FreeSurface(s);
        return rows;
    }
    // Red, green and blue of a pixel of a dumped picture.
    std::vector<int> pixel(const char *dump, int x, int y) {
        SDL_Surface *s = SDL_LoadBMP((dir + "/" + dump + ".bmp").c_str());
        if (!s)
            return {};
        SDL_LockSurface(s);
        const Uint8 *p =
            static_cast<const Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
        Uint32 v = readPixel(p, s->format->BytesPerPixel);
        SDL_UnlockSurface(s);
        Uint8 r, g, b;
        SDL_GetRGB(v, s->format, &r, &g, &b);
        SDL_FreeSurface(s);
        return {r, g, b};
    }
};

TEST_F(UserFilesEndToEnd, GameOverWithAQualifyingScoreEntersAName) {
    testBoard(lonelyBoard());
    userFile("hiscores.dat", hiscoreFile(table(2)));
    Outcome out = play(std::string(loseThreeLives) +
                       "after nameentry\n"
                       "frame +1 dump entry-start\n"
                       "frame +1 press UP\n" // A -> B
                       "frame +1 release UP\n"
                       "frame +1 type LCTRL\n"    // next letter
                       "frame +1 press DOWN\n"    // held for 13 polls:
                       "frame +13 release DOWN\n" // A, space, Z, ... O
                       "frame +1 click 240 120\n" // beside the name: next letter
                       "frame +1 click 100 160\n" // under a column: A -> B
                       "frame +1 type RIGHT\n"    // next letter
                       "frame +1 dump entry-bob\n"
                       "frame +20 dump entry-later\n"
                       "frame +1 type RETURN\n" // done: the A under the cursor goes
                       "after hiscore\n"
                       "frame +5 type RIGHT\n"); // CONTINUE? no
    EXPECT_EQ(out.status, 0);
    TraceLine entry = out.find("nameentry");
    EXPECT_EQ(entry.num("score"), 3);
    TraceLine saved = out.find("hiscore");
    EXPECT_EQ(saved.num("row"), 0);
    EXPECT_EQ(saved.str("name"), "BOB");
    EXPECT_EQ(out.count("leave"), 1);
    EXPECT_EQ(out.count("replay-exit"), 0) << "the game ended by itself";

    std::vector<HiscoreEntry> rows = tableOnDisk();
    EXPECT_STREQ(rows[0].name, "BOB");
    EXPECT_EQ(rows[0].score, 3);
    EXPECT_EQ(rows[0].kind, 0);
    for (int r = 1; r < HISCORE_ROWS; r++)
        EXPECT_STREQ(rows[r].name, ("ROW" + std::to_string(r - 1)).c_str()) << r;

    // Over the game's picture, which darkens frame by frame: the grey rules
    // above and below the name stand from x 96 to 223, one pixel high.
    std::vector<int> start = pixel("entry-start", 20, 20), later = pixel("entry-later", 20, 20);
    ASSERT_EQ(start.size(), 3u);
    ASSERT_EQ(later.size(), 3u);
    EXPECT_GT(start[0] + start[1] + start[2], later[0] + later[1] + later[2]);
    for (int y : {104, 180}) {
        std::vector<int> rule = pixel("entry-bob", 96, y), end = pixel("entry-bob", 223, y);
        ASSERT_EQ(rule.size(), 3u);
        ASSERT_EQ(end.size(), 3u);
        EXPECT_NEAR(rule[0], 96, 4) << y;
        EXPECT_NEAR(end[1], 96, 4) << y;
        EXPECT_NE(pixel("entry-bob", 95, y), rule) << y;
        EXPECT_NE(pixel("entry-bob", 96, y - 1), rule) << y; // one pixel high
        EXPECT_NE(pixel("entry-bob", 96, y + 1), rule) << y;
    }
}

// A space is a letter of the name like any other: saved as it is, and
// traced as an underscore so the name stays one word of the trace.
TEST_F(UserFilesEndToEnd, ASpaceInTheNameIsKept) {
    testBoard(lonelyBoard());
    userFile("hiscores.dat", hiscoreFile(table(2)));
    Outcome out = play(std::string(loseThreeLives) +
                       "after nameentry\n"
                       "frame +1 press DOWN\n" // A -> space
                       "frame +1 release DOWN\n"
                       "frame +12 type LCTRL\n" // the space, then the A after it
                       "frame +12 type LCTRL\n"
                       "frame +12 type RETURN\n"
                       "frame +1 type x\n" // swallowed with the RETURN
                       "after hiscore\n"
                       "frame +5 type RIGHT\n");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("hiscore").str("name"), "_A");
    EXPECT_STREQ(tableOnDisk()[0].name, " A");
}

TEST_F(UserFilesEndToEnd, ALowScoreSkipsTheEntry) {
    testBoard(lonelyBoard());
    std::vector<uint8_t> file = hiscoreFile(table(3)); // 3 points do not beat 3
    userFile("hiscores.dat", file);
    Outcome out =
        play(std::string(loseThreeLives) + "frame +5 dump continue\nframe +5 type RIGHT\n");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("gameover").num("score"), 3);
    // CONTINUE? in the big font on rows 96 to 111, the choice in the small
    // one on rows 128 to 135, on black.
    std::vector<int> text;
    for (int y = 96; y <= 111; y++)
        text.push_back(y);
    for (int y = 128; y <= 135; y++)
        text.push_back(y);
    EXPECT_EQ(litRows("continue", 0, 239), text);
    EXPECT_EQ(out.count("nameentry"), 0);
    EXPECT_EQ(out.count("hiscore"), 0);
    EXPECT_EQ(out.count("leave"), 1);
    std::string onDisk = readText(userFolder() + "/hiscores.dat");
    EXPECT_EQ(onDisk, std::string(file.begin(), file.end()));
}

// Winning the last level ends the game too, and its score is entered.
TEST_F(UserFilesEndToEnd, GameCompleteEntersAName) {
    testBoard(Board()); // already solved: on to the one level of the set
    levels(levelFile({keyBoard()}, {{{2, 9}}}));
    userFile("hiscores.dat", hiscoreFile(table(0)));
    Outcome out = play(std::string("after tally\n") + skipTally + "after attempt\n" + walkThenType +
                       "LCTRL\n"
                       "after tally\n" +
                       skipTally +
                       "after congrat\n" // the congratulations page comes first
                       "frame +5 type LCTRL\n"
                       "after nameentry\n"
                       "frame +5 type LCTRL\n" // A kept
                       "frame +1 type RETURN\n");
    EXPECT_EQ(out.status, 0);
    TraceLine entry = out.find("nameentry");
    ASSERT_FALSE(entry.event.empty());
    EXPECT_EQ(out.find("won", 1).num("level"), 0);
    TraceLine saved = out.find("hiscore");
    EXPECT_EQ(saved.num("row"), 0);
    EXPECT_EQ(saved.num("score"), entry.num("score"));
    EXPECT_EQ(saved.str("name"), "A");
    EXPECT_EQ(out.count("complete"), 1);
    EXPECT_STREQ(tableOnDisk()[0].name, "A");
}

TEST_F(UserFilesEndToEnd, WithoutAFileTheDefaultTableIsWritten) {
    testBoard(lonelyBoard());
    Outcome out = play("frame 5 exit\n");
    EXPECT_EQ(out.status, 0);
    std::string onDisk = readText(userFolder() + "/hiscores.dat");
    EXPECT_EQ(onDisk.size(), 160u);
    std::vector<HiscoreEntry> rows = tableOnDisk();
    EXPECT_EQ(rows[9].kind, 1);
    EXPECT_GE(rows[9].score, 100);
    EXPECT_LE(rows[9].score, 199);
}

struct StartCase {
    const char *config; // null: no file
    const char *pickKey;
    int picks, sfx, music;
};

// The configuration is read at every start: changed between two starts, it
// changes the volumes the mixer gets and the key that picks.
TEST_F(UserFilesEndToEnd, TheConfigurationTakesEffectAtTheNextStart) {
    const StartCase cases[] = {
        {nullptr, "LCTRL", 1, 19, 128},
        {"mus_volume=50\nsfx_volume=100\nk_jump=a\n", "a", 1, 128, 64},
        {"mus_volume=50\nsfx_volume=100\nk_jump=a\n", "LCTRL", 0, 128, 64},
        {"sfx_volume=0\nk_jump=306\nmus_volume=1\n", "LCTRL", 1, 0, 1},
        {"sfx_volume=35\nmus_volume=35\n", "LCTRL", 1, 44, 44}, // 128 * 35 / 100, rounded down
    };
    testBoard(keyBoard());
    for (const StartCase &c : cases) {
        if (c.config)
            userText("quenzy.cfg", c.config);
        Outcome out = playAgain(std::string(walkThenType) + c.pickKey + "\nframe +150 exit\n");
        EXPECT_EQ(out.status, 0);
        TraceLine volumes = out.find("volumes");
        EXPECT_EQ(volumes.num("sfx"), c.sfx) << c.pickKey;
        EXPECT_EQ(volumes.num("music"), c.music) << c.pickKey;
        EXPECT_EQ(out.count("pick"), c.picks) << c.pickKey;
        EXPECT_EQ(out.count("won"), c.picks) << c.pickKey;
    }
}

struct ModeCase {
    std::vector<std::pair<int, const char *>> names;
    const char *key; // typed on level 1
    int solver;
};

// The solve key, X with shift, plays the stored solution only while
// "OXBLURT" stands in the table.
TEST_F(UserFilesEndToEnd, TheSolveKeyWorksUnderOxblurt) {
    const ModeCase cases[] = {
        {{{4, "OXBLURT"}}, "x shift", 1},
        {{{4, "OXBLURT"}}, "x", 0},
        {{{4, "OXBLURT"}}, "x shift caps", 0},
        {{}, "x shift", 0},
    };
    testBoard(Board()); // empty and already solved: on to level 1
    levels(levelFile({keyBoard(), keyBoard()}, {{{2, 9}}, {{2, 9}}}));
    for (const ModeCase &c : cases) {
        userFile("hiscores.dat", hiscoreFile(table(0, c.names)));
        Outcome out = playAgain(std::string("after tally\n") + skipTally +
                                "after attempt\nframe +20 type " + c.key + "\nframe +150 exit\n");
        EXPECT_EQ(out.status, 0) << c.key;
        TraceLine attempt = out.find("attempt", 1);
        EXPECT_EQ(attempt.num("level"), 0);
        EXPECT_EQ(attempt.num("lame"), c.names.empty() ? 0 : 1);
        EXPECT_EQ(out.count("solver"), c.solver) << c.key;
        TraceLine won = out.find("won", 1);
        EXPECT_EQ(won.event.empty(), !c.solver) << c.key;
        if (c.solver) {
            EXPECT_EQ(won.num("level"), 0);
            EXPECT_EQ(won.num("lives"), 3); // free, unlike AUTO RESOLVE
        }
    }
}

// "GRUMPLE" gives four minutes a level instead of two.
TEST_F(UserFilesEndToEnd, GrumpleDoublesTheClock) {
    testBoard(Board().start(2, 9, 3).target(2, 9, 1));
    userFile("hiscores.dat", hiscoreFile(table(0, {{7, "GRUMPLE"}})));
    Outcome out = play("frame 14600 exit\n");
    EXPECT_EQ(out.status, 0);
    TraceLine start = out.find("attempt");
    EXPECT_EQ(start.num("slow"), 1);
    TraceLine lost = out.find("lost");
    ASSERT_FALSE(lost.event.empty());
    EXPECT_EQ(lost.str("reason"), "time-up");
    EXPECT_GE(lost.time - start.time, 240000u);
    EXPECT_LT(lost.time - start.time, 240100u);
}

// "KELPIN" and "MORVAN" choose the tile, bird and flower sheets; the later
// row of the two wins.
TEST_F(UserFilesEndToEnd, KelpinAndMorvanChooseTheSheets) {
    const std::pair<std::vector<std::pair<int, const char *>>, const char *> cases[] = {
        {{{0, "KELPIN"}}, "000"},
        {{{0, "MORVAN"}}, "111"},
        {{{2, "KELPIN"}, {6, "MORVAN"}}, "111"},
        {{{2, "MORVAN"}, {6, "KELPIN"}}, "000"},
    };
    testBoard(keyBoard());
    std::vector<std::string> pictures;
    for (const auto &c : cases) {
        userFile("hiscores.dat", hiscoreFile(table(0, c.first)));
        Outcome out = playAgain("after attempt\nframe +2 dump sheets\nframe +1 exit\n");
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.find("attempt").str("sheets"), c.second);
        pictures.push_back(readText(dir + "/sheets.bmp"));
    }
    // The same game otherwise: only the sheets make the pictures differ.
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_EQ(pictures[1], pictures[2]);
    EXPECT_EQ(pictures[0], pictures[3]);
}

} // namespace
