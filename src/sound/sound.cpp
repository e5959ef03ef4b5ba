#include "sound/sound.h"

#include "platform/byteorder.h"
#include "platform/debug.h"
#include "platform/replay.h"
#include "sound/audiodevice.h"
#include "storage/config.h"
#include "storage/winova.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

const char *const musix[MUSIC_COUNT] = {
    "quenzyintro", "ptfactory",       "breakfastenvy", "gomellow",  "marenspeak",
    "smoothie",    "powerslide",      "vardo2tc",      "shadowfax", "quenzyliquids",
    "sundaydrive", "x.levelcomplete", "y.jingle",
};
const char *const musix_titles[MUSIC_TITLED] = {
    "Quenzy (Intro)", "P. T. Factory",  "Breakfast Envy", "Go Mellow",
    "Marens Peak",    "Smoothie",       "Power Slide",    "Vardo 2 The Chip",
    "Shadowfax",      "Quenzy Liquids", "Sunday Driver",
};
const char *const snd_name[SFX_COUNT] = {
    "fruits_disappear",  "lion_hand",      "menu_control",    "select_option",
    "timer_last_10_sec", "hippo",          "bird_flying",     "flower_grow",
    "maruk_eyelong",     "maruk_eyeshort", "maruk_eyesshort", "maruk_jump",
    "maruk_sleep",       "totem_anim",
};

ModPlugFile *mp_music = nullptr;
int mp_volume = 128, mp_fade = 128, mp_delta = 0, mpLoops = 0;
int mpFrequency = 0, mpChannels = 2;
Uint16 mpFormat = AUDIO_S16LSB;
int curMusic = 0;
int _sfx_volume_ = 19, _mus_volume_ = 128;
Mix_Chunk *snd_data[SFX_COUNT];
void (*playSFXHook)(int id) = nullptr;

// The settings handed to libmodplug, kept between calls.
static ModPlug_Settings settings;

// Which music id each loaded module came from, so the trace can name the
// piece that starts. A few slots are plenty: the screens hold one or two.
struct LoadedPiece {
    ModPlugFile *handle;
    int id;
};
enum { LOADED_SLOTS = 4 };
static LoadedPiece loadedPieces[LOADED_SLOTS];
static int nextLoadedSlot = 0;

static void rememberPiece(ModPlugFile *handle, int id) {
    for (LoadedPiece &p : loadedPieces)
        if (p.handle == handle)
            p.handle = nullptr;
    loadedPieces[nextLoadedSlot] = LoadedPiece{handle, id};
    nextLoadedSlot = (nextLoadedSlot + 1) % LOADED_SLOTS;
}

static void forgetPiece(ModPlugFile *handle) {
    for (LoadedPiece &p : loadedPieces)
        if (p.handle == handle)
            p.handle = nullptr;
}

static int pieceId(ModPlugFile *handle) {
    for (const LoadedPiece &p : loadedPieces)
        if (p.handle == handle)
            return p.id;
    return -1;
}

int MP_OpenAudio(int frequency, Uint16 format, int channels, int chunksize) {
    mpFrequency = frequency;
    mpChannels = channels;
    mpFormat = format;
    audioUsesVirtualClock(); // links the device the mixer opens through
    int result = Mix_OpenAudio(frequency, format & 0xFFFF, channels, chunksize);
    // The device may run at another rate than asked; the modules must be
    // rendered at the rate it really plays, or they would sound off pitch.
    int realFrequency = 0, realChannels = 0;
    Uint16 realFormat = 0;
    if (result == 0 && Mix_QuerySpec(&realFrequency, &realFormat, &realChannels)) {
        mpFrequency = realFrequency;
        mpChannels = realChannels;
        mpFormat = realFormat;
    }
    return result;
}

void MP_UpdSettings() {
    // The audio thread renders with these; it must not see half of a change.
    SDL_LockAudio();
    ModPlug_GetSettings(&settings);
    settings.mFlags = mpFlags;
    settings.mChannels = mpChannels;
    settings.mBits = 16;
    settings.mFrequency = mpFrequency;
    settings.mResamplingMode = mpResamplingMode;
    settings.mReverbDepth = mpReverbDepth;
    settings.mReverbDelay = mpReverbDelay;
    settings.mBassAmount = mpBassAmount;
    settings.mBassRange = mpBassRange;
    settings.mSurroundDepth = mpSurroundDepth;
    settings.mSurroundDelay = mpSurroundDelay;
    // mLoopCount stays 0: repeats are counted here, by seeking back.
    ModPlug_SetSettings(&settings);
    SDL_UnlockAudio();
}

#if defined(__arm__) && !defined(__aarch64__)
// On 32-bit ARM an exception crosses only frames that have unwind tables,
// and libmodplug is built without exceptions (Debian's armhf one has none):
// std::bad_alloc thrown inside it would end the game in std::terminate. There
// its loader out of memory ends the game as the other failed loads do.
static void musicOutOfMemory() {
    error("Out of memory while loading music\n");
}

static ModPlugFile *loadPiece(void *data, int size) {
    std::new_handler previous = std::set_new_handler(musicOutOfMemory);
    ModPlugFile *handle = ModPlug_Load(data, size);
    std::set_new_handler(previous);
    return handle;
}
#else
// libmodplug is C++ inside and lets std::bad_alloc out of its C entry when
// memory runs out; a piece that cannot be loaded plays nothing, as a
// missing one does.
static ModPlugFile *loadPiece(void *data, int size) {
    try {
        return ModPlug_Load(data, size);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
#endif

ModPlugFile *MP_LoadMusic(void *data, int size, int loops) {
    mpLoops = loops;
    MP_UpdSettings();
    return loadPiece(data, size);
}

ModPlugFile *loadMusic(int id) {
    if (id < 0 || id >= MUSIC_COUNT)
        return nullptr;
    uint32_t length = 0;
    uint8_t *data = loadOVAFile(OVA_MUSIC, musix[id], "mod", &length);
    if (!data)
        return nullptr;
    ModPlugFile *handle = MP_LoadMusic(data, static_cast<int>(length), -1);
    free(data); // libmodplug keeps its own copy
    if (handle)
        rememberPiece(handle, id);
    return handle;
}

static void noteStart(ModPlugFile *handle, int loops) {
    if (!replayTracing())
        return;
    char details[48];
    snprintf(details, sizeof details, "id=%d loops=%d", pieceId(handle), loops);
    replayNote("music", details);
}

void MP_PlayMusic(ModPlugFile *handle, int loops) {
    if (!handle)
        return;
    // Under the mixer's lock, so the audio thread sees the new piece whole:
    // its loop count, volume and start together.
    SDL_LockAudio();
    mpLoops = loops;
    MP_UpdSettings();
    ModPlug_SetMasterVolume(handle, static_cast<unsigned>(mp_fade));
    ModPlug_Seek(handle, 0);
    Mix_HookMusic(MP_HookMusic, handle);
    mp_music = handle;
    SDL_UnlockAudio();
    noteStart(handle, loops);
}

void MP_FadeInMusic(ModPlugFile *handle, int loops, int) {
    if (mp_volume < 1)
        return;
    SDL_LockAudio();
    mp_fade = 1;
    mp_delta = 1;
    MP_PlayMusic(handle, loops);
    SDL_UnlockAudio();
}

// Unhooks the piece: the mixer plays no music from the next buffer on.
static void MP_HaltMusic() {
    Mix_HookMusic(nullptr, nullptr);
    mp_music = nullptr;
}

void MP_FadeOutMusic(int) {
    // Both words change under the lock: a hook that saw the new start with
    // the old step of a fade-in would climb to an odd value and step past 0.
    SDL_LockAudio();
    mp_fade = mp_volume < 2 ? 0 : (mp_volume - 2) & ~1;
    mp_delta = -2;
    SDL_UnlockAudio();
    // At volume 0 the hook can never tell a faded-out piece (there is no
    // fade), and a screen that waits for the piece to stop would wait for
    // ever: stop it now.
    if (mp_volume <= 0)
        MP_HaltMusic();
}

void stopMusic(ModPlugFile *handle) {
    if (!handle)
        return;
    MP_HaltMusic(); // first, so the audio thread never renders a freed module
    forgetPiece(handle);
    ModPlug_Unload(handle);
}

int MP_PlayingMusic() {
    // The game waits on this as on the clock: a recording keeps the answers.
    return replayMusicRead(mp_music != nullptr);
}

void MP_VolumeMusic(int volume) {
    SDL_LockAudio();
    if (mp_music)
        ModPlug_SetMasterVolume(mp_music, static_cast<unsigned>(volume));
    mp_volume = volume;
    mp_fade = volume;
    SDL_UnlockAudio();
}

const char *getMusicTitle(int id) {
    return id >= 0 && id < MUSIC_TITLED ? musix_titles[id] : "";
}

// The mixer's music slot, on the audio thread: one fade step, one render,
// and at the end of the piece a seek back or a halt. Allocates nothing.
void MP_HookMusic(void *handle, Uint8 *stream, int length) {
    ModPlugFile *file = static_cast<ModPlugFile *>(handle);
    if (mp_fade != mp_volume && mp_fade > 0) {
        mp_fade += mp_delta;
        ModPlug_SetMasterVolume(file, static_cast<unsigned>(mp_fade));
    }
    int n = ModPlug_Read(file, stream, length);
    // libmodplug renders in the machine's byte order, the device may play
    // the other (the game asks for little-endian samples everywhere).
    if (n > 0 && mpFormat != AUDIO_S16SYS)
        swapBytes16(stream, static_cast<size_t>(n));
    // libmodplug plays master volume 0 as 1, still audible: keep it silent.
    if (mp_fade <= 0 && n > 0)
        memset(stream, 0, static_cast<size_t>(n));
    int ended = n < length;
    int fadedOut = mp_fade == 0 && mp_volume > 0;
    if (!ended && !fadedOut)
        return;
    if (mpLoops > 0)
        mpLoops--;
    if (mpLoops != 0 && ended) {
        // The rest of this buffer stays silent; the repeat starts with the next.
        ModPlug_Seek(file, 0);
        return;
    }
    MP_HaltMusic();
}

void loadSFX() {
    for (int id = 0; id < SFX_COUNT; id++) {
        // The menu sets up again at every entry; the effects stay loaded.
        if (snd_data[id])
            continue;
        uint32_t length = 0;
        uint8_t *data = loadOVAFile(OVA_SOUND, snd_name[id], "wav", &length);
        if (!data)
            error("Can't load sound file");
        SDL_RWops *stream = SDL_RWFromMem(data, static_cast<int>(length));
        snd_data[id] = stream ? Mix_LoadWAV_RW(stream, 0) : nullptr;
        if (stream)
            SDL_FreeRW(stream);
        if (!snd_data[id])
            error("Unable to load sound");
        free(data); // the chunk holds its own converted samples
    }
}

int playSFX(int id) {
    if (playSFXHook)
        playSFXHook(id);
    if (id < 0 || id >= SFX_COUNT || !snd_data[id])
        return -1;
    return Mix_PlayChannelTimed(-1, snd_data[id], 0, -1);
}

void freeSFX(int id) {
    if (id < 0 || id >= SFX_COUNT || !snd_data[id])
        return;
    Mix_FreeChunk(snd_data[id]);
    snd_data[id] = nullptr;
}
