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

// On the real clock: the clock as the game last read it, moved on by the
// waits it asked for since, as the virtual clock would move. A recording
// holds where a reading differs from it, and the trace gives it.
static uint32_t liveClock = 0;

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

// A turn that comes straight back: a message the page posts to itself,
// which no timer's minimum holds up. Woken as emscripten_sleep's timer
// wakes the program (the runtime kept alive meanwhile, and an exit during
// the rest of the turn taken as the program's end, not as an error).
EM_JS(void, webQuickTurn, (), {
    Asyncify.handleSleep(function(wakeUp) {
        var channel = Module.webTurnChannel;
        if (!channel)
            channel = Module.webTurnChannel = new MessageChannel();
        runtimeKeepalivePush();
        channel.port1.onmessage = function() {
            runtimeKeepalivePop();
            callUserCallback(wakeUp);
        };
        channel.port2.postMessage(0);
    });
});

// A timer's sleep comes back no sooner than 4 ms once timers nest, as the
// pacer's do, so a sleep of 1 ms a turn would end the frame up to 4 ms late
// and the game would run at about 58 frames a second. Far from the frame's
// end the turn sleeps until WEB_TIMER_MS before it; near it, it takes the
// page's quick turns until the next millisecond, as the desktop's turn
// ends, so that a recording need not note each turn.
enum { WEB_TIMER_MS = 5 };

static void realSpin(uint32_t until) {
    const uint32_t from = SDL_GetTicks();
    const int32_t left = static_cast<int32_t>(until - from);
    if (left > WEB_TIMER_MS) {
        browserTurn(static_cast<uint32_t>(left - WEB_TIMER_MS));
        return;
    }
    do
        webQuickTurn();
    while (SDL_GetTicks() == from);
    lastTurn = emscripten_get_now();
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

// A turn of the pacer's busy wait ends with the next millisecond, as one
// on the virtual clock does, so a recording need not note each turn.
static void realSpin(uint32_t) {
    uint32_t from = SDL_GetTicks();
    while (SDL_GetTicks() == from) {
    }
}
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

// A scripted reading moves the virtual clock to it: forwards as a wait would
// (the sound and the pace follow), backwards without either.
static void moveVirtual(int32_t by) {
    if (by > 0)
        advanceVirtual(static_cast<uint32_t>(by));
    else
        sysVirtualNow += static_cast<uint32_t>(by);
}

uint32_t sysTicks() {
    int spinning = ++spinReads > SYS_SPIN_READS;
    if (sysVirtualClock) {
        if (spinning)
            advanceVirtual(1);
        if (replayMode == REPLAY_PLAY)
            moveVirtual(replayClockRead(0));
        return sysVirtualNow;
    }
    if (spinning) {
        browserTurnIfDue();
        liveClock++;
    }
    uint32_t now = SDL_GetTicks();
    if (replayMode == REPLAY_LIVE)
        replayClockRead(static_cast<int32_t>(now - liveClock));
    liveClock = now;
    return now;
}

uint32_t sysClockNow() {
    return sysVirtualClock ? sysVirtualNow : liveClock;
}

void sysDelay(uint32_t ms) {
    spinReads = 0;
    if (sysVirtualClock) {
        advanceVirtual(ms);
        browserTurnIfDue();
        return;
    }
    realDelay(ms);
    liveClock += ms;
}

void sysSpin(uint32_t until) {
    // An explicit spin moves the clock itself; the guard in sysTicks is for
    // waits that do not say so.
    spinReads = 0;
    if (sysVirtualClock) {
        advanceVirtual(1);
        browserTurnIfDue();
    } else {
        realSpin(until);
        liveClock++;
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
