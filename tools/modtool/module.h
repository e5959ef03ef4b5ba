#pragma once

// A tracker module in memory, close to the XM layout it is written in.

#include <cstdint>
#include <string>
#include <vector>

enum { NOTE_OFF = 97, XM_NOTES = 96 };

struct Cell {
    uint8_t note = 0; // 1 = C-0 ... 96 = B-7, 97 = key off
    uint8_t inst = 0; // 1-based, 0 = none
    uint8_t vol = 0;  // volume column byte: 0x10 + v for volume v, 0 = none
    uint8_t fx = 0, param = 0;
};

struct Pattern {
    int rows = 64;
    std::vector<Cell> cells; // rows * channels, row by row
};

struct Envelope {
    std::vector<std::pair<int, int>> points; // tick, level 0 ... 64
    int sustain = -1, loopStart = -1, loopEnd = -1;
};

struct Sample {
    std::string name;
    std::vector<int16_t> pcm;
    bool loop = false;
    int loopStart = 0, loopLength = 0; // in frames
    int volume = 64, pan = 128;
    int relnote = 0, finetune = 0;
};

struct Instrument {
    std::string name;
    std::vector<Sample> samples;
    uint8_t keymap[XM_NOTES] = {}; // note - 1 -> sample index
    Envelope vol;
    int fadeout = 0;
    int vibType = 0, vibSweep = 0, vibDepth = 0, vibRate = 0;
};

struct Module {
    std::string title;
    int channels = 8;
    int speed = 6, tempo = 125;
    int restart = 0;
    std::vector<int> order;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};
