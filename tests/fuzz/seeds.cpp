// Writes the seed corpus of every fuzz target: small valid files made by the
// game's own writers, and the edge cases its readers must live with, each
// derived in code from a valid one. Same build, same bytes.
//
//   fuzzseeds OUTDIR BUILDDIR
//
// writes OUTDIR/<target>/seed-*, taking the first levels of the level set
// from BUILDDIR/data/levels.bin and the example board from BUILDDIR/test.bin.
// Findings kept as regression cases (finding-*) are not touched.

#include "core/level.h"
#include "core/savegame.h"
#include "fuzz_support.h"
#include "platform/keyhelper.h"
#include "platform/sys.h"
#include "storage/config.h"
#include "storage/hiscores.h"
#include "storage/winova.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

using Bytes = std::vector<uint8_t>;

static std::string outDir;
static int written = 0;

static Bytes text(const char *s) {
    return Bytes(s, s + strlen(s));
}

static Bytes readFile(const std::string &path) {
    Bytes bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) {
        fprintf(stderr, "fuzzseeds: cannot read %s\n", path.c_str());
        exit(1);
    }
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back(uint8_t(c));
    fclose(f);
    return bytes;
}

static void seed(const char *target, const char *name, const Bytes &bytes) {
    std::string folder = outDir + "/" + target;
    mkdir(folder.c_str(), 0755);
    std::string path = folder + "/seed-" + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (!f || (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) ||
        fclose(f) != 0) {
        fprintf(stderr, "fuzzseeds: cannot write %s\n", path.c_str());
        exit(1);
    }
    written++;
}

static uint32_t get32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

static void put32(uint8_t *p, uint32_t v) {
    for (int i = 0; i < 4; i++)
        p[i] = uint8_t(v >> (8 * i));
}

// ---- level file

// A plain level file of `count` in the count byte and the given records.
static Bytes scrambled(int count, const std::vector<Bytes> &records, size_t extra = 0) {
    Bytes plain(1, uint8_t(count));
    for (const Bytes &r : records)
        plain.insert(plain.end(), r.begin(), r.end());
    plain.resize(plain.size() + extra, 0);
    scrambleLevels(plain.data(), unsigned(plain.size()));
    return plain;
}

static void levelSeeds(const std::string &build) {
    Bytes file = readFile(build + "/data/levels.bin");
    descrambleLevels(file.data(), unsigned(file.size()));
    std::vector<Bytes> real;
    for (int i = 0; i < 3 && 1 + LEVEL_RECORD_SIZE * (i + 1) <= int(file.size()); i++)
        real.emplace_back(file.begin() + 1 + LEVEL_RECORD_SIZE * i,
                          file.begin() + 1 + LEVEL_RECORD_SIZE * (i + 1));
    seed("levels", "first-level", scrambled(1, {real[0]}));
    seed("levels", "three-levels", scrambled(3, real));

    Bytes full = real[0];
    for (int k = 0; k < LEVEL_MAX_PICKS; k++) { // no terminator
        full[160 + 2 * k] = uint8_t(k % BOARD_W);
        full[161 + 2 * k] = uint8_t(BOARD_H - 1 - k % 3);
    }
    seed("levels", "64-picks", scrambled(1, {full}));
    Bytes wild = real[1];
    wild[160] = 200; // a pick far off the board, then one below it
    wild[161] = 3;
    wild[162] = 2;
    wild[163] = 250;
    wild[164] = 0xFF;
    seed("levels", "picks-off-the-board", scrambled(1, {wild}));
    seed("levels", "count-beyond-the-file", scrambled(9, {real[0], real[1]}));
    seed("levels", "trailing-bytes", scrambled(1, {real[0]}, 100));
    seed("levels", "record-cut-short", scrambled(2, {real[0]}, 200));
    seed("levels", "count-zero", scrambled(0, {real[0]}));
    seed("levels", "count-byte-only", scrambled(1, {}));
    Bytes damaged = real[2];
    damaged[16 * 4 + 8 + 5] = 6;
    seed("levels", "target-cell-6", scrambled(3, {real[0], real[1], damaged}));
}

// ---- test board

static void testBoardSeeds(const std::string &build) {
    Bytes example = readFile(build + "/test.bin");
    seed("testboard", "example", example);
    seed("testboard", "empty", Bytes(LEVEL_BOARDS_SIZE, 0));
    seed("testboard", "all-fives", Bytes(LEVEL_BOARDS_SIZE, 5));
    Bytes floating(LEVEL_BOARDS_SIZE, 0);
    floating[16 * 3 + 2] = 4; // a fruit above empty cells
    floating[16 * 9 + 8 + 2] = 4;
    seed("testboard", "floating-fruit", floating);
    Bytes bad = example;
    bad[16 * 9] = 200; // the first cell of the last row
    seed("testboard", "start-cell-200", bad);
    bad = example;
    bad[16 * 9 + 15] = 6;
    seed("testboard", "target-cell-6", bad);
    seed("testboard", "159-bytes", Bytes(example.begin(), example.end() - 1));
    Bytes longer = example;
    longer.push_back(1);
    seed("testboard", "161-bytes", longer);
}

// ---- archives

static Bytes pack(const std::vector<OVAItem> &items) {
    uint32_t size = 0;
    uint8_t *image = packOVA(items.data(), unsigned(items.size()), &size);
    if (!image) {
        fprintf(stderr, "fuzzseeds: packOVA failed\n");
        exit(1);
    }
    Bytes bytes(image, image + size);
    free(image);
    return bytes;
}

static uint8_t *dirEntry(Bytes &archive, int i) {
    return archive.data() + 4 + OVA_ENTRY_SIZE * i;
}

static void archiveSeeds() {
    Bytes bitmap = text("BM a picture of sorts: rows of pixels rows of pixels rows of pixels");
    Bytes wave = text("RIFF....WAVEfmt a sound of sorts 0123456789 0123456789");
    Bytes zeros(3000, 0);
    std::vector<OVAItem> two = {{"logo.bmp", bitmap.data(), uint32_t(bitmap.size())},
                                {"hippo.wav", wave.data(), uint32_t(wave.size())}};
    Bytes base = pack(two);
    seed("archive", "two-entries", base);
    seed("archive", "one-entry", pack({two[0]}));
    seed("archive", "empty-entry", pack({{"nothing.bmp", bitmap.data(), 0}}));
    seed("archive", "zeros-3000", pack({{"zeros.bmp", zeros.data(), uint32_t(zeros.size())}}));
    seed("archive", "32-character-name",
         pack({{"abcdefghijklmnopqrstuvwxyz01.bmp", bitmap.data(), uint32_t(bitmap.size())}}));
    seed("archive", "same-name-twice",
         pack({two[0], {"logo.bmp", wave.data(), uint32_t(wave.size())}}));

    // The data blocks in the other order than their directory entries.
    Bytes swapped = base;
    uint32_t at0 = get32(dirEntry(swapped, 0) + 32), packed0 = get32(dirEntry(swapped, 0) + 40);
    uint32_t at1 = get32(dirEntry(swapped, 1) + 32), packed1 = get32(dirEntry(swapped, 1) + 40);
    Bytes blocks(base.begin() + at1, base.begin() + at1 + packed1);
    blocks.insert(blocks.end(), base.begin() + at0, base.begin() + at0 + packed0);
    std::copy(blocks.begin(), blocks.end(), swapped.begin() + at0);
    put32(dirEntry(swapped, 1) + 32, at0);
    put32(dirEntry(swapped, 0) + 32, at0 + packed1);
    seed("archive", "blocks-swapped", swapped);

    Bytes magic = base;
    magic[2] = 'B';
    seed("archive", "bad-magic", magic);
    seed("archive", "directory-cut", Bytes(base.begin(), base.begin() + 4 + OVA_ENTRY_SIZE + 20));
    Bytes past = base;
    put32(dirEntry(past, 1) + 32, uint32_t(base.size()) + 10);
    seed("archive", "offset-past-the-end", past);
    Bytes size = base;
    put32(dirEntry(size, 0) + 36, uint32_t(bitmap.size()) + 1);
    seed("archive", "size-one-too-many", size);
    Bytes huge = base;
    put32(dirEntry(huge, 0) + 36, 0xFFFFFFFF);
    seed("archive", "size-huge", huge);
    Bytes broken = base;
    broken[at0 + 5] ^= 0x55;
    seed("archive", "data-damaged", broken);
}

// ---- configuration file

// The file dumpConfig writes for the current settings.
static Bytes dumped(const std::string &folder) {
    dumpConfig();
    return readFile(folder + "/quenzy.cfg");
}

static void configSeeds(const std::string &folder) {
    resetDefaultControls();
    seed("config", "defaults", dumped(folder));
    _mus_volume_100_ = 37;
    _sfx_volume_100_ = 0;
    mpFlags = 31;
    mpResamplingMode = 3;
    mpReverbDepth = 50;
    mpReverbDelay = 200;
    mpBassAmount = 100;
    mpBassRange = 10;
    mpSurroundDepth = 1;
    mpSurroundDelay = 40;
    JUMP_KEY = 'a';
    LEFT_KEY = 'z';
    UP_KEY = 276;
    START_BUTTON = 12;
    seed("config", "everything-set", dumped(folder));
    seed("config", "out-of-range",
         text("mus_volume=250\nsfx_volume=-1\nmpResamplingMode=4\nmpReverbDelay=10\n"
              "mpBassRange=500\nmpSurroundDelay=0\nk_up=-1\nj_up=-3\nmpFlagsREVERB=2\n"
              "mpFlagsOVERSAMPLING=0\n"));
    seed("config", "keys-anywhere", text("xmus_volume=20 k_left=a;;j_left=9k_right=A"));
    seed("config", "one-line", text("mus_volume=37\n"));
    seed("config", "last-line-unended", text("sfx_volume=40\nj_jump=5"));
    seed("config", "crlf-and-signs",
         text("mus_volume= +42\r\nsfx_volume=\t7\r\nk_down=-0\r\nj_down=+3\r\n"));
    seed("config", "huge-numbers",
         text("mus_volume=99999999999999999999\nk_jump=2147483648\nj_pause=-2147483649\n"
              "mpReverbDepth=-99999999999\n"));
    seed("config", "key-at-the-end", text("j_start=1\nmpBassAmount="));
}

// ---- hiscore file

static Bytes table(const std::vector<HiscoreEntry> &rows) {
    memset(hiscores, 0, sizeof hiscores);
    for (size_t r = 0; r < rows.size() && r < HISCORE_ROWS; r++)
        hiscores[r] = rows[r];
    uint8_t bytes[HISCORE_FILE_SIZE];
    hiscoresToBytes(bytes);
    codebuf(bytes, HISCORE_FILE_SIZE, HISCORE_SEED);
    return Bytes(bytes, bytes + HISCORE_FILE_SIZE);
}

static HiscoreEntry row(const char *name, int kind, int score) {
    HiscoreEntry e = {};
    strncpy(e.name, name, HISCORE_NAME - 1);
    e.kind = uint8_t(kind);
    e.score = score;
    return e;
}

static void hiscoreSeeds(const std::string &folder) {
    loadHiscores(1);
    seed("hiscores", "default-table", readFile(folder + "/hiscores.dat"));
    saveHiscores(5000, "ANNA");
    saveHiscores(700, "BEN");
    Bytes players = readFile(folder + "/hiscores.dat");
    seed("hiscores", "with-players", players);
    seed("hiscores", "first-80-bytes", Bytes(players.begin(), players.begin() + 80));
    Bytes longer = players;
    longer.insert(longer.end(), 10, 0xAA);
    seed("hiscores", "170-bytes", longer);
    std::vector<HiscoreEntry> rows;
    for (int r = 0; r < HISCORE_ROWS; r++)
        rows.push_back(row("ROW", 0, (9 - r) * 1000));
    rows[0] = row("TOP", 0, 500000);
    rows[9] = row("", 0, 0);
    seed("hiscores", "edge-scores-empty-name", table(rows));
    rows[3] = row("TOO MUCH", 0, 500001);
    seed("hiscores", "score-500001", table(rows));
    rows[3] = row("KIND", 3, 100);
    seed("hiscores", "kind-3", table(rows));
    rows[3] = row("CHEATER", 2, 50000);
    rows[4] = row("MORVAN", 1, 40000);
    seed("hiscores", "kinds-mixed", table(rows));
}

// ---- saved game

static Bytes saveFile(int level, unsigned r) {
    unsigned char bytes[4];
    encodeSaveGame(level, r, bytes);
    return Bytes(bytes, bytes + 4);
}

static void saveGameSeeds() {
    seed("savegame", "level-1", saveFile(1, 0x1234));
    seed("savegame", "level-5", saveFile(5, 0xCAFE));
    seed("savegame", "level-119", saveFile(119, 0x0001));
    seed("savegame", "level-254", saveFile(254, 0xFFFE));
    seed("savegame", "level-0", saveFile(0, 0x4321));
    seed("savegame", "r-zero", saveFile(7, 0x0000));
    Bytes bad = saveFile(7, 0x5A5A);
    bad[3] ^= 1;
    seed("savegame", "check-broken", bad);
    Bytes three = saveFile(3, 0x7777);
    three.pop_back();
    seed("savegame", "three-bytes", three);
    Bytes five = saveFile(3, 0x7777);
    five.push_back(0);
    seed("savegame", "five-bytes", five);
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: fuzzseeds OUTDIR BUILDDIR\n");
        return 2;
    }
    outDir = argv[1];
    mkdir(outDir.c_str(), 0755);
    // The writers of the user files write into a folder of our own, the
    // fuzz targets' private one (removed at exit).
    const std::string &folder = scratchFolder();
    configFolder = const_cast<char *>(folder.c_str());
    sysVirtualClock = 1; // the default table's names come from the clock
    sysVirtualNow = 0;
    srand(1);
    levelSeeds(argv[2]);
    testBoardSeeds(argv[2]);
    archiveSeeds();
    configSeeds(folder);
    hiscoreSeeds(folder);
    saveGameSeeds();
    printf("%d seeds in %s\n", written, outDir.c_str());
    return 0;
}
