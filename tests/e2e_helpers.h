#pragma once

// The end-to-end harness: the real program, headless, driven by a replay
// script in a temporary folder of its own, observed through its trace, its
// dumps and the files it writes. Shared by every end-to-end test file.

#include "core/level.h"
#include "core/savegame.h"
#include "launcher.h"
#include "storage/hiscores.h"
#include "storage/winova.h"
#include "temp_helpers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace e2e {

// One board of 160 bytes (start and target), as test.bin holds it, or the
// first 160 bytes of a level record.
struct Board {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(LEVEL_BOARDS_SIZE, 0);
    Board &start(int x, int y, int v) {
        bytes[startCell(x, y)] = static_cast<uint8_t>(v);
        return *this;
    }
    Board &target(int x, int y, int v) {
        bytes[targetCell(x, y)] = static_cast<uint8_t>(v);
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
    std::vector<TraceLine> trace;
    std::string dir;
    std::string err; // what the program wrote to stderr, when captured
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

inline std::string readText(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

inline std::vector<TraceLine> parseTrace(const std::string &text) {
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
inline std::vector<uint8_t> levelFile(const std::vector<Board> &boards,
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

// The entries of one of our built archives (build/data), in directory
// order: name and bytes.
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> archiveEntries(const char *name) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> entries;
    std::string path = std::string(QUENZY_BINARY_DIR) + "/data/" + name;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return entries;
    OVAEntry *dirs = nullptr;
    uint32_t count = 0;
    if (readOVADirectory(f, &dirs, &count) == 0) {
        for (uint32_t i = 0; i < count; i++) {
            uint32_t length = 0;
            uint8_t *bytes = readOVAEntry(f, &dirs[i], &length);
            if (bytes)
                entries.push_back({dirs[i].name, std::vector<uint8_t>(bytes, bytes + length)});
            free(bytes);
        }
    }
    free(dirs);
    fclose(f);
    return entries;
}

class EndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        dir = makeTempDir("quenzy-e2e");
        ASSERT_FALSE(dir.empty());
        ASSERT_EQ(mkdir((dir + "/home").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
        // Our data, but a level file of the test's own when it writes one.
        for (const char *name : {"gfx.ova", "music.ova", "sound.ova", "levels.bin"}) {
            std::string from = std::string(QUENZY_BINARY_DIR) + "/data/" + name;
            ASSERT_EQ(symlink(from.c_str(), (dir + "/data/" + name).c_str()), 0);
        }
    }
    void TearDown() override {
        // A failed test leaves its folder to look at.
        if (!HasFailure()) {
            EXPECT_EQ(removeTree(dir), 0) << dir;
        } else {
            printf("kept %s (trace.txt, dumps)\n", dir.c_str());
        }
    }
    void testBoard(const Board &b) { writeBytes(dir + "/test.bin", b.bytes); }
    // A hiscore table of ten modest rows with `name` in row 4, as the program
    // finds it at start.
    void hiscoreName(const char *name) {
        std::string folder = dir + "/home/.quenzy";
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        char *old = configFolder;
        configFolder = const_cast<char *>(folder.c_str());
        for (int r = 0; r < HISCORE_ROWS; r++) {
            hiscores[r] = HiscoreEntry();
            if (r == 4)
                snprintf(hiscores[r].name, HISCORE_NAME, "%s", name);
            else
                snprintf(hiscores[r].name, HISCORE_NAME, "ROW%d", r);
            hiscores[r].score = 1000 - 10 * r;
        }
        saveBuffer();
        configFolder = old;
    }
    void levels(const std::vector<uint8_t> &file) {
        unlink((dir + "/data/levels.bin").c_str());
        writeBytes(dir + "/data/levels.bin", file);
    }
    // Starts the program on `script` with `args` and `env` added to the
    // environment; its process id.
    pid_t start(const std::string &script, const std::vector<std::string> &args,
                const std::vector<std::pair<std::string, std::string>> &env) {
        writeBytes(dir + "/script.txt", std::vector<uint8_t>(script.begin(), script.end()));
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0)
                _exit(126);
            if (captureStderr) {
                int fd = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (fd < 0 || dup2(fd, 2) < 0)
                    _exit(126);
            }
            setenv("HOME", (dir + "/home").c_str(), 1);
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            setenv("QUENZY_REPLAY", "script.txt", 1);
            if (traced)
                setenv("QUENZY_TRACE", "trace.txt", 1);
            else
                unsetenv("QUENZY_TRACE");
            setenv("QUENZY_DUMP_DIR", dir.c_str(), 1);
            unsetenv("QUENZY_RECORD");
            unsetenv("QUENZY_DUMP_EVERY");
            for (const auto &kv : env)
                setenv(kv.first.c_str(), kv.second.c_str(), 1);
            execLaunched(std::string(QUENZY_BINARY_DIR) + "/quenzy", args);
            _exit(127);
        }
        return pid;
    }
    // Runs the program on `script` with `args` (test mode by default) and
    // `env` added to the environment.
    Outcome play(const std::string &script, const std::vector<std::string> &args = {"-t"},
                 const std::vector<std::pair<std::string, std::string>> &env = {}) {
        Outcome out;
        pid_t pid = start(script, args, env);
        // No clock here: a replay ends itself after a bounded number of
        // virtual frames (status 2 when the script stalls).
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid)
            out.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        out.trace = parseTrace(readText(dir + "/trace.txt"));
        if (captureStderr)
            out.err = readText(dir + "/stderr.txt");
        out.dir = dir;
        return out;
    }
    Outcome playFile(const char *name, const std::vector<std::string> &args = {"-t"}) {
        return play(readText(std::string(QUENZY_SOURCE_DIR) + "/tests/e2e/" + name), args);
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
    bool captureStderr = false; // play() puts the program's stderr in Outcome::err
    bool traced = true;         // the program writes trace.txt
};

// The start of a script for the program started without -t: the splash
// plays out, any key ends the credits, and the lines after it wait for the
// title.
const char THROUGH_INTROS[] = "after intro\n"
                              "after intro\n"
                              "frame +1 type SPACE\n"
                              "after title\n";

} // namespace e2e
