// gfxtool: turns the text sources in assets/gfx into the game's BMP pictures,
// and renders review sheets of them as PNG.
//
//   gfxtool build SOURCES OUTDIR     one NAME.bmp per picture
//   gfxtool contact SOURCES OUTDIR   contact sheets and mock screens (PNG)
//   gfxtool png SOURCES NAME OUT     one picture as PNG, magenta transparent
//                                    (the desktop icon)
#include "contact.h"
#include "image.h"
#include "script.h"

#include <cstdio>
#include <string>

static int build(const std::string &out) {
    for (const Image &img : pictures()) {
        std::string path = out + "/" + img.name + ".bmp";
        if (!writeFile(path, encodeBMP(img))) {
            fprintf(stderr, "gfxtool: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

static int onePNG(const std::string &name, const std::string &out) {
    for (const Image &img : pictures())
        if (img.name == name) {
            if (writeFile(out, encodePNG(img, true)))
                return 0;
            fprintf(stderr, "gfxtool: cannot write %s\n", out.c_str());
            return 1;
        }
    fprintf(stderr, "gfxtool: no picture %s\n", name.c_str());
    return 1;
}

int main(int argc, char **argv) {
    if (argc == 5 && std::string(argv[1]) == "png")
        return runSources(argv[2]) ? onePNG(argv[3], argv[4]) : 1;
    if (argc != 4) {
        fprintf(stderr, "usage: gfxtool build|contact SOURCES OUTDIR\n"
                        "       gfxtool png SOURCES NAME OUT.png\n");
        return 2;
    }
    std::string cmd = argv[1];
    if (cmd != "build" && cmd != "contact") {
        fprintf(stderr, "gfxtool: unknown command %s\n", argv[1]);
        return 2;
    }
    if (!runSources(argv[2]))
        return 1;
    return cmd == "build" ? build(argv[3]) : renderContactSheets(argv[3]);
}
