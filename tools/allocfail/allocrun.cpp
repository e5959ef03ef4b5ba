#include "allocrun.h"

#include "launcher.h"
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
#include <vector>

namespace {

// Through the splash and the credits to the title, NEW GAME, HOW TO PLAY,
// level 1 solved by the solve key, the tally skipped once the hero has
// jumped, and out as level 2 begins (the game saved by then).
const char SCRIPT[] = "after intro\n"
                      "after intro\n"
                      "frame +1 type SPACE\n"
                      "after title\n"
                      "frame +5 type RETURN\n"
                      "frame +5 type RETURN\n"
                      "after tutorial\n"
                      "frame +5 type LCTRL\n"
                      "after attempt\n"
                      "frame +1 type x shift\n"
                      "after tally\n"
                      "frames +142-+172 every 10 type LCTRL\n"
                      "after next\n"
                      "frame +1 exit\n";

bool writeFile(const std::string &path, const std::string &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// A table whose best row is the name that lets Shift+X play a level's
// solution, written by the game's own writer.
bool solverTable(const std::string &folder) {
    char *old = configFolder;
    std::string f = folder;
    configFolder = &f[0];
    for (int r = 0; r < HISCORE_ROWS; r++) {
        memset(&hiscores[r], 0, sizeof hiscores[r]);
        snprintf(hiscores[r].name, HISCORE_NAME, r == 0 ? "OXBLURT" : "ROW %d", r);
        hiscores[r].kind = r == 0 ? KIND_PLAYER : KIND_DEFAULT;
        hiscores[r].score = 100 * (HISCORE_ROWS - r);
    }
    saveBuffer();
    configFolder = old;
    return access((folder + "/hiscores.dat").c_str(), R_OK) == 0;
}

std::string setUp(const AllocOptions &o, AllocResult &r) {
    const char *base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quenzy-allocfail-XXXXXX";
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    if (!mkdtemp(path.data())) {
        r.problems.push_back("mkdtemp: " + std::string(strerror(errno)));
        return "";
    }
    std::string dir = path.data();
    bool ok = mkdir((dir + "/home").c_str(), 0755) == 0 &&
              mkdir((dir + "/home/.quenzy").c_str(), 0755) == 0 &&
              mkdir((dir + "/data").c_str(), 0755) == 0;
    for (const char *name : {"gfx.ova", "music.ova", "sound.ova", "levels.bin"}) {
        std::string from = o.data + "/" + name, to = dir + "/data/" + name;
        ok = ok && symlink(from.c_str(), to.c_str()) == 0;
    }
    ok = ok && solverTable(dir + "/home/.quenzy") && writeFile(dir + "/script.txt", SCRIPT);
    if (!ok)
        r.problems.push_back("cannot set up " + dir);
    return dir;
}

// The whole environment of a run: the same count of allocations for the
// same n whoever starts it (the locale and other variables change it).
std::vector<std::string> environment(const AllocOptions &o, const std::string &dir,
                                     unsigned long n) {
    return {"HOME=" + dir + "/home",
            "SDL_VIDEODRIVER=dummy",
            "SDL_AUDIODRIVER=dummy",
            "QUENZY_REPLAY=script.txt",
            "QUENZY_TRACE=trace.txt",
            preloadVariable(o.faults),
            "FAULT_ALLOC_AT=" + std::to_string(n),
            "FAULT_LOG=faults.txt"};
}

// rerun.sh in the run's folder: the same run under gdb, to see the stack.
bool writeRerun(const AllocOptions &o, const std::string &dir, unsigned long n) {
    std::string script = "#!/bin/sh\n# The run again under gdb (rm faults.txt trace.txt first).\n"
                         "cd \"$(dirname \"$0\")\" && exec env -i";
    for (const std::string &e : environment(o, dir, n))
        if (e.compare(0, 11, "LD_PRELOAD=") != 0)
            script += " '" + e + "'";
    script += " gdb -q -batch -ex 'unset environment LINES' -ex 'unset environment COLUMNS'"
              " -ex 'set environment LD_PRELOAD " +
              o.faults + "' -ex run -ex bt '" + o.game + "'\n";
    return writeFile(dir + "/rerun.sh", script) && chmod((dir + "/rerun.sh").c_str(), 0755) == 0;
}

[[noreturn]] void startGame(const AllocOptions &o, const std::string &dir, unsigned long n) {
    if (chdir(dir.c_str()) != 0)
        _exit(126);
    int fd = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, 2) < 0 || dup2(fd, 1) < 0)
        _exit(126);
    std::vector<std::string> env = environment(o, dir, n);
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);
    std::vector<std::string> words = launchWords(o.game);
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
}

// The exit status, 128 + the signal of a killed run, or -1 when it had to
// be stopped at the real-time limit.
int runGame(const AllocOptions &o, const std::string &dir, unsigned long n) {
    pid_t pid = fork();
    if (pid == 0)
        startGame(o, dir, n);
    if (pid < 0)
        return -2;
    return waitLimited(pid, o.realLimit);
}

std::string firstLine(const std::string &text) {
    return text.substr(0, text.find('\n'));
}

AllocKind kindOf(int status, const std::string &err, const std::string &trace) {
    if (status == -1)
        return ALLOC_HUNG;
    if (status >= 128)
        return ALLOC_CRASHED;
    if (status == 2)
        return ALLOC_STALLED;
    if (status == 1 && !err.empty())
        return ALLOC_FATAL;
    if (status == 0 && trace.find(" next ") != std::string::npos)
        return ALLOC_PLAYED;
    return ALLOC_OTHER;
}

// What the faults library logged: the failed allocation and the count.
void readLog(const std::string &path, AllocResult &r, unsigned long *count) {
    std::string text;
    readWhole(path, &text);
    std::istringstream in(text);
    std::string what;
    while (in >> what) {
        if (what == "failed") {
            in >> r.n >> r.size;
            r.reached = true;
        } else if (what == "allocations") {
            in >> *count;
        }
    }
}

AllocResult runOnce(const AllocOptions &o, unsigned long n, unsigned long *count) {
    AllocResult r;
    r.n = n;
    r.dir = setUp(o, r);
    if (!r.problems.empty())
        return r;
    writeRerun(o, r.dir, n);
    r.status = runGame(o, r.dir, n);
    std::string err, trace;
    readWhole(r.dir + "/stderr.txt", &err);
    readWhole(r.dir + "/trace.txt", &trace);
    r.message = firstLine(err);
    r.kind = kindOf(r.status, err, trace);
    readLog(r.dir + "/faults.txt", r, count);
    r.n = n;
    r.problems = checkUserFiles(r.dir + "/home/.quenzy");
    if (!r.problems.empty())
        r.kind = ALLOC_DAMAGED;
    if (allocClean(r) && !o.keep) {
        std::string cmd = "rm -rf '" + r.dir + "'";
        if (system(cmd.c_str()) == 0)
            r.dir.clear();
    }
    return r;
}

} // namespace

unsigned long allocCount(const AllocOptions &o, std::string *why) {
    unsigned long count = 0;
    AllocResult r = runOnce(o, 0, &count);
    if (r.kind != ALLOC_PLAYED || count == 0) {
        *why = std::string(allocKindName(r.kind)) + ", status " + std::to_string(r.status) +
               (r.message.empty() ? "" : ": " + r.message) +
               (r.problems.empty() ? "" : "; " + r.problems[0]) +
               (count ? "" : "; no count from the faults library");
        return 0;
    }
    return count;
}

AllocResult allocRun(const AllocOptions &o, unsigned long n) {
    unsigned long count = 0;
    return runOnce(o, n, &count);
}

bool allocClean(const AllocResult &r) {
    return r.kind == ALLOC_FATAL || r.kind == ALLOC_PLAYED;
}

const char *allocKindName(AllocKind kind) {
    static const char *const names[ALLOC_KINDS] = {"fatal message",     "played on", "stalled",
                                                   "crashed",           "hung",      "other end",
                                                   "damaged user file", "not run"};
    return kind >= 0 && kind < ALLOC_KINDS ? names[kind] : "?";
}
