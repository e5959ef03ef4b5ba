#pragma once

// The settings as a start of the game has them before the configuration
// file is read: the start values, then the default bindings.

#include "platform/keyhelper.h"
#include "storage/config.h"

inline void startValues() {
    _mus_volume_100_ = 100;
    _sfx_volume_100_ = 15;
    mpFlags = 3;
    mpResamplingMode = 1;
    mpReverbDepth = mpReverbDelay = mpBassAmount = mpBassRange = 0;
    mpSurroundDepth = mpSurroundDelay = 0;
    resetDefaultControls();
}
