// The configuration file: quenzy.cfg read by loadConfig over the start
// values, as at start-up. Whatever the text, every setting must end inside
// the range the game uses it in. (Writing and reading back is a unit test:
// here it would triple the cost of a run.)

#include "config_helpers.h"
#include "fuzz_support.h"
#include "platform/keyhelper.h"
#include "storage/config.h"
#include "storage/hiscores.h"

struct Settings {
    int mus, sfx, flags, resampling, reverbDepth, reverbDelay, bassAmount, bassRange, surroundDepth,
        surroundDelay;
    int keys[7], buttons[7];
};

static int *const keyVars[7] = {&JUMP_KEY, &PAUSE_KEY, &START_KEY, &UP_KEY,
                                &DOWN_KEY, &LEFT_KEY,  &RIGHT_KEY};
static int *const buttonVars[7] = {&JUMP_BUTTON, &PAUSE_BUTTON, &START_BUTTON, &UP_BUTTON,
                                   &DOWN_BUTTON, &LEFT_BUTTON,  &RIGHT_BUTTON};

static Settings current() {
    Settings s = {_mus_volume_100_, _sfx_volume_100_, mpFlags,      mpResamplingMode,
                  mpReverbDepth,    mpReverbDelay,    mpBassAmount, mpBassRange,
                  mpSurroundDepth,  mpSurroundDelay,  {},           {}};
    for (int i = 0; i < 7; i++) {
        s.keys[i] = *keyVars[i];
        s.buttons[i] = *buttonVars[i];
    }
    return s;
}

static bool within(int v, int lo, int hi) {
    return v >= lo && v <= hi;
}

static void checkRanges(const Settings &s) {
    FUZZ_CHECK(within(s.mus, 0, 100) && within(s.sfx, 0, 100));
    FUZZ_CHECK((s.flags & 3) == 3 && (s.flags & ~31) == 0);
    FUZZ_CHECK(within(s.resampling, 0, 3));
    FUZZ_CHECK(within(s.reverbDepth, 0, 100) && within(s.bassAmount, 0, 100) &&
               within(s.surroundDepth, 0, 100));
    // The three below start at 0, under what loading accepts.
    FUZZ_CHECK(s.reverbDelay == 0 || within(s.reverbDelay, 40, 200));
    FUZZ_CHECK(s.bassRange == 0 || within(s.bassRange, 10, 100));
    FUZZ_CHECK(s.surroundDelay == 0 || within(s.surroundDelay, 5, 40));
    for (int i = 0; i < 7; i++)
        FUZZ_CHECK(s.keys[i] >= 0 && s.buttons[i] >= 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    configFolder = const_cast<char *>(scratchFolder().c_str());
    scratchWrite("quenzy.cfg", data, size);
    startValues();
    loadConfig();
    checkRanges(current());
    return 0;
}
