#include "platform/sys.h"

int sysVirtualClock = 0;
uint32_t sysVirtualNow = 0;

uint32_t sysTicks() {
    if (sysVirtualClock)
        return sysVirtualNow;
    return SDL_GetTicks();
}

void sysDelay(uint32_t ms) {
    if (sysVirtualClock) {
        sysVirtualNow += ms;
        return;
    }
    SDL_Delay(ms);
}

void sysSpin() {
    if (sysVirtualClock)
        sysVirtualNow++;
}

int sysPollEvent(SDL_Event *event) { return SDL_PollEvent(event); }

void sysPumpEvents() { SDL_PumpEvents(); }
