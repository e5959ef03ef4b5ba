#pragma once

// Instrument presets and the samples rendered from them.
//
// Tonal presets are additive: every oscillator (plain waves, a list of
// partials, or two-operator FM worked out as its Bessel sidebands) becomes a
// set of harmonics, shaped by a key-tracked low-pass filter, so each sample is
// band-limited for the notes it is played at. Every component runs a whole
// number of cycles in the sustain loop, which therefore joins without a seam.
// Drum presets are rendered in time: tones with a falling pitch, filtered
// noise and metallic clusters.

#include "module.h"

#include <cstdint>
#include <string>
#include <vector>

enum Wave { WAVE_SINE, WAVE_TRIANGLE, WAVE_SAW, WAVE_SQUARE, WAVE_PULSE, WAVE_PARTIALS, WAVE_FM };

struct Osc {
    Wave wave = WAVE_SAW;
    double level = 1;
    int ratio = 1;       // harmonic of the note this oscillator sounds at
    double detune = 0;   // cents, rounded to whole cycles per loop
    double width = 0.5;  // pulse width
    int mod = 1;         // FM: modulator frequency in harmonics
    double index = 0;    // FM: modulation index at the note's start...
    double indexEnd = 0; // ...gliding to this one
    double indexTime = 0.1;
    std::vector<double> partials;
};

enum LayerKind { LAYER_TONE, LAYER_NOISE, LAYER_METAL };

struct Layer {
    LayerKind kind = LAYER_TONE;
    double level = 1, attack = 0.001, decay = 0.1;
    double freq = 100, freqEnd = 100, glide = 0.03; // tone and metal pitch
    double lowpass = 0, highpass = 0;               // Hz, 0 = off
};

struct Preset {
    std::string name;
    bool drum = false;
    // Tonal
    std::vector<Osc> oscs;
    double cutoff = 64, q = 0.707; // low-pass, in harmonics of the note
    int poles = 2;
    double cutoffStart = 0, cutoffTime = 0.05; // optional filter sweep at the note's start
    double attack = 0.003, decay = 0.3, sustain = 1, loopSeconds = 0.25;
    double chiff = 0, chiffDecay = 0.02, chiffTone = 0.3; // noise burst at the start
    int low = 36, high = 71;                              // note range, 0 = C-0
    int sub = 1; // the note is this harmonic of the synthesis fundamental
    // Drums
    std::vector<Layer> layers;
    double length = 0.5, drive = 0;
    // Both
    double release = 0.15; // after key-off
    double level = 1;      // peak of the sample, 1 = near full scale
    int volume = 64;
    double pan = 0;
    int vibDepth = 0, vibRate = 0, vibSweep = 0;
};

// Renders the preset's samples, key map and envelope; `tick` is the song's
// tick length in seconds, for the envelope.
Instrument renderInstrument(const Preset &p, double gain, double tick);

// Frequency of note n (0 = C-0, 57 = A-4 at 440 Hz).
double noteFrequency(double n);
