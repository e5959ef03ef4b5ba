// The game installed as a packager would install it, into a temporary
// prefix, and started through its launcher from another folder.

#include "e2e_helpers.h"

#include <algorithm>

namespace {

using namespace e2e;

class Installed : public testing::Test {
  protected:
    void SetUp() override {
        dir = makeTempDir("quenzy-install");
        ASSERT_FALSE(dir.empty());
        ASSERT_EQ(mkdir((dir + "/elsewhere").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir + "/home").c_str(), 0755), 0);
        std::string cmd = "cmake --install '" + std::string(QUENZY_BINARY_DIR) + "' --prefix '" +
                          dir + "/prefix' > '" + dir + "/install.log' 2>&1";
        ASSERT_EQ(system(cmd.c_str()), 0) << readText(dir + "/install.log");
    }
    void TearDown() override {
        if (HasFailure()) {
            printf("kept %s\n", dir.c_str());
            return;
        }
        EXPECT_EQ(removeTree(dir), 0) << dir;
    }
    bool exists(const std::string &path) { return access((dir + path).c_str(), F_OK) == 0; }
    // Runs the installed launcher with `args` on the replay `script`, from
    // a folder that holds no data, with a fresh home; its exit status.
    int launch(const std::string &args, const std::string &script) {
        writeBytes(dir + "/elsewhere/script.txt",
                   std::vector<uint8_t>(script.begin(), script.end()));
        std::string cmd = "cd '" + dir + "/elsewhere' && HOME='" + dir +
                          "/home' SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "
                          "QUENZY_REPLAY=script.txt QUENZY_TRACE=trace.txt '" +
                          dir + "/prefix/bin/quenzy' " + args + " > out.txt 2>&1";
        int status = system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    std::vector<TraceLine> trace() { return parseTrace(readText(dir + "/elsewhere/trace.txt")); }
    std::string dir;
};

TEST_F(Installed, PutsEveryPieceInItsUsualPlace) {
    for (const char *path :
         {"/prefix/bin/quenzy", "/prefix/lib/quenzy/quenzy", "/prefix/share/quenzy/data/levels.bin",
          "/prefix/share/quenzy/data/gfx.ova", "/prefix/share/quenzy/data/music.ova",
          "/prefix/share/quenzy/data/sound.ova", "/prefix/share/applications/quenzy.desktop",
          "/prefix/share/icons/hicolor/64x64/apps/quenzy.png", "/prefix/share/man/man6/quenzy.6",
          "/prefix/share/metainfo/io.github.quenzy.Quenzy.metainfo.xml"})
        EXPECT_TRUE(exists(path)) << path;
    EXPECT_EQ(access((dir + "/prefix/bin/quenzy").c_str(), X_OK), 0);

    std::string entry = readText(dir + "/prefix/share/applications/quenzy.desktop");
    for (const char *line : {"[Desktop Entry]\n", "\nType=Application\n", "\nName=Quenzy\n",
                             "\nExec=quenzy\n", "\nIcon=quenzy\n", "\nCategories=Game;"})
        EXPECT_NE(entry.find(line), std::string::npos) << line;

    // A PNG of 64 x 64 with its see-through colour named.
    std::string icon = readText(dir + "/prefix/share/icons/hicolor/64x64/apps/quenzy.png");
    ASSERT_GT(icon.size(), 33u);
    EXPECT_EQ(icon.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(icon.substr(12, 4), "IHDR");
    EXPECT_EQ(icon.substr(16, 8), std::string("\0\0\0\x40\0\0\0\x40", 8));
    EXPECT_NE(icon.find("tRNS"), std::string::npos);
}

// Through the launcher, from a folder that holds no data: the game finds
// its data, plays, and keeps its files in the user's folder; the file names
// given in the environment, and the screen dumps, are the caller's folder's.
TEST_F(Installed, TheLauncherPlaysFromAnyFolder) {
    std::string script = std::string(THROUGH_INTROS) + "frame +5 type RETURN\n"  // PRESS START
                                                       "frame +10 type RETURN\n" // NEW GAME
                                                       "frame +30 type SPACE\n"  // HOW TO PLAY
                                                       "after attempt\n"
                                                       "frame +30 dump shot\n"
                                                       "frame +1 exit\n";
    ASSERT_EQ(launch("", script), 0) << readText(dir + "/elsewhere/out.txt");
    int attempts = 0;
    for (const TraceLine &line : trace())
        attempts += line.event == "attempt" && line.num("level") == 0;
    EXPECT_EQ(attempts, 1);
    EXPECT_TRUE(exists("/home/.quenzy/hiscores.dat"));
    EXPECT_FALSE(exists("/prefix/share/quenzy/trace.txt"));
    // A replay's screen dumps land beside the trace, not among the data.
    EXPECT_TRUE(exists("/elsewhere/shot.bmp"));
    EXPECT_FALSE(exists("/prefix/share/quenzy/shot.bmp"));
}

// Test mode plays the test.bin of the caller's folder, as it does in the
// build folder; a board there that the game refuses is named by its path.
TEST_F(Installed, TestModeReadsTheBoardOfTheCallersFolder) {
    // A 1 under a 3 in column 2, the target wants a 2: one pick wins, and
    // pays 4. An empty board (no test.bin found) would be won at once, for 0.
    writeBytes(dir + "/elsewhere/test.bin",
               Board().start(2, 9, 1).start(2, 8, 3).target(2, 9, 2).bytes);
    ASSERT_EQ(launch("-t", readText(QUENZY_SOURCE_DIR "/tests/e2e/solve_test_board_by_keys.txt")),
              0)
        << readText(dir + "/elsewhere/out.txt");
    std::vector<TraceLine> lines = trace();
    auto won = std::find_if(lines.begin(), lines.end(),
                            [](const TraceLine &line) { return line.event == "won"; });
    ASSERT_NE(won, lines.end());
    EXPECT_EQ(won->num("level"), -1);
    EXPECT_EQ(won->num("score"), 4);

    writeBytes(dir + "/elsewhere/test.bin", Board().start(0, 9, 200).bytes);
    EXPECT_EQ(launch("-t", "frame 5 exit\n"), 0);
    EXPECT_NE(readText(dir + "/elsewhere/out.txt")
                  .find(dir + "/elsewhere/test.bin: cell 0,9 of the start board holds 200"),
              std::string::npos)
        << readText(dir + "/elsewhere/out.txt");
}

} // namespace
