#pragma once

// Sound effects by id (0 ... 13). Effects are not loaded yet, so playing one
// is silent; the calls stand where the game makes its sounds.
void playSFX(int id);
// Releases effect `id` if it was loaded.
void freeSFX(int id);

// Called with every id passed to playSFX when set; lets tests hear the game.
extern void (*playSFXHook)(int id);
