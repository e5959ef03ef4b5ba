// Replays kept as regression demos: each script below is played through the
// real program and its whole trace held against the one recorded in
// tests/golden/, so any drift in play shows as a diff. Together they reach
// every screen. After an intended change of play, `make golden` records
// them anew (QUENZY_GOLDEN_RECORD=1 writes instead of comparing).

#include "e2e_helpers.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace e2e;

class GoldenReplay;

struct Golden {
    const char *name;                   // tests/golden/NAME.trace
    const char *script;                 // under tests/
    bool testMode;                      // -t: the test board first, no intros, no title
    void (*prepare)(GoldenReplay &run); // the user folder, boards, levels
};

// Named in test reports by its name, not its bytes.
void PrintTo(const Golden &g, std::ostream *os) {
    *os << g.name;
}

class GoldenReplay : public EndToEnd, public testing::WithParamInterface<Golden> {
  public:
    using EndToEnd::hiscoreName;
    using EndToEnd::levels;
    using EndToEnd::testBoard;
};

// The lines of `text` from `from` on, at most `count`, each behind `mark`.
std::string someLines(const std::string &text, size_t from, size_t count, const char *mark) {
    std::string out;
    size_t start = 0;
    for (size_t n = 0; start < text.size() && n < from + count; n++) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        if (n >= from)
            out += mark + text.substr(start, end - start);
        start = end;
    }
    return out;
}

// Where two traces part: the line number and a few lines of each around it.
std::string firstDifference(const std::string &want, const std::string &got) {
    size_t at = 0, line = 0;
    while (at < want.size() && at < got.size() && want[at] == got[at]) {
        line += want[at] == '\n';
        at++;
    }
    size_t from = line > 3 ? line - 3 : 0;
    return "first difference in line " + std::to_string(line + 1) + "\n--- recorded\n" +
           someLines(want, from, 7, "  ") + "+++ this run\n" + someLines(got, from, 7, "  ");
}

// `diff -u` of the two files when diff is there, cut to a screenful.
std::string unifiedDiff(const std::string &want, const std::string &got) {
    std::string command = "diff -u '" + want + "' '" + got + "' 2>/dev/null";
    std::string out;
    if (FILE *p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0 && out.size() < 16384)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

TEST_P(GoldenReplay, PlaysAsRecorded) {
    const Golden &g = GetParam();
    if (g.prepare)
        g.prepare(*this);
    const std::vector<std::string> args =
        g.testMode ? std::vector<std::string>{"-t"} : std::vector<std::string>{};
    Outcome out = play(readText(std::string(QUENZY_SOURCE_DIR) + "/tests/" + g.script), args);
    EXPECT_EQ(out.status, 0);
    const std::string got = readText(dir + "/trace.txt");
    ASSERT_FALSE(got.empty());
    const std::string golden =
        std::string(QUENZY_SOURCE_DIR) + "/tests/golden/" + g.name + ".trace";
    const char *record = getenv("QUENZY_GOLDEN_RECORD");
    if (record && *record && *record != '0') {
        FILE *f = fopen(golden.c_str(), "wb");
        ASSERT_NE(f, nullptr) << golden;
        fwrite(got.data(), 1, got.size(), f);
        fclose(f);
        printf("recorded %s\n", golden.c_str());
        return;
    }
    const std::string want = readText(golden);
    ASSERT_FALSE(want.empty()) << "no recorded trace " << golden << ": make golden";
    if (got != want) {
        std::string diff = unifiedDiff(golden, dir + "/trace.txt");
        ADD_FAILURE() << "the trace of " << g.script << " drifted from " << golden << "\n"
                      << (diff.empty() ? firstDifference(want, got) : diff)
                      << "\nIf the change of play is intended: make golden";
    }
}

Board lonely() {
    return Board().start(2, 9, 1).target(5, 9, 1);
}

const Golden goldens[] = {
    // The intros, the title, HOW TO PLAY, all the levels, the congratulations,
    // the name entry and the hiscores.
    {"whole_game", "e2e/whole_game.txt", false,
     [](GoldenReplay &run) { run.hiscoreName("OXBLURT"); }},
    // The options with a rebinding, the hiscore page, NEW GAME, pause, EXIT.
    {"menus", "golden/menus.txt", false, nullptr},
    // UNDO, RESTART, AUTO RESOLVE, a tally, EXIT.
    {"pause", "golden/pause.txt", true, [](GoldenReplay &run) { run.testBoard(Board()); }},
    // ALL GONE, TIME UP, game over, CONTINUE? both ways.
    {"level_ends", "golden/level_ends.txt", true,
     [](GoldenReplay &run) { run.testBoard(lonely()); }},
    // NO MOVE LEFT, on a level of our own.
    {"no_move_left", "e2e/no_move_left.txt", true,
     [](GoldenReplay &r) {
         r.testBoard(Board()); // empty and already solved
         Board tower;
         for (int y = 5; y < 10; y++)
             tower.start(0, y, 5);
         tower.target(7, 9, 1);
         r.levels(levelFile({tower, tower}, {{{0, 9}}, {{0, 9}}}));
     }},
};

INSTANTIATE_TEST_SUITE_P(Golden, GoldenReplay, testing::ValuesIn(goldens),
                         [](const testing::TestParamInfo<Golden> &info) {
                             return std::string(info.param.name);
                         });

// The regular files of `folder` by name, their bytes; `suffix` picks some.
std::map<std::string, std::string> filesIn(const std::string &folder, const char *suffix = "") {
    std::map<std::string, std::string> files;
    DIR *d = opendir(folder.c_str());
    if (!d)
        return files;
    while (const dirent *e = readdir(d)) {
        std::string name = e->d_name, path = folder + "/" + name;
        struct stat st;
        size_t n = strlen(suffix);
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && name.size() >= n &&
            name.compare(name.size() - n, n, suffix) == 0)
            files[name] = readText(path);
    }
    closedir(d);
    return files;
}

// Without its trace the game shows the same pictures and leaves the same
// user files: the trace only watches. The short replays, which reach every
// screen but the end of the whole game, each played both ways.
class UntracedReplay : public GoldenReplay {
  protected:
    // Plays the golden's script with a dump every 100 frames; the dumps and
    // the user files it left, and the user folder back as it was.
    std::map<std::string, std::string> playOnce(const std::string &script,
                                                const std::vector<std::string> &args) {
        const std::string user = dir + "/home/.quenzy";
        const std::map<std::string, std::string> before = filesIn(user);
        Outcome out = play(script, args, {{"QUENZY_DUMP_EVERY", "100"}});
        EXPECT_EQ(out.status, 0);
        std::map<std::string, std::string> seen = filesIn(dir, ".bmp");
        for (const auto &f : seen)
            unlink((dir + "/" + f.first).c_str());
        for (const auto &f : filesIn(user)) {
            seen["home/" + f.first] = f.second;
            unlink((user + "/" + f.first).c_str());
        }
        for (const auto &f : before)
            writeBytes(user + "/" + f.first,
                       std::vector<uint8_t>(f.second.begin(), f.second.end()));
        unlink((dir + "/trace.txt").c_str());
        return seen;
    }
};

TEST_P(UntracedReplay, ShowsTheSameAsTraced) {
    const Golden &g = GetParam();
    if (g.prepare)
        g.prepare(*this);
    const std::vector<std::string> args =
        g.testMode ? std::vector<std::string>{"-t"} : std::vector<std::string>{};
    const std::string script = readText(std::string(QUENZY_SOURCE_DIR) + "/tests/" + g.script);
    const std::map<std::string, std::string> traced = playOnce(script, args);
    this->traced = false;
    const std::map<std::string, std::string> untraced = playOnce(script, args);
    EXPECT_FALSE(fileExists("/trace.txt"));
    EXPECT_GT(traced.size(), 2u);
    EXPECT_EQ(traced.size(), untraced.size());
    for (const auto &f : traced) {
        auto other = untraced.find(f.first);
        EXPECT_TRUE(other != untraced.end() && other->second == f.second) << f.first;
    }
}

INSTANTIATE_TEST_SUITE_P(Golden, UntracedReplay, testing::ValuesIn(goldens + 1, std::end(goldens)),
                         [](const testing::TestParamInfo<Golden> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
