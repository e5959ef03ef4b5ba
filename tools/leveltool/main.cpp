// leveltool: makes, checks and packs the game's levels.

#include "generate.h"
#include "levelfile.h"
#include "solver.h"
#include "verify.h"

#include "core/level.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

static const char *usage =
    "usage:\n"
    "  leveltool pack -o OUT.bin FILE...      pack text levels into a scrambled level file\n"
    "  leveltool testboard -o OUT.bin FILE    boards of the first level of FILE as a test board\n"
    "  leveltool verify [--seeds N] [--budget NODES] FILE...\n"
    "                                         check every level; non-zero exit if any is unsound\n"
    "  leveltool solve [--depth N] [--budget NODES] FILE...\n"
    "                                         fewest picks from start to target of each level\n"
    "  leveltool show FILE...                 print levels (text or .bin) as text\n"
    "  leveltool generate --seed S --picks N [--shape NAME|random] [--kinds K]\n"
    "                     [--count C] [--tries T] [--budget NODES]\n"
    "                                         print candidate levels of exactly N optimal picks\n"
    "FILE is a text level file, or a scrambled level file when its name ends in .bin.\n"
    "Defaults: --seeds 50 (rand() seeds per replay), --budget 2000000 (search nodes per\n"
    "level), --depth 20, --shape random, --kinds 5, --count 1, --tries 200.\n";

struct Args {
    std::vector<const char *> files;
    const char *output = nullptr;
    const char *shape = "random";
    uint64_t seed = 1, budget = 2000000;
    int seeds = 50, depth = 20, picks = 0, kinds = 5, count = 1, tries = 200;
};

static bool parseNumber(const char *text, uint64_t &value) {
    char *end = nullptr;
    value = strtoull(text, &end, 10);
    return *text && !*end;
}

static bool parseArgs(int argc, char **argv, Args &args) {
    struct IntOption {
        const char *name;
        int *value;
    } ints[] = {{"--seeds", &args.seeds}, {"--depth", &args.depth}, {"--picks", &args.picks},
                {"--kinds", &args.kinds}, {"--count", &args.count}, {"--tries", &args.tries}};
    for (int i = 2; i < argc; i++) {
        const char *a = argv[i];
        bool option = a[0] == '-' && a[1];
        if (!option) {
            args.files.push_back(a);
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const char *v = argv[++i];
        uint64_t n = 0;
        bool known = false;
        for (IntOption &o : ints)
            if (strcmp(a, o.name) == 0) {
                if (!parseNumber(v, n) || n > 1000000000)
                    return false;
                *o.value = static_cast<int>(n);
                known = true;
            }
        if (known)
            continue;
        if (strcmp(a, "-o") == 0)
            args.output = v;
        else if (strcmp(a, "--shape") == 0)
            args.shape = v;
        else if (strcmp(a, "--seed") == 0 && parseNumber(v, n))
            args.seed = n;
        else if (strcmp(a, "--budget") == 0 && parseNumber(v, n))
            args.budget = n;
        else
            return false;
    }
    return true;
}

static bool readAll(const Args &args, std::vector<LevelText> &levels) {
    for (const char *file : args.files) {
        std::string error;
        if (!readLevels(file, levels, error)) {
            fprintf(stderr, "leveltool: %s\n", error.c_str());
            return false;
        }
    }
    return true;
}

static int commandPack(const Args &args) {
    std::vector<LevelText> levels;
    if (!args.output || args.files.empty() || !readAll(args, levels))
        return 2;
    if (levels.empty() || levels.size() > 255) {
        fprintf(stderr, "leveltool: %zu levels; a level file holds 1 to 255\n", levels.size());
        return 1;
    }
    for (size_t i = 0; i < levels.size(); i++) {
        ReplayResult shape = checkShape(levels[i]);
        if (!shape.ok) {
            fprintf(stderr, "leveltool: level %zu: %s\n", i + 1, shape.problem.c_str());
            return 1;
        }
    }
    std::vector<uint8_t> bytes = packLevels(levels);
    scrambleLevels(bytes.data(), static_cast<unsigned>(bytes.size()));
    std::string error;
    if (!writeFile(args.output, bytes, error)) {
        fprintf(stderr, "leveltool: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

static int commandTestBoard(const Args &args) {
    std::vector<LevelText> levels;
    if (!args.output || args.files.size() != 1 || !readAll(args, levels))
        return 2;
    if (levels.empty()) {
        fprintf(stderr, "leveltool: no board in %s\n", args.files[0]);
        return 1;
    }
    ReplayResult check = checkBoards(levels[0]);
    if (!check.ok) {
        fprintf(stderr, "leveltool: %s: %s\n", args.files[0], check.problem.c_str());
        return 1;
    }
    std::vector<uint8_t> record = packLevels({levels[0]});
    std::vector<uint8_t> boards(record.begin() + 1, record.begin() + 1 + BOARDS_SIZE);
    std::string error;
    if (!writeFile(args.output, boards, error)) {
        fprintf(stderr, "leveltool: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

static int commandVerify(const Args &args) {
    std::vector<LevelText> levels;
    if (args.files.empty() || !readAll(args, levels))
        return 2;
    auto begin = std::chrono::steady_clock::now();
    int unsound = verifyLevels(levels, VerifyOptions{args.seeds, args.budget}, stdout);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    printf("verified in %.2f s\n", seconds);
    return unsound ? 1 : 0;
}

static int commandSolve(const Args &args) {
    std::vector<LevelText> levels;
    if (args.files.empty() || !readAll(args, levels))
        return 2;
    for (size_t i = 0; i < levels.size(); i++) {
        auto begin = std::chrono::steady_clock::now();
        SolveResult r = solveBoards(boardFromCells(levels[i].start),
                                    boardFromCells(levels[i].target), args.depth, args.budget);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                .count();
        printf("level %3zu: ", i + 1);
        if (r.found) {
            printf("%zu picks, optimal:", r.picks.size());
            for (const Pick &p : r.picks)
                printf(" %d,%d", p.x, p.y);
        } else if (r.aborted) {
            printf("optimum unknown, none up to %d picks (budget out)", r.cleared);
        } else {
            printf("no solution up to %d picks", r.cleared);
        }
        printf(" [%llu nodes, %.1f ms]\n", static_cast<unsigned long long>(r.nodes), ms);
    }
    return 0;
}

static int commandShow(const Args &args) {
    std::vector<LevelText> levels;
    if (args.files.empty() || !readAll(args, levels))
        return 2;
    for (size_t i = 0; i < levels.size(); i++) {
        LevelText level = levels[i];
        if (level.title.empty())
            level.title = std::to_string(i + 1);
        writeLevelText(stdout, level);
        printf("\n");
    }
    return 0;
}

static int commandGenerate(const Args &args) {
    if (args.picks < 1 || args.picks > MAX_PICKS || args.kinds < 1 || args.kinds > 5)
        return 2;
    GenerateOptions options{args.seed,  args.picks, args.shape, args.kinds,
                            args.count, args.tries, args.budget};
    Rng probe{0};
    uint8_t cells[COLS * ROWS];
    if (strcmp(args.shape, "random") != 0 && !makeBoard(probe, args.shape, 5, cells)) {
        fprintf(stderr, "leveltool: unknown shape %s; shapes:", args.shape);
        for (const char *const *name = shapeNames(); *name; name++)
            fprintf(stderr, " %s", *name);
        fprintf(stderr, " random\n");
        return 2;
    }
    int kept = generateLevels(options, stdout, stderr);
    return kept ? 0 : 1;
}

int main(int argc, char **argv) {
    struct Command {
        const char *name;
        int (*run)(const Args &);
    } commands[] = {{"pack", commandPack},     {"testboard", commandTestBoard},
                    {"verify", commandVerify}, {"solve", commandSolve},
                    {"show", commandShow},     {"generate", commandGenerate}};
    Args args;
    if (argc >= 2 && parseArgs(argc, argv, args))
        for (const Command &c : commands)
            if (strcmp(argv[1], c.name) == 0) {
                int status = c.run(args);
                if (status == 2)
                    fputs(usage, stderr);
                return status;
            }
    fputs(usage, stderr);
    return 2;
}
