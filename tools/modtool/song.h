#pragma once

// Reads a song source (assets/music/README.md describes the language) and
// builds the module: instruments rendered, parts laid into patterns, the
// order list, and for looping songs an end trimmed to the game's player.

#include "module.h"
#include "synth.h"

#include <string>
#include <vector>

struct SongBuild {
    Module module;
    std::vector<Preset> presets; // index = instrument number - 1
    bool loop = false;
    std::vector<std::string> warnings;
};

// False with a "FILE:LINE: message" in `error` when the source is wrong.
bool buildSong(const std::string &path, SongBuild &out, std::string &error);

// The player's output: what every length and loop calculation assumes.
enum { OUT_RATE = 22050, OUT_BUFFER = 1024, END_FADE = 2205 };

// Frames one tick lasts at `tempo` (libmodplug's own rounding).
int tickFrames(int tempo);
