#pragma once

#include <SDL/SDL.h>
#include <cstdint>

// The one clock and event source of the game. Everything outside the
// platform and sound layers waits, reads the time and drains events through
// these, so a replay can drive the whole game on a virtual clock.

// Milliseconds since start (SDL_GetTicks, or the virtual clock).
uint32_t sysTicks();
// Waits `ms` milliseconds (SDL_Delay, or moves the virtual clock on).
void sysDelay(uint32_t ms);
// One turn of a busy wait on sysTicks: nothing on the real clock, one
// millisecond on the virtual one (which would otherwise never move).
void sysSpin();
// Next pending event, as SDL_PollEvent.
int sysPollEvent(SDL_Event *event);
// Lets SDL gather events, as SDL_PumpEvents.
void sysPumpEvents();

// Virtual clock: while `sysVirtualClock` is non-zero, sysTicks returns
// `sysVirtualNow` and sysDelay adds to it instead of sleeping.
extern int sysVirtualClock;
extern uint32_t sysVirtualNow;
