#include "storage/config.h"

// Not built yet: the settings at their start values.

int _mus_volume_100_ = 100;
int _sfx_volume_100_ = 15;
int mpFlags = 3, mpResamplingMode = 1, mpReverbDepth = 0, mpReverbDelay = 0, mpBassAmount = 0,
    mpBassRange = 0, mpSurroundDepth = 0, mpSurroundDelay = 0;

void loadConfig() {}
void dumpConfig() {}
void dumpKey(const char *, int, FILE *) {}
int keyID(int value, int current) {
    return value >= 0 ? value : current;
}
