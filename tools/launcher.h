#pragma once

// How the tests and the tools start a built program. In a cross build the
// programs are another machine's and run under its emulator: ctest puts the
// words that start one (the emulator and its options) in QUENZY_LAUNCHER,
// and every place that starts a built program puts them first. Unset on a
// native build.

#include <csignal>
#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// The launcher's words, then `program`: an argument list for execvp.
inline std::vector<std::string> launchWords(const std::string &program) {
    std::vector<std::string> words;
    const char *launcher = getenv("QUENZY_LAUNCHER");
    std::istringstream in(launcher ? launcher : "");
    for (std::string w; in >> w;)
        words.push_back(w);
    words.push_back(program);
    return words;
}

// Replaces this process with `program` started with `args`; returns only
// when that fails.
inline void execLaunched(const std::string &program, const std::vector<std::string> &args) {
    std::vector<std::string> words = launchWords(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
}

// The variable that preloads `library` into a started program, as
// name=value: under an emulator the program's own loader must see it (the
// emulator's would load a library of the other machine into itself).
inline std::string preloadVariable(const std::string &library) {
    bool emulated = launchWords("").size() > 1;
    return (emulated ? "QEMU_SET_ENV=LD_PRELOAD=" : "LD_PRELOAD=") + library;
}

// The launcher's words as the start of a shell command (system, popen), each
// quoted and followed by a space; empty on a native build.
inline std::string launchPrefix() {
    std::vector<std::string> words = launchWords("");
    words.pop_back();
    std::string prefix;
    for (const std::string &w : words)
        prefix += "'" + w + "' ";
    return prefix;
}

// Waits for the started program `pid`, polling so that a hung one can be
// stopped: its exit status, 128 + the signal that killed it, or -1 when it
// was still running after `seconds` of real time and was killed.
inline int waitLimited(pid_t pid, long seconds) {
    int status = 0;
    for (long waited = 0; waited < seconds * 100L; waited++) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}
