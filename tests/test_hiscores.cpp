#include "storage/hiscores.h"
#include "user_folder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A table of player rows "ROW0" ... "ROW9" with the given scores.
void playerTable(const std::vector<int> &scores) {
    memset(hiscores, 0, sizeof hiscores);
    for (int r = 0; r < HISCORE_ROWS; r++) {
        snprintf(hiscores[r].name, HISCORE_NAME, "ROW%d", r);
        hiscores[r].kind = 0;
        hiscores[r].score = scores[r];
    }
}

std::vector<int> descending() {
    return {900, 800, 700, 600, 500, 400, 300, 200, 100, 0};
}

int isDefaultName(const char *name) {
    for (const char *n : score_names)
        if (strcmp(n, name) == 0)
            return 1;
    return 0;
}

// The chained XOR undone by hand, independently of the game's code.
std::vector<uint8_t> unscramble(const std::string &file) {
    std::vector<uint8_t> plain(file.size());
    for (size_t i = 0; i < file.size(); i++)
        plain[i] = uint8_t(file[i]) ^ (i ? uint8_t(file[i - 1]) : 0xA7);
    return plain;
}

class Hiscores : public UserFolderTest {
  protected:
    void TearDown() override {
        memset(hiscores, 0, sizeof hiscores);
        UserFolderTest::TearDown();
    }
    // The table as it is now, written scrambled as the file, after `change`
    // has edited the plain bytes.
    template <typename F> std::string fileOf(F change) {
        uint8_t bytes[HISCORE_FILE_SIZE];
        hiscoresToBytes(bytes);
        change(bytes);
        codebuf(bytes, HISCORE_FILE_SIZE, HISCORE_SEED);
        return std::string(bytes, bytes + HISCORE_FILE_SIZE);
    }
    std::string fileOf() {
        return fileOf([](uint8_t *) {});
    }
};

TEST_F(Hiscores, ScramblingIsAChainedXor) {
    uint8_t three[3] = {1, 2, 3};
    codebuf(three, 3, 0xA7);
    EXPECT_EQ(std::vector<uint8_t>(three, three + 3), (std::vector<uint8_t>{0xA6, 0xA4, 0xA7}));
    decodebuf(three, 3, 0xA7);
    EXPECT_EQ(std::vector<uint8_t>(three, three + 3), (std::vector<uint8_t>{1, 2, 3}));

    std::vector<uint8_t> zeros(40, 0);
    codebuf(zeros.data(), 40, 0x1A7); // the seed is taken modulo 256
    EXPECT_EQ(zeros, std::vector<uint8_t>(40, 0xA7));

    std::mt19937 gen(12);
    std::vector<uint8_t> bytes(HISCORE_FILE_SIZE);
    for (uint8_t &b : bytes)
        b = uint8_t(gen());
    std::vector<uint8_t> copy = bytes;
    codebuf(copy.data(), int(copy.size()), 0x5C);
    EXPECT_NE(copy, bytes);
    decodebuf(copy.data(), int(copy.size()), 0x5C);
    EXPECT_EQ(copy, bytes);

    codebuf(copy.data(), 0, 0xA7);
    codebuf(copy.data(), -3, 0xA7);
    decodebuf(copy.data(), -1, 0xA7);
    EXPECT_EQ(copy, bytes);
}

TEST_F(Hiscores, FileIsTheTenRowsScrambled) {
    playerTable(descending());
    hiscores[2].score = 0x01020304;
    hiscores[4].reserved[0] = 0x55;
    hiscores[4].reserved[1] = 0x66;
    saveBuffer();
    std::string file = readFile("hiscores.dat");
    ASSERT_EQ(file.size(), 160u);
    std::vector<uint8_t> plain = unscramble(file);
    for (int r = 0; r < HISCORE_ROWS; r++) {
        const uint8_t *row = &plain[16 * r];
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(row)), "ROW" + std::to_string(r));
        EXPECT_EQ(row[5], 0) << "name bytes after the terminator are 0";
        EXPECT_EQ(row[8], 0);
        EXPECT_EQ(row[9], 0) << "kind";
    }
    EXPECT_EQ(plain[16 * 2 + 12], 0x04); // little-endian
    EXPECT_EQ(plain[16 * 2 + 15], 0x01);
    EXPECT_EQ(plain[16 * 4 + 10], 0x55);
    EXPECT_EQ(plain[16 * 4 + 11], 0x66);
    EXPECT_EQ(plain[16 * 9 + 12], 0); // row 9 holds 0 points
    EXPECT_EQ(listing(), std::vector<std::string>{"hiscores.dat"});
    EXPECT_EQ(hiscores[2].score, 0x01020304) << "the table in memory is unchanged";
}

struct CheckCase {
    const char *what;
    int row, offset, value; // a plain byte to change
    bool rejected;
};

TEST_F(Hiscores, TheCheckOnLoading) {
    const CheckCase cases[] = {
        {"score 500001", 3, 12, 500001, true},
        {"score 500000", 0, 12, 500000, false},
        {"score 0 in row 0", 0, 12, 0, false},
        {"score -1", 6, 12, -1, true},
        {"kind 3", 5, 9, 3, true},
        {"kind 255", 9, 9, 255, true},
        {"kind 2", 1, 9, 2, false},
        {"ninth name byte set", 2, 8, 'X', true},
        {"reserved bytes are never checked", 7, 10, 0xFF, false},
    };
    for (const CheckCase &c : cases) {
        playerTable(descending());
        std::string file = fileOf([&](uint8_t *plain) {
            uint8_t *at = plain + 16 * c.row + c.offset;
            if (c.offset == 12) {
                uint32_t v = uint32_t(c.value);
                for (int b = 0; b < 4; b++)
                    at[b] = uint8_t(v >> (8 * b));
            } else {
                *at = uint8_t(c.value);
            }
        });
        writeFile("hiscores.dat", file);
        loadHiscores(0);
        if (c.rejected) {
            for (const HiscoreEntry &e : hiscores) {
                EXPECT_STREQ(e.name, "CHEATER") << c.what;
                EXPECT_EQ(e.kind, 2) << c.what;
                EXPECT_EQ(e.score, 50000) << c.what;
            }
            // Also on disk: the next start reads the same ten rows.
            std::vector<uint8_t> plain = unscramble(readFile("hiscores.dat"));
            ASSERT_EQ(plain.size(), 160u);
            for (int r = 0; r < HISCORE_ROWS; r++) {
                EXPECT_EQ(std::string(reinterpret_cast<const char *>(&plain[16 * r]), 9),
                          std::string("CHEATER\0\0", 9));
                EXPECT_EQ(plain[16 * r + 9], 2);
            }
        } else {
            EXPECT_STREQ(hiscores[c.row].name, ("ROW" + std::to_string(c.row)).c_str()) << c.what;
            EXPECT_EQ(hiscores[3].score, c.row == 3 ? c.value : 600) << c.what;
            EXPECT_EQ(readFile("hiscores.dat"), file) << c.what << ": not written";
        }
    }
}

TEST_F(Hiscores, DefaultRowsAndEmptyNamesGetFreshNamesAtEveryLoad) {
    playerTable(descending());
    strcpy(hiscores[4].name, "OLDNAME");
    hiscores[4].kind = 1;
    hiscores[5].kind = 1;
    memset(hiscores[6].name, 0, HISCORE_NAME); // a player who entered none
    hiscores[7].kind = 2;
    std::string file = fileOf();
    writeFile("hiscores.dat", file);
    loadHiscores(0);
    EXPECT_TRUE(isDefaultName(hiscores[4].name)) << hiscores[4].name;
    EXPECT_TRUE(isDefaultName(hiscores[5].name)) << hiscores[5].name;
    EXPECT_TRUE(isDefaultName(hiscores[6].name)) << hiscores[6].name;
    EXPECT_STRNE(hiscores[4].name, hiscores[5].name);
    EXPECT_STRNE(hiscores[5].name, hiscores[6].name);
    EXPECT_STRNE(hiscores[4].name, hiscores[6].name);
    EXPECT_EQ(hiscores[4].kind, 1);
    EXPECT_EQ(hiscores[6].kind, 0);
    EXPECT_EQ(hiscores[4].score, 500);
    EXPECT_EQ(hiscores[6].score, 300);
    for (int r : {0, 1, 2, 3, 7, 8, 9})
        EXPECT_STREQ(hiscores[r].name, ("ROW" + std::to_string(r)).c_str());
    EXPECT_EQ(readFile("hiscores.dat"), file) << "renaming is not written";
}

TEST_F(Hiscores, DefaultTableWhenThereIsNoFileOrOnReset) {
    for (int reset : {0, 1}) {
        if (reset) {
            playerTable(descending());
            saveBuffer();
        }
        loadHiscores(reset);
        std::set<std::string> names;
        int below = 0;
        for (int r = HISCORE_ROWS - 1; r >= 0; r--) {
            const HiscoreEntry &e = hiscores[r];
            EXPECT_TRUE(isDefaultName(e.name)) << e.name;
            names.insert(e.name);
            EXPECT_EQ(e.kind, 1);
            EXPECT_EQ(e.reserved[0] | e.reserved[1], 0);
            EXPECT_GE(e.score - below, 100) << r;
            EXPECT_LE(e.score - below, 199) << r;
            below = e.score;
        }
        EXPECT_EQ(names.size(), 10u);
        // Written at once: a later load finds the same scores.
        int scores[HISCORE_ROWS];
        for (int r = 0; r < HISCORE_ROWS; r++)
            scores[r] = hiscores[r].score;
        loadHiscores(0);
        for (int r = 0; r < HISCORE_ROWS; r++)
            EXPECT_EQ(hiscores[r].score, scores[r]);
    }
}

TEST_F(Hiscores, DefaultNamesAreOursAndNoneIsSpecial) {
    std::set<std::string> names(std::begin(score_names), std::end(score_names));
    EXPECT_EQ(names.size(), 33u);
    for (const std::string &n : names) {
        EXPECT_GE(n.size(), 3u) << n;
        EXPECT_LE(n.size(), 8u) << n;
        EXPECT_EQ(n.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 "), std::string::npos)
            << n;
    }
    for (const char *special : {"OXBLURT", "GRUMPLE", "KELPIN", "MORVAN", "CHEATER"})
        EXPECT_EQ(names.count(special), 0u) << special;
}

TEST_F(Hiscores, EmptyFileIsReadAsZeros) {
    writeFile("hiscores.dat", "");
    loadHiscores(0);
    // Unscrambled zeros give row 0 the seed as a one-letter name.
    EXPECT_STREQ(hiscores[0].name, "\xA7");
    EXPECT_EQ(hiscores[0].kind, 0);
    for (int r = 1; r < HISCORE_ROWS; r++)
        EXPECT_TRUE(isDefaultName(hiscores[r].name)) << r;
    for (const HiscoreEntry &e : hiscores)
        EXPECT_EQ(e.score, 0);
    EXPECT_EQ(readFile("hiscores.dat"), "");
}

TEST_F(Hiscores, ShortFileIsReadAsFarAsItGoes) {
    playerTable(descending());
    std::string file = fileOf().substr(0, 32);
    writeFile("hiscores.dat", file);
    loadHiscores(0);
    EXPECT_STREQ(hiscores[0].name, "ROW0");
    EXPECT_EQ(hiscores[0].score, 900);
    EXPECT_STREQ(hiscores[1].name, "ROW1");
    EXPECT_EQ(hiscores[1].score, 800);
    // The missing bytes were zeros before unscrambling: row 2 starts with
    // the last byte read, the rest is empty.
    EXPECT_EQ(uint8_t(hiscores[2].name[0]), uint8_t(file[31]));
    for (int r = 2; r < HISCORE_ROWS; r++) {
        EXPECT_EQ(hiscores[r].score, 0);
        if (r > 2) {
            EXPECT_TRUE(isDefaultName(hiscores[r].name)) << r;
        }
    }
}

// A hiscore file that is there but cannot be read is not written over with
// the default table the game plays with instead: the player's scores stay
// for a later start. Once it is gone, the next load writes a new one.
TEST_F(Hiscores, AFileThatCannotBeReadIsNotWrittenOver) {
    struct Unreadable {
        const char *what;
        int (*make)(const char *path); // 0 when made
        mode_t type;
    };
    const Unreadable cases[] = {
        {"a link to itself (fopen fails)", [](const char *p) { return symlink(p, p); }, S_IFLNK},
        {"a folder (fread fails)", [](const char *p) { return mkdir(p, 0755); }, S_IFDIR},
    };
    for (const Unreadable &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = path("hiscores.dat");
        ASSERT_EQ(c.make(file.c_str()), 0);
        loadHiscores(0);
        for (const HiscoreEntry &e : hiscores)
            EXPECT_TRUE(isDefaultName(e.name)) << e.name;
        EXPECT_EQ(saveHiscores(100000, "NEW"), 0);
        struct stat st;
        ASSERT_EQ(lstat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & S_IFMT, c.type);
        EXPECT_EQ(listing(), std::vector<std::string>{"hiscores.dat"}); // no temporary left
        ASSERT_EQ(remove(file.c_str()), 0);
        loadHiscores(0);
        ASSERT_EQ(lstat(file.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        ASSERT_EQ(remove(file.c_str()), 0);
    }
}

struct InsertCase {
    int score;
    int row;
    std::vector<int> after;
};

TEST_F(Hiscores, InsertingKeepsTheOrderAndEarlierEntriesWinTies) {
    const InsertCase cases[] = {
        {700, 3, {900, 800, 700, 700, 600, 500, 400, 300, 200, 100}},
        {1000, 0, {1000, 900, 800, 700, 600, 500, 400, 300, 200, 100}},
        {901, 0, {901, 900, 800, 700, 600, 500, 400, 300, 200, 100}},
        {650, 3, {900, 800, 700, 650, 600, 500, 400, 300, 200, 100}},
        {1, 9, {900, 800, 700, 600, 500, 400, 300, 200, 100, 1}},
        {100, 9, {900, 800, 700, 600, 500, 400, 300, 200, 100, 100}},
    };
    for (const InsertCase &c : cases) {
        playerTable(descending());
        for (int r = 0; r < HISCORE_ROWS; r++)
            hiscores[r].reserved[0] = uint8_t(r + 1);
        EXPECT_EQ(saveHiscores(c.score, "NEW ONE"), c.row) << c.score;
        for (int r = 0; r < HISCORE_ROWS; r++)
            EXPECT_EQ(hiscores[r].score, c.after[r]) << c.score << " row " << r;
        EXPECT_STREQ(hiscores[c.row].name, "NEW ONE");
        EXPECT_EQ(hiscores[c.row].kind, 0);
        // Rows moved whole, reserved bytes and all; the new row keeps its slot's.
        for (int r = c.row + 1; r < HISCORE_ROWS; r++) {
            EXPECT_STREQ(hiscores[r].name, ("ROW" + std::to_string(r - 1)).c_str());
            EXPECT_EQ(hiscores[r].reserved[0], r) << c.score;
        }
        EXPECT_EQ(hiscores[c.row].reserved[0], c.row + 1);
        // And saved: the next start reads the same table.
        std::vector<HiscoreEntry> now(hiscores, hiscores + HISCORE_ROWS);
        loadHiscores(0);
        EXPECT_EQ(memcmp(now.data(), hiscores, sizeof hiscores), 0) << c.score;
    }
}

TEST_F(Hiscores, AnEmptyNameGetsADefaultOneOnTheNextLoad) {
    playerTable(descending());
    EXPECT_EQ(saveHiscores(450, ""), 5);
    EXPECT_STREQ(hiscores[5].name, "");
    loadHiscores(0);
    EXPECT_TRUE(isDefaultName(hiscores[5].name)) << hiscores[5].name;
    EXPECT_EQ(hiscores[5].score, 450);
    EXPECT_EQ(hiscores[5].kind, 0);
}

} // namespace
