#pragma once

// Shared by the fuzz targets: a private folder for the readers that take a
// path, and a check that turns a broken promise of the game into a crash
// the fuzzer keeps.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);         \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

// The absolute path of this process's private folder: made on first use
// with mkdtemp (in /dev/shm when there is one, since the user-file writers
// sync every file they write), holding an empty data/ folder, removed at a
// normal exit. A crash leaves it behind, next to the fuzzer's artifact.
const std::string &scratchFolder();

// `size` bytes as the file `name` of the private folder ("data/gfx.ova").
void scratchWrite(const char *name, const uint8_t *data, size_t size);

// While one lives, the working folder is the private folder, so readers of
// fixed relative paths (test.bin, data/...) read what the target wrote. The
// fuzzer's own relative paths still work between runs.
struct InScratch {
    InScratch();
    ~InScratch();
    InScratch(const InScratch &) = delete;
    InScratch &operator=(const InScratch &) = delete;
    int home;
};
