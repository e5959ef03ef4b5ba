#pragma once

#include <SDL/SDL.h>
#include <cstdint>

// The one clock and event source of the game. Everything outside the
// platform and sound layers waits, reads the time and drains events through
// these, so a replay can drive the whole game on a virtual clock.

// Milliseconds since start (SDL_GetTicks, or the virtual clock).
uint32_t sysTicks();
// The clock as the game last read it, moved on by the waits asked for since
// (on the virtual clock, its time): reads nothing, so the trace can give the
// time without being a reading that a replay must meet.
uint32_t sysClockNow();
// Waits `ms` milliseconds (SDL_Delay, or moves the virtual clock on).
void sysDelay(uint32_t ms);
// One turn of a busy wait on sysTicks that ends at `until`: on the real
// clock until the next millisecond (in the browser a turn of the page, a
// sleep while `until` is far), one millisecond on the virtual clock (which
// would otherwise never move).
void sysSpin(uint32_t until);
// Next pending event, as SDL_PollEvent (or the replay's next event).
int sysPollEvent(SDL_Event *event);
// Lets SDL gather events, as SDL_PumpEvents (nothing during a replay).
void sysPumpEvents();
// Seconds since the epoch by the wall clock, even during a replay: for the
// age of files, which the file system stamps by that clock.
long long sysWallSeconds();

// Virtual clock: while `sysVirtualClock` is non-zero, sysTicks returns
// `sysVirtualNow` and sysDelay adds to it instead of sleeping. A busy wait
// that keeps reading sysTicks (more than SYS_SPIN_READS reads with no poll
// or delay in between) moves the clock on by 1 ms per further read, so a
// spinning wait ends exactly at its deadline instead of hanging.
extern int sysVirtualClock;    // the virtual clock is on
extern int sysPaced;           // the virtual clock waits for the real one to catch up
extern uint32_t sysVirtualNow; // its time in milliseconds
enum { SYS_SPIN_READS = 64 };

// Called whenever the virtual clock moves, with the old and the new time;
// lets a consumer of time (the music player) follow the virtual clock.
extern void (*sysClockHook)(uint32_t from, uint32_t to);
