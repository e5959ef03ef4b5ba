#pragma once

#include <SDL/SDL.h>

// Video mode, surfaces, named colours, pictures from the gfx archive, and the
// two sprite fonts. Everything draws into `screen` (320 x 240).

extern SDL_Surface *screen;         // the working surface
extern SDL_Surface *fscreen;        // 640 x 480 display of the doubled arrangement, or null
extern SDL_Surface *black;          // half-transparent black used by darken
extern int videoWidth, videoHeight; // size of the display surface
extern Uint32 BLACK, DGREY;         // black and dark grey in screen's pixel format

SDL_Surface *gfxSetVideoMode();
void gfxInitColors();
void gfxPrepareBlackScreen();
SDL_Surface *loadGFX(const char *name, int keyed, int r, int g, int b);
void setColorKey(SDL_Surface *surface, int r, int g, int b);
SDL_Surface *createImage(int w, int h, int keyed);
void freeSurface(SDL_Surface *surface);
void blitImage(SDL_Surface *image, int x, int y, SDL_Surface *dst);
void blitSurface(SDL_Surface *src, SDL_Rect *srcRect, SDL_Surface *dst, SDL_Rect *dstRect);
void fillRect(SDL_Surface *dst, int x, int y, int w, int h, Uint32 colour);
void darken();
void flipScreen();

// Fonts: null-terminated arrays of glyph surfaces, glyph k for code 32 + k.
extern SDL_Surface **font;    // 8 x 8
extern SDL_Surface **fontbig; // 16 x 16

void loadSpriteFont();
SDL_Surface **createFont(SDL_Surface *sheet, int cellW, int cellH);
void destroyFonts();
void drawTextNAt(SDL_Surface *dst, const char *text, int n, int x, int y, SDL_Surface **glyphs);
void drawTextAt(SDL_Surface *dst, const char *text, int x, int y, SDL_Surface **glyphs);
void drawTextCenterAt(SDL_Surface *dst, const char *text, int y, SDL_Surface **glyphs);
void drawNumberAt(SDL_Surface *dst, int value, int x, int y, int digits, int zeroPad,
                  SDL_Surface **glyphs);
