#pragma once

#include <cstdint>
#include <cstdio>

// Resource archives: ./data/gfx.ova, music.ova and sound.ova. Each holds a
// flat directory of named entries, every entry a zlib stream of its own.
//
// File layout (little-endian): "OVA", one byte = entry count - 1, then 44
// bytes per entry (32-byte NUL-padded name, offset, size, packed size), then
// the packed data wherever the offsets say.

enum { OVA_GFX = 0, OVA_MUSIC = 1, OVA_SOUND = 2, OVA_ARCHIVES = 3 };
enum { OVA_NAME_SIZE = 32, OVA_ENTRY_SIZE = 44, OVA_MAX_ENTRIES = 256 };

struct OVAEntry {
    char name[OVA_NAME_SIZE]; // always NUL-terminated: 31 significant characters
    uint32_t offset;          // of the packed data from the start of the file
    uint32_t size;            // after decompression
    uint32_t packedSize;
};

extern const char *archives[OVA_ARCHIVES]; // "gfx", "music", "sound"
extern FILE *ova_file[OVA_ARCHIVES];       // each archive's open file, or null
extern OVAEntry *ova_header[OVA_ARCHIVES]; // its directory once read, or null
extern uint32_t ova_count[OVA_ARCHIVES];   // entries in that directory

// Opens the three archives and reads their directories; returns the status
// of the last one (0 loaded, 1 failed).
int openArchives();
void closeArchives();
// 0 when the directory of `id` is loaded (now or earlier), 1 on failure.
int loadOVAHeader(int id);
// The decompressed entry "name.ext" in a malloc'd block the caller frees, or
// null. On success *outLength receives its length; on failure it is untouched.
uint8_t *loadOVAFile(int id, const char *name, const char *ext, uint32_t *outLength);
// Closes the file of archive `id`; its directory stays loaded.
void closeID(int id);
// zlib's one-shot uncompress; returns zlib's status.
int uncompressOVA(uint8_t *dest, unsigned long *destLength, const uint8_t *source,
                  unsigned long sourceLength);

// The pieces the reader is made of, shared with the archive tool.

// Reads the directory of an open archive into a malloc'd array. 0 on
// success; 1 for a bad magic, a directory cut short or no memory.
int readOVADirectory(FILE *f, OVAEntry **entries, uint32_t *count);
// First entry whose name equals `key` exactly, or null.
const OVAEntry *findOVAEntry(const OVAEntry *entries, uint32_t count, const char *key);
// 1 when the entry's packed data lies inside the file and its stored size is
// one that its packed data could inflate to (so a damaged size never makes
// the reader allocate gigabytes), else 0.
int ovaEntryFits(FILE *f, const OVAEntry *entry);
// Reads and inflates one entry; null when the entry lies outside the file,
// the read comes up short, or the data does not inflate to exactly its size.
uint8_t *readOVAEntry(FILE *f, const OVAEntry *entry, uint32_t *outLength);

// Writing archives (the tool and the tests).
struct OVAItem {
    const char *name; // at most 32 bytes; a 32-byte name is stored without NUL
    const uint8_t *data;
    uint32_t size;
};
// Packs `count` (1 ... 256) items in order into a malloc'd image of a whole
// archive, data blocks in directory order. Null when the items do not fit
// the format or compression fails.
uint8_t *packOVA(const OVAItem *items, unsigned count, uint32_t *outSize);
// packOVA written to `path`; 0 on success.
int writeOVA(const char *path, const OVAItem *items, unsigned count);
