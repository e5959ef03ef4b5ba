#include "fuzz_support.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

static std::string folder;

static int removeEntry(const char *path, const struct stat *, int, struct FTW *) {
    return remove(path);
}

static void removeScratch() {
    if (!folder.empty())
        nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

static std::string scratchBase() {
    struct stat st;
    if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    const char *tmp = getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

const std::string &scratchFolder() {
    if (!folder.empty())
        return folder;
    std::string pattern = scratchBase() + "/quenzy-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        perror("fuzz: cannot make a private folder");
        abort();
    }
    folder = pattern;
    atexit(removeScratch);
    if (mkdir((folder + "/data").c_str(), 0755) != 0) {
        perror("fuzz: cannot make data/");
        abort();
    }
    return folder;
}

void scratchWrite(const char *name, const uint8_t *data, size_t size) {
    std::string path = scratchFolder() + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(size == 0 || fwrite(data, 1, size, f) == size);
    FUZZ_CHECK(fclose(f) == 0);
}

InScratch::InScratch() : home(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    FUZZ_CHECK(home >= 0);
    FUZZ_CHECK(chdir(scratchFolder().c_str()) == 0);
}

InScratch::~InScratch() {
    FUZZ_CHECK(fchdir(home) == 0);
    close(home);
}
