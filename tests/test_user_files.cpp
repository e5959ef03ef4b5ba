// The three user files are written the same careful way: a temporary file
// beside the old one, renamed over it only once it is complete.

#include "core/level.h"
#include "core/savegame.h"
#include "platform/keyhelper.h"
#include "storage/config.h"
#include "storage/hiscores.h"
#include "user_folder.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

class UserFiles : public UserFolderTest {
  protected:
    void SetUp() override {
        UserFolderTest::SetUp();
        levelCount = 20;
        resetDefaultControls();
        _mus_volume_100_ = 100;
        memset(hiscores, 0, sizeof hiscores);
    }
    void TearDown() override {
        _mus_volume_100_ = 100;
        memset(hiscores, 0, sizeof hiscores);
        UserFolderTest::TearDown();
    }
};

TEST_F(UserFiles, WritesTheWholeFileAndLeavesNothingElse) {
    EXPECT_EQ(saveUserFile("notes", "txt", "first", 5), 0);
    EXPECT_EQ(readFile("notes.txt"), "first");
    EXPECT_EQ(saveUserFile("notes", "txt", "second, longer", 14), 0);
    EXPECT_EQ(readFile("notes.txt"), "second, longer");
    EXPECT_EQ(saveUserFile("notes", "txt", "", 0), 0);
    EXPECT_EQ(readFile("notes.txt"), "");
    EXPECT_EQ(listing(), std::vector<std::string>{"notes.txt"});
}

TEST_F(UserFiles, AFolderThatCannotBeWrittenReportsFailure) {
    configFolder = const_cast<char *>("/nonexistent/quenzy");
    EXPECT_EQ(saveUserFile("notes", "txt", "x", 1), -1);
}

// Runs `write` with room for two bytes per file, then ends the process.
void onFullDisk(const std::function<void()> &write) {
    signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed process
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = {2, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    write();
    // Room again, and exit rather than _exit: a coverage build writes what
    // the child ran as it exits.
    setrlimit(RLIMIT_FSIZE, &old);
    exit(0);
}

struct Writer {
    const char *file;
    std::function<void()> first, second; // two writes of different content
};

// A full disk, as the file size limit makes it: every writer keeps the old
// file whole and leaves no temporary file behind.
TEST_F(UserFiles, AFullDiskLeavesTheOldFile) {
    const Writer writers[] = {
        {"hiscores.dat", [] { saveBuffer(); },
         [] {
             hiscores[0].score = 12345;
             saveBuffer();
         }},
        {"quenzy.cfg", [] { dumpConfig(); },
         [] {
             _mus_volume_100_ = 42;
             dumpConfig();
         }},
        {"savegame.dat", [] { saveGame(5); }, [] { saveGame(6); }},
    };
    for (const Writer &w : writers) {
        w.first();
        std::string old = readFile(w.file);
        ASSERT_FALSE(old.empty()) << w.file;
        EXPECT_EXIT(onFullDisk(w.second), testing::ExitedWithCode(0), "");
        EXPECT_EQ(readFile(w.file), old) << w.file;
        EXPECT_EQ(listing(), std::vector<std::string>{w.file});
        // With room the same write does replace the file.
        w.second();
        EXPECT_NE(readFile(w.file), old) << w.file;
        EXPECT_EQ(listing(), std::vector<std::string>{w.file});
        unlink(path(w.file).c_str());
    }
}

TEST_F(UserFiles, APathTooLongForTheBufferIsRefusedNotCut) {
    // folder + "/" + "quenzy.cfg" is 1023 characters with this folder: the
    // most the buffer holds with its terminator.
    std::string fits(1023 - 1 - 10, 'f');
    const char *formed = filename(fits.c_str(), "quenzy", "cfg");
    ASSERT_NE(formed, nullptr);
    EXPECT_EQ(std::string(formed).size(), 1023u);
    std::string longer = fits + "g";
    EXPECT_EQ(filename(longer.c_str(), "quenzy", "cfg"), nullptr);
    EXPECT_EQ(filename(nullptr, std::string(1020, 'n').c_str(), "cfg"), nullptr);

    // Under such a folder nothing is read or written, and the game goes on
    // with what it has.
    std::string folder = dir + "/" + std::string(1100, 'x');
    configFolder = const_cast<char *>(folder.c_str());
    EXPECT_EQ(saveUserFile("quenzy", "cfg", "x", 1), -1);
    _mus_volume_100_ = 55;
    dumpConfig();
    loadConfig();
    EXPECT_EQ(_mus_volume_100_, 55);
    saveGame(7);
    EXPECT_EQ(saved, 7);
    EXPECT_EQ(loadGame(), 0);
    loadHiscores(0);
    EXPECT_EQ(hiscores[9].kind, 1); // the default table, in memory only
    EXPECT_EQ(listing(), std::vector<std::string>{});
}

} // namespace
