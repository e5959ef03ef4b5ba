// Renders a preset to samples.
#pragma once
#include "preset.h"

#include <cstdint>
#include <vector>

const int SFX_RATE = 22050;

// Mono samples at SFX_RATE: layers mixed, driven, master filters, a DC blocker,
// edge fades (the first sample is always 0), normalised to the preset's peak.
std::vector<int16_t> renderPreset(const Preset &p);
