#include "platform/sys.h"

#include "platform/replay.h"

#include <ctime>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

int sysVirtualClock = 0;
uint32_t sysVirtualNow = 0;
void (*sysClockHook)(uint32_t from, uint32_t to) = nullptr;
int sysPaced = 0;

// Where the paced clocks started: the real one, and the virtual one then.
static int paceStarted = 0;
static uint32_t paceRealFrom = 0;
static uint32_t paceVirtualFrom = 0;

// sysTicks reads since the last poll or delay: a long run is a busy wait.
static int spinReads = 0;

#ifdef __EMSCRIPTEN__
// A web page does nothing else while the program runs: each wait hands the
// browser its turn (ASYNCIFY keeps the program's stack meanwhile), so the
// canvas, the input and the audio keep flowing, and a wait that only reads
// the clock could never end. A program that is busy, or on the virtual
// clock and so never really waiting, still gives a turn every WEB_TURN_MS.
enum { WEB_TURN_MS = 40 };
static double lastTurn = 0;

static void browserTurn(uint32_t ms) {
    emscripten_sleep(ms);
    lastTurn = emscripten_get_now();
}

static void browserTurnIfDue() {
    if (emscripten_get_now() - lastTurn >= WEB_TURN_MS)
        browserTurn(0);
}

static void realDelay(uint32_t ms) {
    browserTurn(ms);
}

// A turn of the pacer's wait: the browser's shortest sleep.
static void realSpin() {
    browserTurn(1);
}

// The library's fsync stops the program until IndexedDB has stored the
// whole user folder and resumes it from that store's callback, outside the
// runtime's timers: a program that then ends before its next wait never
// reaches the page's end. The page stores the folder after every rename
// into it, which is when a safely written file is complete, so a write
// here is already as durable as the browser makes it.
extern "C" int fsync(int) {
    return 0;
}
#else
static void browserTurnIfDue() {}

static void realDelay(uint32_t ms) {
    SDL_Delay(ms);
}

static void realSpin() {}
#endif

// A paced replay waits whenever the virtual clock has got ahead of the real
// one: the game itself still sees only the virtual clock, so it plays as
// it would unpaced, at the speed it was played.
static void keepPace(uint32_t from) {
    if (!paceStarted) {
        paceStarted = 1;
        paceRealFrom = SDL_GetTicks();
        paceVirtualFrom = from;
    }
    uint32_t ahead = (sysVirtualNow - paceVirtualFrom) - (SDL_GetTicks() - paceRealFrom);
    if (static_cast<int32_t>(ahead) > 0)
        realDelay(ahead);
}

static void advanceVirtual(uint32_t ms) {
    uint32_t from = sysVirtualNow;
    sysVirtualNow += ms;
    if (sysClockHook)
        sysClockHook(from, sysVirtualNow);
    if (sysPaced)
        keepPace(from);
    else
        paceStarted = 0;
}

uint32_t sysTicks() {
    if (++spinReads > SYS_SPIN_READS) {
        if (sysVirtualClock)
            advanceVirtual(1);
        else
            browserTurnIfDue();
    }
    return sysVirtualClock ? sysVirtualNow : SDL_GetTicks();
}

void sysDelay(uint32_t ms) {
    spinReads = 0;
    if (sysVirtualClock) {
        advanceVirtual(ms);
        browserTurnIfDue();
        return;
    }
    realDelay(ms);
}

void sysSpin() {
    // An explicit spin moves the clock itself; the guard in sysTicks is for
    // waits that do not say so.
    spinReads = 0;
    if (sysVirtualClock) {
        advanceVirtual(1);
        browserTurnIfDue();
    } else {
        realSpin();
    }
}

int sysPollEvent(SDL_Event *event) {
    spinReads = 0;
    browserTurnIfDue();
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
