// The real program when the system fails it: an allocation that fails (any
// one of them, from start-up to the end of the first level) and saves whose
// fsync or rename fails. The faults library (tools/faults) is preloaded to
// make the failure; a sanitizer build has no such library.

#include "e2e_helpers.h"

#ifdef QUENZY_FAULTS_LIBRARY

#include "allocrun.h"
#include "core/savegame.h"
#include "platform/keyhelper.h"
#include "storage/config.h"
#include "userfiles.h"

#include <algorithm>
#include <random>

namespace {

using namespace e2e;

AllocOptions allocOptions() {
    AllocOptions o;
    o.game = std::string(QUENZY_BINARY_DIR) + "/quenzy";
    o.data = std::string(QUENZY_BINARY_DIR) + "/data";
    o.faults = QUENZY_FAULTS_LIBRARY;
    o.realLimit = 600; // a hang, not a slow machine
    return o;
}

std::string describe(const AllocResult &r) {
    std::string s = "allocation " + std::to_string(r.n) + ": " + allocKindName(r.kind) +
                    ", status " + std::to_string(r.status) + " " + r.message;
    for (const std::string &p : r.problems)
        s += "; " + p;
    return s + (r.dir.empty() ? "" : "; kept " + r.dir);
}

// Whether a run that went wrong did so after the game's own end, in a
// coverage build: its program writes gcov's counts as it exits, and libgcov
// does not check the allocations it makes for them. (Other builds run the
// same test strictly.)
bool libgcovsOwn(const AllocResult &r) {
#ifdef QUENZY_COVERAGE
    return r.kind == ALLOC_CRASHED && !r.dir.empty() &&
           readText(r.dir + "/trace.txt").find(" replay-exit ") != std::string::npos &&
           removeTree(r.dir) == 0;
#else
    (void)r;
    return false;
#endif
}

// Each allocation of start-up (SDL's, the display's and the mixer's first
// ones, where an unchecked one or a library's own fault would show), then a
// seeded few of the others and the last (make allocfail runs every one):
// each run ends with the game's fatal message and status 1, plays on to the
// end of the level, or meets a library's listed fault, and leaves its user
// files whole.
TEST(AllocationFailure, EachRunEndsCleanlyAndLeavesTheUserFilesWhole) {
    srand(1); // the table the runs start with is written here
    AllocOptions o = allocOptions();
    std::string why;
    unsigned long count = allocCount(o, &why);
    ASSERT_GT(count, 1000u) << why;
    const unsigned long START_UP = 80;
    std::vector<unsigned long> ns = {count};
    for (unsigned long n = 1; n <= START_UP; n++)
        ns.push_back(n);
    std::mt19937 rng(2502);
    for (int i = 0; i < 10; i++)
        ns.push_back(std::uniform_int_distribution<unsigned long>(START_UP + 1, count - 1)(rng));
    int fatal = 0;
    for (unsigned long n : ns) {
        AllocResult r = allocRun(o, n);
        EXPECT_TRUE(allocClean(r) || libgcovsOwn(r)) << describe(r);
        EXPECT_TRUE(r.reached) << describe(r);
        fatal += r.kind == ALLOC_FATAL;
    }
    // The very first one, inside SDL's start, cannot be borne.
    EXPECT_GE(fatal, 1);
    // Past the last allocation nothing fails and the level is played.
    AllocResult past = allocRun(o, count + 1);
    EXPECT_EQ(past.kind, ALLOC_PLAYED) << describe(past);
    EXPECT_FALSE(past.reached);
}

// Levels already solved at their start: won as soon as they begin.
std::vector<uint8_t> solvedLevels(int count) {
    std::vector<Board> boards;
    for (int i = 0; i < count; i++)
        boards.push_back(Board().start(i % 8, 9, 1 + i % 5).target(i % 8, 9, 1 + i % 5));
    return levelFile(boards, std::vector<std::vector<std::pair<int, int>>>(count));
}

// With a saved game the title preselects CONTINUE: up three to OPTIONS,
// there the hiscores reset (written) and the music one step down, back to
// the title (the configuration written), up three to NEW GAME, and level 1
// won (the game saved); out as level 2 begins.
std::string everyFileWritten() {
    std::string s = std::string(THROUGH_INTROS) + "frame +5 type RETURN\n";
    for (int k = 0; k < 3; k++)
        s += "frame +5 type UP\n";
    s += "frame +5 type LCTRL\n"
         "frame +15 type UP\nframe +12 type UP\nframe +12 type LCTRL\n";
    for (int k = 0; k < 4; k++)
        s += "frame +12 type UP\n";
    s += "frame +12 type LEFT\n";
    for (int k = 0; k < 3; k++)
        s += "frame +12 type UP\n";
    s += "frame +12 type LCTRL\n"
         "after configsaved\n";
    for (int k = 0; k < 3; k++)
        s += "frame +12 type UP\n";
    return s + "frame +12 type LCTRL\n"
               "after tutorial\n"
               "frame +5 type LCTRL\n"
               "after tally\n"
               "frames +142-+172 every 10 type LCTRL\n"
               "after next\n"
               "frame +1 exit\n";
}

class FailingWrites : public EndToEnd {
  protected:
    const std::vector<const char *> files = {"quenzy.cfg", "hiscores.dat", "savegame.dat"};
    // A configuration, a table and a saved game (level 3) that the script
    // replaces each with something else.
    void oldFiles() {
        std::string folder = dir + "/home/.quenzy";
        mkdir(folder.c_str(), 0755);
        char *old = configFolder;
        configFolder = const_cast<char *>(folder.c_str());
        resetDefaultControls();
        _mus_volume_100_ = 100;
        _sfx_volume_100_ = 100;
        dumpConfig();
        for (int r = 0; r < HISCORE_ROWS; r++) {
            hiscores[r] = HiscoreEntry();
            snprintf(hiscores[r].name, HISCORE_NAME, "OLD %d", r);
            hiscores[r].kind = KIND_PLAYER;
            hiscores[r].score = 5000 - 10 * r;
        }
        saveBuffer();
        saveGame(3);
        configFolder = old;
    }
    std::string userFile(const char *name) { return readText(dir + "/home/.quenzy/" + name); }
};

// A save whose fsync or rename fails keeps the old file whole and leaves no
// temporary; the game plays on. Without a fault the same script replaces
// every file, so each was written.
TEST_F(FailingWrites, TheOldFileSurvivesAndTheGameGoesOn) {
    struct Case {
        const char *fault; // environment variable of the faults library
        bool replaced;
    } cases[] = {{nullptr, true}, {"FAULT_FSYNC", false}, {"FAULT_RENAME", false}};
    levels(solvedLevels(5));
    srand(1); // the old saved game draws its key
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault ? c.fault : "no fault");
        oldFiles();
        std::map<std::string, std::string> before;
        for (const char *f : files)
            before[f] = userFile(f);
        unlink((dir + "/trace.txt").c_str());
        std::string preload = preloadVariable(QUENZY_FAULTS_LIBRARY);
        size_t eq = preload.find('=');
        std::vector<std::pair<std::string, std::string>> env = {
            {preload.substr(0, eq), preload.substr(eq + 1)}};
        if (c.fault)
            env.push_back({c.fault, "1"});
        Outcome out = play(everyFileWritten(), {}, env);
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.count("configsaved"), 1);
        EXPECT_EQ(out.count("next"), 1);
        for (const char *f : files)
            EXPECT_EQ(userFile(f) != before[f], c.replaced) << f;
        EXPECT_EQ(checkUserFiles(dir + "/home/.quenzy"), std::vector<std::string>{});
    }
}

} // namespace

#else

TEST(AllocationFailure, NeedsTheFaultsLibrary) {
    GTEST_SKIP() << "no faults library in a sanitizer build";
}

#endif
