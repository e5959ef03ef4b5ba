// Replays files through a fuzz target without libFuzzer, built with the
// normal compiler: the test suite runs every corpus file this way, and
// under the sanitizer build with ASan and UBSan. A crash or a failed check
// ends the program; the last name printed is the input that did it.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static std::vector<uint8_t> readAll(const std::string &path) {
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    return bytes;
}

// The files of a folder in name order, or the path itself.
static std::vector<std::string> inputs(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return {};
    if (!S_ISDIR(st.st_mode))
        return {path};
    std::vector<std::string> files;
    if (DIR *d = opendir(path.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                files.push_back(path + "/" + e->d_name);
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

int main(int argc, char **argv) {
    int count = 0;
    for (int i = 1; i < argc; i++) {
        std::vector<std::string> files = inputs(argv[i]);
        if (files.empty()) {
            fprintf(stderr, "%s: no inputs\n", argv[i]);
            return 1;
        }
        for (const std::string &file : files) {
            printf("%s\n", file.c_str());
            fflush(stdout);
            std::vector<uint8_t> bytes = readAll(file);
            // A copy of exactly the input's size, so reads past its end
            // are caught as they are under libFuzzer.
            uint8_t *data = new uint8_t[bytes.size()];
            std::copy(bytes.begin(), bytes.end(), data);
            LLVMFuzzerTestOneInput(data, bytes.size());
            delete[] data;
            count++;
        }
    }
    printf("%d inputs, all passed\n", count);
    return count > 0 ? 0 : 1;
}
