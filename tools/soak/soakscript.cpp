#include "soakscript.h"

#include <cstdio>
#include <vector>

namespace {

// The default keys, and a few others a player's fingers find.
const char *const controlKeys[] = {"UP", "DOWN", "LEFT", "RIGHT", "LCTRL", "RETURN"};
const char *const otherKeys[] = {"ESCAPE", "SPACE", "TAB",    "BACKSPACE", "LSHIFT", "RALT",
                                 "a",      "d",     "q",      "z",         "x",      "1",
                                 "F1",     "F12",   "DELETE", "CAPSLOCK",  "RCTRL",  "9"};
enum { HAT_UP = 1, HAT_RIGHT = 2, HAT_DOWN = 4, HAT_LEFT = 8 };
enum { PAD_ACTION = 0, PAD_START = 7 };
enum { BOARD_X = 16, BOARD_Y = 64 }; // the left board's corner on the play screen

// Every draw is a statement of its own, never two in one argument list:
// the order in which a call's arguments are evaluated differs between
// compilers, and a seed must give the same script everywhere. The draws
// come last argument first, as the first scripts (x86-64 g++) drew them, so
// the seeds noted so far keep their scripts.
struct Writer {
    SoakRandom &rnd;
    std::string out;
    unsigned frame = 0;
    int width, height;

    void line(unsigned at, const char *action) {
        char buf[96];
        snprintf(buf, sizeof buf, "frame %u %s\n", at, action);
        out += buf;
    }
    void at(unsigned f, const char *fmt, const char *a) {
        char action[64];
        snprintf(action, sizeof action, fmt, a);
        line(f, action);
    }
    void atN(unsigned f, const char *fmt, int a, int b = 0, int c = 0) {
        char action[64];
        snprintf(action, sizeof action, fmt, a, b, c);
        line(f, action);
    }
    // Press, hold for `hold` frames, release; the clock moves on by `gap`.
    void key(const char *k, int hold, int gap) {
        if (hold == 0) {
            at(frame, "type %s", k);
        } else {
            at(frame, "press %s", k);
            at(frame + hold, "release %s", k);
        }
        frame += hold + gap;
    }
    void pad(int button, int hold, int gap) {
        atN(frame, "joydown %d", button);
        atN(frame + hold, "joyup %d", button);
        frame += hold + gap;
    }
    void hat(int value, int hold, int gap) {
        atN(frame, "hat %d", value);
        line(frame + hold, "hat 0");
        frame += hold + gap;
    }
    void click(int x, int y, int gap) {
        atN(frame, "click %d %d", x, y);
        frame += gap;
    }
    void gap(int n) { frame += n; }
};

// A control by the keyboard or by the pad: 0 UP, 1 DOWN, 2 LEFT, 3 RIGHT,
// 4 ACTION, 5 START.
void control(Writer &w, int which, int hold, int gap) {
    static const int hats[] = {HAT_UP, HAT_DOWN, HAT_LEFT, HAT_RIGHT};
    if (w.rnd.chance(50)) {
        w.key(controlKeys[which], hold, gap);
    } else if (which < 4) {
        w.hat(hats[which], hold > 0 ? hold : 1, gap);
    } else {
        w.pad(which == 4 ? PAD_ACTION : PAD_START, hold > 0 ? hold : 1, gap);
    }
}

// Directions most, then ACTION; START least, as in play it opens the pause
// menu, where the taps that follow would keep the game (pauseChoice goes
// there on purpose).
int someControl(Writer &w) {
    int roll = w.rnd.below(100);
    return roll < 60 ? roll / 15 : roll < 95 ? 4 : 5;
}

void tap(Writer &w) {
    int gap = w.rnd.between(1, 40);
    int hold = w.rnd.chance(30) ? 0 : w.rnd.between(1, 12);
    control(w, someControl(w), hold, gap);
}

// In play, a run of picks here and there; elsewhere, choices.
void pickSpree(Writer &w) {
    for (int i = w.rnd.between(3, 12); i > 0; i--) {
        for (int steps = w.rnd.below(4); steps > 0; steps--) {
            int gap = w.rnd.between(1, 6);
            control(w, w.rnd.below(4), 0, gap);
        }
        int gap = w.rnd.between(10, 50);
        int hold = w.rnd.chance(50) ? 0 : w.rnd.between(1, 4);
        control(w, 4, hold, gap);
    }
}

// Picks until the moves run out, the lost life's page passed, over and
// over: the way to game over and CONTINUE?.
void loseLives(Writer &w) {
    for (int life = w.rnd.between(2, 5); life > 0; life--) {
        // Clicks on the lower rows of the left board, where the fruit lies.
        int zoom = w.width / 320;
        for (int i = 0; i < 30; i++) {
            int gap = w.rnd.between(50, 70);
            int row = w.rnd.between(4, 9), column = w.rnd.below(8);
            w.click(zoom * (BOARD_X + 16 * column + 8), zoom * (BOARD_Y + 16 * row + 8), gap);
        }
        w.gap(w.rnd.between(60, 200));
        control(w, 4, 0, w.rnd.between(30, 90));
    }
}

void mash(Writer &w) {
    int which = w.rnd.below(6), times = w.rnd.between(4, 25);
    for (int i = 0; i < times; i++) {
        int gap = w.rnd.between(0, 3);
        control(w, which, w.rnd.chance(50) ? 0 : 1, gap);
    }
}

void holdDirection(Writer &w) {
    int gap = w.rnd.between(1, 20), hold = w.rnd.between(30, 240);
    control(w, w.rnd.below(4), hold, gap);
}

// Both directions at once, then let go in any order.
void chord(Writer &w) {
    const char *a = controlKeys[w.rnd.below(6)], *b = controlKeys[w.rnd.below(6)];
    unsigned f = w.frame;
    w.at(f, "press %s", a);
    w.at(f + w.rnd.between(0, 5), "press %s", b);
    w.at(f + w.rnd.between(6, 30), "release %s", a);
    w.at(f + w.rnd.between(6, 30), "release %s", b);
    w.frame = f + 31;
}

void otherKey(Writer &w) {
    const char *k = otherKeys[w.rnd.below(sizeof otherKeys / sizeof *otherKeys)];
    if (w.rnd.chance(25)) // the solve key, when a special name allows it
        w.at(w.frame, "type x %s", w.rnd.chance(50) ? "shift" : "caps");
    else {
        int gap = w.rnd.between(1, 30);
        w.key(k, w.rnd.chance(50) ? 0 : w.rnd.between(1, 20), gap);
    }
    w.gap(1);
}

void padOther(Writer &w) {
    switch (w.rnd.below(4)) {
    case 0: {
        int gap = w.rnd.between(1, 30), hold = w.rnd.between(1, 10);
        w.pad(w.rnd.between(0, 11), hold, gap);
        break;
    }
    case 1: { // a diagonal, then round the rim and back to the centre
        w.atN(w.frame, "hat %d", HAT_UP | HAT_RIGHT);
        w.atN(w.frame + 5, "hat %d", HAT_RIGHT);
        w.atN(w.frame + 10, "hat %d", HAT_DOWN | HAT_LEFT);
        w.line(w.frame + 15, "hat 0");
        w.gap(20);
        break;
    }
    default: { // the stick: pushed, maybe held, springing back past the dead zone
        int axis = w.rnd.below(3), value = w.rnd.chance(50) ? 32767 : -32768;
        w.atN(w.frame, "axis %d %d", axis, value);
        int back = w.rnd.between(-24000, 24000), after = w.rnd.between(1, 60);
        w.atN(w.frame + after, "axis %d %d", axis, back);
        w.gap(w.rnd.between(62, 90));
        break;
    }
    }
}

void mouse(Writer &w) {
    // Mostly on the boards and the menus' rows, sometimes anywhere at all.
    int x, y;
    if (w.rnd.chance(70)) {
        x = w.rnd.below(w.width / 2);
        y = w.height / 4 + w.rnd.below(w.height * 3 / 4);
    } else {
        x = w.rnd.below(w.width);
        y = w.rnd.below(w.height);
    }
    int button = w.rnd.chance(80) ? 1 : w.rnd.between(2, 5);
    if (button == 1 && w.rnd.chance(70)) {
        w.click(x, y, w.rnd.between(1, 30));
        return;
    }
    w.atN(w.frame, "mousedown %d %d %d", x, y, button);
    w.atN(w.frame + w.rnd.between(1, 20), "mouseup %d %d %d", x, y, button);
    w.gap(22);
}

// The pause menu: START, a few steps down, then ACTION.
void pauseChoice(Writer &w) {
    control(w, 5, 0, w.rnd.between(5, 20));
    for (int i = w.rnd.below(5); i > 0; i--)
        control(w, 1, 0, w.rnd.between(3, 10));
    control(w, 4, 0, w.rnd.between(5, 60));
}

// Title to options, or to another item: steps, then a choice.
void menuWalk(Writer &w) {
    for (int i = w.rnd.below(5); i > 0; i--) {
        int gap = w.rnd.between(3, 12);
        control(w, w.rnd.chance(70) ? 1 : 0, 0, gap);
    }
    int gap = w.rnd.between(10, 60);
    control(w, w.rnd.chance(50) ? 4 : 5, 0, gap);
}

// The key binding dialog: six keys, mostly the defaults in the dialog's
// order (so the game stays playable), sometimes one already taken.
void bindKeys(Writer &w) {
    static const char *const order[] = {"RETURN", "LEFT", "RIGHT", "UP", "DOWN", "LCTRL"};
    for (int i = 0; i < 6; i++) {
        if (w.rnd.chance(15)) {
            int gap = w.rnd.between(5, 20), hold = w.rnd.between(1, 5);
            w.key(order[w.rnd.below(i + 1)], hold, gap);
        }
        const char *k = w.rnd.chance(95) ? order[i] : otherKeys[w.rnd.below(6)];
        int gap = w.rnd.between(5, 20), hold = w.rnd.between(1, 8);
        w.key(k, hold, gap);
    }
}

void idle(Writer &w) {
    // Long waits let the clock run out, the intros and the end pages pass.
    w.gap(w.rnd.chance(85) ? w.rnd.between(10, 200) : w.rnd.between(600, 8000));
}

void quit(Writer &w) {
    w.line(w.frame, "quit");
    w.gap(w.rnd.between(1, 30));
}

struct Move {
    int weight;
    void (*act)(Writer &);
};

const Move moves[] = {
    {300, tap},     {60, mash},     {80, pickSpree}, {40, holdDirection}, {15, chord},
    {25, otherKey}, {40, padOther}, {80, mouse},     {20, pauseChoice},   {40, menuWalk},
    {8, bindKeys},  {60, idle},     {2, quit},       {12, loseLives},
};

void randomMove(Writer &w) {
    int total = 0;
    for (const Move &m : moves)
        total += m.weight;
    int pick = w.rnd.below(total);
    for (const Move &m : moves) {
        if (pick < m.weight) {
            m.act(w);
            return;
        }
        pick -= m.weight;
    }
}

// Whatever screen the game is on, this ends it with the pad, which no key
// binding changes: a window close leaves the title, the hiscores and the
// options, and opens the pause menu in play, where UP wraps to EXIT; ACTION
// passes the pages between levels and START ends a name being entered.
// The second close leaves the title that EXIT went back to. CONTINUE?
// hears no close: RIGHT answers it, and leaves the game.
void wayOut(Writer &w) {
    w.gap(5);
    for (int round = 0; round < 40; round++) {
        w.line(w.frame, "quit");
        w.gap(8);
        w.hat(HAT_UP, 2, 8);
        w.pad(PAD_ACTION, 2, 20);
        w.line(w.frame, "quit");
        w.gap(8);
        w.pad(PAD_START, 2, 20);
        w.pad(PAD_ACTION, 2, 60);
        w.hat(HAT_RIGHT, 2, 20);
    }
}

} // namespace

std::string soakScript(uint32_t seed, unsigned frames, int width, int height) {
    SoakRandom rnd(seed);
    Writer w{rnd, "", 0, width, height};
    char head[80];
    snprintf(head, sizeof head, "# soak seed %u, %u frames\n", seed, frames);
    w.out = head;
    while (w.frame < frames)
        randomMove(w);
    wayOut(w);
    return w.out;
}
