// The real program with each scaler option at both depths: the doubled
// picture it shows is our scaler applied to the very frame that "-x1" shows.

#include "e2e_helpers.h"
#include "platform/Scaling.h"
#include "platform/gfx_sdl.h"

#include <SDL/SDL.h>

namespace {

using e2e::Board;
using e2e::Outcome;

struct Depth {
    const char *option;
    int bits;
    Uint32 r, g, b; // the masks SDL gives the display at this depth
};

const Depth depths[] = {{"-b16", 16, 0xF800, 0x07E0, 0x001F},
                        {"-b24", 24, 0xFF0000, 0x00FF00, 0x0000FF}};

struct Option {
    const char *option;
    void (*scale)();
};

const Option options[] = {
    {"-x2", zoom2}, {"-s2x", Scale2X}, {"-sl2", Scanline2x}, {"-bl2", Bilinear2}};

// The dump, in the display's own pixel format.
SDL_Surface *loadDump(const std::string &path, const Depth &d) {
    SDL_Surface *bmp = SDL_LoadBMP(path.c_str());
    if (!bmp)
        return nullptr;
    SDL_Surface *like = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, d.bits, d.r, d.g, d.b, 0);
    SDL_Surface *out = SDL_ConvertSurface(bmp, like->format, SDL_SWSURFACE);
    SDL_FreeSurface(like);
    SDL_FreeSurface(bmp);
    return out;
}

int differingRows(SDL_Surface *a, SDL_Surface *b) {
    int n = 0;
    const int row = a->w * a->format->BytesPerPixel;
    for (int y = 0; y < a->h; y++)
        n += memcmp(static_cast<Uint8 *>(a->pixels) + y * a->pitch,
                    static_cast<Uint8 *>(b->pixels) + y * b->pitch, size_t(row)) != 0;
    return n;
}

class Scalers : public e2e::EndToEnd {
  protected:
    // Every run starts from no user files: what one run writes (hiscores,
    // configuration) changes the next one's random draws.
    Outcome shoot(const std::vector<std::string> &args) {
        unlink((dir + "/shot.bmp").c_str());
        EXPECT_EQ(removeTree(dir + "/home/.quenzy"), 0);
        return play("frame 40 dump shot\nframe +1 exit\n", args);
    }
};

TEST_F(Scalers, EachOptionDoublesTheFrameWithItsScaler) {
    // A board with fruit of every kind, so edges and colours vary.
    Board board;
    for (int x = 0; x < 8; x++)
        for (int y = 5; y < 10; y++)
            board.start(x, y, 1 + (x + y) % 5).target(x, y, 1 + (x * y) % 5);
    testBoard(board);
    for (const Depth &d : depths) {
        SCOPED_TRACE(d.option);
        Outcome direct = shoot({"-t", "-x1", d.option});
        ASSERT_EQ(direct.status, 0);
        SDL_Surface *frame = loadDump(dir + "/shot.bmp", d);
        ASSERT_NE(frame, nullptr);
        ASSERT_EQ(frame->w, 320);
        for (const Option &o : options) {
            SCOPED_TRACE(o.option);
            Outcome doubled = shoot({"-t", o.option, d.option});
            ASSERT_EQ(doubled.status, 0);
            SDL_Surface *shown = loadDump(dir + "/shot.bmp", d);
            ASSERT_NE(shown, nullptr);
            ASSERT_EQ(shown->w, 640);
            ASSERT_EQ(shown->h, 480);
            SDL_Surface *mine =
                SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, d.bits, d.r, d.g, d.b, 0);
            SDL_Surface *plain =
                SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, d.bits, d.r, d.g, d.b, 0);
            screen = frame;
            fscreen = mine;
            o.scale();
            fscreen = plain;
            zoom2();
            screen = fscreen = nullptr;
            EXPECT_EQ(differingRows(mine, shown), 0);
            // And the frame is one on which this scaler is not plain doubling.
            if (o.scale != zoom2) {
                EXPECT_GT(differingRows(plain, shown), 100);
            }
            SDL_FreeSurface(mine);
            SDL_FreeSurface(plain);
            SDL_FreeSurface(shown);
        }
        SDL_FreeSurface(frame);
    }
}

} // namespace
