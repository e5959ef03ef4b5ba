#pragma once

// Renders a module the way the game's player does: libmodplug at 22050 Hz,
// 16-bit stereo, oversampling and noise reduction, linear resampling, master
// volume 128, buffers of 1024 frames, and a seek back to the start in the
// buffer after the one in which a pass ends.

#include <cstdint>
#include <string>
#include <vector>

struct Render {
    std::vector<int16_t> pcm;     // interleaved stereo
    std::vector<int64_t> passEnd; // frame at which each pass's last buffer ends
    bool ended = false;           // the last pass ran to its end
};

// Hands libmodplug the game's settings (they apply to modules loaded after).
void applyGameSettings();

// `passes` plays the piece that many times (the player's loop count);
// `seconds` above 0 stops earlier. False if libmodplug cannot load it.
bool renderModule(const std::vector<uint8_t> &module, int passes, double seconds, Render &out);

bool writeWav(const std::string &path, const std::vector<int16_t> &stereo);
bool readFile(const std::string &path, std::vector<uint8_t> &bytes);
bool writeFile(const std::string &path, const std::vector<uint8_t> &bytes);
