// modtool: builds the game's music from the text sources in assets/music,
// renders modules as the game plays them, and measures what comes out.
//
//   modtool build SOURCE OUT.mod
//   modtool render MODULE OUT.wav [--seconds S] [--loops N]
//   modtool stats MODULE...
//   modtool tune SOURCE
//   modtool mix SOURCE
#include "analyze.h"
#include "render.h"
#include "song.h"
#include "xm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static int usage() {
    fputs("usage: modtool build SOURCE OUT.mod\n"
          "       modtool render MODULE OUT.wav [--seconds S] [--loops N]\n"
          "       modtool stats MODULE...\n"
          "       modtool tune SOURCE\n"
          "       modtool mix SOURCE\n",
          stderr);
    return 2;
}

static bool load(const char *source, SongBuild &song) {
    std::string error;
    if (!buildSong(source, song, error)) {
        fprintf(stderr, "modtool: %s\n", error.c_str());
        return false;
    }
    for (const std::string &w : song.warnings)
        fprintf(stderr, "modtool: %s\n", w.c_str());
    return true;
}

static int build(const char *source, const char *out) {
    SongBuild song;
    if (!load(source, song))
        return 1;
    if (!writeFile(out, encodeXM(song.module))) {
        fprintf(stderr, "modtool: cannot write %s\n", out);
        return 1;
    }
    return 0;
}

static bool renderFile(const char *path, int loops, double seconds, Render &r) {
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes)) {
        fprintf(stderr, "modtool: cannot read %s\n", path);
        return false;
    }
    if (!renderModule(bytes, loops, seconds, r)) {
        fprintf(stderr, "modtool: libmodplug cannot load %s\n", path);
        return false;
    }
    return true;
}

static int render(int argc, char **argv) {
    if (argc < 4)
        return usage();
    double seconds = 0;
    int loops = 1;
    for (int i = 4; i < argc; i++) {
        if (!strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = atof(argv[++i]);
        else if (!strcmp(argv[i], "--loops") && i + 1 < argc)
            loops = atoi(argv[++i]);
        else
            return usage();
    }
    if (loops < 1 || seconds < 0)
        return usage();
    Render r;
    if (!renderFile(argv[2], loops, seconds, r))
        return 1;
    if (!writeWav(argv[3], r.pcm)) {
        fprintf(stderr, "modtool: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}

static int stats(int argc, char **argv) {
    printf("%-28s %7s %7s %7s %6s %6s %6s %6s %8s %7s\n", "module", "seconds", "peak", "rms",
           "<250", "<1k", "<4k", "4k+", "join ms", "jump");
    for (int i = 2; i < argc; i++) {
        Render r;
        if (!renderFile(argv[i], 2, 0, r))
            return 1;
        Stats s = analyze(r);
        const char *name = strrchr(argv[i], '/');
        printf("%-28s %7.2f %7.1f %7.1f %5.1f%% %5.1f%% %5.1f%% %5.1f%% %8.1f %+7.1f\n",
               name ? name + 1 : argv[i], s.seconds, s.peakDb, s.rmsDb, s.bands[0], s.bands[1],
               s.bands[2], s.bands[3], s.joinGapMs, s.joinJumpDb);
    }
    return 0;
}

static int tune(const char *source) {
    SongBuild song;
    if (!load(source, song))
        return 1;
    double worst = 0;
    for (const TuneResult &t : tuneInstruments(song)) {
        static const char *names[12] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                        "F#", "G-", "G#", "A-", "A#", "B-"};
        printf("%-14s %s%d %+7.2f cents\n", t.instrument.c_str(), names[t.note % 12], t.note / 12,
               t.cents);
        worst = std::max(worst, std::fabs(t.cents));
    }
    printf("worst %.2f cents\n", worst);
    return 0;
}

static int mix(const char *source) {
    SongBuild song;
    if (!load(source, song))
        return 1;
    printf("%-8s %7s %7s %7s  %s\n", "channel", "rms", "rms(A)", "peak", "instruments");
    for (const ChannelLevel &c : channelLevels(song))
        printf("%-8d %7.1f %7.1f %7.1f  %s\n", c.channel, c.rmsDb, c.loudDb, c.peakDb,
               c.instruments.c_str());
    return 0;
}

int main(int argc, char **argv) {
    if (argc < 3)
        return usage();
    std::string cmd = argv[1];
    if (cmd == "build" && argc == 4)
        return build(argv[2], argv[3]);
    if (cmd == "render")
        return render(argc, argv);
    if (cmd == "stats")
        return stats(argc, argv);
    if (cmd == "tune" && argc == 3)
        return tune(argv[2]);
    if (cmd == "mix" && argc == 3)
        return mix(argv[2]);
    return usage();
}
