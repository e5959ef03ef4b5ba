#include "sound/sound.h"

// Not built yet: the names and titles, and silent stand-ins that keep the
// callers' steps in place.

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
int curMusic = 0;
int _sfx_volume_ = 19, _mus_volume_ = 128;
Mix_Chunk *snd_data[SFX_COUNT];
void (*playSFXHook)(int id) = nullptr;

int MP_OpenAudio(int, Uint16, int, int) {
    return 0;
}
void MP_UpdSettings() {}
ModPlugFile *MP_LoadMusic(void *, int, int) {
    return nullptr;
}
ModPlugFile *loadMusic(int) {
    return nullptr;
}
void MP_PlayMusic(ModPlugFile *, int) {}
void MP_FadeInMusic(ModPlugFile *, int, int) {}
void MP_FadeOutMusic(int) {}
void MP_HaltMusic() {}
void stopMusic(ModPlugFile *) {}
int MP_PlayingMusic() {
    return 0;
}
void MP_VolumeMusic(int volume) {
    mp_volume = mp_fade = volume;
}
const char *getMusicTitle(int id) {
    return musix_titles[id];
}
void MP_HookMusic(void *, Uint8 *, int) {}

void loadSFX() {}

int playSFX(int id) {
    if (playSFXHook)
        playSFXHook(id);
    return -1;
}

void freeSFX(int) {}
