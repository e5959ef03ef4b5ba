#include "storage/winova.h"

#include "platform/byteorder.h"

#include <cstdlib>
#include <cstring>
#include <zlib.h>

const char *archives[OVA_ARCHIVES] = {"gfx", "music", "sound"};
FILE *ova_file[OVA_ARCHIVES] = {nullptr, nullptr, nullptr};
OVAEntry *ova_header[OVA_ARCHIVES] = {nullptr, nullptr, nullptr};
uint32_t ova_count[OVA_ARCHIVES] = {0, 0, 0};

static const char OVA_FOLDER[] = "./data";
static const char OVA_SEPARATOR = '/';

// Deflate cannot expand more than about 1032:1; a stored size beyond that
// is damage, and trusting it would mean allocating gigabytes.
static const uint64_t MAX_INFLATE_RATIO = 1032;
static const uint64_t INFLATE_SLACK = 64;

enum { DIR_OK = 0, DIR_DAMAGED = 1, DIR_NO_MEMORY = 2 };

static bool validId(int id) {
    return id >= 0 && id < OVA_ARCHIVES;
}

static int readDirectory(FILE *f, OVAEntry **entries, uint32_t *count) {
    uint8_t head[4];
    if (fseek(f, 0, SEEK_SET) != 0 || fread(head, 1, 4, f) != 4)
        return DIR_DAMAGED;
    if (head[0] != 'O' || head[1] != 'V' || head[2] != 'A')
        return DIR_DAMAGED;
    uint32_t n = uint32_t(head[3]) + 1;
    *count = n;
    OVAEntry *list = static_cast<OVAEntry *>(malloc(n * sizeof(OVAEntry)));
    if (!list)
        return DIR_NO_MEMORY;
    for (uint32_t i = 0; i < n; i++) {
        uint8_t raw[OVA_ENTRY_SIZE];
        // A directory that ends early would leave records of garbage.
        if (fread(raw, 1, OVA_ENTRY_SIZE, f) != OVA_ENTRY_SIZE) {
            free(list);
            *count = 0;
            return DIR_DAMAGED;
        }
        memcpy(list[i].name, raw, OVA_NAME_SIZE);
        list[i].name[OVA_NAME_SIZE - 1] = '\0';
        list[i].offset = readLE(raw + 32, 4);
        list[i].size = readLE(raw + 36, 4);
        list[i].packedSize = readLE(raw + 40, 4);
    }
    *entries = list;
    return DIR_OK;
}

int readOVADirectory(FILE *f, OVAEntry **entries, uint32_t *count) {
    return readDirectory(f, entries, count) == DIR_OK ? 0 : 1;
}

const OVAEntry *findOVAEntry(const OVAEntry *entries, uint32_t count, const char *key) {
    for (uint32_t i = 0; i < count; i++)
        if (strcmp(entries[i].name, key) == 0)
            return &entries[i];
    return nullptr;
}

static bool fileLength(FILE *f, uint64_t *length) {
    if (fseek(f, 0, SEEK_END) != 0)
        return false;
    long end = ftell(f);
    if (end < 0)
        return false;
    *length = uint64_t(end);
    return true;
}

int ovaEntryFits(FILE *f, const OVAEntry *entry) {
    uint64_t length;
    if (!fileLength(f, &length))
        return 0;
    if (uint64_t(entry->offset) + entry->packedSize > length)
        return 0;
    return entry->size <= uint64_t(entry->packedSize) * MAX_INFLATE_RATIO + INFLATE_SLACK;
}

uint8_t *readOVAEntry(FILE *f, const OVAEntry *entry, uint32_t *outLength) {
    if (!ovaEntryFits(f, entry) || fseek(f, long(entry->offset), SEEK_SET) != 0)
        return nullptr;
    // At least one byte each, so that an empty entry is not mistaken for a
    // failed allocation.
    uint8_t *packed = static_cast<uint8_t *>(malloc(entry->packedSize ? entry->packedSize : 1));
    uint8_t *result = static_cast<uint8_t *>(malloc(entry->size ? entry->size : 1));
    if (!packed || !result) {
        free(packed);
        free(result);
        return nullptr;
    }
    unsigned long length = entry->size;
    bool ok = fread(packed, 1, entry->packedSize, f) == entry->packedSize &&
              uncompressOVA(result, &length, packed, entry->packedSize) == Z_OK &&
              length == entry->size;
    free(packed);
    if (!ok) {
        free(result);
        return nullptr;
    }
    *outLength = entry->size;
    return result;
}

int uncompressOVA(uint8_t *dest, unsigned long *destLength, const uint8_t *source,
                  unsigned long sourceLength) {
    uLongf length = *destLength;
    int status = uncompress(dest, &length, source, sourceLength);
    *destLength = length;
    return status;
}

// Opens the file of archive `id` unless it is open.
static void openID(int id) {
    if (!validId(id) || ova_file[id])
        return;
    char path[64];
    snprintf(path, sizeof path, "%s%c%s.ova", OVA_FOLDER, OVA_SEPARATOR, archives[id]);
    ova_file[id] = fopen(path, "rb");
}

void closeID(int id) {
    if (!validId(id) || !ova_file[id])
        return;
    fclose(ova_file[id]);
    ova_file[id] = nullptr;
}

// Closes the file of archive `id` and forgets its directory.
static void closeOVA(int id) {
    if (!validId(id))
        return;
    closeID(id);
    if (ova_header[id]) {
        free(ova_header[id]);
        ova_header[id] = nullptr;
        ova_count[id] = 0;
    }
}

int loadOVAHeader(int id) {
    if (!validId(id))
        return 1;
    if (ova_header[id])
        return 0;
    openID(id);
    if (!ova_file[id])
        return 1;
    int status = readDirectory(ova_file[id], &ova_header[id], &ova_count[id]);
    if (status == DIR_DAMAGED)
        closeID(id);
    return status == DIR_OK ? 0 : 1;
}

int openArchives() {
    int status = 1;
    for (int id = 0; id < OVA_ARCHIVES; id++) {
        // Empty the slots; closing rather than forgetting keeps a second
        // call from leaking the first one's streams.
        closeOVA(id);
        ova_count[id] = 0;
        status = loadOVAHeader(id);
    }
    return status;
}

void closeArchives() {
    closeOVA(OVA_GFX);
    closeOVA(OVA_MUSIC);
    closeOVA(OVA_SOUND);
}

uint8_t *loadOVAFile(int id, const char *name, const char *ext, uint32_t *outLength) {
    // A key that does not fit a stored name could never match; say so
    // instead of cutting it to a name it might then match.
    char key[OVA_NAME_SIZE];
    int keyLength = snprintf(key, sizeof key, "%s.%s", name, ext);
    if (keyLength < 0 || keyLength >= OVA_NAME_SIZE)
        return nullptr;
    if (loadOVAHeader(id) != 0 || ova_count[id] == 0)
        return nullptr;
    const OVAEntry *entry = findOVAEntry(ova_header[id], ova_count[id], key);
    if (!entry)
        return nullptr;
    openID(id);
    if (!ova_file[id])
        return nullptr;
    return readOVAEntry(ova_file[id], entry, outLength);
}

uint8_t *packOVA(const OVAItem *items, unsigned count, uint32_t *outSize) {
    if (count < 1 || count > OVA_MAX_ENTRIES)
        return nullptr;
    uint64_t total = 4 + uint64_t(OVA_ENTRY_SIZE) * count;
    for (unsigned i = 0; i < count; i++) {
        if (strlen(items[i].name) > OVA_NAME_SIZE)
            return nullptr;
        total += compressBound(items[i].size);
    }
    if (total > UINT32_MAX)
        return nullptr;
    uint8_t *image = static_cast<uint8_t *>(calloc(total, 1));
    if (!image)
        return nullptr;
    memcpy(image, "OVA", 3);
    image[3] = uint8_t(count - 1);
    uint32_t at = 4 + OVA_ENTRY_SIZE * count;
    for (unsigned i = 0; i < count; i++) {
        uLongf packed = uLongf(total - at);
        if (compress2(image + at, &packed, items[i].data, items[i].size, Z_BEST_COMPRESSION) !=
            Z_OK) {
            free(image);
            return nullptr;
        }
        uint8_t *dir = image + 4 + OVA_ENTRY_SIZE * i;
        memcpy(dir, items[i].name, strlen(items[i].name));
        writeLE(dir + 32, at, 4);
        writeLE(dir + 36, items[i].size, 4);
        writeLE(dir + 40, uint32_t(packed), 4);
        at += uint32_t(packed);
    }
    *outSize = at;
    return image;
}

int writeOVA(const char *path, const OVAItem *items, unsigned count) {
    uint32_t size = 0;
    uint8_t *image = packOVA(items, count, &size);
    if (!image)
        return 1;
    FILE *f = fopen(path, "wb");
    bool ok = f && fwrite(image, 1, size, f) == size;
    if (f && fclose(f) != 0)
        ok = false;
    free(image);
    return ok ? 0 : 1;
}
