// Doubled frames of one scaler, or memcpys of the same 640 x 480 output, and
// nothing else: for counting instructions under an emulator, which cannot
// time. The count of a run of two frames less that of a run of one is one
// frame's, without the start-up and without the first call's lookups of
// library functions (bench/scale_instructions.sh does it for every scaler).
//
//     bench_scale_frame zoom2|Scale2X|Scanline2x|Bilinear2|memcpy 16|24 portable|wide FRAMES

#include "platform/Scaling.h"
#include "platform/gfx_sdl.h"
#include "scale_picture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Op {
    const char *name;
    void (*run)();
};

std::vector<Uint8> *copySource;

void copyFrame() {
    memcpy(fscreen->pixels, copySource->data(), copySource->size());
}

const Op ops[] = {{"zoom2", zoom2},
                  {"Scale2X", Scale2X},
                  {"Scanline2x", Scanline2x},
                  {"Bilinear2", Bilinear2},
                  {"memcpy", copyFrame}};

int usage() {
    fprintf(stderr, "usage: bench_scale_frame zoom2|Scale2X|Scanline2x|Bilinear2|memcpy "
                    "16|24 portable|wide FRAMES\n");
    return 2;
}

// The game's formats: 5-6-5 and 8-8-8.
SDL_Surface *surface(int w, int h, int depth) {
    if (depth == 16)
        return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, 0xF800, 0x07E0, 0x001F, 0);
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 5)
        return usage();
    const Op *op = nullptr;
    for (const Op &o : ops)
        if (strcmp(argv[1], o.name) == 0)
            op = &o;
    const int depth = strcmp(argv[2], "16") == 0 ? 16 : strcmp(argv[2], "24") == 0 ? 24 : 0;
    const bool wide = strcmp(argv[3], "wide") == 0;
    const int frames = atoi(argv[4]);
    if (!op || !depth || (!wide && strcmp(argv[3], "portable") != 0) || frames < 0)
        return usage();
    if (wide && !wideVectorsAvailable()) {
        fprintf(stderr, "bench_scale_frame: no wider build on this processor\n");
        return 1;
    }
    wideVectors = wide;
    screen = surface(320, 240, depth);
    fscreen = surface(640, 480, depth);
    if (!screen || !fscreen) {
        fprintf(stderr, "bench_scale_frame: %s\n", SDL_GetError());
        return 1;
    }
    fillScalePicture(screen);
    std::vector<Uint8> from(size_t(fscreen->pitch) * 480, 0x5A);
    copySource = &from;
    for (int i = 0; i < frames; i++)
        op->run();
    // One output byte, so the work is not for nothing.
    printf("%d\n", static_cast<const Uint8 *>(fscreen->pixels)[fscreen->pitch * 479 + 7]);
    SDL_FreeSurface(fscreen);
    SDL_FreeSurface(screen);
    screen = fscreen = nullptr;
    return 0;
}
