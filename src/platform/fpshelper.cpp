#include "platform/fpshelper.h"

#include "platform/sys.h"

uint32_t fpsCurTick = 0;
uint32_t fpsGrpTick = 0;
int cntFrames = 0;
int fpsSum = 0;
int skipFrame = 0;
int framesSkipped = 0;

enum {
    FRAME_BUDGET = 17, // frames 0 and 1, from the previous frame
    GROUP_BUDGET = 50, // frame 2, from the start of the group
    MAX_SKIPPED = 3,
};

void initFPS() {
    fpsCurTick = fpsGrpTick = sysTicks();
    skipFrame = 0;
    cntFrames = 0;
    fpsSum = 0;
    framesSkipped = 0;
}

// Adds the time this frame used to fpsSum and gives the frame's budget. A
// counter that went backwards (it wraps after 49 days) counts as on time.
static int measure() {
    uint32_t prev = fpsCurTick;
    uint32_t now = sysTicks();
    fpsCurTick = now;
    if (cntFrames < 2) {
        if (now < prev)
            fpsCurTick = now = prev + FRAME_BUDGET;
        fpsSum += static_cast<int>(now - prev);
        return FRAME_BUDGET;
    }
    if (now < fpsGrpTick)
        fpsCurTick = now = fpsGrpTick + GROUP_BUDGET;
    fpsSum += static_cast<int>(now - fpsGrpTick);
    return GROUP_BUDGET;
}

// Spins rather than sleeps: a sleep could overshoot the deadline by far more
// than the counter's millisecond.
static void spin(int wait) {
    uint32_t end = fpsCurTick + static_cast<uint32_t>(wait);
    uint32_t t = sysTicks();
    while (t >= fpsCurTick && t < end) {
        sysSpin(end);
        t = sysTicks();
    }
}

int controlFPS() {
    int budget = measure();
    if (fpsSum > budget && framesSkipped < MAX_SKIPPED) {
        framesSkipped++;
        fpsSum -= budget;
        skipFrame = 1;
        fpsCurTick = sysTicks();
    } else {
        int wait = budget - fpsSum;
        if (wait > 0)
            spin(wait);
        fpsSum = 0;
        skipFrame = 0;
        framesSkipped = 0;
        fpsCurTick = sysTicks();
    }
    if (cntFrames < 2) {
        cntFrames++;
    } else {
        cntFrames = 0;
        fpsGrpTick = fpsCurTick;
    }
    return 1 - skipFrame;
}
