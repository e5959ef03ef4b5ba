// Stand-ins for the video layer and the text table until they land on main.
// Deleted at that merge.
#include "front/i18n.h"
#include "platform/gfx_sdl.h"

#include <cstdio>
#include <string>

SDL_Surface *screen = nullptr;
SDL_Surface *fscreen = nullptr;
SDL_Surface *black = nullptr;
int videoWidth = 320, videoHeight = 240;
Uint32 BLACK = 0, DGREY = 0;
SDL_Surface **font = nullptr;
SDL_Surface **fontbig = nullptr;

const char *const translation[90] = {
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
    "TEXT",
};
int lang_id = 0;

SDL_Surface *loadGFX(const char *name, int keyed, int r, int g, int b) {
    std::string path = std::string("data/pending/") + name + ".bmp";
    SDL_Surface *s = SDL_LoadBMP(path.c_str());
    if (s && keyed)
        SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, r, g, b));
    return s;
}
void setColorKey(SDL_Surface *s, int r, int g, int b) {
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, r, g, b));
}
SDL_Surface *createImage(int w, int h, int) {
    SDL_PixelFormat *f = screen->format;
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask,
                                f->Amask);
}
void freeSurface(SDL_Surface *s) {
    SDL_FreeSurface(s);
}
void blitImage(SDL_Surface *image, int x, int y, SDL_Surface *dst) {
    SDL_Rect r = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(image, nullptr, dst, &r);
}
void blitSurface(SDL_Surface *src, SDL_Rect *srcRect, SDL_Surface *dst, SDL_Rect *dstRect) {
    SDL_BlitSurface(src, srcRect, dst, dstRect);
}
void drawTextAt(SDL_Surface *, const char *, int, int, SDL_Surface **) {}
void drawNumberAt(SDL_Surface *, int, int, int, int, int, SDL_Surface **) {}
