// A resource archive: its directory read by loadOVAHeader, then every entry
// read and inflated, and the first one looked up by name as the picture,
// music and effect loaders ask for it.

#include "fuzz_support.h"
#include "storage/winova.h"

#include <cstdlib>
#include <cstring>
#include <string>

// Touches every byte, so a block shorter than it claims is caught.
static unsigned sum(const uint8_t *bytes, uint32_t length) {
    unsigned s = 0;
    for (uint32_t i = 0; i < length; i++)
        s += bytes[i];
    return s;
}

static void readEntry(const OVAEntry &entry) {
    uint32_t length = 0xDEADBEEF;
    uint8_t *bytes = readOVAEntry(ova_file[OVA_GFX], &entry, &length);
    if (!bytes) {
        FUZZ_CHECK(length == 0xDEADBEEF);
        return;
    }
    FUZZ_CHECK(length == entry.size);
    volatile unsigned s = sum(bytes, length);
    (void)s;
    free(bytes);
}

// The name split where the loaders join name and extension.
static void lookUp(const OVAEntry &entry) {
    std::string name = entry.name;
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return;
    uint32_t length = 0;
    uint8_t *bytes =
        loadOVAFile(OVA_GFX, name.substr(0, dot).c_str(), name.substr(dot + 1).c_str(), &length);
    // The first entry of that name is the one found: maybe another than this.
    const OVAEntry *found = findOVAEntry(ova_header[OVA_GFX], ova_count[OVA_GFX], entry.name);
    FUZZ_CHECK(found != nullptr);
    if (bytes) {
        FUZZ_CHECK(length == found->size);
        free(bytes);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    scratchWrite("data/gfx.ova", data, size);
    InScratch here;
    closeArchives();
    if (loadOVAHeader(OVA_GFX) == 0) {
        FUZZ_CHECK(ova_header[OVA_GFX] != nullptr && ova_file[OVA_GFX] != nullptr);
        uint32_t count = ova_count[OVA_GFX];
        FUZZ_CHECK(count >= 1 && count <= OVA_MAX_ENTRIES);
        FUZZ_CHECK(4 + OVA_ENTRY_SIZE * size_t(count) <= size);
        for (uint32_t i = 0; i < count; i++) {
            FUZZ_CHECK(memchr(ova_header[OVA_GFX][i].name, 0, OVA_NAME_SIZE) != nullptr);
            readEntry(ova_header[OVA_GFX][i]);
        }
        lookUp(ova_header[OVA_GFX][0]);
    } else {
        FUZZ_CHECK(ova_header[OVA_GFX] == nullptr);
    }
    closeArchives();
    return 0;
}
