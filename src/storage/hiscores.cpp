#include "storage/hiscores.h"

#include "platform/byteorder.h"
#include "platform/sys.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

char *configFolder = nullptr;
static char fname_buf[USER_PATH_MAX];

// The files saveUserFile writes, whose temporaries are ours to remove.
static const char *const userFiles[] = {"quenzy.cfg", "hiscores.dat", "savegame.dat"};
enum { TEMP_SUFFIX = 7 }; // "." and the six characters mkstemp picks

// A temporary of ours: one of our names, a full stop and six letters or
// digits, as saveUserFile makes it.
static int isOurTemporary(const char *name) {
    size_t n = strlen(name);
    for (const char *file : userFiles) {
        size_t f = strlen(file);
        if (n != f + TEMP_SUFFIX || strncmp(name, file, f) != 0 || name[f] != '.')
            continue;
        for (size_t i = f + 1; i < n; i++)
            if (!isalnum(static_cast<unsigned char>(name[i])))
                return 0;
        return 1;
    }
    return 0;
}

enum { USER_TEMP_STALE_SECONDS = 60 };

// Removes the temporary files saveUserFile leaves when the game dies while
// saving, once they are older than `olderThan` seconds (younger ones may be
// another copy of the game saving right now).
static void removeStaleTemporaries(const char *folder, long olderThan) {
    DIR *dir = folder ? opendir(folder) : nullptr;
    if (!dir)
        return;
    long long now = sysWallSeconds();
    while (const dirent *e = readdir(dir)) {
        if (!isOurTemporary(e->d_name))
            continue;
        char path[USER_PATH_MAX];
        struct stat st;
        int n = snprintf(path, sizeof path, "%s/%s", folder, e->d_name);
        // A young one may be another copy of the game saving right now.
        if (n > 0 && n < static_cast<int>(sizeof path) && lstat(path, &st) == 0 &&
            S_ISREG(st.st_mode) && now - st.st_mtime > olderThan)
            unlink(path);
    }
    closedir(dir);
}

void getConfigFolder() {
    const char *home = getenv("HOME");
    if (!home) {
        configFolder = strdup("./");
    } else {
        size_t size = strlen(home) + 9;
        configFolder = static_cast<char *>(malloc(size));
        if (!configFolder)
            return;
        snprintf(configFolder, size, "%s/.quenzy", home);
        mkdir(configFolder, 0755); // an existing folder is simply used
    }
    // What a game killed while saving left behind.
    removeStaleTemporaries(configFolder, USER_TEMP_STALE_SECONDS);
}

char *filename(const char *folder, const char *name, const char *ext) {
    int n = folder ? snprintf(fname_buf, sizeof fname_buf, "%s%c%s.%s", folder, '/', name, ext)
                   : snprintf(fname_buf, sizeof fname_buf, "%s.%s", name, ext);
    if (n < 0 || n >= static_cast<int>(sizeof fname_buf))
        return nullptr;
    return fname_buf;
}

static int writeAll(int fd, const uint8_t *data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 1;
}

int saveUserFile(const char *name, const char *ext, const void *data, size_t size) {
    const char *formed = filename(configFolder, name, ext);
    if (!formed)
        return -1;
    char path[USER_PATH_MAX], temp[USER_PATH_MAX + 8];
    snprintf(path, sizeof path, "%s", formed);
    // A unique name, so two copies of the game saving at once cannot write
    // into each other's half-finished file.
    snprintf(temp, sizeof temp, "%s.XXXXXX", path);
    int fd = mkstemp(temp);
    if (fd < 0)
        return -1;
    fchmod(fd, 0644); // mkstemp makes it private; these files never were
    // On disk before the rename, or a power cut could leave the new name on
    // an empty file.
    int ok = writeAll(fd, static_cast<const uint8_t *>(data), size) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp, path) == 0)
        return 0;
    unlink(temp);
    return -1;
}

HiscoreEntry hiscores[HISCORE_ROWS];

// Made-up players of the default table; none is one of the names that
// switch on a special mode in play.
const char *const score_names[HISCORE_DEFAULT_NAMES] = {
    "PIPPA",   "ZIGGY",   "BOBO",    "MANGO",   "KIWI JO", "LULU",   "TOMTOM", "FIZZ", "DODO",
    "PEACHY",  "BUBBLES", "JUNO",    "NOODLE",  "WIGGLE",  "SUNNY",  "POPPY",  "TIKI", "BINGO",
    "COCO",    "MIMI 2",  "ROCKET",  "PUDDING", "ZAZA",    "HOPPER", "JELLY",  "MOJO", "BERRY B",
    "CHIPPER", "DAISY",   "GIGGLES", "NUTMEG",  "ACE 99",  "YOYO",
};

void codebuf(uint8_t *buffer, int length, int seed) {
    uint8_t k = static_cast<uint8_t>(seed);
    for (int i = 0; i < length; i++) {
        k ^= buffer[i];
        buffer[i] = k;
    }
}

void decodebuf(uint8_t *buffer, int length, int seed) {
    uint8_t k = static_cast<uint8_t>(seed);
    for (int i = 0; i < length; i++) {
        uint8_t c = buffer[i];
        buffer[i] = c ^ k;
        k = c;
    }
}

// Scores are little-endian on disk whatever the machine.
void hiscoresToBytes(uint8_t bytes[HISCORE_FILE_SIZE]) {
    for (int r = 0; r < HISCORE_ROWS; r++) {
        const HiscoreEntry &e = hiscores[r];
        uint8_t *row = bytes + HISCORE_ROW_SIZE * r;
        memcpy(row, e.name, HISCORE_NAME);
        row[9] = e.kind;
        row[10] = e.reserved[0];
        row[11] = e.reserved[1];
        writeLE(row + 12, static_cast<uint32_t>(e.score), 4);
    }
}

// The table from the file's 160 bytes, descrambled.
static void hiscoresFromBytes(const uint8_t bytes[HISCORE_FILE_SIZE]) {
    for (int r = 0; r < HISCORE_ROWS; r++) {
        HiscoreEntry &e = hiscores[r];
        const uint8_t *row = bytes + HISCORE_ROW_SIZE * r;
        memcpy(e.name, row, HISCORE_NAME);
        e.kind = row[9];
        e.reserved[0] = row[10];
        e.reserved[1] = row[11];
        e.score = static_cast<int32_t>(readLE(row + 12, 4));
    }
}

// Set while the table in memory stands in for a file that is there but
// could not be read (out of memory, an I/O error): writing it would put a
// default table over the player's scores.
static int tableUnread = 0;

void saveBuffer() {
    if (tableUnread)
        return;
    // A scrambled copy: the table in memory stays as it is whatever happens.
    uint8_t bytes[HISCORE_FILE_SIZE];
    hiscoresToBytes(bytes);
    codebuf(bytes, HISCORE_FILE_SIZE, HISCORE_SEED);
    saveUserFile("hiscores", "dat", bytes, sizeof bytes);
}

// Default names already given out by this load.
static int nameUsed[HISCORE_DEFAULT_NAMES];

static void setName(HiscoreEntry *e, const char *name) {
    memset(e->name, 0, HISCORE_NAME);
    memcpy(e->name, name, strnlen(name, HISCORE_NAME - 1));
}

static void pickDefaultName(HiscoreEntry *e) {
    int i = rand() % HISCORE_DEFAULT_NAMES;
    while (nameUsed[i])
        i = (i + 1) % HISCORE_DEFAULT_NAMES;
    nameUsed[i] = 1;
    setName(e, score_names[i]);
}

static void defaultTable() {
    srand(sysTicks());
    int below = 0;
    for (int r = HISCORE_ROWS - 1; r >= 0; r--) {
        pickDefaultName(&hiscores[r]);
        hiscores[r].kind = KIND_DEFAULT;
        hiscores[r].score = below + 100 + rand() % 100;
        below = hiscores[r].score;
    }
    saveBuffer();
}

static void rejectedTable() {
    for (HiscoreEntry &e : hiscores) {
        setName(&e, "CHEATER");
        e.kind = KIND_REJECTED;
        e.score = HISCORE_CHEATER_SCORE;
    }
    saveBuffer();
}

static int rowValid(const HiscoreEntry &e) {
    return e.name[HISCORE_NAME - 1] == 0 && e.score >= 0 && e.score <= HISCORE_MAX_SCORE &&
           e.kind <= KIND_REJECTED;
}

// Reads the file into the table; 0 when there is none to read.
static int readTable() {
    const char *path = filename(configFolder, "hiscores", "dat");
    FILE *f = path ? fopen(path, "rb") : nullptr;
    if (!f) {
        tableUnread = path && errno != ENOENT;
        return 0;
    }
    // A short file leaves the rest zero, and the check sorts it out.
    uint8_t bytes[HISCORE_FILE_SIZE];
    size_t got = fread(bytes, 1, sizeof bytes, f);
    memset(bytes + got, 0, sizeof bytes - got);
    tableUnread = ferror(f) != 0;
    fclose(f);
    if (tableUnread)
        return 0;
    decodebuf(bytes, HISCORE_FILE_SIZE, HISCORE_SEED);
    hiscoresFromBytes(bytes);
    return 1;
}

void loadHiscores(int reset) {
    memset(nameUsed, 0, sizeof nameUsed);
    memset(hiscores, 0, sizeof hiscores);
    tableUnread = 0; // a reset writes the defaults, as the player asked
    if (reset || !readTable()) {
        defaultTable();
        return;
    }
    for (HiscoreEntry &e : hiscores) {
        if (!rowValid(e)) {
            rejectedTable();
            return;
        }
        // Default rows get fresh names at every start; an empty name (a
        // player who entered none) gets one too.
        if (e.name[0] == 0 || e.kind == KIND_DEFAULT)
            pickDefaultName(&e);
    }
}

int saveHiscores(int score, const char *name) {
    int r = HISCORE_ROWS - 2;
    // Earlier entries win ties: the new one goes below an equal score.
    while (r >= 0 && hiscores[r].score < score) {
        hiscores[r + 1] = hiscores[r];
        r--;
    }
    HiscoreEntry &e = hiscores[r + 1];
    setName(&e, name);
    e.score = score;
    e.kind = KIND_PLAYER;
    saveBuffer();
    return r + 1;
}
