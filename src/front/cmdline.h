#pragma once

#include <cstdio>

// Test mode ("-t"): no intros, no menu, a game on test.bin then the levels.
extern int testMode;

// Outcome of reading the arguments.
enum { CMDLINE_RUN = 0, CMDLINE_HELP = 1 };

// Reads the arguments left to right into fs, ScalingMethod, bpp and
// testMode; a later argument wins. Stops at "-h" and returns CMDLINE_HELP.
int parseCommandLine(int argc, char **argv);
// Writes the ten help lines.
void printHelp(FILE *out);
