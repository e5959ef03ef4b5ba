#include "front/cmdline.h"
#include "front/defines.h"
#include "launcher.h"
#include "platform/debug.h"
#include "storage/hiscores.h"
#include "temp_helpers.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace {

struct ArgCase {
    std::vector<const char *> args;
    int result, fs, scaling, bpp, test;
};

int parse(std::vector<const char *> args) {
    fs = 0;
    ScalingMethod = 0;
    bpp = 16;
    testMode = 0;
    args.insert(args.begin(), "quenzy");
    return parseCommandLine(static_cast<int>(args.size()), const_cast<char **>(args.data()));
}

TEST(CommandLine, OptionsLeftToRightLaterWins) {
    const ArgCase cases[] = {
        {{}, CMDLINE_RUN, 0, 0, 16, 0},
        {{"-fs"}, CMDLINE_RUN, 1, 1, 16, 0},
        {{"-fs", "-s2x"}, CMDLINE_RUN, 1, 2, 16, 0},
        {{"-fs", "-x1"}, CMDLINE_RUN, 1, 1, 16, 0},
        {{"-fs", "-w"}, CMDLINE_RUN, 0, 0, 16, 0},
        {{"-sl2", "-bl2", "-b24"}, CMDLINE_RUN, 0, 4, 24, 0},
        {{"-b24", "-b16", "-x2"}, CMDLINE_RUN, 0, 1, 16, 0},
        {{"-z", "--fs", "fs", "-sl2"}, CMDLINE_RUN, 0, 3, 16, 0},
        {{"-fs", "-t"}, CMDLINE_RUN, 0, 0, 16, 1},
        {{"-t", "-fs"}, CMDLINE_RUN, 1, 1, 16, 1},
        {{"-b24", "-h"}, CMDLINE_HELP, 0, 0, 24, 0},
        {{"-h", "-b24"}, CMDLINE_HELP, 0, 0, 16, 0},
    };
    for (const ArgCase &c : cases) {
        std::string label;
        for (const char *a : c.args)
            label += std::string(a) + " ";
        SCOPED_TRACE(label);
        EXPECT_EQ(parse(c.args), c.result);
        EXPECT_EQ(fs, c.fs);
        EXPECT_EQ(ScalingMethod, c.scaling);
        EXPECT_EQ(bpp, c.bpp);
        EXPECT_EQ(testMode, c.test);
    }
}

std::string runGame(const std::string &args, const std::string &home, int *status) {
    std::string cmd = "HOME='" + home + "' " + launchPrefix() + QUENZY_BINARY_DIR "/quenzy " +
                      args + " 2>/dev/null";
    FILE *p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int raw = pclose(p);
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

TEST(CommandLine, HelpIsTenLinesAndMakesTheUserFolderFirst) {
    const std::string expected = "-w : window mode (not fullscreen)\n"
                                 "-fs : fullscreen (-x2 automatically added)\n"
                                 "-x1 : no zoom\n"
                                 "-x2 : zoom with no antialiasing\n"
                                 "-s2x: zoom with Scale2X algorithm\n"
                                 "-sl2: zoom with Scanline algorithm\n"
                                 "-bl2: zoom with Bilinear algorithm\n"
                                 "-b16 : 16 bits video mode\n"
                                 "-b24 : 24 bits video mode (may be useful if fade in/fade out "
                                 "looks crappy)\n"
                                 "-h : help\n";
    for (const char *args : {"-h", "-b24 -h", "-h -b24 -t"}) {
        SCOPED_TRACE(args);
        TempDir folder("quenzy-home");
        std::string home = folder.path;
        int status = 0;
        EXPECT_EQ(runGame(args, home, &status), expected);
        EXPECT_EQ(status, 0);
        struct stat st;
        EXPECT_EQ(stat((home + "/.quenzy").c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
    }
}

TEST(UserFolder, FolderAndPaths) {
    TempDir folder("quenzy-home");
    std::string home = folder.path;
    const char *oldHome = getenv("HOME");
    std::string saved = oldHome ? oldHome : "";
    setenv("HOME", home.c_str(), 1);
    getConfigFolder();
    EXPECT_EQ(std::string(configFolder), home + "/.quenzy");
    EXPECT_EQ(std::string(filename(configFolder, "quenzy", "cfg")), home + "/.quenzy/quenzy.cfg");
    EXPECT_EQ(std::string(filename(nullptr, "savegame", "dat")), "savegame.dat");
    free(configFolder);

    // A HOME that is not there: the folder is named all the same, and the
    // game goes on without user files.
    setenv("HOME", (home + "/gone").c_str(), 1);
    getConfigFolder();
    EXPECT_EQ(std::string(configFolder), home + "/gone/.quenzy");
    free(configFolder);

    unsetenv("HOME");
    getConfigFolder();
    EXPECT_EQ(std::string(configFolder), "./");
    EXPECT_EQ(std::string(filename(configFolder, "hiscores", "dat")), ".//hiscores.dat");
    free(configFolder);
    configFolder = nullptr;
    if (oldHome)
        setenv("HOME", saved.c_str(), 1);
}

TEST(UserFolder, LongHomeDoesNotOverflowThePathBuffer) {
    // Refused rather than cut, so no file of another name is touched.
    std::string longFolder(2000, 'a');
    EXPECT_EQ(filename(longFolder.c_str(), "quenzy", "cfg"), nullptr);
}

TEST(ErrorExit, WritesTheMessageUnchangedAndExitsWithOne) {
    EXPECT_EXIT(error("Unable to set video mode"), testing::ExitedWithCode(1),
                "^Unable to set video mode$");
}

} // namespace
