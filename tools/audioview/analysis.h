// Figures and spectra of a sound, for the review pictures and the checks.
#pragma once
#include "sfxtool/wav.h"

#include <vector>

// The channels averaged, scaled to -1 ... 1.
std::vector<double> monoOf(const Wave &w);

struct Stats {
    double seconds = 0;
    double peakDb = -200, rmsDb = -200; // dB below full scale, over every channel
    long clipped = 0;                   // samples at full scale
    int first = 0, last = 0;            // the outermost samples (first channel)
    double dc = 0;                      // mean, in 16-bit steps
    double attackMs = 0;                // until the sound first comes within 6 dB of its peak
    double tailDb = -200;               // level of the last 10 ms
    double centroidHz = 0;              // centre of gravity of the spectrum
    double highShare = 0;               // share of energy above 5 kHz, 0 ... 1
};

Stats measure(const Wave &w);

// Power spectrogram in dB below full scale (a full-scale sine reads 0):
// `columns` slices of `span` seconds from 0 (slices past the end hold
// NaN), each sampled at `rows` frequencies from fLow to fHigh on a log
// scale, the lowest row first.
std::vector<std::vector<double>> spectrogram(const std::vector<double> &x, int rate, double span,
                                             int columns, int rows, double fLow, double fHigh);

// How much of an effect stays audible over music: the effect, scaled by
// `gain`, lies over the music from sample `offset` on (same rate). Returns
// the share of the effect's energy above 200 Hz that falls in frames and
// third-octave bands where the effect is louder than the music.
double standsOut(const std::vector<double> &effect, double gain, const std::vector<double> &music,
                 long offset, int rate);
