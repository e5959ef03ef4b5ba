#pragma once

#include <SDL/SDL.h>
#include <cstdint>

// The audio device under SDL_mixer. This module defines SDL_OpenAudio and
// SDL_CloseAudio, so the mixer's calls land here first:
//   - on the real clock they go on to SDL's own functions, untouched;
//   - on the virtual clock (a replay, sys.h) no device is opened: the
//     mixer's callback is kept and run from the virtual clock, one buffer
//     each time a buffer's worth of audio time has passed, on the main
//     thread. The music's end and every effect then fall on the same frame in
//     every run. With QUENZY_AUDIO_OUT=file.wav set, every buffer mixed
//     this way is also written to that WAV file.

// Makes sure this module is part of a program that opens the mixer; the
// player calls it before Mix_OpenAudio. Returns 1 when an open now would
// take the virtual device.
int audioUsesVirtualClock();
// 1 while the mixer runs on the virtual device.
int audioVirtualOpen();
// Buffers mixed on the virtual device since it was opened.
uint64_t audioBuffersMixed();
