// allocfail: the real program run once for each allocation failed on
// purpose, from the first SDL_Init to the end of the first level (see
// allocrun.h), and what each run did. HACKING.md tells how to run it.

#include "allocrun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

int usage() {
    fprintf(stderr, "usage: allocfail run [--from A] [--to B] [--sample K --seed S] [--jobs J]\n"
                    "                     [--build DIR] [--keep]\n"
                    "Fails allocation n in one run of the game for each n from A (default 1)\n"
                    "to B (default: one past the last allocation of a clean run), or for K of\n"
                    "them drawn with seed S; J runs at a time (default 1). DIR holds quenzy,\n"
                    "data/ and libfaults.so (default: the folder of this program). Exits 1\n"
                    "when a run crashed, hung, stalled or damaged a user file; the faults of\n"
                    "the libraries' own that the game cannot prevent are listed apart.\n");
    return 64;
}

std::string ownFolder(const char *argv0) {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string self = n > 0 ? std::string(buf, size_t(n)) : std::string(argv0);
    size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

struct Plan {
    AllocOptions options;
    unsigned long from = 1, to = 0;
    unsigned long sample = 0, seed = 1;
    int jobs = 1;
};

bool parse(int argc, char **argv, Plan &p) {
    std::string build = ownFolder(argv[0]);
    for (int i = 2; i < argc; i++) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--from" && more)
            p.from = strtoul(argv[++i], nullptr, 10);
        else if (a == "--to" && more)
            p.to = strtoul(argv[++i], nullptr, 10);
        else if (a == "--sample" && more)
            p.sample = strtoul(argv[++i], nullptr, 10);
        else if (a == "--seed" && more)
            p.seed = strtoul(argv[++i], nullptr, 10);
        else if (a == "--jobs" && more)
            p.jobs = std::max(1, atoi(argv[++i]));
        else if (a == "--build" && more)
            build = argv[++i];
        else if (a == "--keep")
            p.options.keep = true;
        else
            return false;
    }
    p.options.game = build + "/quenzy";
    p.options.data = build + "/data";
    p.options.faults = build + "/libfaults.so";
    return p.from >= 1;
}

std::vector<unsigned long> choose(const Plan &p) {
    std::vector<unsigned long> all;
    for (unsigned long n = p.from; n <= p.to; n++)
        all.push_back(n);
    if (p.sample == 0 || p.sample >= all.size())
        return all;
    std::mt19937 rng(static_cast<unsigned>(p.seed));
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(p.sample);
    std::sort(all.begin(), all.end());
    return all;
}

void describe(FILE *f, const AllocResult &r) {
    fprintf(f, "n %lu: %s, status %d%s%s", r.n, allocKindName(r.kind), r.status,
            r.message.empty() ? "" : ": ", r.message.c_str());
    if (r.reached)
        fprintf(f, " (failed %lu bytes)", r.size);
    else
        fprintf(f, " (never reached)");
    for (const std::string &problem : r.problems)
        fprintf(f, "; %s", problem.c_str());
    if (!r.dir.empty())
        fprintf(f, "; kept %s", r.dir.c_str());
    fprintf(f, "\n");
}

// Worker k runs the k-th, (k + jobs)-th, ... of `ns`; one line each, in the
// form describe() prints, into `path`.
void work(const Plan &p, const std::vector<unsigned long> &ns, int k, const std::string &path) {
    FILE *f = fopen(path.c_str(), "w");
    if (!f)
        _exit(1);
    for (size_t i = size_t(k); i < ns.size(); i += size_t(p.jobs)) {
        AllocResult r = allocRun(p.options, ns[i]);
        describe(f, r);
        fflush(f);
        if (!allocClean(r))
            describe(stdout, r);
        fflush(stdout);
    }
    fclose(f);
    _exit(0);
}

// Counts by kind and by message, from the workers' lines.
int summarise(const std::vector<std::string> &lines) {
    std::map<std::string, int> kinds;
    std::map<std::string, std::map<std::string, int>> messages; // by kind
    int bad = 0;
    for (const std::string &line : lines) {
        size_t colon = line.find(": ") + 2, comma = line.find(", status");
        std::string kind = line.substr(colon, comma - colon);
        kinds[kind]++;
        if (kind == allocKindName(ALLOC_FATAL) || kind == allocKindName(ALLOC_LIBRARY)) {
            size_t m = line.find(": ", comma) + 2, end = line.find(" (", m);
            messages[kind][line.substr(m, end - m)]++;
        } else if (kind != allocKindName(ALLOC_PLAYED)) {
            bad++;
        }
    }
    printf("\n%zu runs\n", lines.size());
    for (const auto &k : kinds)
        printf("%6d %s\n", k.second, k.first.c_str());
    for (const auto &byKind : messages) {
        printf("%s:\n", byKind.first.c_str());
        for (const auto &m : byKind.second)
            printf("%6d   %s\n", m.second, m.first.c_str());
    }
    return bad ? 1 : 0;
}

int runAll(Plan &p) {
    if (access(p.options.game.c_str(), X_OK) != 0 || access(p.options.faults.c_str(), R_OK)) {
        fprintf(stderr, "allocfail: no %s or %s\n", p.options.game.c_str(),
                p.options.faults.c_str());
        return 1;
    }
    std::string why;
    unsigned long count = allocCount(p.options, &why);
    if (!count) {
        fprintf(stderr, "allocfail: a run without a failure did not play through: %s\n",
                why.c_str());
        return 1;
    }
    printf("a clean run makes %lu allocations from the first SDL_Init\n", count);
    if (p.to == 0)
        p.to = count + 1;
    std::vector<unsigned long> ns = choose(p);
    char results[] = "/tmp/quenzy-allocfail-results-XXXXXX";
    if (!mkdtemp(results))
        return 1;
    fflush(stdout);
    for (int k = 0; k < p.jobs; k++)
        if (fork() == 0)
            work(p, ns, k, std::string(results) + "/" + std::to_string(k) + ".txt");
    while (wait(nullptr) > 0) {
    }
    std::vector<std::string> lines;
    for (int k = 0; k < p.jobs; k++) {
        std::string path = std::string(results) + "/" + std::to_string(k) + ".txt";
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
        unlink(path.c_str());
    }
    rmdir(results);
    return summarise(lines);
}

} // namespace

int main(int argc, char **argv) {
    Plan p;
    if (argc < 2 || std::string(argv[1]) != "run" || !parse(argc, argv, p))
        return usage();
    return runAll(p);
}
