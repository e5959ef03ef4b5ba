#include "front/stuff.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

SDL_Event keyEvent(Uint8 type, int sym, int mod = KMOD_NONE) {
    SDL_Event e = {};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = static_cast<SDLKey>(sym);
    e.key.keysym.mod = static_cast<SDLMod>(mod);
    return e;
}
SDL_Event press(int sym, int mod = KMOD_NONE) {
    return keyEvent(SDL_KEYDOWN, sym, mod);
}
SDL_Event lift(int sym) {
    return keyEvent(SDL_KEYUP, sym);
}

SDL_Event buttonEvent(Uint8 type, int button) {
    SDL_Event e = {};
    e.type = type;
    e.jbutton.type = type;
    e.jbutton.button = static_cast<Uint8>(button);
    return e;
}
SDL_Event buttonDown(int b) {
    return buttonEvent(SDL_JOYBUTTONDOWN, b);
}
SDL_Event buttonUp(int b) {
    return buttonEvent(SDL_JOYBUTTONUP, b);
}

SDL_Event hat(int value) {
    SDL_Event e = {};
    e.type = SDL_JOYHATMOTION;
    e.jhat.type = SDL_JOYHATMOTION;
    e.jhat.value = static_cast<Uint8>(value);
    return e;
}

SDL_Event axis(int number, int value) {
    SDL_Event e = {};
    e.type = SDL_JOYAXISMOTION;
    e.jaxis.type = SDL_JOYAXISMOTION;
    e.jaxis.axis = static_cast<Uint8>(number);
    e.jaxis.value = static_cast<Sint16>(value);
    return e;
}

SDL_Event mouse(Uint8 type, int x, int y) {
    SDL_Event e = {};
    e.type = type;
    e.button.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    return e;
}

SDL_Event quitEvent() {
    SDL_Event e = {};
    e.type = SDL_QUIT;
    return e;
}

class Input : public testing::Test {
  protected:
    void SetUp() override {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) {
            ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        }
        drain();
        resetDefaultControls();
        lastKey = 0;
        lastKeyTyped = 0;
        lastKeySym = 0;
        lastJButton = -1;
        waitForRelease = 0;
        skipX = -1;
        skipLevel = 0;
        done = 0;
        paused = 0;
        escape = 0;
        videoWidth = 320;
        videoHeight = 240;
    }
    void TearDown() override { done = 0; }
    static void drain() {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }
    // One frame: queue the events, then let checkInput take them.
    static void frame(const std::vector<SDL_Event> &events) {
        for (SDL_Event e : events)
            ASSERT_EQ(SDL_PushEvent(&e), 0);
        checkInput();
    }
};

struct InputCase {
    const char *name;
    std::vector<std::vector<SDL_Event>> frames; // the last one is checked
    int typed;
    int held;
};

TEST_F(Input, EventTable) {
    const int ctrl = SDLK_LCTRL, ret = SDLK_RETURN, up = SDLK_UP, down = SDLK_DOWN,
              left = SDLK_LEFT, right = SDLK_RIGHT, other = SDLK_q;
    const InputCase cases[] = {
        {"action press and release", {{press(ctrl), lift(ctrl)}}, INPUT_ACTION, 0},
        {"action held", {{press(ctrl)}}, 0, INPUT_ACTION},
        {"start typed", {{press(ret), lift(ret)}}, INPUT_START, 0},
        {"up then down held", {{press(up), press(down)}}, 0, INPUT_DOWN},
        {"left then right held", {{press(left), press(right)}}, 0, INPUT_RIGHT},
        {"held across calls", {{press(up)}, {press(left)}}, 0, INPUT_UP | INPUT_LEFT},
        {"released next call", {{press(up)}, {lift(up)}}, INPUT_UP, 0},
        {"unbound key", {{press(other), lift(other)}}, INPUT_OTHER, 0},
        {"bound then unbound", {{lift(left), lift(other)}}, INPUT_LEFT, 0},
        {"unbound then bound", {{lift(other), lift(left)}}, INPUT_LEFT, 0},
        {"two bound, last wins", {{lift(left), lift(ctrl)}}, INPUT_ACTION, 0},
        {"key down types nothing", {{press(other)}}, 0, 0},
        {"pad action", {{buttonDown(0), buttonUp(0)}}, INPUT_ACTION, 0},
        {"pad start held", {{buttonDown(7)}}, 0, INPUT_START},
        {"pad start", {{buttonDown(7), buttonUp(7)}}, INPUT_START, 0},
        {"pad other button", {{buttonDown(3), buttonUp(3)}}, INPUT_OTHER, 0},
        {"pad other after action", {{buttonUp(0), buttonUp(5)}}, INPUT_ACTION, 0},
        {"hat up-right", {{hat(SDL_HAT_RIGHTUP)}}, 0, INPUT_UP | INPUT_RIGHT},
        {"hat up-right to right keeps up",
         {{hat(SDL_HAT_RIGHTUP), hat(SDL_HAT_RIGHT)}},
         0,
         INPUT_UP | INPUT_RIGHT},
        {"hat centred releases both, horizontal typed last",
         {{hat(SDL_HAT_RIGHTUP)}, {hat(SDL_HAT_CENTERED)}},
         INPUT_RIGHT,
         0},
        {"hat down released", {{hat(SDL_HAT_DOWN)}, {hat(SDL_HAT_CENTERED)}}, INPUT_DOWN, 0},
        {"hat left to right", {{hat(SDL_HAT_LEFT), hat(SDL_HAT_RIGHT)}}, 0, INPUT_RIGHT},
        {"axis 0 full left", {{axis(0, -32768)}}, 0, INPUT_LEFT},
        {"axis 0 just past left", {{axis(0, -24001)}}, 0, INPUT_LEFT},
        {"axis 0 -24000 is centred", {{axis(0, -32768)}, {axis(0, -24000)}}, INPUT_LEFT, 0},
        {"axis 0 spring back types once",
         {{axis(0, -32768)}, {axis(0, -20000), axis(0, -3000), axis(0, 0)}},
         INPUT_LEFT,
         0},
        {"axis 0 right", {{axis(0, 24001)}}, 0, INPUT_RIGHT},
        {"axis 0 24000 is centred", {{axis(0, 30000)}, {axis(0, 24000)}}, INPUT_RIGHT, 0},
        {"axis 1 up", {{axis(1, -24001)}}, 0, INPUT_UP},
        {"axis 1 -24000 is centred", {{axis(1, -30000)}, {axis(1, -24000)}}, INPUT_UP, 0},
        {"axis 1 down released", {{axis(1, 32767)}, {axis(1, 0)}}, INPUT_DOWN, 0},
        {"axis 1 centre keeps horizontal", {{axis(0, 32767), axis(1, 0)}}, 0, INPUT_RIGHT},
        {"other axes ignored", {{axis(2, 32767), axis(3, -32768)}}, 0, 0},
        {"mouse press", {{mouse(SDL_MOUSEBUTTONDOWN, 5, 5)}}, INPUT_ACTION, INPUT_ACTION},
        {"mouse release",
         {{mouse(SDL_MOUSEBUTTONDOWN, 5, 5)}, {mouse(SDL_MOUSEBUTTONUP, 5, 5)}},
         0,
         0},
        {"mouse press keeps later key",
         {{mouse(SDL_MOUSEBUTTONDOWN, 5, 5), lift(up)}},
         INPUT_UP,
         INPUT_ACTION},
    };
    for (const InputCase &c : cases) {
        SetUp();
        for (const auto &events : c.frames)
            frame(events);
        EXPECT_EQ(lastKeyTyped, c.typed) << c.name;
        EXPECT_EQ(lastKey, c.held) << c.name;
    }
}

TEST_F(Input, KeyAndButtonMemory) {
    frame({press(SDLK_q)});
    EXPECT_EQ(lastKeySym, SDLK_q);
    EXPECT_EQ(lastJButton, -1);
    frame({buttonDown(4)});
    EXPECT_EQ(lastKeySym, 0);
    EXPECT_EQ(lastJButton, 4);
    frame({buttonUp(4)}); // a release keeps the button
    EXPECT_EQ(lastJButton, 4);
    frame({lift(SDLK_q)}); // a key release forgets the button
    EXPECT_EQ(lastJButton, -1);
    EXPECT_EQ(lastKeySym, 0);
    frame({press(SDLK_w), lift(SDLK_w), lift(SDLK_q)}); // ...and leaves the key
    EXPECT_EQ(lastKeySym, SDLK_w);
    frame({});
    EXPECT_EQ(lastKeyTyped, 0);
}

TEST_F(Input, WaitForReleaseTurnsOneActionReleaseIntoOther) {
    waitForRelease = 1;
    frame({press(SDLK_LCTRL), lift(SDLK_LCTRL)});
    EXPECT_EQ(lastKeyTyped, INPUT_OTHER);
    EXPECT_EQ(waitForRelease, 0);
    EXPECT_EQ(lastKey & INPUT_ACTION, INPUT_ACTION); // not released by it
    frame({lift(SDLK_LCTRL)});
    EXPECT_EQ(lastKeyTyped, INPUT_ACTION);
    EXPECT_EQ(lastKey, 0);
    // Under waitForRelease a direction typed earlier in the call stays.
    waitForRelease = 1;
    frame({lift(SDLK_UP), lift(SDLK_LCTRL)});
    EXPECT_EQ(lastKeyTyped, INPUT_UP);
}

TEST_F(Input, MouseScaledToWorkingSurface) {
    struct {
        int width, height, x, y, wantX, wantY;
    } cases[] = {
        {640, 480, 639, 479, 319, 239},
        {640, 480, 1, 1, 0, 0},
        {640, 480, 333, 101, 166, 50},
        {320, 240, 319, 239, 319, 239},
        {320, 240, 100, 57, 100, 57},
        {0, 0, 100, 57, 100, 57}, // no video mode yet: taken as 320 x 240
    };
    for (const auto &c : cases) {
        videoWidth = c.width;
        videoHeight = c.height;
        frame({mouse(SDL_MOUSEBUTTONDOWN, c.x, c.y)});
        EXPECT_EQ(mouseX, c.wantX) << c.width << " " << c.x;
        EXPECT_EQ(mouseY, c.wantY) << c.height << " " << c.y;
        frame({mouse(SDL_MOUSEBUTTONUP, c.x, c.y)});
        EXPECT_EQ(mouseX, -1); // only the call with the press has a position
        EXPECT_EQ(mouseY, -1);
    }
}

TEST_F(Input, SolveKeyNeedsUpperCaseXWhileArmed) {
    struct {
        int skip, sym, mod, want;
    } cases[] = {
        {1, SDLK_x, KMOD_LSHIFT, 1}, {1, SDLK_x, KMOD_RSHIFT, 1},
        {1, SDLK_x, KMOD_CAPS, 1},   {1, SDLK_x, KMOD_LSHIFT | KMOD_CAPS, 0}, // lower case again
        {1, SDLK_x, KMOD_NONE, 0},   {1, SDLK_x, KMOD_LCTRL, 0},
        {1, SDLK_y, KMOD_LSHIFT, 0}, {0, SDLK_x, KMOD_LSHIFT, 0},
        {-1, SDLK_x, KMOD_CAPS, 0},
    };
    for (const auto &c : cases) {
        skipX = c.skip;
        skipLevel = 0;
        frame({press(c.sym, c.mod)});
        EXPECT_EQ(skipLevel, c.want) << c.skip << " " << c.sym << " " << c.mod;
    }
}

TEST_F(Input, QuitAndCheckKey) {
    frame({quitEvent()});
    EXPECT_EQ(done, 1);
    frame({});
    EXPECT_EQ(done, 1); // never cleared here

    checkKey(1); // a window close pauses a game...
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(escape, 0);
    paused = 0;
    checkKey(0); // ...and leaves any other screen
    EXPECT_EQ(escape, 1);
    EXPECT_EQ(paused, 0);

    done = 0;
    escape = 0;
    SDL_Event events[] = {press(SDLK_RETURN), lift(SDLK_RETURN)};
    for (SDL_Event &e : events)
        SDL_PushEvent(&e);
    checkKey(0); // START outside a game is just START
    EXPECT_EQ(lastKeyTyped, INPUT_START);
    EXPECT_EQ(paused, 0);
    for (SDL_Event &e : events)
        SDL_PushEvent(&e);
    checkKey(1);
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(escape, 0);
}

TEST_F(Input, WaitKeyUpForgetsEverything) {
    SDL_Event pending[] = {press(SDLK_UP), press(SDLK_LCTRL)};
    frame({press(SDLK_DOWN), buttonDown(5)});
    for (SDL_Event &e : pending)
        SDL_PushEvent(&e);
    waitKeyUp();
    EXPECT_EQ(lastKey, 0);
    EXPECT_EQ(lastKeySym, 0);
    EXPECT_EQ(lastJButton, -1);
    EXPECT_EQ(lastKeyTyped, 0);
    checkInput(); // the pending presses were discarded
    EXPECT_EQ(lastKey, 0);
}

TEST_F(Input, ResetDefaultControls) {
    int *keys[] = {&UP_KEY,      &DOWN_KEY,     &LEFT_KEY,     &RIGHT_KEY,
                   &JUMP_KEY,    &START_KEY,    &PAUSE_KEY,    &SELECT_KEY,
                   &UP_BUTTON,   &DOWN_BUTTON,  &LEFT_BUTTON,  &RIGHT_BUTTON,
                   &JUMP_BUTTON, &START_BUTTON, &PAUSE_BUTTON, &SELECT_BUTTON};
    for (int *k : keys)
        *k = -7;
    resetDefaultControls();
    const int want[] = {273, 274, 276, 275, 306, 13, 27, 100, 1, 4, 8, 2, 0, 7, 3, 6};
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(*keys[i], want[i]) << i;
}

// Runs the key dialog the way the options screen does: one offered key per
// step, in the order START, LEFT, RIGHT, UP, DOWN, ACTION.
TEST_F(Input, ConfigKeyDialog) {
    int *order[] = {&START_KEY, &LEFT_KEY, &RIGHT_KEY, &UP_KEY, &DOWN_KEY, &JUMP_KEY};
    for (int *k : order)
        *k = -1;
    JUMP_KEY = SDLK_LCTRL; // a binding not asked for yet still counts
    cfgStep = 0;
    cfgUsed = 0;
    cfgStatus = 1;
    struct {
        int sym, step, used;
    } offers[] = {
        {SDLK_LCTRL, 0, 1},  {SDLK_s, 1, 0}, {SDLK_a, 2, 0}, {SDLK_a, 2, 1}, // chosen a step ago
        {SDLK_s, 2, 1},                                                      // or before that
        {SDLK_ESCAPE, 3, 0}, // the pause key is never compared
        {SDLK_ESCAPE, 3, 1}, {SDLK_w, 4, 0}, {SDLK_w, 4, 1}, {SDLK_z, 5, 0}, {SDLK_z, 5, 1},
    };
    for (const auto &o : offers) {
        frame({press(o.sym)});
        configKey(*order[cfgStep]);
        EXPECT_EQ(cfgStep, o.step) << o.sym;
        EXPECT_EQ(cfgUsed, o.used) << o.sym;
        EXPECT_EQ(lastKeySym, 0); // waitKeyUp ran
        EXPECT_EQ(cfgStatus, 1);
    }
    configKey(*order[cfgStep]); // nothing offered: no step
    EXPECT_EQ(cfgStep, 5);
    frame({press(SDLK_SPACE)});
    configKey(*order[cfgStep]);
    EXPECT_EQ(cfgStep, 6);
    EXPECT_EQ(cfgStatus, 0);
    const int want[] = {SDLK_s, SDLK_a, SDLK_ESCAPE, SDLK_w, SDLK_z, SDLK_SPACE};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(*order[i], want[i]) << i;
}

TEST_F(Input, ConfigButtonDialog) {
    START_BUTTON = -1;
    JUMP_BUTTON = 5; // a binding not asked for yet still counts
    cfgStep = 0;
    cfgStatus = 1;
    configButton(START_BUTTON); // nothing pressed yet
    EXPECT_EQ(cfgStep, 0);
    frame({buttonDown(5)});
    configButton(START_BUTTON);
    EXPECT_EQ(cfgUsed, 1);
    EXPECT_EQ(cfgStep, 0);
    JUMP_BUTTON = -1;
    frame({buttonDown(9)});
    configButton(START_BUTTON);
    EXPECT_EQ(START_BUTTON, 9);
    EXPECT_EQ(cfgStep, 1);
    EXPECT_EQ(lastJButton, -1);
    frame({buttonDown(9)});
    configButton(JUMP_BUTTON);
    EXPECT_EQ(cfgUsed, 1);
    EXPECT_EQ(JUMP_BUTTON, -1);
    EXPECT_EQ(cfgStatus, 1);
    frame({buttonDown(2)});
    configButton(JUMP_BUTTON);
    EXPECT_EQ(JUMP_BUTTON, 2);
    EXPECT_EQ(cfgUsed, 0);
    EXPECT_EQ(cfgStep, 2);
    EXPECT_EQ(cfgStatus, 0);
}

} // namespace
