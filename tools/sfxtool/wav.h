// 16-bit PCM WAV files: the effects sfxtool writes and the renders audioview
// draws.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Wave {
    int rate = 22050;
    int channels = 1;
    std::vector<int16_t> samples; // interleaved when channels > 1
};

std::vector<uint8_t> encodeWAV(const Wave &w);
bool writeWAV(const std::string &path, const Wave &w);

// Reads 8- or 16-bit PCM, one or two channels (8-bit comes back scaled to
// 16). Returns false with a reason in `why` for anything else.
bool readWAV(const std::string &path, Wave &w, std::string &why);
bool decodeWAV(const std::vector<uint8_t> &bytes, Wave &w, std::string &why);
