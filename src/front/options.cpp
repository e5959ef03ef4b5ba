#include "front/options.h"

#include "front/i18n.h"
#include "front/menu.h"
#include "front/stuff.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "sound/sound.h"
#include "storage/config.h"
#include "storage/hiscores.h"

#include <SDL/SDL_mixer.h>
#include <cstdio>

int cfgIndex = 0, cfgCount = 0, cfgChanged = 0;

enum {
    ROWS_Y = 72, // row 0; the rows are 10 pixels apart
    ROW_STEP = 10,
    BACK_Y = 182, // BACK TO MENU stands apart from the others
    LABEL_X = 24,
    CURSOR_X = 14,
    VALUE_X = 192,
    PROMPT_Y = 124,
    USED_Y = 140,
    DEFAULT_MUSIC_PERCENT = 100,
    DEFAULT_SFX_PERCENT = 15,
};

// Labels of the rows, in row order.
static const int rowLabels[OPT_ROWS] = {
    TEXT_CONFIGURE_KEYS, TEXT_CONFIGURE_PAD,    TEXT_MUSIC_VOLUME,   TEXT_SFX_VOLUME,
    TEXT_SOUNDCHECK,     TEXT_RESET_TO_DEFAULT, TEXT_RESET_HISCORES, TEXT_BACK_TO_MENU,
};

// The bindings the key and pad dialogs ask for, step by step.
static int *const keySteps[KEY_BINDING_STEPS] = {&START_KEY, &LEFT_KEY, &RIGHT_KEY,
                                                 &UP_KEY,    &DOWN_KEY, &JUMP_KEY};
static int *const padSteps[PAD_BINDING_STEPS] = {&START_BUTTON, &JUMP_BUTTON};

void enterOptions() {
    workflow = MENU_OPTIONS_PAGE;
    cfgIndex = cfgStatus = cfgCount = cfgUsed = cfgChanged = 0;
    traceMenu("options");
}

int volumeStep(int percent, int up) {
    if (up)
        return percent >= 100 ? 0 : percent < 96 ? percent + 5 : 100;
    return percent < 5 ? 0 : percent - 5;
}

int trackStep(int id, int up) {
    return (id + (up ? 1 : OPT_TRACKS - 1)) % OPT_TRACKS;
}

int optionsRowAt(int y) {
    int i = (y - ROWS_Y) / ROW_STEP; // truncates toward zero: y 63 ... 71 is row 0
    if (i < 0)
        return -1;
    return i < OPT_ROWS ? i : OPT_BACK;
}

static void traceOptions(const char *event) {
    char details[96];
    snprintf(details, sizeof details,
             "row=%d musvol=%d sfxvol=%d binding=%d step=%d used=%d changed=%d", cfgIndex,
             _mus_volume_100_, _sfx_volume_100_, cfgStatus, cfgStep, cfgUsed, cfgChanged);
    traceMenu(event, details);
}

static void setMusicVolume(int percent) {
    _mus_volume_100_ = percent;
    _mus_volume_ = percent * 128 / 100;
    MP_VolumeMusic(_mus_volume_);
}

static void setSfxVolume(int percent) {
    _sfx_volume_100_ = percent;
    _sfx_volume_ = percent * 128 / 100;
    Mix_Volume(-1, _sfx_volume_);
}

static void playTrack(ModPlugFile **track, int id) {
    if (*track)
        stopMusic(*track);
    curMusic = id;
    *track = loadMusic(id);
    MP_PlayMusic(*track, -1);
}

// RIGHT or LEFT on one of the value rows.
static void changeValue(ModPlugFile **track, int up) {
    switch (cfgIndex) {
    case OPT_MUSIC_VOLUME:
        cfgChanged = 1;
        setMusicVolume(volumeStep(_mus_volume_100_, up));
        break;
    case OPT_SFX_VOLUME:
        cfgChanged = 1;
        setSfxVolume(volumeStep(_sfx_volume_100_, up));
        playSFX(SFX_SELECT_OPTION); // heard at the new volume
        break;
    default:
        playTrack(track, trackStep(curMusic, up));
        break;
    }
    cfgCount = OPT_REPEAT;
    traceOptions("option");
}

// The bindings asked for are unbound first, so a key or button chosen in an
// earlier step counts as taken.
static void openDialog(int *const *bindings, int count) {
    for (int i = 0; i < count; i++)
        *bindings[i] = -1;
    cfgStatus = 1;
    cfgUsed = 0;
    cfgChanged = 1;
}

static void startKeyBinding() {
    openDialog(keySteps, KEY_BINDING_STEPS);
    cfgStep = 0;
    cfgCount = OPT_REPEAT;
}

static void startPadBinding() {
    if (joystick)
        openDialog(padSteps, PAD_BINDING_STEPS);
    cfgStep = 0;
    cfgCount = OPT_REPEAT;
}

static void restoreDefaults() {
    resetDefaultControls();
    setMusicVolume(DEFAULT_MUSIC_PERCENT);
    setSfxVolume(DEFAULT_SFX_PERCENT);
    cfgChanged = 1;
    cfgCount = OPT_REPEAT;
    playSFX(SFX_SELECT_OPTION);
}

static void leaveOptions(ModPlugFile **track) {
    workflow = MENU_OPTIONS;
    if (cfgChanged) {
        dumpConfig();
        traceMenu("configsaved");
    }
    if (curMusic != 0)
        playTrack(track, 0);
    traceMenu("title");
}

static void rowAction(ModPlugFile **track) {
    switch (cfgIndex) {
    case OPT_KEYS:
        startKeyBinding();
        break;
    case OPT_PAD:
        startPadBinding();
        break;
    case OPT_DEFAULTS:
        restoreDefaults();
        break;
    case OPT_RESET_HISCORES:
        loadHiscores(1);
        playSFX(SFX_SELECT_OPTION);
        break;
    case OPT_BACK:
        leaveOptions(track);
        return;
    default:
        return; // the value rows change with LEFT and RIGHT
    }
    traceOptions("option");
}

// A click selects its row; on the selected row it acts as RIGHT (as ACTION
// on BACK TO MENU).
static void optionsClick() {
    if (mouseY == -1)
        return;
    int row = optionsRowAt(mouseY);
    if (row < 0 || row != cfgIndex) {
        if (row >= 0)
            cfgIndex = row;
        lastKeyTyped = 0;
        return;
    }
    lastKeyTyped = row == OPT_BACK ? INPUT_ACTION : INPUT_RIGHT;
}

static int direction(int code) {
    return lastKeyTyped == code || (lastKey & code);
}

static void browse(ModPlugFile **track) {
    optionsClick();
    if (lastKeyTyped == INPUT_ACTION || lastKeyTyped == INPUT_START) {
        waitKeyUp();
        rowAction(track);
        return;
    }
    if (cfgCount > 0) {
        cfgCount--;
        return;
    }
    if (direction(INPUT_UP) || direction(INPUT_DOWN)) {
        int step = direction(INPUT_UP) ? OPT_ROWS - 1 : 1;
        cfgIndex = (cfgIndex + step) % OPT_ROWS;
        cfgCount = OPT_REPEAT;
        playSFX(SFX_MENU_CONTROL);
        traceOptions("option");
        return;
    }
    if (cfgIndex < OPT_MUSIC_VOLUME || cfgIndex > OPT_SOUNDCHECK)
        return;
    if (direction(INPUT_RIGHT))
        changeValue(track, 1);
    else if (direction(INPUT_LEFT))
        changeValue(track, 0);
}

// One step of a binding dialog: the key or button pressed last is offered.
static void bind() {
    if (cfgCount > 0) {
        cfgCount--;
        return;
    }
    if (lastKeySym == 0 && lastJButton == -1)
        return;
    if (cfgIndex == OPT_KEYS) {
        int step = cfgStep;
        configKey(*keySteps[step]);
        // Letting go of the new ACTION key must not act on this screen.
        if (step == KEY_BINDING_STEPS - 1)
            waitForRelease = 1;
    } else {
        configButton(*padSteps[cfgStep]);
    }
    traceOptions("binding");
}

void optionsInput(ModPlugFile **track) {
    if (cfgStatus)
        bind();
    else
        browse(track);
}

static int rowY(int row) {
    return row == OPT_BACK ? BACK_Y : ROWS_Y + ROW_STEP * row;
}

static void drawValue(int row) {
    char number[8];
    const char *value = nullptr;
    switch (row) {
    case OPT_KEYS:
        value = text(TEXT_OPTION_PRESS_START);
        break;
    case OPT_PAD:
        value = text(joystick ? TEXT_OPTION_PRESS_START : TEXT_NOT_AVAILABLE);
        break;
    case OPT_MUSIC_VOLUME:
    case OPT_SFX_VOLUME:
        snprintf(number, sizeof number, "%d",
                 row == OPT_MUSIC_VOLUME ? _mus_volume_100_ : _sfx_volume_100_);
        value = number;
        break;
    case OPT_SOUNDCHECK:
        value = getMusicTitle(curMusic);
        break;
    default:
        return;
    }
    drawTextAt(screen, value, VALUE_X, rowY(row), font);
}

static void drawPrompt() {
    int entry = (cfgIndex == OPT_KEYS ? TEXT_KEY_PROMPTS : TEXT_BUTTON_PROMPTS) + cfgStep;
    drawTextCenterAt(screen, text(entry), PROMPT_Y, font);
    if (cfgUsed)
        drawTextCenterAt(screen, text(TEXT_ALREADY_USED), USED_Y, font);
}

void drawOptions() {
    drawTextCenterAt(screen, text(TEXT_OPTIONS), 40, fontbig);
    drawTextCenterAt(screen, "QUENZY V1.00.2", 208, fontbig);
    if (cfgStatus) {
        drawPrompt();
        return;
    }
    drawTextAt(screen, ">", CURSOR_X, rowY(cfgIndex), font);
    for (int row = 0; row < OPT_ROWS; row++) {
        drawTextAt(screen, text(rowLabels[row]), LABEL_X, rowY(row), font);
        drawValue(row);
    }
}
