#include "sound/audiodevice.h"

#include "platform/byteorder.h"
#include "platform/debug.h"
#include "platform/sys.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#else
#include <dlfcn.h>
#endif

// Why here and not in SDL: SDL_mixer keeps its mixing callback to itself and
// hands it only to SDL_OpenAudio. Defining that function in the program
// puts ours first in the dynamic linker's search, for the classic SDL 1.2
// and for sdl12-compat alike (both are reached by SDL_mixer through the
// same exported name), and dlsym(RTLD_NEXT) finds the library's own
// whenever a real device is wanted.

//
// A browser build links SDL statically, so there is no next library to ask:
// it is built with its two functions renamed to SDL_web_OpenAudio and
// SDL_web_CloseAudio, which are called directly.

typedef int (*OpenAudioFn)(SDL_AudioSpec *, SDL_AudioSpec *);
typedef void (*CloseAudioFn)();

#ifdef __EMSCRIPTEN__
extern "C" int SDL_web_OpenAudio(SDL_AudioSpec *, SDL_AudioSpec *);
extern "C" void SDL_web_CloseAudio();
static OpenAudioFn sdlOpenAudio() {
    return SDL_web_OpenAudio;
}
static CloseAudioFn sdlCloseAudio() {
    return SDL_web_CloseAudio;
}
#else
static OpenAudioFn sdlOpenAudio() {
    return reinterpret_cast<OpenAudioFn>(dlsym(RTLD_NEXT, "SDL_OpenAudio"));
}
static CloseAudioFn sdlCloseAudio() {
    return reinterpret_cast<CloseAudioFn>(dlsym(RTLD_NEXT, "SDL_CloseAudio"));
}
#endif

#ifdef __EMSCRIPTEN__
// A replay played at the real clock's pace is a film, and a film is heard:
// each buffer mixed goes to the page's speakers too (web/page.js), the
// same bytes as those the WAV gets.
EM_JS(void, hearOnPage, (const Uint8 *buffer, int bytes, int freq, int channels, int bits), {
    if (Module['hear'] && bits == 16)
        Module['hear'](HEAP16.subarray(buffer >> 1, (buffer + bytes) >> 1), freq, channels);
});
#else
static void hearOnPage(const Uint8 *, int, int, int, int) {}
#endif

static int virtualOpen = 0;
static SDL_AudioSpec virtualSpec;
static Uint8 *virtualBuffer = nullptr;
static uint32_t openedAt = 0;     // virtual time of the open
static uint64_t framesMixed = 0;  // audio frames mixed since the open
static uint64_t buffersMixed = 0; // ... and the buffers they came in
static void (*chainedClockHook)(uint32_t, uint32_t) = nullptr;

static FILE *wavOut = nullptr;
static uint32_t wavBytes = 0;

int audioUsesVirtualClock() {
    return sysVirtualClock != 0;
}

int audioVirtualOpen() {
    return virtualOpen;
}

uint64_t audioBuffersMixed() {
    return buffersMixed;
}

// The 44-byte header of a PCM WAV file holding `dataBytes` of samples.
static void wavHeader(uint8_t *h, const SDL_AudioSpec &audio, uint32_t dataBytes) {
    int bits = audio.format & 0xFF;
    int block = audio.channels * bits / 8;
    memcpy(h, "RIFF", 4);
    writeLE(h + 4, 36 + dataBytes, 4);
    memcpy(h + 8, "WAVEfmt ", 8);
    writeLE(h + 16, 16, 4);
    writeLE(h + 20, 1, 2); // PCM
    writeLE(h + 22, audio.channels, 2);
    writeLE(h + 24, static_cast<uint32_t>(audio.freq), 4);
    writeLE(h + 28, static_cast<uint32_t>(audio.freq * block), 4);
    writeLE(h + 32, static_cast<uint32_t>(block), 2);
    writeLE(h + 34, static_cast<uint32_t>(bits), 2);
    memcpy(h + 36, "data", 4);
    writeLE(h + 40, dataBytes, 4);
}

// Rewrites the header with the sizes so far; the file is whole after every
// call, so a replay that ends through exit() leaves a playable file.
static void finishWav() {
    if (!wavOut)
        return;
    uint8_t header[44];
    wavHeader(header, virtualSpec, wavBytes);
    long end = ftell(wavOut);
    fseek(wavOut, 0, SEEK_SET);
    fwrite(header, 1, sizeof header, wavOut);
    fseek(wavOut, end, SEEK_SET);
    fflush(wavOut);
}

static void closeWav() {
    finishWav();
    if (wavOut)
        fclose(wavOut);
    wavOut = nullptr;
}

static void openWav() {
    const char *path = getenv("QUENZY_AUDIO_OUT");
    if (!path || !*path)
        return;
    static int atExitSet = 0;
    if (!atExitSet) {
        atexit(closeWav);
        atExitSet = 1;
    }
    wavOut = fopen(path, "wb");
    if (!wavOut)
        error("audio: cannot write QUENZY_AUDIO_OUT\n");
    wavBytes = 0;
    uint8_t header[44];
    wavHeader(header, virtualSpec, 0);
    fwrite(header, 1, sizeof header, wavOut);
}

// One buffer, as SDL's audio thread would mix it: silence first (SDL 1.2
// hands the callback a cleared buffer), then the mixer on top.
static void mixBuffer() {
    memset(virtualBuffer, virtualSpec.silence, virtualSpec.size);
    virtualSpec.callback(virtualSpec.userdata, virtualBuffer, static_cast<int>(virtualSpec.size));
    framesMixed += virtualSpec.samples;
    buffersMixed++;
    if (sysPaced)
        hearOnPage(virtualBuffer, static_cast<int>(virtualSpec.size), virtualSpec.freq,
                   virtualSpec.channels, virtualSpec.format & 0xFF);
    if (wavOut) {
        fwrite(virtualBuffer, 1, virtualSpec.size, wavOut);
        wavBytes += virtualSpec.size;
        finishWav();
    }
}

static void followClock(uint32_t from, uint32_t to) {
    if (chainedClockHook)
        chainedClockHook(from, to);
    if (!virtualOpen)
        return;
    uint64_t due =
        static_cast<uint64_t>(to - openedAt) * static_cast<uint64_t>(virtualSpec.freq) / 1000;
    while (virtualOpen && framesMixed + virtualSpec.samples <= due)
        mixBuffer();
}

static int openVirtual(SDL_AudioSpec *desired, SDL_AudioSpec *obtained) {
    if (virtualOpen) {
        SDL_SetError("Audio device is already opened");
        return -1;
    }
    if (!desired->callback || desired->samples == 0 || desired->channels == 0) {
        SDL_SetError("SDL_OpenAudio() passed no callback, samples or channels");
        return -1;
    }
    virtualSpec = *desired;
    int bytesPerSample = (virtualSpec.format & 0xFF) / 8;
    virtualSpec.size = static_cast<Uint32>(virtualSpec.samples) * virtualSpec.channels *
                       static_cast<Uint32>(bytesPerSample);
    virtualSpec.silence = virtualSpec.format == AUDIO_U8 ? 0x80 : 0;
    virtualBuffer = static_cast<Uint8 *>(malloc(virtualSpec.size));
    if (!virtualBuffer) {
        SDL_OutOfMemory();
        return -1;
    }
    // Without a place to put it, SDL 1.2 reports the format it opened in `desired`.
    *(obtained ? obtained : desired) = virtualSpec;
    // SDL 1.2 mixes the effects (SDL_MixAudio) in the format of its open
    // device, or in plain 16-bit when its audio is down; with its audio up
    // but no device it knows no format and drops them. No device runs here.
    if (SDL_WasInit(SDL_INIT_AUDIO))
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    openedAt = sysVirtualNow;
    framesMixed = 0;
    buffersMixed = 0;
    virtualOpen = 1;
    chainedClockHook = sysClockHook;
    sysClockHook = followClock;
    openWav();
    return 0;
}

static void closeVirtual() {
    virtualOpen = 0;
    sysClockHook = chainedClockHook;
    chainedClockHook = nullptr;
    closeWav();
    free(virtualBuffer);
    virtualBuffer = nullptr;
}

extern "C" int SDL_OpenAudio(SDL_AudioSpec *desired, SDL_AudioSpec *obtained) {
    if (audioUsesVirtualClock())
        return openVirtual(desired, obtained);
    OpenAudioFn real = sdlOpenAudio();
    if (!real) {
        SDL_SetError("SDL_OpenAudio not found");
        return -1;
    }
    return real(desired, obtained);
}

extern "C" void SDL_CloseAudio() {
    if (virtualOpen) {
        closeVirtual();
        return;
    }
    CloseAudioFn real = sdlCloseAudio();
    if (real)
        real();
}
