// The options screen: rows, clicks, held directions, volumes, the sound
// check, the binding dialogs and the defaults.

#include "front/menu.h"
#include "front/options.h"
#include "front/stuff.h"
#include "platform/keyhelper.h"
#include "sound/sound.h"
#include "storage/config.h"
#include "storage/hiscores.h"
#include "temp_helpers.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<int> heard;
void hear(int id) {
    heard.push_back(id);
}

class Options : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0); // an event queue to drain
        // A mixer of its own: channels allocated without one crash once an
        // earlier test has opened and closed the audio device.
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024), 0) << Mix_GetError();
        Mix_AllocateChannels(4);
        resetDefaultControls();
        joystick = nullptr;
        _mus_volume_100_ = 100;
        _sfx_volume_100_ = 15;
        curMusic = 0;
        lastKey = 0;
        lastKeySym = 0;
        lastJButton = -1;
        waitForRelease = 0;
        enterOptions();
        heard.clear();
        playSFXHook = hear;
    }
    void TearDown() override {
        playSFXHook = nullptr;
        // The piece a volume or track change started; left loaded, it leaks
        // once the next test's piece replaces it.
        stopMusic(track);
        track = nullptr;
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        resetDefaultControls();
        _mus_volume_100_ = 100;
        _sfx_volume_100_ = 15;
    }
    // One frame with `typed` released, `held` held and a click at `y`.
    void frame(int typed = 0, int held = 0, int y = -1) {
        lastKeyTyped = typed;
        lastKey = held;
        mouseY = y;
        optionsInput(&track);
    }
    // A frame in which key `sym` was pressed (a binding dialog's input).
    void offerKey(int sym) {
        lastKeySym = sym;
        frame();
    }
    void waitOutCount() {
        while (cfgCount > 0)
            frame();
    }
    ModPlugFile *track = nullptr;
};

TEST(OptionsSteps, VolumeSteps) {
    struct Case {
        int from, up, to;
    };
    const Case cases[] = {{100, 1, 0}, {0, 0, 0},   {97, 1, 100}, {3, 0, 0},    {95, 1, 100},
                          {50, 1, 55}, {50, 0, 45}, {5, 0, 0},    {96, 1, 100}, {0, 1, 5}};
    for (const Case &c : cases)
        EXPECT_EQ(volumeStep(c.from, c.up), c.to) << c.from << (c.up ? " up" : " down");
}

TEST(OptionsSteps, TracksWrapWithinTheTitledEleven) {
    EXPECT_EQ(trackStep(10, 1), 0);
    EXPECT_EQ(trackStep(0, 0), 10);
    EXPECT_EQ(trackStep(4, 1), 5);
    EXPECT_EQ(trackStep(4, 0), 3);
}

TEST(OptionsSteps, ClickRows) {
    struct Case {
        int y, row;
    };
    const Case cases[] = {{62, -1}, {63, 0},  {81, 0},  {82, 1},  {131, 5},
                          {141, 6}, {142, 7}, {182, 7}, {239, 7}, {0, -1}};
    for (const Case &c : cases)
        EXPECT_EQ(optionsRowAt(c.y), c.row) << "y " << c.y;
}

TEST_F(Options, HeldDirectionRepeatsEvery11Frames) {
    std::vector<int> rows;
    for (int f = 0; f < 23; f++) {
        frame(0, INPUT_DOWN);
        rows.push_back(cfgIndex);
    }
    EXPECT_EQ(rows[0], 1);
    EXPECT_EQ(rows[10], 1);
    EXPECT_EQ(rows[11], 2);
    EXPECT_EQ(rows[22], 3);
    EXPECT_EQ(heard, std::vector<int>(3, SFX_MENU_CONTROL));
    // The release of a short press is swallowed by the countdown.
    frame(INPUT_DOWN);
    EXPECT_EQ(cfgIndex, 3);
}

TEST_F(Options, RowsWrap) {
    frame(INPUT_UP);
    EXPECT_EQ(cfgIndex, OPT_BACK);
    waitOutCount();
    frame(INPUT_DOWN);
    EXPECT_EQ(cfgIndex, OPT_KEYS);
}

TEST_F(Options, VolumesApplyAtOnceAndCountAsChanges) {
    cfgIndex = OPT_MUSIC_VOLUME;
    frame(INPUT_LEFT);
    EXPECT_EQ(_mus_volume_100_, 95);
    EXPECT_EQ(_mus_volume_, 121);
    EXPECT_EQ(mp_volume, 121);
    EXPECT_EQ(cfgChanged, 1);
    EXPECT_TRUE(heard.empty()); // the music itself is heard
    waitOutCount();
    frame(0, INPUT_RIGHT);
    EXPECT_EQ(_mus_volume_100_, 100);
    EXPECT_EQ(_mus_volume_, 128);

    // 35 % of the mixer's 128, rounded down: 44.
    cfgIndex = OPT_SFX_VOLUME;
    _sfx_volume_100_ = 30;
    waitOutCount();
    frame(INPUT_RIGHT);
    EXPECT_EQ(_sfx_volume_100_, 35);
    EXPECT_EQ(_sfx_volume_, 44);
    EXPECT_EQ(Mix_Volume(0, -1), 44);
    EXPECT_EQ(Mix_Volume(3, -1), 44);
    EXPECT_EQ(heard, std::vector<int>{SFX_SELECT_OPTION});
}

TEST_F(Options, ClickSelectsThenActsAsRight) {
    frame(INPUT_ACTION, 0, 95); // row 2, not selected: only selects
    EXPECT_EQ(cfgIndex, OPT_MUSIC_VOLUME);
    EXPECT_EQ(_mus_volume_100_, 100);
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(cfgStatus, 0);
    frame(INPUT_ACTION, 0, 95);
    EXPECT_EQ(_mus_volume_100_, 0); // RIGHT from 100 wraps
    frame(INPUT_ACTION, 0, 20);     // above the rows: dropped
    EXPECT_EQ(cfgIndex, OPT_MUSIC_VOLUME);
    EXPECT_EQ(workflow, MENU_OPTIONS_PAGE);
    frame(INPUT_ACTION, 0, 200); // selects BACK TO MENU
    EXPECT_EQ(workflow, MENU_OPTIONS_PAGE);
    frame(INPUT_ACTION, 0, 200); // and leaves
    EXPECT_EQ(workflow, MENU_OPTIONS);
}

TEST_F(Options, SoundCheckStepsThroughTracksAndLeavingBringsTheTitlePieceBack) {
    cfgIndex = OPT_SOUNDCHECK;
    frame(INPUT_LEFT);
    EXPECT_EQ(curMusic, 10);
    waitOutCount();
    frame(INPUT_RIGHT);
    EXPECT_EQ(curMusic, 0);
    waitOutCount();
    frame(INPUT_RIGHT);
    EXPECT_EQ(curMusic, 1);
    EXPECT_EQ(cfgChanged, 0); // listening changes nothing kept
    cfgIndex = OPT_BACK;
    frame(INPUT_ACTION);
    EXPECT_EQ(curMusic, 0);
    EXPECT_EQ(workflow, MENU_OPTIONS);
    EXPECT_TRUE(heard.empty());
}

TEST_F(Options, KeyBindingInSixStepsRefusingKeysInUse) {
    frame(INPUT_ACTION); // CONFIGURE KEYS
    EXPECT_EQ(cfgStatus, 1);
    EXPECT_EQ(cfgChanged, 1);
    for (int *k : {&START_KEY, &LEFT_KEY, &RIGHT_KEY, &UP_KEY, &DOWN_KEY, &JUMP_KEY})
        EXPECT_EQ(*k, -1);
    // The first ten frames ignore keys.
    offerKey(SDLK_s);
    EXPECT_EQ(START_KEY, -1);
    waitOutCount();
    const int order[] = {SDLK_s, SDLK_a, SDLK_d, SDLK_w, SDLK_x};
    for (int sym : order)
        offerKey(sym);
    EXPECT_EQ(cfgStep, 5);
    offerKey(SDLK_a); // LEFT's key: refused, the step stays
    EXPECT_EQ(cfgUsed, 1);
    EXPECT_EQ(cfgStep, 5);
    EXPECT_EQ(JUMP_KEY, -1);
    offerKey(SDLK_SPACE);
    EXPECT_EQ(cfgUsed, 0);
    EXPECT_EQ(cfgStatus, 0); // browsing again, on the same row
    EXPECT_EQ(cfgIndex, OPT_KEYS);
    EXPECT_EQ(START_KEY, SDLK_s);
    EXPECT_EQ(LEFT_KEY, SDLK_a);
    EXPECT_EQ(RIGHT_KEY, SDLK_d);
    EXPECT_EQ(UP_KEY, SDLK_w);
    EXPECT_EQ(DOWN_KEY, SDLK_x);
    EXPECT_EQ(JUMP_KEY, SDLK_SPACE);
    EXPECT_EQ(waitForRelease, 1); // letting go of SPACE is no ACTION
    EXPECT_EQ(PAUSE_KEY, DEFAULT_PAUSE_KEY);
}

TEST_F(Options, PadRowWithoutAPadOnlyRestartsTheCountdown) {
    cfgIndex = OPT_PAD;
    cfgStep = 1;
    frame(INPUT_START);
    EXPECT_EQ(cfgStatus, 0);
    EXPECT_EQ(cfgChanged, 0);
    EXPECT_EQ(cfgStep, 0);
    EXPECT_EQ(cfgCount, OPT_REPEAT);
    EXPECT_EQ(START_BUTTON, DEFAULT_START_BUTTON);
}

TEST_F(Options, PadBindingTakesButtonsOnly) {
    // The dialog as a pad would open it.
    cfgIndex = OPT_PAD;
    cfgStatus = 1;
    cfgStep = 0;
    START_BUTTON = JUMP_BUTTON = -1;
    offerKey(SDLK_q); // a key is no button
    EXPECT_EQ(cfgStep, 0);
    lastJButton = 4;
    frame();
    lastJButton = 4;
    frame();
    EXPECT_EQ(cfgUsed, 1);
    lastJButton = 1;
    frame();
    EXPECT_EQ(START_BUTTON, 4);
    EXPECT_EQ(JUMP_BUTTON, 1);
    EXPECT_EQ(cfgStatus, 0);
}

TEST_F(Options, RestoreDefaults) {
    JUMP_KEY = SDLK_SPACE;
    START_BUTTON = 2;
    _mus_volume_100_ = 30;
    _sfx_volume_100_ = 70;
    cfgIndex = OPT_DEFAULTS;
    frame(INPUT_ACTION);
    EXPECT_EQ(JUMP_KEY, DEFAULT_JUMP_KEY);
    EXPECT_EQ(START_BUTTON, DEFAULT_START_BUTTON);
    EXPECT_EQ(_mus_volume_100_, 100);
    EXPECT_EQ(_mus_volume_, 128);
    EXPECT_EQ(mp_volume, 128);
    EXPECT_EQ(_sfx_volume_100_, 15);
    EXPECT_EQ(_sfx_volume_, 19);
    EXPECT_EQ(Mix_Volume(1, -1), 19);
    EXPECT_EQ(cfgChanged, 1);
    EXPECT_EQ(cfgCount, OPT_REPEAT);
    EXPECT_EQ(heard, std::vector<int>{SFX_SELECT_OPTION});
}

TEST_F(Options, ResetHiscoresWritesAFreshTableButNoConfiguration) {
    TempDir folder("quenzy-options");
    ASSERT_FALSE(folder.path.empty());
    char *oldFolder = configFolder;
    configFolder = const_cast<char *>(folder.path.c_str());
    strcpy(hiscores[0].name, "PLAYER");
    hiscores[0].kind = 0;
    hiscores[0].score = 99999;
    cfgIndex = OPT_RESET_HISCORES;
    frame(INPUT_ACTION);
    EXPECT_EQ(hiscores[0].kind, 1); // a made-up row
    EXPECT_LT(hiscores[0].score, 99999);
    EXPECT_EQ(access((folder / "hiscores.dat").c_str(), F_OK), 0);
    EXPECT_NE(access((folder / "quenzy.cfg").c_str(), F_OK), 0);
    EXPECT_EQ(heard, std::vector<int>{SFX_SELECT_OPTION});
    EXPECT_EQ(cfgChanged, 0);
    EXPECT_EQ(workflow, MENU_OPTIONS_PAGE);
    configFolder = oldFolder;
}

} // namespace
