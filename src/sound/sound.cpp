#include "sound/sound.h"

void (*playSFXHook)(int id) = nullptr;

void playSFX(int id) {
    if (playSFXHook)
        playSFXHook(id);
}

void freeSFX(int) {}
