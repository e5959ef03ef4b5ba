// ova: packs, lists and extracts the game's resource archives.
//
//   ova pack OUT.ova FILE...        entry names are the files' base names
//   ova list A.ova
//   ova extract A.ova NAME [OUTFILE]

#include "storage/winova.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static int usage() {
    fputs("usage: ova pack OUT.ova FILE...\n"
          "       ova list A.ova\n"
          "       ova extract A.ova NAME [OUTFILE]\n",
          stderr);
    return 2;
}

static std::string baseName(const char *path) {
    const char *slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The format cannot say "no entries": an archive holds 1 to 256. With no
// files we store one nameless, empty entry, which no lookup can match since
// every key has a full stop in it.
static int packEmpty(const char *out) {
    OVAItem none = {"", nullptr, 0};
    return writeOVA(out, &none, 1);
}

static bool readWhole(const char *path, std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path, "rb");
    if (!f)
        return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

static int pack(const char *out, int count, char **files) {
    if (count == 0) {
        if (packEmpty(out) == 0)
            return 0;
        fprintf(stderr, "ova: cannot write %s\n", out);
        return 1;
    }
    if (count > OVA_MAX_ENTRIES) {
        fprintf(stderr, "ova: at most %d files fit an archive\n", OVA_MAX_ENTRIES);
        return 1;
    }
    std::vector<std::string> names(count);
    std::vector<std::vector<uint8_t>> blocks(count);
    for (int i = 0; i < count; i++) {
        names[i] = baseName(files[i]);
        // Longer names would be cut on reading and could never be asked for.
        if (names[i].empty() || names[i].size() > OVA_NAME_SIZE - 1) {
            fprintf(stderr, "ova: name must have 1 to %d characters: %s\n", OVA_NAME_SIZE - 1,
                    names[i].c_str());
            return 1;
        }
        // Only the first of two equal names could ever be found.
        for (int j = 0; j < i; j++)
            if (names[j] == names[i]) {
                fprintf(stderr, "ova: two files named %s\n", names[i].c_str());
                return 1;
            }
        if (!readWhole(files[i], blocks[i])) {
            fprintf(stderr, "ova: cannot read %s\n", files[i]);
            return 1;
        }
    }
    std::vector<OVAItem> items;
    for (int i = 0; i < count; i++)
        items.push_back({names[i].c_str(), blocks[i].data(), uint32_t(blocks[i].size())});
    if (writeOVA(out, items.data(), unsigned(items.size())) != 0) {
        fprintf(stderr, "ova: cannot write %s\n", out);
        return 1;
    }
    return 0;
}

static FILE *openArchive(const char *path, OVAEntry **entries, uint32_t *count) {
    FILE *f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "ova: cannot open %s\n", path);
        return nullptr;
    }
    if (readOVADirectory(f, entries, count) != 0) {
        fprintf(stderr, "ova: %s is not a readable archive\n", path);
        fclose(f);
        return nullptr;
    }
    return f;
}

static int list(const char *path) {
    OVAEntry *entries = nullptr;
    uint32_t count = 0;
    FILE *f = openArchive(path, &entries, &count);
    if (!f)
        return 1;
    for (uint32_t i = 0; i < count; i++)
        if (entries[i].name[0])
            printf("%-31s %10u %10u\n", entries[i].name, unsigned(entries[i].size),
                   unsigned(entries[i].packedSize));
    free(entries);
    fclose(f);
    return 0;
}

static int extract(const char *path, const char *name, const char *outPath) {
    OVAEntry *entries = nullptr;
    uint32_t count = 0;
    FILE *f = openArchive(path, &entries, &count);
    if (!f)
        return 1;
    int status = 1;
    const OVAEntry *entry = name[0] ? findOVAEntry(entries, count, name) : nullptr;
    uint32_t length = 0;
    uint8_t *data = entry ? readOVAEntry(f, entry, &length) : nullptr;
    if (!entry)
        fprintf(stderr, "ova: no entry %s in %s\n", name, path);
    else if (!data)
        fprintf(stderr, "ova: entry %s of %s is damaged\n", name, path);
    else {
        FILE *out = fopen(outPath, "wb");
        bool ok = out && fwrite(data, 1, length, out) == length;
        if (out && fclose(out) != 0)
            ok = false;
        if (ok)
            status = 0;
        else
            fprintf(stderr, "ova: cannot write %s\n", outPath);
    }
    free(data);
    free(entries);
    fclose(f);
    return status;
}

int main(int argc, char **argv) {
    if (argc >= 3 && strcmp(argv[1], "pack") == 0)
        return pack(argv[2], argc - 3, argv + 3);
    if (argc == 3 && strcmp(argv[1], "list") == 0)
        return list(argv[2]);
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "extract") == 0)
        return extract(argv[2], argv[3], argc == 5 ? argv[4] : argv[3]);
    return usage();
}
