#pragma once

#include "levelfile.h"

#include <cstdint>

// Candidate levels from a seed: a settled start board of a chosen shape,
// random picks on it, and the level kept only when the fewest picks that
// reach its target are exactly the number wanted.

struct Rng {
    uint64_t state;
};

uint64_t rngNext(Rng &rng);
int rngBelow(Rng &rng, int n); // 0 ... n - 1

struct GenerateOptions {
    uint64_t seed;
    int picks;         // optimal length wanted
    const char *shape; // one of shapeNames(), or "any"
    int kinds;         // fruit kinds used, 1 ... 5
    int count;         // levels wanted
    int tries;         // candidates tried at most
    uint64_t budget;   // search nodes per candidate
};

// Names of the board shapes, null-terminated.
const char *const *shapeNames();
// Fills `cells` with a settled board of the named shape; false for an unknown
// name.
bool makeBoard(Rng &rng, const char *shape, int kinds, uint8_t *cells);

// Prints each level kept to `out` (text form), notes to `log`; returns the
// number kept.
int generateLevels(const GenerateOptions &options, FILE *out, FILE *log);
