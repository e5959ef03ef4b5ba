// The real program, headless, driven by replay scripts (tests/e2e/*.txt)
// and observed through its trace and its saved game.

#include "core/level.h"
#include "core/savegame.h"
#include "storage/hiscores.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// One board of 160 bytes (start and target), as test.bin holds it, or the
// first 160 bytes of a level record.
struct Board {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(LEVEL_BOARDS_SIZE, 0);
    Board &start(int x, int y, int v) {
        bytes[16 * y + x] = static_cast<uint8_t>(v);
        return *this;
    }
    Board &target(int x, int y, int v) {
        bytes[16 * y + 8 + x] = static_cast<uint8_t>(v);
        return *this;
    }
};

struct TraceLine {
    unsigned frame = 0, time = 0;
    std::string event;
    std::map<std::string, std::string> values;
    int num(const char *key) const {
        auto it = values.find(key);
        return it == values.end() ? -99999 : atoi(it->second.c_str());
    }
    std::string str(const char *key) const {
        auto it = values.find(key);
        return it == values.end() ? "" : it->second;
    }
};

struct Outcome {
    int status = -1;
    double seconds = 0;
    std::vector<TraceLine> trace;
    std::string dir;
    // The n-th (from 0) line of `event`, or a line with an empty event.
    TraceLine find(const char *event, int n = 0) const {
        for (const TraceLine &line : trace)
            if (line.event == event && n-- == 0)
                return line;
        return TraceLine();
    }
    int count(const char *event) const {
        int n = 0;
        for (const TraceLine &line : trace)
            n += line.event == event;
        return n;
    }
};

std::string readText(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::vector<TraceLine> parseTrace(const std::string &text) {
    std::vector<TraceLine> lines;
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        std::istringstream words(raw);
        TraceLine line;
        std::string w;
        words >> w >> line.frame >> w >> line.time >> line.event;
        while (words >> w) {
            size_t eq = w.find('=');
            if (eq != std::string::npos)
                line.values[w.substr(0, eq)] = w.substr(eq + 1);
        }
        lines.push_back(line);
    }
    return lines;
}

// A level file of our own: `boards` with one-pick solutions `sol`.
std::vector<uint8_t> levelFile(const std::vector<Board> &boards,
                               const std::vector<std::vector<std::pair<int, int>>> &sols) {
    std::vector<uint8_t> bytes(1 + LEVEL_RECORD_SIZE * boards.size(), 0);
    bytes[0] = static_cast<uint8_t>(boards.size());
    for (size_t i = 0; i < boards.size(); i++) {
        uint8_t *rec = &bytes[1 + LEVEL_RECORD_SIZE * i];
        memcpy(rec, boards[i].bytes.data(), LEVEL_BOARDS_SIZE);
        size_t k = 0;
        for (; k < sols[i].size(); k++) {
            rec[160 + 2 * k] = static_cast<uint8_t>(sols[i][k].first);
            rec[161 + 2 * k] = static_cast<uint8_t>(sols[i][k].second);
        }
        rec[160 + 2 * k] = 0xFF;
    }
    scrambleLevels(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

class EndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        char path[] = "/tmp/quenzy-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(path), nullptr);
        dir = path;
        ASSERT_EQ(mkdir((dir + "/home").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
        // Our data, but a level file of the test's own when it writes one.
        for (const char *name : {"gfx.ova", "music.ova", "sound.ova", "levels.bin"}) {
            std::string from = std::string(QUENZY_BINARY_DIR) + "/data/" + name;
            ASSERT_EQ(symlink(from.c_str(), (dir + "/data/" + name).c_str()), 0);
        }
    }
    void TearDown() override {
        if (!HasFailure()) {
            std::string cmd = "rm -rf '" + dir + "'";
            EXPECT_EQ(system(cmd.c_str()), 0);
        } else {
            printf("kept %s (trace.txt, dumps)\n", dir.c_str());
        }
    }
    void testBoard(const Board &b) { writeBytes(dir + "/test.bin", b.bytes); }
    void levels(const std::vector<uint8_t> &file) {
        unlink((dir + "/data/levels.bin").c_str());
        writeBytes(dir + "/data/levels.bin", file);
    }
    Outcome play(const std::string &script) {
        writeBytes(dir + "/script.txt", std::vector<uint8_t>(script.begin(), script.end()));
        Outcome out;
        auto started = std::chrono::steady_clock::now();
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0)
                _exit(126);
            setenv("HOME", (dir + "/home").c_str(), 1);
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            setenv("QUENZY_REPLAY", "script.txt", 1);
            setenv("QUENZY_TRACE", "trace.txt", 1);
            setenv("QUENZY_DUMP_DIR", dir.c_str(), 1);
            unsetenv("QUENZY_RECORD");
            unsetenv("QUENZY_DUMP_EVERY");
            std::string exe = std::string(QUENZY_BINARY_DIR) + "/quenzy";
            execl(exe.c_str(), "quenzy", "-t", static_cast<char *>(nullptr));
            _exit(127);
        }
        int status = 0;
        for (int waited = 0; waited < 6000; waited++) { // 60 s at most
            if (waitpid(pid, &status, WNOHANG) == pid) {
                out.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            usleep(10000);
        }
        if (out.status == -1) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        out.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        out.trace = parseTrace(readText(dir + "/trace.txt"));
        out.dir = dir;
        return out;
    }
    Outcome playFile(const char *name) {
        return play(readText(std::string(QUENZY_SOURCE_DIR) + "/tests/e2e/" + name));
    }
    // The saved game as the next start of the program would read it.
    int savedLevel() {
        std::string folder = dir + "/home/.quenzy";
        char *old = configFolder;
        configFolder = const_cast<char *>(folder.c_str());
        unsigned size = 0;
        uint8_t *file = loadBINFile((dir + "/data/levels.bin").c_str(), &size);
        EXPECT_NE(file, nullptr);
        descrambleLevels(file, size);
        int oldCount = levelCount;
        levelCount = file[0];
        free(file);
        int level = loadGame();
        levelCount = oldCount;
        configFolder = old;
        return level;
    }
    int fileExists(const std::string &path) { return access((dir + path).c_str(), F_OK) == 0; }
    std::string dir;
};

// A 1 under a 3 in column 2; the target wants a 2 there.
Board keyBoard() {
    return Board().start(2, 9, 1).start(2, 8, 3).target(2, 9, 2);
}
// A lone 1 at (2, 9); the target wants a fruit elsewhere.
Board lonelyBoard() {
    return Board().start(2, 9, 1).target(5, 9, 1);
}

TEST_F(EndToEnd, SolveTestBoardByKeys) {
    testBoard(keyBoard());
    Outcome out = playFile("solve_test_board_by_keys.txt");
    EXPECT_EQ(out.status, 0);
    TraceLine pick = out.find("pick");
    EXPECT_EQ(pick.num("moves"), 1);
    TraceLine won = out.find("won");
    ASSERT_FALSE(won.event.empty());
    EXPECT_EQ(won.num("level"), -1);
    EXPECT_EQ(won.num("score"), 4); // the picked 1 pays 1, the 3 above pays 3
    TraceLine tally = out.find("tally");
    int timeBonus = tally.num("time");
    // Won two seconds or so into the level.
    EXPECT_GE(timeBonus, 115);
    EXPECT_LE(timeBonus, 119);
    EXPECT_EQ(tally.num("life"), 30);
    EXPECT_EQ(tally.num("move"), 200);
    TraceLine paid = out.find("paid");
    EXPECT_EQ(paid.num("score"), 4 + timeBonus + 30 + 200);
    TraceLine next = out.find("next");
    EXPECT_EQ(next.num("level"), 0);
    EXPECT_EQ(out.find("attempt", 1).num("level"), 0);
    // Level 0 was saved, which reads as no saved game.
    EXPECT_TRUE(fileExists("/home/.quenzy/savegame.dat"));
    EXPECT_EQ(savedLevel(), 0);
    EXPECT_TRUE(fileExists("/tally.bmp"));
}

// Clicks that play level 0 of the set as its stored solution says.
std::string mouseSolution() {
    unsigned size = 0;
    uint8_t *file = loadBINFile(QUENZY_BINARY_DIR "/data/levels.bin", &size);
    if (!file)
        return "";
    descrambleLevels(file, size);
    const uint8_t *sol = file + 1 + 160;
    std::string script = "after next\n";
    for (int k = 0; k < solutionLength(sol); k++) {
        char line[64];
        snprintf(line, sizeof line, "frame +%d click %d %d\n", k ? 400 : 20,
                 16 + 16 * sol[2 * k] + 8, 64 + 16 * sol[2 * k + 1] + 8);
        script += line;
    }
    free(file);
    return script + "after next\nframe +5 exit\n";
}

TEST_F(EndToEnd, SolveLevelOneByMouse) {
    testBoard(keyBoard());
    std::string keys = readText(QUENZY_SOURCE_DIR "/tests/e2e/solve_test_board_by_keys.txt");
    keys = keys.substr(0, keys.find("after next")); // without its exit
    std::string mouse = mouseSolution();
    ASSERT_FALSE(mouse.empty());
    Outcome out = play(keys + mouse);
    EXPECT_EQ(out.status, 0);
    TraceLine won = out.find("won", 1);
    ASSERT_FALSE(won.event.empty());
    EXPECT_EQ(won.num("level"), 0);
    EXPECT_EQ(won.num("lives"), 3);
    EXPECT_EQ(out.find("next", 1).num("level"), 1);
    EXPECT_EQ(savedLevel(), 1);
}

TEST_F(EndToEnd, TimeUpAfterTwoVirtualMinutes) {
    testBoard(Board().start(2, 9, 3).target(2, 9, 1));
    Outcome out = playFile("time_up.txt");
    EXPECT_EQ(out.status, 0);
    TraceLine start = out.find("attempt");
    TraceLine lost = out.find("lost");
    EXPECT_EQ(lost.str("reason"), "time-up");
    EXPECT_EQ(lost.num("lives"), 2);
    EXPECT_GE(lost.time - start.time, 120000u);
    EXPECT_LT(lost.time - start.time, 120100u);
    // 60 frames a second.
    EXPECT_NEAR(lost.frame - start.frame, 7200, 5);
    EXPECT_EQ(out.find("attempt", 1).num("lives"), 2);
    EXPECT_LT(out.seconds, 10.0); // two minutes of play, replayed fast
}

TEST_F(EndToEnd, AllGone) {
    testBoard(lonelyBoard());
    Outcome out = playFile("all_gone.txt");
    EXPECT_EQ(out.status, 0);
    TraceLine lost = out.find("lost");
    EXPECT_EQ(lost.str("reason"), "all-gone");
    EXPECT_EQ(lost.num("count"), 0);
    EXPECT_EQ(lost.num("moves"), 1);
    EXPECT_EQ(lost.num("lives"), 2);
}

TEST_F(EndToEnd, NoMoveLeft) {
    testBoard(Board()); // empty and already solved
    Board tower;
    for (int y = 5; y < 10; y++)
        tower.start(0, y, 5);
    tower.target(7, 9, 1);
    levels(levelFile({tower, tower}, {{{0, 9}}, {{0, 9}}}));
    Outcome out = playFile("no_move_left.txt");
    EXPECT_EQ(out.status, 0);
    TraceLine lost = out.find("lost");
    EXPECT_EQ(lost.str("reason"), "no-move-left");
    EXPECT_EQ(lost.num("level"), 0);
    std::string moves = lost.str("moves"); // "n/n"
    EXPECT_EQ(moves.substr(0, moves.find('/')), moves.substr(moves.find('/') + 1));
    EXPECT_GT(lost.num("count"), 0);
}

TEST_F(EndToEnd, PauseUndoRestoresTheBoard) {
    testBoard(Board().start(4, 9, 3).start(4, 8, 2).start(3, 9, 2).target(0, 9, 1));
    Outcome out = playFile("pause_undo.txt");
    EXPECT_EQ(out.status, 0);
    TraceLine start = out.find("attempt");
    EXPECT_EQ(out.find("pick").num("moves"), 1);
    TraceLine choice = out.find("choice");
    EXPECT_EQ(choice.str("entry"), "undo");
    EXPECT_EQ(choice.num("moves"), 0);
    EXPECT_EQ(choice.str("board"), start.str("board"));
    EXPECT_EQ(choice.num("count"), 3);
}

TEST_F(EndToEnd, PauseRestartSpendsALife) {
    testBoard(Board().start(4, 9, 3).start(3, 9, 2).target(0, 9, 1));
    Outcome out = playFile("pause_restart.txt");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("choice").str("entry"), "restart");
    TraceLine again = out.find("attempt", 1);
    EXPECT_EQ(again.num("lives"), 2);
    EXPECT_EQ(again.num("moves"), 0);
    EXPECT_EQ(again.str("board"), out.find("attempt").str("board"));
}

TEST_F(EndToEnd, PauseAutoResolveWins) {
    testBoard(Board());
    Outcome out = playFile("pause_solve.txt");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("choice").str("entry"), "solve");
    TraceLine won = out.find("won", 1);
    EXPECT_EQ(won.num("level"), 0);
    EXPECT_EQ(won.num("lives"), 3);
}

TEST_F(EndToEnd, PauseExitEndsTheProgram) {
    testBoard(lonelyBoard());
    Outcome out = playFile("pause_exit.txt");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("choice").str("entry"), "exit");
    EXPECT_EQ(out.count("exit"), 1);
    EXPECT_EQ(out.count("replay-exit"), 0); // the game ended, not the script
}

TEST_F(EndToEnd, PauseClicksSelectBeforeTheyConfirm) {
    testBoard(lonelyBoard()); // no move yet and no stored solution
    Outcome out = playFile("pause_click.txt");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.count("pause"), 2);
    EXPECT_EQ(out.find("choice", 0).str("entry"), "back");
    EXPECT_EQ(out.find("choice", 1).str("entry"), "back");
    EXPECT_EQ(out.count("exit"), 0);
}

TEST_F(EndToEnd, GameOverThenContinue) {
    testBoard(lonelyBoard());
    Outcome out = playFile("game_over_continue.txt");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.count("lost"), 2);
    EXPECT_EQ(out.find("gameover").num("lives"), 0);
    EXPECT_EQ(out.count("continue"), 1);
    TraceLine again = out.find("attempt", 3);
    EXPECT_EQ(again.num("level"), -1);
    EXPECT_EQ(again.num("lives"), 3);
    EXPECT_EQ(again.num("score"), 0);
}

TEST_F(EndToEnd, GameOverThenLeave) {
    testBoard(lonelyBoard());
    Outcome out = playFile("game_over_leave.txt");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.count("leave"), 1);
    EXPECT_EQ(out.count("continue"), 0);
    EXPECT_EQ(out.count("replay-exit"), 0);
}

TEST_F(EndToEnd, ReplaysAreDeterministic) {
    testBoard(keyBoard());
    Outcome first = playFile("solve_test_board_by_keys.txt");
    std::string firstTrace = readText(dir + "/trace.txt");
    std::string firstPicture = readText(dir + "/tally.bmp");
    unlink((dir + "/trace.txt").c_str());
    Outcome second = playFile("solve_test_board_by_keys.txt");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(readText(dir + "/trace.txt"), firstTrace);
    EXPECT_FALSE(firstPicture.empty());
    EXPECT_EQ(readText(dir + "/tally.bmp"), firstPicture);
}

TEST_F(EndToEnd, StalledScriptEndsWithStatus2) {
    testBoard(lonelyBoard());
    Outcome out = play("after nothing-ever\nframe +1 type UP\n");
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.find("replay-exit").num("status"), 2);
}

} // namespace
