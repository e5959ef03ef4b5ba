#include "platform/keyhelper.h"

#include "front/stuff.h"
#include "platform/gfx_sdl.h"
#include "platform/sys.h"

int UP_KEY, DOWN_KEY, LEFT_KEY, RIGHT_KEY, JUMP_KEY, START_KEY, PAUSE_KEY, SELECT_KEY;
int UP_BUTTON, DOWN_BUTTON, LEFT_BUTTON, RIGHT_BUTTON, JUMP_BUTTON, START_BUTTON, PAUSE_BUTTON,
    SELECT_BUTTON;

const int DEFAULT_UP_KEY = SDLK_UP;
const int DEFAULT_DOWN_KEY = SDLK_DOWN;
const int DEFAULT_LEFT_KEY = SDLK_LEFT;
const int DEFAULT_RIGHT_KEY = SDLK_RIGHT;
const int DEFAULT_JUMP_KEY = SDLK_LCTRL;
const int DEFAULT_START_KEY = SDLK_RETURN;
const int DEFAULT_PAUSE_KEY = SDLK_ESCAPE;
const int DEFAULT_SELECT_KEY = SDLK_d;
const int DEFAULT_UP_BUTTON = SDL_HAT_UP;
const int DEFAULT_DOWN_BUTTON = SDL_HAT_DOWN;
const int DEFAULT_LEFT_BUTTON = SDL_HAT_LEFT;
const int DEFAULT_RIGHT_BUTTON = SDL_HAT_RIGHT;
const int DEFAULT_JUMP_BUTTON = 0;
const int DEFAULT_START_BUTTON = 7;
const int DEFAULT_PAUSE_BUTTON = 3;
const int DEFAULT_SELECT_BUTTON = 6;

int lastKey = 0;
int lastKeyTyped = 0;
int lastKeySym = 0;
int lastJButton = -1;
int mouseX = -1, mouseY = -1;
int done = 0;
int skipX = -1;
int skipLevel = 0;
int waitForRelease = 0;
SDL_Joystick *joystick = nullptr;
int cfgStep = 0, cfgUsed = 0, cfgStatus = 0;

enum { AXIS_DEAD_ZONE = 24000 };

struct Binding {
    int *value;
    const int *defaultValue;
};

static const Binding bindings[16] = {
    {&UP_KEY, &DEFAULT_UP_KEY},
    {&DOWN_KEY, &DEFAULT_DOWN_KEY},
    {&LEFT_KEY, &DEFAULT_LEFT_KEY},
    {&RIGHT_KEY, &DEFAULT_RIGHT_KEY},
    {&JUMP_KEY, &DEFAULT_JUMP_KEY},
    {&START_KEY, &DEFAULT_START_KEY},
    {&PAUSE_KEY, &DEFAULT_PAUSE_KEY},
    {&SELECT_KEY, &DEFAULT_SELECT_KEY},
    {&UP_BUTTON, &DEFAULT_UP_BUTTON},
    {&DOWN_BUTTON, &DEFAULT_DOWN_BUTTON},
    {&LEFT_BUTTON, &DEFAULT_LEFT_BUTTON},
    {&RIGHT_BUTTON, &DEFAULT_RIGHT_BUTTON},
    {&JUMP_BUTTON, &DEFAULT_JUMP_BUTTON},
    {&START_BUTTON, &DEFAULT_START_BUTTON},
    {&PAUSE_BUTTON, &DEFAULT_PAUSE_BUTTON},
    {&SELECT_BUTTON, &DEFAULT_SELECT_BUTTON},
};

void resetDefaultControls() {
    for (const Binding &b : bindings)
        *b.value = *b.defaultValue;
}

// The four direction keys, in the order they are tested.
struct DirectionKey {
    int *key;
    int code;
    int opposite;
};

static const DirectionKey directionKeys[4] = {
    {&UP_KEY, INPUT_UP, INPUT_DOWN},
    {&DOWN_KEY, INPUT_DOWN, INPUT_UP},
    {&RIGHT_KEY, INPUT_RIGHT, INPUT_LEFT},
    {&LEFT_KEY, INPUT_LEFT, INPUT_RIGHT},
};

static void hold(int code, int opposite) {
    lastKey |= code;
    lastKey &= ~opposite;
}

static void release(int code) {
    lastKey &= ~code;
    lastKeyTyped = code;
}

// Any other key or button never hides a control typed earlier in the call.
static void typeOther() {
    if (lastKeyTyped == 0)
        lastKeyTyped = INPUT_OTHER;
}

// A hat or stick back in its centre releases what it held on that axis.
static void releaseVertical() {
    if (lastKey & INPUT_DOWN)
        release(INPUT_DOWN);
    else if (lastKey & INPUT_UP)
        release(INPUT_UP);
}

static void releaseHorizontal() {
    if (lastKey & INPUT_RIGHT)
        release(INPUT_RIGHT);
    else if (lastKey & INPUT_LEFT)
        release(INPUT_LEFT);
}

// Upper-case X: exactly one of Shift and Caps Lock.
static int isSolveKey(const SDL_keysym &keysym) {
    if (keysym.sym != SDLK_x)
        return 0;
    int shift = (keysym.mod & KMOD_SHIFT) != 0;
    int caps = (keysym.mod & KMOD_CAPS) != 0;
    return shift != caps;
}

static void keyDown(const SDL_keysym &keysym) {
    int sym = keysym.sym;
    lastKeySym = sym;
    lastJButton = -1;
    for (const DirectionKey &d : directionKeys) {
        if (sym == *d.key) {
            hold(d.code, d.opposite);
            break;
        }
    }
    if (sym == JUMP_KEY)
        lastKey |= INPUT_ACTION;
    else if (sym == START_KEY)
        lastKey |= INPUT_START;
    else if (skipX > 0 && isSolveKey(keysym))
        skipLevel = 1;
}

static void keyUp(const SDL_keysym &keysym) {
    int sym = keysym.sym;
    lastJButton = -1;
    for (const DirectionKey &d : directionKeys) {
        if (sym == *d.key) {
            release(d.code);
            break;
        }
    }
    if (sym == JUMP_KEY && !waitForRelease) {
        release(INPUT_ACTION);
        return;
    }
    if (sym == JUMP_KEY)
        waitForRelease = 0;
    else if (sym == START_KEY) {
        release(INPUT_START);
        return;
    }
    typeOther();
}

static void buttonDown(int button) {
    lastKeySym = 0;
    lastJButton = button;
    if (button == JUMP_BUTTON)
        lastKey |= INPUT_ACTION;
    else if (button == START_BUTTON)
        lastKey |= INPUT_START;
}

static void buttonUp(int button) {
    lastKeySym = 0;
    if (button == JUMP_BUTTON)
        release(INPUT_ACTION);
    else if (button == START_BUTTON)
        release(INPUT_START);
    else
        typeOther();
}

static void hatMotion(int value) {
    if (value & UP_BUTTON)
        hold(INPUT_UP, INPUT_DOWN);
    else if (value & DOWN_BUTTON)
        hold(INPUT_DOWN, INPUT_UP);
    if (value & LEFT_BUTTON)
        hold(INPUT_LEFT, INPUT_RIGHT);
    else if (value & RIGHT_BUTTON)
        hold(INPUT_RIGHT, INPUT_LEFT);
    else if (value == 0) {
        releaseVertical();
        releaseHorizontal();
    }
}

static void axisMotion(int axis, int value) {
    if (axis == 1) {
        if (value < -AXIS_DEAD_ZONE)
            hold(INPUT_UP, INPUT_DOWN);
        else if (value > AXIS_DEAD_ZONE)
            hold(INPUT_DOWN, INPUT_UP);
        else
            releaseVertical();
    } else if (axis == 0) {
        if (value > AXIS_DEAD_ZONE)
            hold(INPUT_RIGHT, INPUT_LEFT);
        else if (value < -AXIS_DEAD_ZONE)
            hold(INPUT_LEFT, INPUT_RIGHT);
        else
            releaseHorizontal();
    }
}

// Display coordinates to the 320 x 240 working surface. Before a video mode
// exists the display is taken as unscaled rather than dividing by zero.
static void mouseDown(int x, int y) {
    int w = videoWidth > 0 ? videoWidth : 320;
    int h = videoHeight > 0 ? videoHeight : 240;
    mouseX = x * 320 / w;
    mouseY = y * 240 / h;
    lastKeyTyped = INPUT_ACTION;
    lastKey |= INPUT_ACTION;
}

static void handleEvent(const SDL_Event &event) {
    switch (event.type) {
    case SDL_QUIT:
        done = 1;
        break;
    case SDL_KEYDOWN:
        keyDown(event.key.keysym);
        break;
    case SDL_KEYUP:
        keyUp(event.key.keysym);
        break;
    case SDL_JOYBUTTONDOWN:
        buttonDown(event.jbutton.button);
        break;
    case SDL_JOYBUTTONUP:
        buttonUp(event.jbutton.button);
        break;
    case SDL_JOYHATMOTION:
        hatMotion(event.jhat.value);
        break;
    case SDL_JOYAXISMOTION:
        axisMotion(event.jaxis.axis, event.jaxis.value);
        break;
    case SDL_MOUSEBUTTONDOWN:
        mouseDown(event.button.x, event.button.y);
        break;
    case SDL_MOUSEBUTTONUP:
        lastKey &= ~INPUT_ACTION;
        break;
    default:
        break;
    }
}

void checkInput() {
    mouseX = -1;
    mouseY = -1;
    lastKeyTyped = 0;
    SDL_Event event;
    while (sysPollEvent(&event))
        handleEvent(event);
}

void checkKey(int inGame) {
    checkInput();
    if (done) {
        if (inGame)
            paused = 1;
        else
            escape = 1;
    }
    if (inGame && lastKeyTyped == INPUT_START)
        paused = 1;
}

static int buttonsHeld(int count) {
    int sum = 0;
    for (int b = 0; b < count; b++)
        sum += SDL_JoystickGetButton(joystick, b);
    return sum;
}

void waitKeyUp() {
    int count = joystick ? SDL_JoystickNumButtons(joystick) : 0;
    sysDelay(10);
    sysPumpEvents();
    while (count > 0 && buttonsHeld(count) != 0) {
        sysDelay(10);
        sysPumpEvents();
    }
    SDL_Event event;
    while (sysPollEvent(&event)) {
    }
    lastJButton = -1;
    lastKeySym = 0;
    lastKeyTyped = 0;
    lastKey = 0;
}

static int keyIsBound(int sym) {
    return sym == START_KEY || sym == DOWN_KEY || sym == LEFT_KEY || sym == RIGHT_KEY ||
           sym == UP_KEY || sym == JUMP_KEY;
}

void configKey(int &target) {
    if (lastKeySym > 0) {
        if (keyIsBound(lastKeySym)) {
            cfgUsed = 1;
        } else {
            target = lastKeySym;
            cfgStep++;
            cfgUsed = 0;
            if (cfgStep >= KEY_BINDING_STEPS)
                cfgStatus = 0;
        }
    }
    waitKeyUp();
}

void configButton(int &target) {
    if (lastJButton != -1) {
        if (lastJButton == START_BUTTON || lastJButton == JUMP_BUTTON) {
            cfgUsed = 1;
        } else {
            target = lastJButton;
            cfgStep++;
            cfgUsed = 0;
            if (cfgStep >= PAD_BINDING_STEPS)
                cfgStatus = 0;
        }
    }
    waitKeyUp();
}
