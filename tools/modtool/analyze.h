#pragma once

// Listening by numbers: level, loudness, spectrum balance, the loop's join,
// and the pitch of every instrument against its notes.

#include "render.h"
#include "song.h"

#include <string>
#include <vector>

struct Stats {
    double seconds = 0;    // one pass
    double peakDb = -200;  // dBFS, both channels
    double rmsDb = -200;   // dBFS, mid channel, whole pass
    double loudDb = -200;  // the same A-weighted: roughly how loud it sounds
    double bands[4] = {};  // share of energy below 250 Hz, to 1 kHz, to 4 kHz, above
    double joinGapMs = -1; // longest near-silence around the join of pass 1 and 2
    double joinJumpDb = 0; // loudness after the join minus before it
};

Stats analyze(const Render &r);

// Frequency of the strongest partial of a steady tone in mono frames
// within half a semitone of `expected` Hz.
double measurePitch(const std::vector<double> &mono, double expected);

struct TuneResult {
    std::string instrument;
    int note;     // 0 = C-0
    double cents; // measured against the note
};

// Plays the lowest and highest note of every zone of every tonal instrument
// through libmodplug and measures what comes out.
std::vector<TuneResult> tuneInstruments(const SongBuild &song);

struct ChannelLevel {
    int channel;                  // 1-based
    std::string instruments;      // the instruments it plays
    double rmsDb, loudDb, peakDb; // alone, over one pass; loudDb A-weighted
};

// Each channel played alone: how the mix is balanced.
std::vector<ChannelLevel> channelLevels(const SongBuild &song);
