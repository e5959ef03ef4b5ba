#pragma once

#include <SDL/SDL.h>

// The two pages that frame a game: HOW TO PLAY before the first level, with
// the hippo beside the rules over the title's moving savanna, and the
// congratulations after the last, with the closing picture, a butterfly and
// the title music. Both wait for the player.

enum {
    HIPPO_POSE_FRAMES = 32, // drawn frames per pose
    HIPPO_X = 4,
    HIPPO_Y = 80,
    BUTTERFLY_REST_X = 176, // where the butterfly stops, entering from the left
    BUTTERFLY_Y = 176,
    WING_FRAMES = 6, // passes between wing flaps
};

// HOW TO PLAY, before level 0. frameA and frameB are the title's first two
// background counters, so its layers go on where the title left them.
void tutorialScreen(int frameA, int frameB);
// After the last level is won, before the hiscore entry.
void congratScreen();

// What HOW TO PLAY keeps from pass to pass.
struct Tutorial {
    SDL_Surface *hippo; // the two poses side by side: left, right
    int frameA, frameB; // background counters, +1 and +2 a pass
    int drawn;          // frames drawn so far
    int rightShown;     // the right pose was shown last
};

// The steps of HOW TO PLAY, each on `t`.
// Draws one frame into `screen` (no flip) and counts it; the hippo turns to
// its left pose with a grunt.
void tutorialDraw(Tutorial *t);
// One pass: drawing when the pacing allows, the counters, the input.
// Returns 1 when the page is to be left.
int tutorialPass(Tutorial *t);

// What the congratulations page keeps from pass to pass.
struct Congrat {
    SDL_Surface *picture;
    int baseX;     // the butterfly's x before its wobble
    int t, phase;  // wobble phases: across +1 a pass, up and down +3
    int wing;      // butterfly cell, 0 or 1
    int wingCount; // passes until the next flap
};

void congratStart(Congrat *c, SDL_Surface *picture);
// The butterfly's top-left corner in this pass.
void butterflyAt(const Congrat *c, int *x, int *y);
void congratDraw(const Congrat *c);
// After the input: the wings, the wobble, the flight in.
void congratStep(Congrat *c);
// One pass; returns 1 when the page is to be left.
int congratPass(Congrat *c);
