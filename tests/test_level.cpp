#include "core/anim.h"
#include "core/level.h"
#include "front/scenery.h"
#include "temp_helpers.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

TEST(LevelFile, ScrambleKnownBytes) {
    // Worked by hand from the keys: byte 0 against the seed, byte 1 chained
    // on plain byte 0.
    uint8_t bytes[2] = {0x01, 0x02};
    scrambleLevels(bytes, 2);
    EXPECT_EQ(bytes[0], 0x7B);
    EXPECT_EQ(bytes[1], 0x88);
    descrambleLevels(bytes, 2);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[1], 0x02);
}

TEST(LevelFile, ScrambleRoundTripAndChaining) {
    std::vector<uint8_t> plain(3000);
    srand(7);
    for (uint8_t &b : plain)
        b = static_cast<uint8_t>(rand());
    std::vector<uint8_t> bytes = plain;
    scrambleLevels(bytes.data(), bytes.size());
    EXPECT_NE(bytes, plain);
    // Changing one plain byte changes its own and the next scrambled byte.
    std::vector<uint8_t> other = plain;
    other[500] ^= 0x40;
    scrambleLevels(other.data(), other.size());
    for (size_t i = 0; i < plain.size(); i++)
        EXPECT_EQ(bytes[i] != other[i], i == 500 || i == 501) << i;
    descrambleLevels(bytes.data(), bytes.size());
    EXPECT_EQ(bytes, plain);
}

// Each test in a fresh working folder of its own, removed after.
class InTempFolder : public testing::Test {
  protected:
    void writeFile(const char *name, const std::vector<uint8_t> &bytes) {
        FILE *f = fopen(name, "wb");
        ASSERT_NE(f, nullptr) << name;
        if (!bytes.empty())
            fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    TempWorkDir dir{"quenzy-level"};
};

using WholeFile = InTempFolder;

TEST_F(WholeFile, ReadsExactlyTheFileOrNothing) {
    unsigned size = 1234;
    EXPECT_EQ(loadBINFile("missing.bin", &size), nullptr);
    writeFile("empty.bin", {});
    EXPECT_EQ(loadBINFile("empty.bin", &size), nullptr);
    EXPECT_EQ(size, 1234u);
    writeFile("three.bin", {9, 8, 7});
    uint8_t *bytes = loadBINFile("three.bin", &size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(bytes[2], 7);
    free(bytes);
    bytes = loadBINFile("three.bin", nullptr);
    EXPECT_NE(bytes, nullptr);
    free(bytes);
    // A pipe's length cannot be told: no file either.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "\x09\x08\x07", 3), 3);
    close(ends[1]);
    const std::string piped = "/proc/self/fd/" + std::to_string(ends[0]);
    size = 1234;
    EXPECT_EQ(loadBINFile(piped.c_str(), &size), nullptr);
    EXPECT_EQ(size, 1234u);
    close(ends[0]);
}

// A level file as the game ships it: the count byte, `records` records of
// which record i has the value i + 1 in its first start cell, `extra` bytes
// more, all scrambled.
std::vector<uint8_t> levelFile(int count, int records, size_t extra) {
    std::vector<uint8_t> plain(1 + LEVEL_RECORD_SIZE * records + extra, 0);
    plain[0] = static_cast<uint8_t>(count);
    for (int i = 0; i < records; i++)
        plain[1 + LEVEL_RECORD_SIZE * i] = static_cast<uint8_t>(i + 1);
    scrambleLevels(plain.data(), static_cast<unsigned>(plain.size()));
    return plain;
}

using LevelTable = InTempFolder;

TEST_F(LevelTable, LoadLevelsCountsOnlyTheRecordsTheFileHolds) {
    ASSERT_EQ(mkdir("data", 0755), 0);
    struct Case {
        int count, records;
        size_t extra;
        int expected;
    } cases[] = {
        {3, 3, 0, 3},   // exact
        {2, 3, 0, 2},   // records past the count are not played
        {2, 2, 100, 2}, // trailing bytes are ignored
        {9, 2, 0, 2},   // a count the file cannot back is cut
        {9, 1, 287, 1}, // a record cut short is not one
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "count " << c.count << ", " << c.records << " records");
        writeFile("data/levels.bin", levelFile(c.count, c.records, c.extra));
        loadLevels();
        ASSERT_NE(levelsData, nullptr);
        EXPECT_EQ(levelCount, c.expected);
        EXPECT_EQ(levels, levelsData + 1);
        for (int i = 0; i < c.records; i++)
            EXPECT_EQ(levels[LEVEL_RECORD_SIZE * i], i + 1) << "record " << i;
        free(levelsData);
        levelsData = nullptr;
    }
}

// A record the drawing or the solver could not use (a cell that is no
// fruit, a pick off the board) ends the game at start with its number.
TEST_F(LevelTable, LoadLevelsRefusesADamagedRecord) {
    ASSERT_EQ(mkdir("data", 0755), 0);
    struct Case {
        const char *what;
        size_t at; // in record 2
        uint8_t value;
        const char *damage; // null: the file is taken
    } cases[] = {
        {"a start cell above the top fruit", 16 * 9 + 3, 6, "a cell above 5"},
        {"a target cell of 255", 16 * 2 + 8 + 7, 255, "a cell above 5"},
        {"a pick beyond the last column", 160 + 2 * 5, 8, "a pick off the board"},
        {"a pick below the last row", 160 + 2 * 5 + 1, 10, "a pick off the board"},
        {"a top fruit and the last cell picked", 160 + 2 * 5, 7, nullptr},
        {"anything past the solution's end", 160 + 2 * 40 + 1, 200, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> file = levelFile(3, 3, 0);
        descrambleLevels(file.data(), unsigned(file.size()));
        // The extremes that are allowed, then the case's damage.
        file[1 + LEVEL_RECORD_SIZE + 16 * 9 + 7] = MAX_CELL_VALUE;
        file[1 + LEVEL_RECORD_SIZE + 160 + 2 * 5 + 1] = BOARD_H - 1;
        file[1 + LEVEL_RECORD_SIZE + 160 + 2 * 6] = 0xFF;
        file[1 + LEVEL_RECORD_SIZE + c.at] = c.value;
        scrambleLevels(file.data(), unsigned(file.size()));
        writeFile("data/levels.bin", file);
        if (c.damage) {
            EXPECT_EXIT(loadLevels(), testing::ExitedWithCode(1),
                        std::string("^Level 2 in data/levels.bin is damaged \\(") + c.damage +
                            "\\)$");
            continue;
        }
        loadLevels();
        EXPECT_EQ(levelCount, 3);
        free(levelsData);
        levelsData = nullptr;
    }
}

TEST_F(LevelTable, LoadLevelsEndsTheGameWithoutALevel) {
    EXPECT_EXIT(loadLevels(), testing::ExitedWithCode(1), "^Unable to load data/levels.bin$");
    ASSERT_EQ(mkdir("data", 0755), 0);
    const std::vector<uint8_t> files[] = {levelFile(0, 2, 0), levelFile(4, 0, 200)};
    for (const std::vector<uint8_t> &file : files) {
        writeFile("data/levels.bin", file);
        EXPECT_EXIT(loadLevels(), testing::ExitedWithCode(1), "^No levels in data/levels.bin$");
    }
    // An empty file cannot be loaded; bytes without even a count hold none.
    writeFile("data/levels.bin", {});
    EXPECT_EXIT(loadLevels(), testing::ExitedWithCode(1), "^Unable to load data/levels.bin$");
    EXPECT_STREQ(takeLevelFile(static_cast<uint8_t *>(malloc(1)), 0),
                 "No levels in data/levels.bin");
}

// A cell above 5 in a record that will be played is damage: the game stops
// with the level's number instead of drawing past the tile sheet.
TEST_F(LevelTable, LoadLevelsRefusesACellAboveFive) {
    ASSERT_EQ(mkdir("data", 0755), 0);
    struct Case {
        int record, offset, value;
        const char *refusal; // null: the file is taken
    } cases[] = {
        {1, 16 * 9, 6, "^Level 2 in data/levels.bin is damaged \\(a cell above 5\\)$"},
        {0, 16 * 9 + 15, 200, "^Level 1 in data/levels.bin is damaged \\(a cell above 5\\)$"},
        {1, 16 * 9, 5, nullptr},   // the biggest fruit
        {2, 16 * 9, 255, nullptr}, // a record past the count is never played
        {0, 161, 9, nullptr},      // solution bytes are no cells: a pick on the last row
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "record " << c.record << ", byte " << c.offset);
        std::vector<uint8_t> plain(1 + 3 * LEVEL_RECORD_SIZE, 0);
        plain[0] = 2;
        plain[1 + LEVEL_RECORD_SIZE * c.record + c.offset] = static_cast<uint8_t>(c.value);
        scrambleLevels(plain.data(), static_cast<unsigned>(plain.size()));
        writeFile("data/levels.bin", plain);
        if (c.refusal) {
            EXPECT_EXIT(loadLevels(), testing::ExitedWithCode(1), c.refusal);
            continue;
        }
        loadLevels();
        EXPECT_EQ(levelCount, 2);
        EXPECT_EQ(levels[LEVEL_RECORD_SIZE * c.record + c.offset], c.value);
        free(levelsData);
        levelsData = nullptr;
    }
}

// A level table of two records built in memory.
std::vector<uint8_t> table;

void makeTable() {
    table.assign(1 + 2 * LEVEL_RECORD_SIZE, 0);
    table[0] = 2;
    uint8_t *r0 = table.data() + 1;
    r0[16 * 9 + 0] = 3; // start: two fruits at the bottom
    r0[16 * 9 + 1] = 5;
    r0[16 * 9 + 8] = 1; // target
    r0[160] = 0xFF;     // empty solution
    uint8_t *r1 = r0 + LEVEL_RECORD_SIZE;
    for (int k = 0; k < LEVEL_MAX_PICKS; k++) { // 64 picks, no terminator
        r1[160 + 2 * k] = 3;
        r1[161 + 2 * k] = 9;
    }
    levels = table.data() + 1;
    levelCount = 2;
}

TEST(LoadLevel, MovesCountAndCleanState) {
    makeTable();
    srand(1); // the scenery's reset draws
    struct Case {
        int index, bonus, moves, count;
    } cases[] = {{0, 3, 3, 2}, {1, 5, 69, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        currentBonus = c.bonus;
        curTrans = curMove = curShine = curEject = curAction = 7;
        memset(currentTrans, 9, sizeof currentTrans);
        memset(currentShining, 9, sizeof currentShining);
        cursorX = cursorY = cursorA = 1;
        loadLevel(c.index);
        EXPECT_EQ(currentMoves, c.moves);
        EXPECT_EQ(currentCount, c.count);
        EXPECT_EQ(currentSource, levels + LEVEL_RECORD_SIZE * c.index);
        EXPECT_EQ(currentSol, currentSource + 160);
        EXPECT_EQ(curTrans + curMove + curShine + curEject + curAction, 0);
        for (uint8_t v : currentTrans)
            EXPECT_EQ(v, 0);
        for (uint8_t v : currentShining)
            EXPECT_EQ(v, 0);
        EXPECT_EQ(cursorX, 4);
        EXPECT_EQ(cursorY, 5);
        EXPECT_EQ(cursorA, 0);
    }
    loadLevel(0);
    EXPECT_EQ(currentLevel[0 + 8 * 9], 3);
    EXPECT_EQ(currentLevel[1 + 8 * 9], 5);
    EXPECT_EQ(currentLevel[8 * 9 + 2], 0);
}

using TestBoard = InTempFolder;

TEST_F(TestBoard, OnlyAnExact160ByteFileReplacesTheBoard) {
    srand(1); // the scenery's reset draws
    memset(testLevel, 0, sizeof testLevel);
    std::vector<uint8_t> board(160, 0);
    board[16 * 9 + 4] = 2;
    board[16 * 9 + 12] = 1;
    writeFile("test.bin", board);
    loadLevel(-1);
    EXPECT_EQ(currentSource, testLevel);
    EXPECT_EQ(currentSol, nullptr);
    EXPECT_EQ(currentMoves, 64);
    EXPECT_EQ(currentCount, 1);
    EXPECT_EQ(currentLevel[4 + 8 * 9], 2);

    for (size_t size : {159u, 161u}) {
        SCOPED_TRACE(size);
        writeFile("test.bin", std::vector<uint8_t>(size, 5));
        loadLevel(-1);
        EXPECT_EQ(currentLevel[4 + 8 * 9], 2);
        EXPECT_EQ(currentCount, 1);
    }
    // A cell that is no fruit makes it a damaged file, ignored the same way.
    board[16 * 3 + 8 + 5] = MAX_CELL_VALUE + 1;
    board[16 * 9 + 4] = 3;
    writeFile("test.bin", board);
    loadLevel(-1);
    EXPECT_EQ(currentLevel[4 + 8 * 9], 2);
}

// A board the drawing could not show is refused like a file of the wrong
// size, with a message naming the cell.
TEST_F(TestBoard, ACellAboveFiveKeepsTheBoardAndSaysWhere) {
    srand(1); // the scenery's reset draws
    memset(testLevel, 0, sizeof testLevel);
    testLevel[16 * 9 + 4] = 2;
    struct Case {
        int offset, value;
        const char *message;
    } cases[] = {
        {16 * 9, 200, "test.bin: cell 0,9 of the start board holds 200, above 5; board not used\n"},
        {16 * 2 + 15, 6,
         "test.bin: cell 7,2 of the target board holds 6, above 5; board not used\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.offset);
        std::vector<uint8_t> board(160, 1);
        board[c.offset] = static_cast<uint8_t>(c.value);
        writeFile("test.bin", board);
        testing::internal::CaptureStderr();
        loadLevel(-1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(currentCount, 1);
        EXPECT_EQ(currentLevel[4 + 8 * 9], 2);
        EXPECT_EQ(currentLevel[0 + 8 * 9], 0);
    }
}

} // namespace
