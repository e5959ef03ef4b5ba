#include "allocrun.h"

#include "launcher.h"
#include "storage/hiscores.h"
#include "userfiles.h"

#include <algorithm>
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
// level 1 solved by a click on its one pick (4, 9), the tally skipped once
// the hero has jumped, and out as level 2 begins (the game saved by then).
// A click, not the solve key: that needs the hiscore table read, and a
// failure while reading it must leave the game playable all the same.
const char SCRIPT[] = "after intro\n"
                      "after intro\n"
                      "frame +1 type SPACE\n"
                      "after title\n"
                      "frame +5 type RETURN\n"
                      "frame +5 type RETURN\n"
                      "after tutorial\n"
                      "frame +5 type LCTRL\n"
                      "after attempt\n"
                      "frame +1 click 88 216\n"
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

// A table of the player's scores, written by the game's own writer: a user
// file that no failure may damage or replace.
bool playerTable(const std::string &folder) {
    char *old = configFolder;
    std::string f = folder;
    configFolder = &f[0];
    for (int r = 0; r < HISCORE_ROWS; r++) {
        memset(&hiscores[r], 0, sizeof hiscores[r]);
        snprintf(hiscores[r].name, HISCORE_NAME, "ROW %d", r);
        hiscores[r].kind = r < 3 ? KIND_PLAYER : KIND_DEFAULT;
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
    ok = ok && playerTable(dir + "/home/.quenzy") && writeFile(dir + "/script.txt", SCRIPT);
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

// The function named in one frame of a logged stack, "file(name+0x1f)[0x...]";
// empty for a function without an exported name.
std::string frameName(const std::string &line) {
    size_t open = line.find('('), plus = line.find('+', open);
    return open == std::string::npos || plus == std::string::npos
               ? ""
               : line.substr(open + 1, plus - open - 1);
}

// What the faults library logged: the failed allocation with its stack, the
// stack of a crash, and the count.
void readLog(const std::string &path, AllocResult &r, unsigned long *count) {
    std::string text;
    readWhole(path, &text);
    std::istringstream in(text);
    std::vector<std::string> *stack = nullptr;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string what;
        words >> what;
        if (what == "failed") {
            words >> r.n >> r.size;
            r.reached = true;
            stack = &r.failedIn;
        } else if (what == "signal") {
            stack = &r.crashIn;
        } else if (what == "allocations") {
            words >> *count;
            stack = nullptr;
        } else if (stack && !frameName(line).empty()) {
            stack->push_back(frameName(line));
        }
    }
}

// Faults of the libraries' own that the game cannot prevent: an allocation
// failed inside `through` ends the run as `kind` (with `status`, when not 0),
// a crash first in `crashedIn` (when given).
struct LibraryFault {
    AllocKind kind;
    int status;
    const char *through;
    const char *crashedIn;
    const char *why;
};

const LibraryFault libraryFaults[] = {
    {ALLOC_CRASHED, 0, "SDL_VideoInit", "SDL_VideoQuit",
     "SDL 1.2: SDL_VideoInit, failing, calls SDL_VideoQuit on a half-made display"},
    {ALLOC_OTHER, 10, "Timidity_Init", nullptr,
     "SDL_mixer 1.2: its Timidity ends the program with status 10 when an allocation fails"},
    {ALLOC_CRASHED, 0, "Mix_OpenAudio", "Mix_OpenAudio",
     "SDL_mixer 1.2: Mix_OpenAudio uses its channel table without checking the allocation"},
    {ALLOC_CRASHED, 0, "Mix_AllocateChannels", "Mix_AllocateChannels",
     "SDL_mixer 1.2: Mix_AllocateChannels uses the grown table without checking realloc"},
};

bool has(const std::vector<std::string> &names, const char *name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

const LibraryFault *libraryFault(const AllocResult &r) {
    for (const LibraryFault &f : libraryFaults) {
        if (f.kind != r.kind || (f.status && f.status != r.status) || !has(r.failedIn, f.through))
            continue;
        if (f.crashedIn && (r.crashIn.empty() || r.crashIn[0] != f.crashedIn))
            continue;
        return &f;
    }
    return nullptr;
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
    if (const LibraryFault *f = libraryFault(r)) {
        r.kind = ALLOC_LIBRARY;
        r.message = f->why;
    }
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
    return r.kind == ALLOC_FATAL || r.kind == ALLOC_PLAYED || r.kind == ALLOC_LIBRARY;
}

const char *allocKindName(AllocKind kind) {
    static const char *const names[ALLOC_KINDS] = {
        "fatal message", "played on", "library fault",     "stalled", "crashed",
        "hung",          "other end", "damaged user file", "not run"};
    return kind >= 0 && kind < ALLOC_KINDS ? names[kind] : "?";
}
