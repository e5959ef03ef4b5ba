#include "generate.h"

#include "solver.h"

#include <algorithm>
#include <cstring>
#include <string>

uint64_t rngNext(Rng &rng) {
    // splitmix64: fixed output for a seed on every machine.
    uint64_t z = (rng.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int rngBelow(Rng &rng, int n) {
    return static_cast<int>(rngNext(rng) % uint64_t(n));
}

static int rngRange(Rng &rng, int lo, int hi) {
    return lo + rngBelow(rng, hi - lo + 1);
}

// Column heights of each shape.
typedef void (*HeightsFn)(Rng &, int *);

static void heightsLow(Rng &rng, int *h) {
    for (int x = 0; x < COLS; x++)
        h[x] = rngRange(rng, 1, 3);
}
static void heightsTall(Rng &rng, int *h) {
    for (int x = 0; x < COLS; x++)
        h[x] = rngRange(rng, 6, 10);
}
static void heightsFull(Rng &rng, int *h) {
    for (int x = 0; x < COLS; x++)
        h[x] = rngRange(rng, 9, 10);
}
static void heightsSparse(Rng &rng, int *h) {
    memset(h, 0, COLS * sizeof *h);
    for (int n = rngRange(rng, 5, 12); n > 0; n--) {
        // Two statements: the order in which a sum's operands are drawn is
        // unspecified.
        int x = rngRange(rng, 1, 6);
        x += rngRange(rng, -1, 1);
        if (h[x] < 3)
            h[x]++;
    }
}
static void heightsGaps(Rng &rng, int *h) {
    for (int x = 0; x < COLS; x++)
        h[x] = rngBelow(rng, 3) ? rngRange(rng, 2, 8) : 0;
    h[rngBelow(rng, COLS)] = 0;
}
static void heightsMirror(Rng &rng, int *h) {
    for (int x = 0; x < COLS / 2; x++)
        h[x] = h[COLS - 1 - x] = rngRange(rng, 1, 9);
}
static void heightsHill(Rng &rng, int *h) {
    int step = rngRange(rng, 1, 2), base = rngRange(rng, 1, 3);
    for (int x = 0; x < COLS / 2; x++)
        h[x] = h[COLS - 1 - x] = std::min<int>(ROWS, base + step * x);
}
static void heightsValley(Rng &rng, int *h) {
    int step = rngRange(rng, 1, 2), base = rngRange(rng, 1, 2);
    for (int x = 0; x < COLS / 2; x++)
        h[x] = h[COLS - 1 - x] = std::min<int>(ROWS, base + step * (COLS / 2 - 1 - x));
}
static void heightsStairs(Rng &rng, int *h) {
    bool rising = rngBelow(rng, 2);
    for (int x = 0; x < COLS; x++)
        h[rising ? x : COLS - 1 - x] = std::min<int>(ROWS, 1 + x + rngBelow(rng, 2));
}
static void heightsAny(Rng &rng, int *h) {
    for (int x = 0; x < COLS; x++)
        h[x] = rngRange(rng, 0, 10);
}

struct Shape {
    const char *name;
    HeightsFn heights;
    bool mirrored; // fruit values mirrored too
};

static const Shape shapes[] = {
    {"low", heightsLow, false},       {"tall", heightsTall, false},
    {"full", heightsFull, false},     {"sparse", heightsSparse, false},
    {"gaps", heightsGaps, false},     {"mirror", heightsMirror, true},
    {"hill", heightsHill, true},      {"valley", heightsValley, true},
    {"stairs", heightsStairs, false}, {"any", heightsAny, false},
};
enum { SHAPE_COUNT = sizeof shapes / sizeof shapes[0] };

const char *const *shapeNames() {
    static const char *names[SHAPE_COUNT + 1];
    for (int i = 0; i < SHAPE_COUNT; i++)
        names[i] = shapes[i].name;
    names[SHAPE_COUNT] = nullptr;
    return names;
}

bool makeBoard(Rng &rng, const char *shapeName, int kinds, uint8_t *cells) {
    const Shape *shape = nullptr;
    for (const Shape &s : shapes)
        if (strcmp(s.name, shapeName) == 0)
            shape = &s;
    if (!shape)
        return false;
    // A random choice of `kinds` fruit kinds out of five.
    int pool[5] = {1, 2, 3, 4, 5};
    for (int i = 4; i > 0; i--)
        std::swap(pool[i], pool[rngBelow(rng, i + 1)]);
    int h[COLS];
    shape->heights(rng, h);
    memset(cells, 0, COLS * ROWS);
    for (int x = 0; x < COLS; x++)
        for (int i = 0; i < h[x]; i++) {
            int mirror = COLS - 1 - x;
            int y = ROWS - 1 - i;
            cells[x + COLS * y] = shape->mirrored && mirror < x
                                      ? cells[mirror + COLS * y]
                                      : static_cast<uint8_t>(pool[rngBelow(rng, kinds)]);
        }
    return true;
}

// Random picks on fruits, at least one changing something each.
static bool randomPicks(Rng &rng, Board &board, int n, std::vector<Pick> &picks) {
    for (int k = 0; k < n; k++) {
        int fruits = fruitCount(board);
        if (!fruits)
            return false;
        int which = rngBelow(rng, fruits);
        for (int x = 0; x < COLS; x++) {
            int h = columnHeight(board.col[x]);
            if (which < h) {
                Pick p{x, ROWS - 1 - which};
                pickBoard(board, p.x, p.y);
                picks.push_back(p);
                break;
            }
            which -= h;
        }
    }
    return true;
}

int generateLevels(const GenerateOptions &options, FILE *out, FILE *log) {
    Rng rng{options.seed};
    int kept = 0;
    for (int attempt = 0; attempt < options.tries && kept < options.count; attempt++) {
        const char *shape = options.shape;
        if (strcmp(shape, "random") == 0)
            shape = shapes[rngBelow(rng, SHAPE_COUNT)].name;
        LevelText level{};
        if (!makeBoard(rng, shape, options.kinds, level.start))
            return kept;
        Board start = boardFromCells(level.start), board = start;
        std::vector<Pick> played;
        if (!randomPicks(rng, board, options.picks, played) || sameBoard(board, start))
            continue;
        SolveResult best = solveBoards(start, board, options.picks, options.budget);
        if (!best.found || int(best.picks.size()) != options.picks) {
            if (log)
                fprintf(log, "try %d (%s): %s\n", attempt, shape,
                        best.found ? "shorter solution" : "search budget out");
            continue;
        }
        boardToCells(board, level.target);
        level.picks = best.picks;
        level.title = shape;
        fprintf(out, "# leveltool generate --seed %llu --picks %d --shape %s --kinds %d: try %d\n",
                static_cast<unsigned long long>(options.seed), options.picks, options.shape,
                options.kinds, attempt);
        writeLevelText(out, level);
        fprintf(out, "\n");
        kept++;
    }
    return kept;
}
