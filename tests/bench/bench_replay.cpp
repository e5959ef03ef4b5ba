// Wall time of one replay through the real program: two virtual minutes of a
// level nobody plays, until the time is up. Run from the build folder, which
// holds quenzy and data/.

#include "launcher.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void writeFile(const std::string &path, const void *bytes, size_t size) {
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(bytes, 1, size, f);
        fclose(f);
    }
}

// A folder with data/ linked from the build folder, a test board of one 3
// whose target wants a 1, and the script.
std::string makeFolder(const std::string &build) {
    const char *base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quenzy-bench-XXXXXX";
    if (!mkdtemp(&pattern[0]))
        return "";
    mkdir((pattern + "/data").c_str(), 0755);
    for (const char *name : {"gfx.ova", "music.ova", "sound.ova", "levels.bin"})
        symlink((build + "/data/" + name).c_str(), (pattern + "/data/" + name).c_str());
    unsigned char board[160] = {};
    board[16 * 9 + 2] = 3;
    board[16 * 9 + 8 + 2] = 1;
    writeFile(pattern + "/test.bin", board, sizeof board);
    const char script[] = "after lost\nframe +1 exit\n";
    writeFile(pattern + "/script.txt", script, sizeof script - 1);
    return pattern;
}

int runReplay(const std::string &exe, const std::string &dir) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        setenv("HOME", dir.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("QUENZY_REPLAY", "script.txt", 1);
        execLaunched(exe, {"-t"});
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void replayTwoMinutes(benchmark::State &state) {
    char *cwd = getcwd(nullptr, 0);
    std::string build = cwd;
    free(cwd);
    std::string dir = makeFolder(build);
    if (dir.empty()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    for (auto _ : state)
        if (runReplay(build + "/quenzy", dir) != 0) {
            state.SkipWithError("the replay failed (run from the build folder)");
            break;
        }
    nftw(
        dir.c_str(), [](const char *p, const struct stat *, int, FTW *) { return remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
}
BENCHMARK(replayTwoMinutes)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
