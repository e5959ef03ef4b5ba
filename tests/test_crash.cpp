// The user files survive the game being killed at the worst moment: the real
// program writes the configuration, the hiscores and the saved game over and
// over and is killed with SIGKILL at random times; every file must then hold
// the old or the new content, and the next start must go on as if nothing
// happened.

#include "e2e_helpers.h"
#include "storage/config.h"
#include "userfiles.h"

#include <csignal>
#include <random>
#include <set>
#include <utime.h>

namespace {

using namespace e2e;

// The options entered from the title and left again, cycle after cycle:
// each cycle resets the hiscores (a new table written), changes the music
// volume by one step, down and up by turns (up first when `upFirst`), and
// leaves (the configuration written). The title preselects CONTINUE when
// there is a saved game, NEW GAME otherwise; OPTIONS is above both, past
// EXIT.
std::string optionsOverAndOver(int cycles, bool savedGame, bool upFirst) {
    std::string s = std::string(THROUGH_INTROS) + "frame +5 type RETURN\n"; // PRESS START
    for (int k = savedGame ? 3 : 2; k > 0; k--)
        s += "frame +5 type UP\n";
    s += "frame +5 type LCTRL\n"; // OPTIONS
    for (int i = 0; i < cycles; i++) {
        // The options open on their first row: UP wraps to BACK TO MENU,
        // then RESET HISCORES, then up to the music volume.
        s += "frame +15 type UP\nframe +12 type UP\nframe +12 type LCTRL\n";
        for (int k = 0; k < 4; k++)
            s += "frame +12 type UP\n";
        s += (i % 2 == 1) != upFirst ? "frame +12 type RIGHT\n" : "frame +12 type LEFT\n";
        // Back to BACK TO MENU and out to the title, where OPTIONS is still
        // the chosen item, and in again.
        for (int k = 0; k < 3; k++)
            s += "frame +12 type UP\n";
        s += "frame +12 type LCTRL\nframe +20 type LCTRL\n";
    }
    return s;
}

// Levels won one after another in test mode, each saving the game: every
// board of the level file is already solved, so ACTION only has to pass the
// pages between them.
std::string levelsOverAndOver() {
    return "frames 30-400000 every 9 type LCTRL\n";
}

// `count` levels whose start is their target.
std::vector<uint8_t> solvedLevels(int count) {
    std::vector<Board> boards;
    for (int i = 0; i < count; i++)
        boards.push_back(Board().start(i % 8, 9, 1 + i % 5).target(i % 8, 9, 1 + i % 5));
    return levelFile(boards, std::vector<std::vector<std::pair<int, int>>>(count));
}

class KilledWhileSaving : public EndToEnd {
  protected:
    // Starts the program on `script`, waits until its trace shows that it
    // has saved (`event`) and kills it `ms` milliseconds of real time later.
    // Returns the times it saved by then, as far as the trace tells.
    int killedAfter(const std::string &script, const std::vector<std::string> &args,
                    const char *event, int ms) {
        unlink((dir + "/trace.txt").c_str());
        captureStderr = true;
        pid_t pid = start(script, args, {});
        EXPECT_GT(pid, 0);
        if (pid <= 0)
            return 0;
        // However slow the machine, the kill falls among the writes: the wait
        // for the first one ends early only when the program does, and its
        // limit (ten minutes and more) is for a hang, not a slow machine.
        std::string marker = std::string(" ") + event + " ";
        int status = 0;
        pid_t ended = 0;
        for (int waited = 0; waited < 60000 && ended == 0; waited++) {
            if (readText(dir + "/trace.txt").find(marker) != std::string::npos)
                break;
            ended = waitpid(pid, &status, WNOHANG);
            usleep(10000);
        }
        if (ended == 0) {
            usleep(useconds_t(ms) * 1000);
            kill(pid, SIGKILL);
            ended = waitpid(pid, &status, 0);
        }
        EXPECT_EQ(ended, pid);
        std::string trace = readText(dir + "/trace.txt");
        EXPECT_TRUE(WIFSIGNALED(status))
            << "the program ended before it was killed: "
            << trace.substr(trace.size() > 600 ? trace.size() - 600 : 0);
        Outcome out;
        out.trace = parseTrace(trace);
        return out.count(event);
    }
    std::string userFile(const char *name) { return readText(dir + "/home/.quenzy/" + name); }
    // The music volume the configuration holds, or -1.
    int musicVolume() {
        std::string text = userFile("quenzy.cfg");
        size_t at = text.find("mus_volume=");
        return at == std::string::npos ? -1 : atoi(text.c_str() + at + 11);
    }
};

// Rounds of the kill test: 24 in the suite, QUENZY_KILLS in a soak
// (make soak KILLS=1000).
int killRounds() {
    const char *kills = getenv("QUENZY_KILLS");
    return kills && atoi(kills) > 0 ? atoi(kills) : 24;
}

TEST_F(KilledWhileSaving, EveryFileIsTheOldOrTheNewOne) {
    const int LEVELS = 200, ROUNDS = killRounds();
    levels(solvedLevels(LEVELS));
    testBoard(Board().start(0, 9, 1).target(0, 9, 1));
    const std::string levelsScript = levelsOverAndOver();
    std::mt19937 rng(1717);
    std::set<std::string> leftovers;
    int kills = 0, configSaves = 0, gameSaves = 0;
    for (int round = 0; round < ROUNDS; round++) {
        bool menu = round % 2 == 0;
        int ms = std::uniform_int_distribution<int>(0, 700)(rng);
        // A round writes its first volume one step away, then the old again:
        // down, or up from the bottom, where a step down would change nothing
        // (rounds killed between the two writes bring it there in a long run).
        int before = musicVolume() == -1 ? 100 : musicVolume();
        const bool upFirst = before == 0;
        const int away = upFirst ? before + 5 : before - 5;
        // The title offers CONTINUE from level 1 on, as the game reads it.
        bool continues = savedLevel() > 0;
        if (menu)
            configSaves +=
                killedAfter(optionsOverAndOver(400, continues, upFirst), {}, "configsaved", ms);
        else
            gameSaves += killedAfter(levelsScript, {"-t"}, "next", ms);
        kills++;
        SCOPED_TRACE("round " + std::to_string(round) + ", killed after " + std::to_string(ms) +
                     " ms");
        std::vector<std::string> temporaries;
        std::vector<std::string> problems = checkUserFiles(dir + "/home/.quenzy", &temporaries);
        for (const std::string &t : temporaries) {
            leftovers.insert(t);
            problems.erase(std::find(problems.begin(), problems.end(), "leftover file " + t));
            // Only ever a temporary of the safe writer, never anything else.
            std::string base = t.substr(0, t.rfind('.'));
            EXPECT_TRUE(base == "quenzy.cfg" || base == "hiscores.dat" || base == "savegame.dat")
                << t;
            EXPECT_EQ(t.size(), base.size() + 7) << t;
        }
        EXPECT_TRUE(problems.empty()) << problems[0];
        int volume = musicVolume();
        if (volume == -1) // none written yet
            EXPECT_EQ(before, 100);
        else if (menu)
            EXPECT_TRUE(volume == before || volume == away) << before << " " << volume;
        else // play writes no configuration
            EXPECT_EQ(volume, before);
        // Level 0 (the first of the set) after the test board, then on.
        std::string saved = userFile("savegame.dat");
        if (saved.size() == 4) {
            int level = decodeSaveGame(reinterpret_cast<const unsigned char *>(saved.data()));
            EXPECT_GE(level, 0);
            EXPECT_LE(level, LEVELS - 1);
        }
        if (HasFailure())
            break;
    }
    EXPECT_EQ(kills, ROUNDS);
    // Each round wrote at least once before it was killed.
    EXPECT_GE(configSaves, ROUNDS / 2);
    EXPECT_GE(gameSaves, ROUNDS / 2);
    // (every configuration saved follows a hiscore table written)
    printf("%d kills after %d configurations and %d saved games written; %zu leftover "
           "temporaries\n",
           kills, configSaves, gameSaves, leftovers.size());

    // The next start reads every file as it is and plays on.
    unlink((dir + "/trace.txt").c_str());
    Outcome out = play("after attempt\nframe +5 exit\n");
    EXPECT_EQ(out.status, 0);
    TraceLine config = out.find("config");
    ASSERT_FALSE(config.event.empty());
    EXPECT_EQ(config.num("mus_volume"), musicVolume() == -1 ? 100 : musicVolume());
    EXPECT_EQ(out.count("attempt"), 1);
    std::vector<std::string> temporaries;
    std::vector<std::string> problems = checkUserFiles(dir + "/home/.quenzy", &temporaries);
    EXPECT_EQ(problems.size(), temporaries.size());
}

// What a game killed while saving leaves behind is cleared at the next start
// once it is old enough not to be another copy of the game saving right
// now; nothing else in the folder is touched.
TEST_F(KilledWhileSaving, StaleTemporariesAreClearedAtStart) {
    std::string folder = dir + "/home/.quenzy";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    struct File {
        const char *name;
        bool old;
        bool kept;
        bool folder = false;
    } files[] = {
        {"quenzy.cfg.a1B2c3", true, false},   {"hiscores.dat.ZZZZZZ", true, false},
        {"savegame.dat.x9y8z7", true, false}, {"savegame.dat.q1w2e3", false, true},
        {"savegame.dat.q1w2", true, true},    {"notes.txt.a1B2c3", true, true},
        {"quenzy.cfg.a1-2c3", true, true},    {"savegame.dat", true, true},
        {"quenzy.cfg_a1B2c3", true, true},    {"hiscores.dat.f0ld3r", true, true, true},
    };
    for (const File &f : files) {
        std::string path = folder + "/" + f.name;
        if (f.folder)
            ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
        else
            writeBytes(path, {1, 2, 3, 4});
        if (f.old) {
            struct utimbuf t = {time(nullptr) - 3600, time(nullptr) - 3600};
            ASSERT_EQ(utime(path.c_str(), &t), 0);
        }
    }
    Outcome out = play("after attempt\nframe +5 exit\n");
    EXPECT_EQ(out.status, 0);
    for (const File &f : files)
        EXPECT_EQ(fileExists(std::string("/home/.quenzy/") + f.name), f.kept) << f.name;
}

} // namespace
