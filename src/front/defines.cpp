#include "front/defines.h"

int fs = 0;
int ScalingMethod = 0;
int bpp = 16;
