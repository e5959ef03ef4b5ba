#include "config_helpers.h"
#include "platform/keyhelper.h"
#include "storage/config.h"
#include "user_folder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every value the configuration can touch, bindings included.
int *const everything[] = {
    &_mus_volume_100_, &_sfx_volume_100_, &mpFlags,     &mpResamplingMode, &mpReverbDepth,
    &mpReverbDelay,    &mpBassAmount,     &mpBassRange, &mpSurroundDepth,  &mpSurroundDelay,
    &UP_KEY,           &DOWN_KEY,         &LEFT_KEY,    &RIGHT_KEY,        &JUMP_KEY,
    &START_KEY,        &PAUSE_KEY,        &SELECT_KEY,  &UP_BUTTON,        &DOWN_BUTTON,
    &LEFT_BUTTON,      &RIGHT_BUTTON,     &JUMP_BUTTON, &START_BUTTON,     &PAUSE_BUTTON,
    &SELECT_BUTTON,
};

std::vector<int> snapshot() {
    std::vector<int> values;
    for (int *v : everything)
        values.push_back(*v);
    return values;
}

class Config : public UserFolderTest {
  protected:
    void SetUp() override {
        UserFolderTest::SetUp();
        startValues();
    }
    void TearDown() override {
        startValues();
        UserFolderTest::TearDown();
    }
};

struct LoadCase {
    std::string text;
    std::vector<std::pair<int *, int>> changes; // everything else stays
};

TEST_F(Config, LoadingRules) {
    const char nulText[] = "mus_volume=7\0sfx_volume=8\r\n";
    const std::string withNul(nulText, sizeof nulText - 1);
    const LoadCase cases[] = {
        {"mus_volume=37\n", {{&_mus_volume_100_, 37}}},
        {"sfx_volume=250\n", {{&_sfx_volume_100_, 100}}},
        {"sfx_volume=-1\n", {{&_sfx_volume_100_, 100}}},
        {"sfx_volume=0\n", {{&_sfx_volume_100_, 0}}},
        {"k_left=a\n", {{&LEFT_KEY, 97}}},
        {"k_left=z\n", {{&LEFT_KEY, 122}}},
        {"k_left=A\n", {{&LEFT_KEY, 0}}},
        {"k_left=~\n", {{&LEFT_KEY, 0}}},
        {"k_left=300\n", {{&LEFT_KEY, 300}}},
        {"k_up=276\n", {{&UP_KEY, 276}}},
        {"k_up=-1\nj_up=-3\n", {}},
        {"j_jump=5\nj_start=0\n", {{&JUMP_BUTTON, 5}, {&START_BUTTON, 0}}},
        {"k_pause=112\nj_pause=9\n", {{&PAUSE_KEY, 112}, {&PAUSE_BUTTON, 9}}},
        // Until both bindings of a name are found a later line wins; then
        // the scan of that name stops.
        {"k_up=300\nk_up=301\n", {{&UP_KEY, 301}}},
        {"k_up=300\nj_up=2\nk_up=301\n", {{&UP_KEY, 300}, {&UP_BUTTON, 2}}},
        {"k_up=-4\nj_up=2\nk_up=301\n", {{&UP_KEY, 301}, {&UP_BUTTON, 2}}},
        // Keys match anywhere, not only at line starts.
        {"xmus_volume=20\n", {{&_mus_volume_100_, 20}}},
        {"# k_down=b mus_volume=9\n", {{&DOWN_KEY, 98}, {&_mus_volume_100_, 9}}},
        // atoi's way with values.
        {"mus_volume= \t+42\n", {{&_mus_volume_100_, 42}}},
        {"mus_volume=\v\f\r\n 63\n", {{&_mus_volume_100_, 63}}},
        {"mus_volume=\x01"
         "5\n",
         {{&_mus_volume_100_, 0}}}, // a control character is no space
        {"mus_volume=abc\n", {{&_mus_volume_100_, 0}}},
        {"mus_volume=12abc\n", {{&_mus_volume_100_, 12}}},
        {"mus_volume=99999999999999\n", {{&_mus_volume_100_, 100}}},
        {"mus_volume=-99999999999999\n", {{&_mus_volume_100_, 100}}},
        {"k_right=99999999999999\n", {{&RIGHT_KEY, 2147483647}}},
        // A key at the very end of the text reads as 0.
        {"mus_volume=", {{&_mus_volume_100_, 0}}},
        {"mpReverbDelay=", {{&mpReverbDelay, 40}}},
        // A one-character binding value that ends the file is out of reach.
        {"k_jump=a", {}},
        {"k_jump=ab", {{&JUMP_KEY, 97}}},
        {"j_jump=4", {}},
        {"j_jump=42", {{&JUMP_BUTTON, 42}}},
        {"k_jump=", {}},
        // Flags are only ever switched on, by exactly 1.
        {"mpFlagsREVERB=2\n", {}},
        {"mpFlagsOVERSAMPLING=0\nmpFlagsNOISE_REDUCTION=0\n", {}},
        {"mpFlagsREVERB=1\nmpFlagsMEGABASS=1\nmpFlagsSURROUND=1\n", {{&mpFlags, 31}}},
        {"mpResamplingMode=3\n", {{&mpResamplingMode, 3}}},
        {"mpResamplingMode=2\nmpResamplingMode=4\n", {{&mpResamplingMode, 1}}},
        {"mpResamplingMode=-1\n", {{&mpResamplingMode, 1}}},
        {"mpReverbDepth=150\n", {{&mpReverbDepth, 100}}},
        {"mpReverbDepth=-5\nmpBassAmount=55\n", {{&mpBassAmount, 55}}},
        {"mpReverbDelay=10\n", {{&mpReverbDelay, 40}}},
        {"mpReverbDelay=201\n", {{&mpReverbDelay, 200}}},
        {"mpBassRange=500\n", {{&mpBassRange, 100}}},
        {"mpBassRange=9\n", {{&mpBassRange, 10}}},
        {"mpSurroundDelay=0\n", {{&mpSurroundDelay, 5}}},
        {"mpSurroundDelay=41\nmpSurroundDepth=101\n",
         {{&mpSurroundDelay, 40}, {&mpSurroundDepth, 100}}},
        {"", {}},
        {withNul, {{&_mus_volume_100_, 7}, {&_sfx_volume_100_, 8}}},
        {"garbage without any key at all", {}},
    };
    for (const LoadCase &c : cases) {
        startValues();
        std::vector<int> want = snapshot();
        for (const auto &change : c.changes)
            for (size_t i = 0; i < std::size(everything); i++)
                if (everything[i] == change.first)
                    want[i] = change.second;
        writeFile("quenzy.cfg", c.text);
        loadConfig();
        EXPECT_EQ(snapshot(), want) << "file: " << c.text;
    }
}

TEST_F(Config, MissingFileChangesNothing) {
    std::vector<int> before = snapshot();
    loadConfig();
    EXPECT_EQ(snapshot(), before);
}

TEST_F(Config, KeysAreWrittenAsLettersOnlyForLowerCaseCodes) {
    const std::pair<int, const char *> cases[] = {
        {97, "k_up=a\n"},    {122, "k_up=z\n"}, {96, "k_up=96\n"},
        {123, "k_up=123\n"}, {65, "k_up=65\n"}, {306, "k_up=306\n"},
    };
    for (const auto &c : cases) {
        FILE *f = fopen(path("key.txt").c_str(), "w");
        ASSERT_NE(f, nullptr);
        dumpKey("up", c.first, f);
        fclose(f);
        EXPECT_EQ(readFile("key.txt"), c.second);
    }
}

TEST_F(Config, WrittenWithStartValuesLineByLine) {
    dumpConfig();
    EXPECT_EQ(readFile("quenzy.cfg"), "mus_volume=100\n"
                                      "sfx_volume=15\n"
                                      "j_jump=0\n"
                                      "j_pause=3\n"
                                      "j_start=7\n"
                                      "j_up=1\n"
                                      "j_down=4\n"
                                      "j_left=8\n"
                                      "j_right=2\n"
                                      "k_jump=306\n"
                                      "k_pause=27\n"
                                      "k_start=13\n"
                                      "k_up=273\n"
                                      "k_down=274\n"
                                      "k_left=276\n"
                                      "k_right=275\n"
                                      "mpFlagsOVERSAMPLING=1\n"
                                      "mpResamplingMode=1\n"
                                      "mpFlagsNOISE_REDUCTION=1\n"
                                      "mpFlagsREVERB=0\n"
                                      "mpReverbDepth=0\n"
                                      "mpReverbDelay=0\n"
                                      "mpFlagsMEGABASS=0\n"
                                      "mpBassAmount=0\n"
                                      "mpBassRange=0\n"
                                      "mpFlagsSURROUND=0\n"
                                      "mpSurroundDepth=0\n"
                                      "mpSurroundDelay=0\n");
    EXPECT_EQ(listing(), std::vector<std::string>{"quenzy.cfg"});
}

TEST_F(Config, WriteThenReadGivesEverythingBack) {
    _mus_volume_100_ = 0;
    _sfx_volume_100_ = 64;
    mpFlags = 1 | 2 | 4 | 16; // the file can switch flags on, never off
    mpResamplingMode = 3;
    mpReverbDepth = 30;
    mpReverbDelay = 120;
    mpBassAmount = 100;
    mpBassRange = 10;
    mpSurroundDepth = 7;
    mpSurroundDelay = 40;
    JUMP_KEY = 'a';
    START_KEY = 'z';
    UP_KEY = 'w';
    DOWN_KEY = 300;
    LEFT_KEY = 0;
    RIGHT_KEY = 'q';
    PAUSE_KEY = 96;
    JUMP_BUTTON = 11;
    START_BUTTON = 0;
    UP_BUTTON = 2;
    PAUSE_BUTTON = 123;
    std::vector<int> written = snapshot();
    dumpConfig();
    startValues();
    loadConfig();
    EXPECT_EQ(snapshot(), written);
}

TEST_F(Config, ValuesOutsideTheirRangeComeBackClamped) {
    // Start values as written before any file was read: the delays and the
    // bass range are below what loading accepts.
    dumpConfig();
    mpReverbDelay = mpBassRange = mpSurroundDelay = 77;
    loadConfig();
    EXPECT_EQ(mpReverbDelay, 40);
    EXPECT_EQ(mpBassRange, 10);
    EXPECT_EQ(mpSurroundDelay, 5);
    EXPECT_EQ(mpFlags, 3);
}

} // namespace
