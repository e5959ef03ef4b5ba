#pragma once

#include <cstdio>

// The configuration file quenzy.cfg in the user folder: volumes, key and pad
// bindings, and the module player's settings, one "key=value" a line.

extern int _mus_volume_100_; // music volume in percent
extern int _sfx_volume_100_; // effect volume in percent
// Module player: feature bits (1 oversampling, 2 noise reduction, 4 reverb,
// 8 mega bass, 16 surround), resampling mode and the effect levels.
extern int mpFlags, mpResamplingMode, mpReverbDepth, mpReverbDelay, mpBassAmount, mpBassRange,
    mpSurroundDepth, mpSurroundDelay;

// Reads the file over the current settings and bindings; a missing file
// changes nothing.
void loadConfig();
// Writes every setting and binding anew.
void dumpConfig();
// One "k_name=" line: a letter for key codes 97 ... 122, else the number.
void dumpKey(const char *name, int key, FILE *stream);
