// Long random play, in short: the soak generator's scripts, the check of
// the user files every run leaves, and a few seeds of random play through
// the real program (under the sanitizers in the sanitizer build).

#include "core/savegame.h"
#include "e2e_helpers.h"
#include "platform/replay.h"
#include "soakrun.h"
#include "soakscript.h"
#include "storage/config.h"
#include "storage/hiscores.h"
#include "user_folder.h"
#include "userfiles.h"

#include <gtest/gtest.h>
#include <string>

TEST(SoakScript, TheSameSeedGivesTheSameScriptAndTheGameTakesIt) {
    for (uint32_t seed : {1u, 77u, 4000000000u}) {
        SCOPED_TRACE(seed);
        std::string script = soakScript(seed, 20000, 640, 480);
        EXPECT_EQ(script, soakScript(seed, 20000, 640, 480));
        EXPECT_NE(script, soakScript(seed + 1, 20000, 640, 480));
        char err[128] = "";
        EXPECT_EQ(replayLoadScript(script.c_str(), err, sizeof err), 0) << err;
        replayStop();
    }
}

// The start of one seed's script, as it comes out on every compiler and
// machine: a seed noted on one must replay the same on another.
TEST(SoakScript, ASeedGivesTheSameScriptEverywhere) {
    const std::string expected = "# soak seed 5, 36000 frames\n"
                                 "frame 0 type RETURN\n"
                                 "frame 17 hat 4\n"
                                 "frame 18 hat 0\n"
                                 "frame 27 type DOWN\n"
                                 "frame 35 type LCTRL\n"
                                 "frame 62 hat 4\n"
                                 "frame 63 hat 0\n"
                                 "frame 66 hat 1\n"
                                 "frame 67 hat 0\n"
                                 "frame 72 type UP\n"
                                 "frame 78 type DOWN\n"
                                 "frame 86 joydown 0\n"
                                 "frame 87 joyup 0\n"
                                 "frame 211 joydown 0\n"
                                 "frame 212 joyup 0\n"
                                 "frame 268 joydown 0\n"
                                 "frame 277 joyup 0\n"
                                 "frame 8204 click 88 136\n"
                                 "frame 8267 click 104 152\n"
                                 "frame 8317 click 56 168\n"
                                 "frame 8381 click 40 136\n";
    EXPECT_EQ(soakScript(5, 36000, 320, 240).substr(0, expected.size()), expected);
}

TEST(SoakScript, UsesEveryKindOfInput) {
    std::string script = soakScript(3, 60 * 60 * 10, 320, 240);
    for (const char *verb : {" press ", " release ", " type ", " click ", " mousedown ",
                             " joydown ", " hat ", " axis ", " quit", " type x "})
        EXPECT_NE(script.find(verb), std::string::npos) << verb;
}

class UserFileCheck : public UserFolderTest {
  protected:
    // The three files as the game itself writes them.
    void writeValidFiles() {
        dumpConfig();
        for (int r = 0; r < HISCORE_ROWS; r++) {
            memset(&hiscores[r], 0, sizeof hiscores[r]);
            snprintf(hiscores[r].name, HISCORE_NAME, "ROW%d", r);
            hiscores[r].score = 1000 - 100 * r;
        }
        saveBuffer();
        saveGame(7);
    }
};

TEST_F(UserFileCheck, FilesAsTheGameWritesThemPass) {
    EXPECT_TRUE(checkUserFiles(dir).empty()); // none at all: a first start
    writeValidFiles();
    std::vector<std::string> problems = checkUserFiles(dir);
    EXPECT_TRUE(problems.empty()) << problems[0];
}

TEST_F(UserFileCheck, EveryDamageIsFound) {
    struct Case {
        const char *file;
        // Changes the file's bytes.
        void (*damage)(std::string &);
        const char *found;
    } cases[] = {
        {"quenzy.cfg", [](std::string &b) { b.resize(b.size() / 2); }, "quenzy.cfg"},
        {"quenzy.cfg", [](std::string &b) { b.pop_back(); }, "quenzy.cfg"},
        {"quenzy.cfg", [](std::string &b) { b.replace(b.find("=15"), 3, "=x5"); }, "quenzy.cfg"},
        {"quenzy.cfg", [](std::string &b) { b.replace(0, 3, "mos"); }, "quenzy.cfg"},
        {"quenzy.cfg", [](std::string &b) { b.replace(b.find("=100"), 4, "=101"); }, "quenzy.cfg"},
        {"hiscores.dat", [](std::string &b) { b.pop_back(); }, "hiscores.dat"},
        {"hiscores.dat", [](std::string &b) { b.clear(); }, "hiscores.dat"},
        {"hiscores.dat", [](std::string &b) { b[40] ^= 0x55; }, "hiscores.dat"},
        {"savegame.dat", [](std::string &b) { b[1] ^= 1; }, "savegame.dat"},
        {"savegame.dat", [](std::string &b) { b += 'x'; }, "savegame.dat"},
    };
    for (const Case &c : cases) {
        writeValidFiles();
        std::string bytes = readFile(c.file);
        c.damage(bytes);
        writeFile(c.file, bytes);
        std::vector<std::string> problems = checkUserFiles(dir);
        ASSERT_EQ(problems.size(), 1u) << c.file;
        EXPECT_EQ(problems[0].find(c.found), 0u) << problems[0];
    }
}

TEST_F(UserFileCheck, RejectedRowsAndLeftoversAreFound) {
    writeValidFiles();
    hiscores[4].kind = KIND_REJECTED; // what a start that found the file broken writes
    saveBuffer();
    writeFile("savegame.dat.Ab12Cd", "half");
    std::vector<std::string> temporaries;
    std::vector<std::string> problems = checkUserFiles(dir, &temporaries);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0], "hiscores.dat: row 4 fails the check");
    EXPECT_EQ(temporaries, std::vector<std::string>{"savegame.dat.Ab12Cd"});
}

// A few seeds of a couple of virtual minutes each through the real program:
// no crash, no stall, nothing on standard error (where the sanitizers
// report), and user files that read back valid after every session.
TEST(Soak, ShortRandomPlayIsClean) {
    SoakOptions o;
    o.game = std::string(QUENZY_BINARY_DIR) + "/quenzy";
    o.data = std::string(QUENZY_BINARY_DIR) + "/data";
    o.board = std::string(QUENZY_BINARY_DIR) + "/test.bin";
    o.minutes = 2;
    std::map<std::string, int> events;
    for (unsigned seed : {11u, 12u, 13u}) {
        o.seed = seed;
        SoakResult r = soakRun(o);
        for (const std::string &p : r.problems)
            ADD_FAILURE() << "seed " << seed << ": " << p << " (kept " << r.dir << ")";
        EXPECT_GE(r.frames, 2u * 3600u);
        for (const auto &e : r.events)
            events[e.first] += e.second;
    }
    // The title and play are reached in every run of this length; the rest
    // takes the long runs of make soak.
    for (const char *screen : {"title", "attempt", "pause"})
        EXPECT_GT(events[screen], 0) << screen;
}

// What long random play found, each pinned down through the real program.
using SoakFinding = e2e::EndToEnd;

// CONTINUE? waits for LEFT or RIGHT alone, and a window closed there goes
// unheard: the way out of a random run stalled on it until the replay gave
// up. The way out now ends with the pad's RIGHT, which leaves the game.
TEST_F(SoakFinding, TheWayOutAnswersContinue) {
    testBoard(e2e::Board().start(2, 9, 1).target(5, 9, 1)); // each pick loses a life
    std::string script;
    for (int life = 0; life < 3; life++)
        script += "frame +5 click 56 216\nafter lost\nframe +5 type LCTRL\n";
    script = script.substr(0, script.rfind("after lost")) +
             "after gameover\nframe +30 type LCTRL\nframe +10 quit\n"
             "frame +200 hat 2\nframe +2 hat 0\nframe +200 exit 3\n";
    e2e::Outcome out = play(script);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.count("gameover"), 1);
    EXPECT_EQ(out.count("continue"), 0);
    ASSERT_EQ(out.count("leave"), 1);
    // Not on the close, only on the RIGHT 200 frames later.
    EXPECT_GE(out.find("leave").frame, out.find("gameover").frame + 240);
}
