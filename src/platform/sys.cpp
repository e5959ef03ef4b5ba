#include "platform/sys.h"

#include "platform/replay.h"

#include <ctime>

int sysVirtualClock = 0;
uint32_t sysVirtualNow = 0;
void (*sysClockHook)(uint32_t from, uint32_t to) = nullptr;

// sysTicks reads since the last poll or delay: a long run is a busy wait.
static int spinReads = 0;

static void advanceVirtual(uint32_t ms) {
    uint32_t from = sysVirtualNow;
    sysVirtualNow += ms;
    if (sysClockHook)
        sysClockHook(from, sysVirtualNow);
}

uint32_t sysTicks() {
    if (!sysVirtualClock)
        return SDL_GetTicks();
    if (++spinReads > SYS_SPIN_READS)
        advanceVirtual(1);
    return sysVirtualNow;
}

void sysDelay(uint32_t ms) {
    spinReads = 0;
    if (sysVirtualClock) {
        advanceVirtual(ms);
        return;
    }
    SDL_Delay(ms);
}

void sysSpin() {
    // An explicit spin moves the clock itself; the guard in sysTicks is for
    // waits that do not say so.
    spinReads = 0;
    if (sysVirtualClock)
        advanceVirtual(1);
}

int sysPollEvent(SDL_Event *event) {
    spinReads = 0;
    if (replayMode == REPLAY_PLAY)
        return replayPoll(event);
    int got = SDL_PollEvent(event);
    if (replayMode != REPLAY_OFF)
        replayObserve(got ? event : nullptr);
    return got;
}

void sysPumpEvents() {
    if (replayMode != REPLAY_PLAY)
        SDL_PumpEvents();
}

long long sysWallSeconds() {
    return static_cast<long long>(time(nullptr));
}
