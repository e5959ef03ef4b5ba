// soak: long random play of the real game, seed after seed, and what it
// found. See soakrun.h; HACKING.md tells how to run it.

#include "soakrun.h"
#include "soakscript.h"
#include "userfiles.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

static int usage() {
    fprintf(stderr,
            "usage: soak run [--seeds A-B] [--minutes M] [--jobs J] [--build DIR] [--keep]\n"
            "       soak script SEED FRAMES [WIDTH HEIGHT]\n"
            "run: plays seeds A to B (default 1-4), M virtual minutes each (default 30),\n"
            "     J at a time (default 1), with DIR/quenzy, DIR/data and DIR/test.bin\n"
            "     (default: the folder of this program); exits 1 when a seed found a fault\n");
    return 64;
}

static std::string ownFolder(const char *argv0) {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string self = n > 0 ? std::string(buf, size_t(n)) : std::string(argv0);
    size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

// One seed's result as lines of a results file, and back.
static void writeResult(FILE *f, const SoakResult &r) {
    fprintf(f, "seed %u %u %d\n", r.seed, r.frames, r.sessions);
    for (const auto &e : r.events)
        fprintf(f, "event %s %d\n", e.first.c_str(), e.second);
    for (const std::string &p : r.problems)
        fprintf(f, "problem %s\n", p.c_str());
    if (!r.dir.empty())
        fprintf(f, "dir %s\n", r.dir.c_str());
    fflush(f);
}

static std::vector<SoakResult> readResults(const std::string &path) {
    std::vector<SoakResult> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream w(line);
        std::string kind;
        w >> kind;
        if (kind == "seed") {
            out.emplace_back();
            w >> out.back().seed >> out.back().frames >> out.back().sessions;
        } else if (out.empty()) {
            continue;
        } else if (kind == "event") {
            std::string name;
            int n = 0;
            w >> name >> n;
            out.back().events[name] += n;
        } else if (kind == "problem") {
            out.back().problems.push_back(line.substr(8));
        } else if (kind == "dir") {
            out.back().dir = line.substr(4);
        }
    }
    return out;
}

static void report(const SoakResult &r) {
    printf("seed %u: %.1f virtual minutes in %d sessions: %s\n", r.seed, r.frames / 3600.0,
           r.sessions, r.problems.empty() ? "clean" : "FAULT");
    for (const std::string &p : r.problems)
        printf("  %s\n", p.c_str());
    if (!r.problems.empty() && !r.dir.empty())
        printf("  kept %s\n", r.dir.c_str());
    fflush(stdout);
}

static void summary(const std::vector<SoakResult> &all, double seconds) {
    unsigned long frames = 0;
    int clean = 0, sessions = 0;
    std::map<std::string, int> events;
    for (const SoakResult &r : all) {
        frames += r.frames;
        sessions += r.sessions;
        clean += r.problems.empty();
        for (const auto &e : r.events)
            events[e.first] += e.second;
    }
    printf("\n%zu seeds, %d clean, %d with a fault; %.1f virtual hours in %d sessions, %.0f s of "
           "real time\n",
           all.size(), clean, int(all.size()) - clean, frames / 216000.0, sessions, seconds);
    printf("%-12s %8s %s\n", "screen", "visits", "seeds");
    for (const SoakScreen &s : soakScreens()) {
        int seeds = 0;
        for (const SoakResult &r : all)
            seeds += soakScreenVisits(s, r.events) > 0;
        printf("%-12s %8d %d of %zu\n", s.name, soakScreenVisits(s, events), seeds, all.size());
    }
}

static int runSeeds(int argc, char **argv) {
    unsigned first = 1, last = 4;
    int jobs = 1;
    SoakOptions o;
    o.minutes = 30;
    std::string build = ownFolder(argv[0]);
    for (int i = 2; i < argc; i++) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--seeds" && more) {
            if (sscanf(argv[++i], "%u-%u", &first, &last) != 2)
                return usage();
        } else if (a == "--minutes" && more) {
            o.minutes = atof(argv[++i]);
        } else if (a == "--jobs" && more) {
            jobs = std::max(1, atoi(argv[++i]));
        } else if (a == "--build" && more) {
            build = argv[++i];
        } else if (a == "--keep") {
            o.keep = true;
        } else {
            return usage();
        }
    }
    if (last < first)
        return usage();
    o.game = build + "/quenzy";
    o.data = build + "/data";
    o.board = build + "/test.bin";
    if (access(o.game.c_str(), X_OK) != 0) {
        fprintf(stderr, "soak: no program %s\n", o.game.c_str());
        return 1;
    }
    char results[] = "/tmp/quenzy-soak-results-XXXXXX";
    if (!mkdtemp(results))
        return 1;
    auto started = std::chrono::steady_clock::now();
    // Worker k plays seeds first + k, first + k + jobs, ...
    for (int k = 0; k < jobs; k++) {
        if (fork() != 0)
            continue;
        std::string path = std::string(results) + "/" + std::to_string(k) + ".txt";
        FILE *f = fopen(path.c_str(), "w");
        if (!f)
            _exit(1);
        for (unsigned seed = first + unsigned(k); seed <= last; seed += unsigned(jobs)) {
            o.seed = seed;
            SoakResult r = soakRun(o);
            writeResult(f, r);
            report(r);
        }
        fclose(f);
        _exit(0);
    }
    while (wait(nullptr) > 0) {
    }
    std::vector<SoakResult> all;
    for (int k = 0; k < jobs; k++) {
        std::string path = std::string(results) + "/" + std::to_string(k) + ".txt";
        for (const SoakResult &r : readResults(path))
            all.push_back(r);
        unlink(path.c_str());
    }
    rmdir(results);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    summary(all, seconds);
    for (const SoakResult &r : all)
        if (!r.problems.empty())
            return 1;
    return all.size() == last - first + 1 ? 0 : 1;
}

int main(int argc, char **argv) {
    if (argc >= 2 && !strcmp(argv[1], "run"))
        return runSeeds(argc, argv);
    if ((argc == 4 || argc == 6) && !strcmp(argv[1], "script")) {
        int w = argc == 6 ? atoi(argv[4]) : 320, h = argc == 6 ? atoi(argv[5]) : 240;
        fputs(soakScript(unsigned(strtoul(argv[2], nullptr, 10)),
                         unsigned(strtoul(argv[3], nullptr, 10)), w, h)
                  .c_str(),
              stdout);
        return 0;
    }
    return usage();
}
