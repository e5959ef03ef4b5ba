#include "front/cmdline.h"

#include "front/defines.h"

#include <cstring>

int testMode = 0;

struct Option {
    const char *name;
    int *target;
    int value;
};

// "-t" also switches test mode on, below.
static const Option options[] = {
    {"-fs", &fs, 1},
    {"-w", &fs, 0},
    {"-x1", &ScalingMethod, 0},
    {"-x2", &ScalingMethod, 1},
    {"-s2x", &ScalingMethod, 2},
    {"-sl2", &ScalingMethod, 3},
    {"-bl2", &ScalingMethod, 4},
    {"-b16", &bpp, 16},
    {"-b24", &bpp, 24},
    {"-t", &fs, 0},
};

static const char *const helpLines[] = {
    "-w : window mode (not fullscreen)",
    "-fs : fullscreen (-x2 automatically added)",
    "-x1 : no zoom",
    "-x2 : zoom with no antialiasing",
    "-s2x: zoom with Scale2X algorithm",
    "-sl2: zoom with Scanline algorithm",
    "-bl2: zoom with Bilinear algorithm",
    "-b16 : 16 bits video mode",
    "-b24 : 24 bits video mode (may be useful if fade in/fade out looks crappy)",
    "-h : help",
};

void printHelp(FILE *out) {
    for (const char *line : helpLines)
        fprintf(out, "%s\n", line);
}

int parseCommandLine(int argc, char **argv) {
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (strcmp(arg, "-h") == 0)
            return CMDLINE_HELP;
        if (strcmp(arg, "-t") == 0)
            testMode = 1;
        for (const Option &option : options)
            if (strcmp(arg, option.name) == 0)
                *option.target = option.value;
    }
    // Full screen always zooms.
    if (fs == 1 && ScalingMethod == 0)
        ScalingMethod = 1;
    return CMDLINE_RUN;
}
