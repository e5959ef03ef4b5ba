#pragma once

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <libmodplug/modplug.h>

// The music player (tracker modules rendered by libmodplug through the
// mixer's music hook, with fades and repeat counts) and the sound effects
// (WAV chunks played on the mixer's channels).

enum { MUSIC_COUNT = 13, MUSIC_TITLED = 11 };

// Sound ids: the effects in the order of snd_name, named after their files.
enum {
    SFX_FRUITS_DISAPPEAR = 0,
    SFX_LION_HAND = 1,     // the picking hand reaches out
    SFX_MENU_CONTROL = 2,  // a selection moves; on the board, a morph starts or a fall lands
    SFX_SELECT_OPTION = 3, // something is chosen
    SFX_TIMER_LAST_10_SEC = 4,
    SFX_HIPPO = 5,
    SFX_BIRD_FLYING = 6,
    SFX_FLOWER_GROW = 7,
    SFX_MARUK_EYELONG = 8,    // the hero's long blink
    SFX_MARUK_EYESHORT = 9,   // ... his blink
    SFX_MARUK_EYESSHORT = 10, // ... his waking up
    SFX_MARUK_JUMP = 11,
    SFX_MARUK_SLEEP = 12,
    SFX_TOTEM_ANIM = 13,
    SFX_COUNT = 14,
};

// Music ids index these: archive entry names (stored as "name.mod") and the
// titles the options screen shows for ids 0 ... 10.
extern const char *const musix[MUSIC_COUNT];         // entry names
extern const char *const musix_titles[MUSIC_TITLED]; // titles

// Player state, shared with the audio thread one word at a time.
extern ModPlugFile *mp_music;       // the module hooked now, or null
extern int mp_volume;               // the volume the player aims at, 0 ... 128
extern int mp_fade;                 // the master volume applied now
extern int mp_delta;                // step per buffer while fading: +1 in, -2 out
extern int mpLoops;                 // plays left, -1 for ever
extern int mpFrequency, mpChannels; // what the device really plays; modules render at it
extern Uint16 mpFormat;             // the device's sample format, as opened

// The music number the screens chose last (0 = the title piece).
extern int curMusic;

// Effect volume on the mixer's 0 ... 128 scale, and the music volume the
// same way; both derived from the percentages of the configuration.
extern int _sfx_volume_, _mus_volume_;

// Opens the mixer as Mix_OpenAudio does and keeps the rate and channels the
// device really plays (the modules are rendered at those); its result.
int MP_OpenAudio(int frequency, Uint16 format, int channels, int chunksize);
// Hands libmodplug the configuration's settings and the device's format.
void MP_UpdSettings();
// A module from `size` bytes at `data` (libmodplug keeps a copy), or null
// when it cannot be read; sets the plays left (mpLoops) to `loops`.
ModPlugFile *MP_LoadMusic(void *data, int size, int loops);
// Music `id` from the music archive, for ever; null when it is missing.
ModPlugFile *loadMusic(int id);
// Starts `handle` from its beginning at the current fade volume, `loops`
// plays (-1 for ever); the piece playing before is replaced.
void MP_PlayMusic(ModPlugFile *handle, int loops);
// MP_PlayMusic rising from silence one step per buffer; nothing at volume 0.
// The fade's pace is the player's own: `ms` is ignored by design.
void MP_FadeInMusic(ModPlugFile *handle, int loops, int ms);
// Lowers the piece two steps per buffer until it halts (at volume 0, halts
// it at once). The pace is the player's own: `ms` is ignored by design.
void MP_FadeOutMusic(int ms);
// Unhooks the piece playing, then frees `handle` (null: nothing).
void stopMusic(ModPlugFile *handle);
// Non-zero while a piece is hooked (playing or fading out).
int MP_PlayingMusic();
// Sets the volume the player aims at (0 ... 128) and applies it at once.
void MP_VolumeMusic(int volume);
// The title the options screen shows for music `id`, "" past the titled ones.
const char *getMusicTitle(int id);
// The mixer's music hook (audio thread): one fade step and one buffer of
// `handle`, then at the end of the piece a repeat or a halt.
void MP_HookMusic(void *handle, Uint8 *stream, int length);

// Effects by sound id (SFX_*).
extern const char *const snd_name[SFX_COUNT]; // entry names in the sound archive
extern Mix_Chunk *snd_data[SFX_COUNT];        // the loaded effects, null until loadSFX
// Loads every effect not loaded yet; ends the game when one is missing.
void loadSFX();
// Plays effect `id` on a free channel: the channel, or -1.
int playSFX(int id);
// Frees effect `id` when it is loaded.
void freeSFX(int id);

// Called with every id passed to playSFX when set; lets tests hear the game.
extern void (*playSFXHook)(int id);
