#pragma once

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <libmodplug/modplug.h>

// The music player (tracker modules rendered by libmodplug through the
// mixer's music hook, with fades and repeat counts) and the sound effects
// (WAV chunks played on the mixer's channels).

enum { MUSIC_COUNT = 13, MUSIC_TITLED = 11, SFX_COUNT = 14 };

// Music ids index these: archive entry names (stored as "name.mod") and the
// titles the options screen shows for ids 0 ... 10.
extern const char *const musix[MUSIC_COUNT];
extern const char *const musix_titles[MUSIC_TITLED];

// Player state, shared with the audio thread one word at a time.
extern ModPlugFile *mp_music; // the module hooked now, or null
extern int mp_volume;         // the volume the player aims at, 0 ... 128
extern int mp_fade;           // the master volume applied now
extern int mp_delta;          // step per buffer while fading: +1 in, -2 out
extern int mpLoops;           // plays left, -1 for ever
extern int mpFrequency, mpChannels;
extern Uint16 mpFormat; // the device's sample format, as opened

// The music number the screens chose last (0 = the title piece).
extern int curMusic;

// Effect volume on the mixer's 0 ... 128 scale, and the music volume the
// same way; both derived from the percentages of the configuration.
extern int _sfx_volume_, _mus_volume_;

int MP_OpenAudio(int frequency, Uint16 format, int channels, int chunksize);
void MP_UpdSettings();
ModPlugFile *MP_LoadMusic(void *data, int size, int loops);
ModPlugFile *loadMusic(int id);
void MP_PlayMusic(ModPlugFile *handle, int loops);
void MP_FadeInMusic(ModPlugFile *handle, int loops, int ms);
void MP_FadeOutMusic(int ms);
void MP_HaltMusic();
void stopMusic(ModPlugFile *handle);
int MP_PlayingMusic();
void MP_VolumeMusic(int volume);
const char *getMusicTitle(int id);
void MP_HookMusic(void *handle, Uint8 *stream, int length);

// Effects by sound id 0 ... 13 (snd_name).
extern const char *const snd_name[SFX_COUNT];
extern Mix_Chunk *snd_data[SFX_COUNT];
void loadSFX();
int playSFX(int id);
void freeSFX(int id);

// Called with every id passed to playSFX when set; lets tests hear the game.
extern void (*playSFXHook)(int id);
