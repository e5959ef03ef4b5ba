#pragma once

// Display options, set from the command line only.
extern int fs;            // 1 full screen, 0 window
extern int ScalingMethod; // 0 none, 1 plain 2x, 2 Scale2X, 3 scanlines, 4 bilinear
extern int bpp;           // colour depth of the video mode
