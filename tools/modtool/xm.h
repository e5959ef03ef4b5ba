#pragma once

#include "module.h"

#include <cstdint>
#include <vector>

// The module as an FT2 extended module (XM 1.04, linear frequencies, packed
// patterns, delta-coded 16-bit samples).
std::vector<uint8_t> encodeXM(const Module &m);
