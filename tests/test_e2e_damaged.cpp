// Damaged boards through the real program: a cell value the tile sheet has
// no picture for, in the test board and in the level file.

#include "e2e_helpers.h"
#include "file_helpers.h"

#include <string>
#include <vector>

namespace {

using namespace e2e;

std::string emptyBoard() {
    return std::string(BOARD_CELLS, '0');
}

// The example board the build makes, with 200 in the first cell of its last
// row: it used to be drawn from far past the tile sheet.
TEST_F(EndToEnd, TestBoardWithACellAbove5IsNotPlayed) {
    std::vector<uint8_t> board = readFileBytes(std::string(QUENZY_BINARY_DIR) + "/test.bin");
    ASSERT_EQ(board.size(), 160u);
    board[16 * 9] = 200;
    writeBytes(dir + "/test.bin", board);
    testing::internal::CaptureStderr();
    Outcome out = play("frame 30 dump board\n"
                       "after next\n"
                       "frame +1 exit\n");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out.status, 0);
    EXPECT_NE(
        err.find("test.bin: cell 0,9 of the start board holds 200, above 5; board not used\n"),
        std::string::npos)
        << err;
    // The test board stays empty, as without a file, and level 1 follows.
    TraceLine first = out.find("attempt");
    EXPECT_EQ(first.num("level"), -1);
    EXPECT_EQ(first.str("board"), emptyBoard());
    EXPECT_EQ(out.find("attempt", 1).num("level"), 0);
    EXPECT_TRUE(fileExists("/board.bmp"));
}

TEST_F(EndToEnd, LevelFileWithACellAbove5StopsAtStart) {
    Board good, bad;
    good.start(2, 9, 3).target(2, 9, 1);
    bad.start(2, 9, 3).target(2, 9, 1).target(5, 4, 6);
    levels(levelFile({good, bad}, {{{2, 9}}, {{2, 9}}}));
    testing::internal::CaptureStderr();
    Outcome out = play("frame 5 exit\n");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(err, "Level 2 in data/levels.bin is damaged (a cell above 5)");
    EXPECT_EQ(out.count("attempt"), 0);
}

} // namespace
