#include "soakrun.h"

#include "core/level.h"
#include "launcher.h"
#include "soakscript.h"
#include "storage/hiscores.h"
#include "userfiles.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

const std::vector<SoakScreen> &soakScreens() {
    static const std::vector<SoakScreen> screens = {
        {"intro", {"intro"}},          {"title", {"title"}},
        {"hiscores", {"hiscores"}},    {"options", {"options"}},
        {"binding", {"binding"}},      {"play", {"attempt"}},
        {"pause", {"pause"}},          {"tally", {"tally"}},
        {"life lost", {"lost"}},       {"game over", {"gameover"}},
        {"name entry", {"nameentry"}}, {"story", {"tutorial", "congrat"}},
    };
    return screens;
}

int soakScreenVisits(const SoakScreen &screen, const std::map<std::string, int> &events) {
    int n = 0;
    for (const char *e : screen.events) {
        auto it = events.find(e);
        if (it != events.end())
            n += it->second;
    }
    return n;
}

namespace {

bool writeFile(const std::string &path, const std::string &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// The first `count` levels of the real level file: a short game whose end
// (the congratulations page, the name entry after it) a soak can reach.
bool shortLevels(const std::string &from, const std::string &to, int count) {
    std::string bytes;
    if (!readWhole(from, &bytes) || bytes.size() < 1 + size_t(LEVEL_RECORD_SIZE) * count)
        return false;
    std::vector<uint8_t> b(bytes.begin(), bytes.end());
    descrambleLevels(b.data(), unsigned(b.size()));
    b.resize(1 + size_t(LEVEL_RECORD_SIZE) * count);
    b[0] = uint8_t(count);
    scrambleLevels(b.data(), unsigned(b.size()));
    return writeFile(to, std::string(b.begin(), b.end()));
}

// A table whose best row is the name that makes AUTO RESOLVE unlimited and
// lets Shift+X skip levels: a player who found it travels much further.
bool specialTable(const std::string &folder) {
    char *old = configFolder;
    std::string f = folder;
    configFolder = &f[0];
    static const char *const names[HISCORE_ROWS] = {"OXBLURT", "PIPPA", "ZIGGY", "BOBO",  "MANGO",
                                                    "LULU",    "DODO",  "TIKI",  "BINGO", "COCO"};
    for (int r = 0; r < HISCORE_ROWS; r++) {
        memset(&hiscores[r], 0, sizeof hiscores[r]);
        strncpy(hiscores[r].name, names[r], HISCORE_NAME - 1);
        hiscores[r].kind = r == 0 ? KIND_PLAYER : KIND_DEFAULT;
        hiscores[r].score = 100 * (HISCORE_ROWS - r);
    }
    saveBuffer();
    configFolder = old;
    struct stat st;
    return stat((folder + "/hiscores.dat").c_str(), &st) == 0;
}

struct Session {
    std::vector<std::string> args;
    int width, height;
};

Session pickSession(SoakRandom &rnd) {
    static const Session choices[] = {
        {{}, 320, 240},       {{"-t"}, 320, 240},
        {{"-x2"}, 640, 480},  {{"-t", "-s2x"}, 640, 480},
        {{"-b24"}, 320, 240}, {{"-bl2", "-b24"}, 640, 480},
        {{"-sl2"}, 640, 480}, {{"-fs"}, 640, 480},
    };
    return choices[rnd.below(sizeof choices / sizeof *choices)];
}

// Runs the program in `dir`; the exit status, 128 + the signal for a
// killed one, or -1 when it had to be stopped after `limit` seconds.
int runProgram(const SoakOptions &o, const std::string &dir, const Session &s, int n) {
    pid_t pid = fork();
    if (pid == 0) {
        char name[32];
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        snprintf(name, sizeof name, "stderr-%d.txt", n);
        int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 2) < 0 || dup2(fd, 1) < 0)
            _exit(126);
        setenv("HOME", (dir + "/home").c_str(), 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        snprintf(name, sizeof name, "script-%d.txt", n);
        setenv("QUENZY_REPLAY", name, 1);
        snprintf(name, sizeof name, "trace-%d.txt", n);
        setenv("QUENZY_TRACE", name, 1);
        unsetenv("QUENZY_RECORD");
        unsetenv("QUENZY_DUMP_EVERY");
        unsetenv("QUENZY_AUDIO_OUT");
        execLaunched(o.game, s.args);
        _exit(127);
    }
    if (pid < 0)
        return -2;
    return waitLimited(pid, o.realLimit);
}

// Counts the trace's events; returns the last frame it names.
unsigned readTrace(const std::string &path, std::map<std::string, int> &events) {
    std::string text;
    unsigned last = 0;
    if (!readWhole(path, &text))
        return 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string w, event;
        unsigned frame = 0, time = 0;
        if (words >> w >> frame >> w >> time >> event) {
            events[event]++;
            last = frame;
        }
    }
    return last;
}

std::string firstLines(const std::string &text, int n) {
    std::istringstream in(text);
    std::string line, out;
    while (n-- > 0 && std::getline(in, line))
        out += (out.empty() ? "" : " | ") + line;
    return out;
}

bool setUp(const SoakOptions &o, SoakRandom &rnd, SoakResult &r) {
    char path[] = "/tmp/quenzy-soak-XXXXXX";
    if (!mkdtemp(path)) {
        r.problems.push_back(std::string("mkdtemp: ") + strerror(errno));
        return false;
    }
    r.dir = path;
    std::string home = r.dir + "/home";
    if (mkdir(home.c_str(), 0755) || mkdir((r.dir + "/data").c_str(), 0755)) {
        r.problems.push_back("cannot make the run's folders");
        return false;
    }
    for (const char *name : {"gfx.ova", "music.ova", "sound.ova"}) {
        std::string from = o.data + "/" + name, to = r.dir + "/data/" + name;
        if (symlink(from.c_str(), to.c_str()) != 0) {
            r.problems.push_back("cannot link " + from);
            return false;
        }
    }
    // Half the seeds play the whole game, half a short one they can finish.
    std::string levels = o.data + "/levels.bin", to = r.dir + "/data/levels.bin";
    bool ok = rnd.chance(50) ? symlink(levels.c_str(), to.c_str()) == 0
                             : shortLevels(levels, to, rnd.between(1, 3));
    std::string board;
    ok = ok && readWhole(o.board, &board) && writeFile(r.dir + "/test.bin", board);
    if (ok && rnd.chance(30))
        ok = mkdir((home + "/.quenzy").c_str(), 0755) == 0 && specialTable(home + "/.quenzy");
    if (!ok)
        r.problems.push_back("cannot set up the data of " + r.dir);
    return ok;
}

} // namespace

SoakResult soakRun(const SoakOptions &o) {
    SoakResult r;
    r.seed = o.seed;
    SoakRandom rnd(o.seed);
    if (!setUp(o, rnd, r))
        return r;
    const unsigned total = unsigned(o.minutes * 60 * 60);
    while (r.frames < total && r.problems.empty()) {
        int n = r.sessions++;
        Session s = pickSession(rnd);
        unsigned frames = std::min<unsigned>(total - r.frames, rnd.between(1800, 36000));
        char name[32];
        snprintf(name, sizeof name, "/script-%d.txt", n);
        if (!writeFile(r.dir + name, soakScript(rnd.next(), frames, s.width, s.height))) {
            r.problems.push_back("cannot write a script");
            break;
        }
        int status = runProgram(o, r.dir, s, n);
        snprintf(name, sizeof name, "/trace-%d.txt", n);
        unsigned played = readTrace(r.dir + name, r.events);
        r.frames += std::max(played, 1u);
        std::string err, where = " (session " + std::to_string(n) + ")";
        snprintf(name, sizeof name, "/stderr-%d.txt", n);
        readWhole(r.dir + name, &err);
        if (status == 2)
            r.problems.push_back("stalled: " + firstLines(err, 1) + where);
        else if (status == -1)
            r.problems.push_back("still running after " + std::to_string(o.realLimit) +
                                 " s of real time" + where);
        else if (status != 0)
            r.problems.push_back("exit status " + std::to_string(status) + where);
        // Nothing is written there by a clean run: sanitizer reports are.
        if (!err.empty())
            r.problems.push_back("stderr: " + firstLines(err, 3) + where);
        for (const std::string &p : checkUserFiles(r.dir + "/home/.quenzy"))
            r.problems.push_back(p + where);
    }
    if (r.problems.empty() && !o.keep) {
        std::string cmd = "rm -rf '" + r.dir + "'";
        if (system(cmd.c_str()) == 0)
            r.dir.clear();
    }
    return r;
}
