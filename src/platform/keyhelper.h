#pragma once

#include <SDL/SDL.h>

// Keyboard, pad and mouse folded into six game controls. A control counts as
// typed when it is released; `lastKey` holds what is pressed right now.

enum {
    INPUT_START = 2,
    INPUT_ACTION = 8,
    INPUT_LEFT = 16,
    INPUT_RIGHT = 32,
    INPUT_DOWN = 64,
    INPUT_UP = 128,
    INPUT_OTHER = 4096, // any other key or pad button, typed only
};

// Bindings: keys are SDLKey values; the pad's directions are hat masks and
// its other bindings button numbers.
extern int UP_KEY, DOWN_KEY, LEFT_KEY, RIGHT_KEY, JUMP_KEY, START_KEY, PAUSE_KEY, SELECT_KEY;
// The pad's bindings, control by control as the keys.
extern int UP_BUTTON, DOWN_BUTTON, LEFT_BUTTON, RIGHT_BUTTON, JUMP_BUTTON, START_BUTTON,
    PAUSE_BUTTON, SELECT_BUTTON;
// The key bindings that resetDefaultControls restores.
extern const int DEFAULT_UP_KEY, DEFAULT_DOWN_KEY, DEFAULT_LEFT_KEY, DEFAULT_RIGHT_KEY,
    DEFAULT_JUMP_KEY, DEFAULT_START_KEY, DEFAULT_PAUSE_KEY, DEFAULT_SELECT_KEY;
// ... and the pad bindings it restores.
extern const int DEFAULT_UP_BUTTON, DEFAULT_DOWN_BUTTON, DEFAULT_LEFT_BUTTON, DEFAULT_RIGHT_BUTTON,
    DEFAULT_JUMP_BUTTON, DEFAULT_START_BUTTON, DEFAULT_PAUSE_BUTTON, DEFAULT_SELECT_BUTTON;

extern int lastKey;            // held controls
extern int lastKeyTyped;       // control typed in the last checkInput, or 0
extern int lastKeySym;         // key pressed last; 0 after a pad button
extern int lastJButton;        // pad button pressed last; -1 after a key
extern int mouseX, mouseY;     // click of the last checkInput in 320 x 240, or -1
extern int done;               // the window was closed
extern int skipX;              // the solve key works while above 0
extern int skipLevel;          // the solve key was typed
extern int waitForRelease;     // the next ACTION key release is just another key
extern SDL_Joystick *joystick; // the first pad, opened at start-up, or null

// Control binding dialogs of the options screen: the key dialog asks for
// START, LEFT, RIGHT, UP, DOWN and ACTION in turn, the pad's for START and
// ACTION.
enum { KEY_BINDING_STEPS = 6, PAD_BINDING_STEPS = 2 };
extern int cfgStep;   // binding asked for now, 0 ... steps - 1
extern int cfgUsed;   // the choice offered last is bound already: it was refused
extern int cfgStatus; // a dialog is open

void resetDefaultControls();
// Drains the event queue into the input state; once per frame.
void checkInput();
// checkInput, then turns a window close (and START in a game) into a pause or
// a leave request.
void checkKey(int inGame);
// Waits until no pad button is held, then forgets all pending input.
void waitKeyUp();
// Offers the key / pad button pressed last as the new binding `target`,
// refusing one that is already bound.
void configKey(int &target);
void configButton(int &target);
