// The preset language of assets/sfx: one effect per file, read into plain
// records that the synthesizer renders. assets/sfx/README.md describes it.
#pragma once
#include <string>
#include <vector>

// A value over time: breakpoints (seconds, value), held flat before the
// first and after the last. `curve` bends every segment: 1 is a straight
// line, higher values move fast first and settle slowly, as natural decays
// and glides do.
struct Envelope {
    std::vector<double> t, v;
    double curve = 1;
};

enum class Wav { Sine, Triangle, Square, Pulse, Saw, Noise };
enum class FilterType { Lowpass, Highpass, Bandpass };

struct Filter {
    FilterType type = FilterType::Lowpass;
    Envelope cutoff; // Hz
    double q = 0.707;
};

// A resonance of the vocal tract: a band around `freq`, `width` Hz wide.
struct Formant {
    double freq = 500, width = 100, gainDb = 0;
};

// One sound source with its shaping, played once or several times.
struct Layer {
    int line = 0; // where it starts in the preset, for messages
    double at = 0;
    int repeat = 1;
    double every = 0;
    double varySemis = 0, varyDb = 0; // random spread between repeats
    Wav wave = Wav::Sine;
    double duty = 0.5;
    Envelope pitch; // Hz, glides in equal steps of pitch
    Envelope amp;   // 0 ... 1
    double gainDb = 0;
    double fmRatio = 0; // 0: no frequency modulation
    Envelope fmIndex;
    double vibratoRate = 0, vibratoSemis = 0;
    double tremoloRate = 0, tremoloDepth = 0;
    double jitterRate = 0, jitterSemis = 0;
    std::vector<Filter> filters;   // in series
    std::vector<Formant> formants; // in parallel, after the filters
};

struct Preset {
    double length = 0; // seconds
    unsigned seed = 1;
    double peakDb = -3;
    double driveDb = 0; // soft saturation of the mix, 0 for none
    double fadeInMs = 1, fadeOutMs = 8;
    std::vector<Filter> master; // on the mix, in series
    std::vector<Layer> layers;
};

// Reads preset text; on failure returns false with "LINE: message" in `why`.
bool parsePreset(const std::string &text, Preset &p, std::string &why);
