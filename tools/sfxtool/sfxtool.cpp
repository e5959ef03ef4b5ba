// sfxtool: synthesizes the game's sound effects from the text presets in
// assets/sfx (the language is described in assets/sfx/README.md).
//
//   sfxtool render PRESET.sfx OUT.wav    mono, 16-bit, 22050 Hz
#include "preset.h"
#include "synth.h"
#include "wav.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char **argv) {
    if (argc != 4 || std::string(argv[1]) != "render") {
        fprintf(stderr, "usage: sfxtool render PRESET.sfx OUT.wav\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        fprintf(stderr, "sfxtool: cannot read %s\n", argv[2]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    Preset p;
    std::string why;
    if (!parsePreset(text.str(), p, why)) {
        fprintf(stderr, "%s:%s\n", argv[2], why.c_str());
        return 1;
    }
    Wave w;
    w.rate = SFX_RATE;
    w.samples = renderPreset(p);
    if (!writeWAV(argv[3], w)) {
        fprintf(stderr, "sfxtool: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
