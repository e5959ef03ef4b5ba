#include "core/level.h"
#include "core/savegame.h"
#include "storage/hiscores.h"
#include "temp_helpers.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<int> draws;
size_t drawn;
int scriptedRand() {
    return drawn < draws.size() ? draws[drawn++] : 0x4242;
}

class SaveGame : public testing::Test {
  protected:
    void SetUp() override {
        oldFolder = configFolder;
        configFolder = const_cast<char *>(dir.c_str());
        levelCount = 20;
        saved = 0;
        saveGameRand = rand;
        srand(1); // the random word of every save
    }
    void TearDown() override {
        saveGameRand = rand;
        configFolder = oldFolder;
    }
    std::string file() { return dir + "/savegame.dat"; }
    std::vector<unsigned char> readFile() {
        std::vector<unsigned char> bytes(16);
        FILE *f = fopen(file().c_str(), "rb");
        if (!f)
            return {};
        bytes.resize(fread(bytes.data(), 1, bytes.size(), f));
        fclose(f);
        return bytes;
    }
    void writeFile(const std::vector<unsigned char> &bytes) {
        FILE *f = fopen(file().c_str(), "wb");
        if (!bytes.empty())
            fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    TempDir folder{"quenzy-save"};
    std::string dir = folder.path;
    char *oldFolder = nullptr;
};

TEST_F(SaveGame, KnownBytes) {
    // R = 0x1234, L = 5: plain 12 31 34 17, masked with C1 A4 27 6E.
    unsigned char out[4];
    encodeSaveGame(5, 0x1234, out);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 4),
              (std::vector<unsigned char>{0xD3, 0x95, 0x13, 0x79}));
    EXPECT_EQ(decodeSaveGame(out), 5);
}

TEST_F(SaveGame, SaveTwiceDiffersAndBothLoad) {
    srand(11);
    saveGame(5);
    EXPECT_EQ(saved, 5);
    std::vector<unsigned char> first = readFile();
    saveGame(5);
    std::vector<unsigned char> second = readFile();
    ASSERT_EQ(first.size(), 4u);
    ASSERT_EQ(second.size(), 4u);
    EXPECT_NE(first, second);
    EXPECT_EQ(loadGame(), 5);
    writeFile(first);
    EXPECT_EQ(loadGame(), 5);
    // The temporary file of the safe write is gone: the folder empties.
    remove(file().c_str());
    EXPECT_EQ(rmdir(dir.c_str()), 0);
    mkdir(dir.c_str(), 0700);
}

TEST_F(SaveGame, RandomWordRetries) {
    struct Case {
        std::vector<int> draws;
        size_t used;
        unsigned r;
    } cases[] = {
        {{0x2345}, 1, 0x2345},
        {{0x0000, 0xFFFF, 0x10000, 0x3FFFF, 0x7777}, 5, 0x7777}, // low 16 bits count
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0xABCD}, 10, 0xABCD},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFFFF, 0x5555}, 10, 0xCAFE},
    };
    for (const Case &c : cases) {
        draws = c.draws;
        drawn = 0;
        saveGameRand = scriptedRand;
        saveGame(9);
        EXPECT_EQ(drawn, c.used);
        unsigned char want[4];
        encodeSaveGame(9, c.r, want);
        EXPECT_EQ(readFile(), std::vector<unsigned char>(want, want + 4));
        EXPECT_EQ(loadGame(), 9);
    }
}

TEST_F(SaveGame, EverySingleByteChangeReadsAsNone) {
    unsigned char good[4];
    encodeSaveGame(7, 0x9A3C, good);
    for (int k = 0; k < 4; k++)
        for (int bit = 0; bit < 8; bit++) {
            std::vector<unsigned char> bytes(good, good + 4);
            bytes[k] ^= 1 << bit;
            writeFile(bytes);
            EXPECT_EQ(loadGame(), 0) << k << " " << bit;
        }
    // Not only single bits: every other value of any one byte fails the check.
    for (int k = 0; k < 4; k++)
        for (int flip = 1; flip < 256; flip++) {
            unsigned char bytes[4] = {good[0], good[1], good[2], good[3]};
            bytes[k] ^= flip;
            EXPECT_EQ(decodeSaveGame(bytes), -1) << k << " " << flip;
        }
}

TEST_F(SaveGame, UnusableFilesReadAsNone) {
    unsigned char l0[4], l19[4], l20[4], r0[4], rff[4];
    encodeSaveGame(0, 0x1111, l0);
    encodeSaveGame(19, 0x1111, l19);
    encodeSaveGame(20, 0x1111, l20); // beyond the 20 levels of the file
    encodeSaveGame(3, 0x0000, r0);
    encodeSaveGame(3, 0xFFFF, rff);
    struct Case {
        std::vector<unsigned char> bytes;
        int level;
    } cases[] = {
        {{}, 0},
        {{l19[0], l19[1], l19[2]}, 0},
        {{l0[0], l0[1], l0[2], l0[3]}, 0},
        {{l19[0], l19[1], l19[2], l19[3]}, 19},
        {{l19[0], l19[1], l19[2], l19[3], 0x00}, 19},
        {{l20[0], l20[1], l20[2], l20[3]}, 0},
        {{r0[0], r0[1], r0[2], r0[3]}, 0},
        {{rff[0], rff[1], rff[2], rff[3]}, 0},
    };
    for (const Case &c : cases) {
        writeFile(c.bytes);
        EXPECT_EQ(loadGame(), c.level) << c.bytes.size();
    }
    remove(file().c_str());
    EXPECT_EQ(loadGame(), 0);
    // A word of 0 or FFFF carries no level at all, whatever the bytes say.
    EXPECT_EQ(decodeSaveGame(r0), -1);
    EXPECT_EQ(decodeSaveGame(rff), -1);
}

TEST_F(SaveGame, UnwritableFolderStillSetsSaved) {
    configFolder = const_cast<char *>("/nonexistent/quenzy");
    saveGame(4);
    EXPECT_EQ(saved, 4);
    EXPECT_EQ(loadGame(), 0);
    configFolder = const_cast<char *>(dir.c_str());
}

} // namespace
