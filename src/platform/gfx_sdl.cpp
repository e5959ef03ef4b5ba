#include "platform/gfx_sdl.h"

#include "front/defines.h"
#include "platform/Scaling.h"
#include "platform/byteorder.h"
#include "platform/debug.h"
#include "storage/winova.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

SDL_Surface *screen = nullptr;
SDL_Surface *fscreen = nullptr;
SDL_Surface *black = nullptr;
int videoWidth = 320, videoHeight = 240;
Uint32 BLACK = 0, DGREY = 0;

SDL_Surface **font = nullptr;
SDL_Surface **fontbig = nullptr;

enum { SCREEN_W = 320, SCREEN_H = 240, DOUBLED_W = 640, DOUBLED_H = 480 };

// The file an undecodable picture is dumped to before the fatal exit.
static const char BAD_PICTURE_DUMP[] = "fuu.xxx";

// By ScalingMethod: 0 and 1 plain doubling, 2 Scale2X, 3 scanlines,
// 4 bilinear; any other value doubles plainly.
typedef void (*Scaler)();
static const Scaler scalers[] = {zoom2, zoom2, Scale2X, Scanline2x, Bilinear2};

// A surface in screen's format. Nothing that asks for one can do without
// it, so running out is fatal rather than a null handed on.
static SDL_Surface *newSurface(Uint32 flags, int w, int h) {
    SDL_PixelFormat *f = screen->format;
    SDL_Surface *s =
        SDL_CreateRGBSurface(flags, w, h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!s)
        error("Unable to create surface");
    return s;
}

SDL_Surface *gfxSetVideoMode() {
    if (fscreen)
        SDL_FreeSurface(fscreen);
    fscreen = nullptr;
    if (screen)
        SDL_FreeSurface(screen); // SDL ignores this for the display surface
    screen = nullptr;
    atexit(SDL_Quit);
    const Uint32 flags = SDL_HWSURFACE | SDL_DOUBLEBUF;
    if (fs == 0 && ScalingMethod == 0) {
        videoWidth = SCREEN_W;
        videoHeight = SCREEN_H;
        return SDL_SetVideoMode(SCREEN_W, SCREEN_H, bpp, flags);
    }
    fscreen = SDL_SetVideoMode(DOUBLED_W, DOUBLED_H, bpp, flags | (fs ? SDL_FULLSCREEN : 0));
    if (!fscreen)
        error("Unable to set video mode");
    // The scalers copy pixels as they are, so screen takes the display's format.
    SDL_PixelFormat *f = fscreen->format;
    SDL_Surface *work = SDL_CreateRGBSurface(SDL_SWSURFACE, SCREEN_W, SCREEN_H, f->BitsPerPixel,
                                             f->Rmask, f->Gmask, f->Bmask, f->Amask);
    videoWidth = fscreen->w;
    videoHeight = fscreen->h;
    return work;
}

void gfxInitColors() {
    BLACK = SDL_MapRGB(screen->format, 0, 0, 0);
    DGREY = SDL_MapRGB(screen->format, 96, 96, 96);
}

void gfxPrepareBlackScreen() {
    black = newSurface(SDL_HWSURFACE, SCREEN_W, SCREEN_H);
    fillRect(black, 0, 0, black->w, black->h, BLACK);
    SDL_SetAlpha(black, SDL_SRCALPHA, 128);
}

static void dumpBadPicture(const uint8_t *bytes, uint32_t length) {
    FILE *f = fopen(BAD_PICTURE_DUMP, "wb");
    if (!f)
        return; // only an aid before the fatal exit
    fwrite(bytes, length, 1, f);
    fclose(f);
}

SDL_Surface *loadGFX(const char *name, int keyed, int r, int g, int b) {
    uint32_t length = 0;
    uint8_t *bytes = loadOVAFile(OVA_GFX, name, "bmp", &length);
    if (!bytes)
        error("Error loading gfx file");
    SDL_RWops *stream = SDL_RWFromMem(bytes, int(length));
    SDL_Surface *bitmap = stream ? SDL_LoadBMP_RW(stream, 0) : nullptr;
    if (!bitmap) {
        dumpBadPicture(bytes, length);
        error("Unable to load bitmap");
    }
    SDL_Surface *converted;
    // The key is decided on the picture as stored, before conversion.
    if (keyed) {
        setColorKey(bitmap, r, g, b);
        // Asked for only when the bitmap kept its key: sdl12-compat gives
        // the copy a key of its own when asked, even if the bitmap has none.
        converted = SDL_ConvertSurface(bitmap, screen->format, bitmap->flags & SDL_SRCCOLORKEY);
    } else {
        SDL_SetColorKey(bitmap, 0, 0);
        converted = SDL_ConvertSurface(bitmap, screen->format, 0);
    }
    SDL_FreeSurface(bitmap);
    SDL_FreeRW(stream);
    free(bytes);
    if (!converted)
        error("Unable to load bitmap");
    return converted;
}

static bool has16BitPixel(SDL_Surface *surface, Uint16 key) {
    SDL_LockSurface(surface);
    const int stride = surface->pitch & ~1;
    const uint8_t *rows = static_cast<const uint8_t *>(surface->pixels);
    bool found = false;
    for (int y = 0; y < surface->h && !found; y++) {
        const Uint16 *row = reinterpret_cast<const Uint16 *>(rows + size_t(y) * stride);
        for (int x = 0; x < surface->w && !found; x++)
            found = row[x] == key;
    }
    SDL_UnlockSurface(surface);
    return found;
}

void setColorKey(SDL_Surface *surface, int r, int g, int b) {
    SDL_Palette *palette = surface->format->palette;
    if (palette && palette->ncolors > 0) {
        // Without the colour in the palette, index 0 becomes transparent.
        Uint32 index = 0;
        for (int i = 0; i < palette->ncolors; i++) {
            const SDL_Color &c = palette->colors[i];
            if (c.r == r && c.g == g && c.b == b) {
                index = Uint32(i);
                break;
            }
        }
        SDL_SetColorKey(surface, SDL_SRCCOLORKEY, index);
        return;
    }
    Uint32 key = SDL_MapRGB(surface->format, Uint8(r), Uint8(g), Uint8(b));
    // A 16-bit surface without the colour blits faster with no key at all.
    if (surface->format->BytesPerPixel == 2 && !has16BitPixel(surface, Uint16(key))) {
        SDL_SetColorKey(surface, 0, 0);
        return;
    }
    SDL_SetColorKey(surface, SDL_SRCCOLORKEY, key);
}

SDL_Surface *createImage(int w, int h, int keyed) {
    SDL_Surface *image = newSurface(SDL_HWSURFACE | (keyed ? SDL_SRCCOLORKEY : 0), w, h);
    fillRect(image, 0, 0, w, h, BLACK);
    return image;
}

void freeSurface(SDL_Surface *surface) {
    SDL_FreeSurface(surface);
}

// SDL 1.2 blits a keyed surface one pixel at a time: with 3-byte pixels
// through its generic loop, which takes every pixel apart into channels and
// puts it together again (most of a 24-bit frame's time), with 2-byte ones
// testing each pixel. Keyed blits between two surfaces of one format at
// these depths take the copies below instead, clipped by SDL's rules, to the
// same pixels.
static bool ownKeyedBlit(const SDL_Surface *src, const SDL_Surface *dst) {
    const SDL_PixelFormat *s = src->format, *d = dst->format;
    return (s->BytesPerPixel == 2 || s->BytesPerPixel == 3) &&
           (src->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA | SDL_RLEACCEL)) == SDL_SRCCOLORKEY &&
           d->BytesPerPixel == s->BytesPerPixel && !s->palette && !s->Amask && !d->Amask &&
           s->Rmask == d->Rmask && s->Gmask == d->Gmask && s->Bmask == d->Bmask && src != dst &&
           !SDL_MUSTLOCK(src) && !SDL_MUSTLOCK(dst) && !src->locked && !dst->locked;
}

// SDL_UpperBlit's clipping along one axis: the source span to the source
// surface, then the destination to the clip rectangle. Gives the length
// left; `from` and `to` move to where the copy starts.
static int clipSpan(int &from, int length, int size, Sint16 &to, int clipStart, int clipLength) {
    if (from < 0) {
        length += from;
        to = Sint16(to - from);
        from = 0;
    }
    length = length < size - from ? length : size - from;
    int over = clipStart - to;
    if (over > 0) {
        length -= over;
        to = Sint16(to + over);
        from += over;
    }
    over = to + length - clipStart - clipLength;
    return over > 0 ? length - over : length;
}

// `dstRect` ends as the area drawn, as SDL leaves it.
static bool clipBlit(const SDL_Surface *src, const SDL_Rect *srcRect, const SDL_Surface *dst,
                     SDL_Rect *dstRect, SDL_Rect *from) {
    const SDL_Rect whole = {0, 0, Uint16(src->w), Uint16(src->h)};
    const SDL_Rect &part = srcRect ? *srcRect : whole;
    const SDL_Rect &clip = dst->clip_rect;
    int x = part.x, y = part.y;
    const int w = clipSpan(x, part.w, src->w, dstRect->x, clip.x, clip.w);
    const int h = clipSpan(y, part.h, src->h, dstRect->y, clip.y, clip.h);
    if (w <= 0 || h <= 0) {
        dstRect->w = dstRect->h = 0;
        return false;
    }
    *from = SDL_Rect{Sint16(x), Sint16(y), Uint16(w), Uint16(h)};
    dstRect->w = Uint16(w);
    dstRect->h = Uint16(h);
    return true;
}

// Every pixel but the key's. Pixels are read four bytes at a time within
// the row, the fourth (the next pixel's) masked off, and the row's last one
// byte by byte, so nothing outside the area is read or written. The key and
// the mask are words laid out as a pixel's bytes are, which compare alike
// whatever the machine's byte order.
static void copyKeyedRow(const Uint8 *src, Uint8 *dst, int w, Uint32 key) {
    static const Uint8 maskBytes[4] = {0xFF, 0xFF, 0xFF, 0};
    Uint8 keyBytes[4] = {0, 0, 0, 0};
    writePixel24(keyBytes, key);
    Uint32 keyWord, mask;
    memcpy(&keyWord, keyBytes, 4);
    memcpy(&mask, maskBytes, 4);
    const int last = 3 * (w - 1);
    for (int i = 0; i < last; i += 3) {
        Uint32 p;
        memcpy(&p, src + i, 4);
        if ((p & mask) != keyWord)
            memcpy(dst + i, &p, 3);
    }
    if (memcmp(src + last, keyBytes, 3) != 0)
        memcpy(dst + last, src + last, 3);
}

#if WIDE_AVX2
#include <immintrin.h>

// Eight pixels a step: source and destination spread into 32-bit lanes
// (pixels 0-3 in the low half, 4-7 in the high), the key's lanes taken from
// the destination, packed back and stored exactly; the rest of the row as
// above.
WIDE_TARGET static __m256i spread8(const Uint8 *p) {
    static const int8_t spread[16] = {0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1};
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i hi = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p + 16));
    const __m256i both =
        _mm256_inserti128_si256(_mm256_castsi128_si256(lo), _mm_alignr_epi8(hi, lo, 12), 1);
    return _mm256_shuffle_epi8(both, _mm256_broadcastsi128_si256(_mm_loadu_si128(
                                         reinterpret_cast<const __m128i *>(spread))));
}

WIDE_TARGET static void copyKeyedRowWide(const Uint8 *src, Uint8 *dst, int w, Uint32 key) {
    static const int8_t gather[16] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1};
    const __m256i keys = _mm256_set1_epi32(int(key));
    const __m256i pack =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(gather)));
    int x = 0;
    for (; x + 8 <= w; x += 8) {
        const __m256i s = spread8(src + 3 * x), d = spread8(dst + 3 * x);
        const __m256i out =
            _mm256_shuffle_epi8(_mm256_blendv_epi8(s, d, _mm256_cmpeq_epi32(s, keys)), pack);
        const __m128i high = _mm256_extracti128_si256(out, 1);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 3 * x), _mm256_castsi256_si128(out));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(dst + 3 * x + 12), high);
        const Uint32 tail = Uint32(_mm_extract_epi32(high, 2));
        memcpy(dst + 3 * x + 20, &tail, 4);
    }
    if (x < w)
        copyKeyedRow(src + 3 * x, dst + 3 * x, w - x, key);
}
#endif

// 2-byte pixels: the key's places keep the destination.
static ROW_LOOP void copyKeyedRows16(const Uint8 *src, int srcPitch, Uint8 *dst, int dstPitch,
                                     int w, int h, Uint16 key) {
    for (int y = 0; y < h; y++, src += srcPitch, dst += dstPitch) {
        const Uint16 *RESTRICT s = reinterpret_cast<const Uint16 *>(src);
        Uint16 *RESTRICT d = reinterpret_cast<Uint16 *>(dst);
        for (int x = 0; x < w; x++)
            d[x] = s[x] == key ? d[x] : s[x];
    }
}

#if WIDE_AVX2
WIDE_TARGET static void copyKeyedRows16Wide(const Uint8 *src, int srcPitch, Uint8 *dst,
                                            int dstPitch, int w, int h, Uint16 key) {
    copyKeyedRows16(src, srcPitch, dst, dstPitch, w, h, key);
}
#endif

static void copyKeyed(const Uint8 *src, int srcPitch, Uint8 *dst, int dstPitch, int w, int h,
                      Uint32 key, int bytes) {
#if WIDE_AVX2
    if (wideVectors && wideVectorsAvailable()) {
        if (bytes == 2)
            copyKeyedRows16Wide(src, srcPitch, dst, dstPitch, w, h, Uint16(key));
        else
            for (int y = 0; y < h; y++, src += srcPitch, dst += dstPitch)
                copyKeyedRowWide(src, dst, w, key);
        return;
    }
#endif
    if (bytes == 2)
        copyKeyedRows16(src, srcPitch, dst, dstPitch, w, h, Uint16(key));
    else
        for (int y = 0; y < h; y++, src += srcPitch, dst += dstPitch)
            copyKeyedRow(src, dst, w, key);
}

static void blit(SDL_Surface *src, SDL_Rect *srcRect, SDL_Surface *dst, SDL_Rect *dstRect) {
    if (!ownKeyedBlit(src, dst)) {
        SDL_BlitSurface(src, srcRect, dst, dstRect);
        return;
    }
    SDL_Rect whole = {0, 0, 0, 0}, from;
    if (!dstRect)
        dstRect = &whole;
    if (!clipBlit(src, srcRect, dst, dstRect, &from))
        return;
    const int bytes = src->format->BytesPerPixel;
    const Uint8 *s = static_cast<const Uint8 *>(src->pixels) + from.y * src->pitch + bytes * from.x;
    Uint8 *d = static_cast<Uint8 *>(dst->pixels) + dstRect->y * dst->pitch + bytes * dstRect->x;
    copyKeyed(s, src->pitch, d, dst->pitch, from.w, from.h, src->format->colorkey, bytes);
}

void blitImage(SDL_Surface *image, int x, int y, SDL_Surface *dst) {
    SDL_Rect from = {0, 0, Uint16(image->w), Uint16(image->h)};
    SDL_Rect to = {Sint16(x), Sint16(y), 0, 0};
    blit(image, &from, dst, &to);
}

void blitSurface(SDL_Surface *src, SDL_Rect *srcRect, SDL_Surface *dst, SDL_Rect *dstRect) {
    blit(src, srcRect, dst, dstRect);
}

void fillRect(SDL_Surface *dst, int x, int y, int w, int h, Uint32 colour) {
    SDL_Rect area = {Sint16(x), Sint16(y), Uint16(w), Uint16(h)};
    SDL_FillRect(dst, &area, colour);
}

void darken() {
    blitImage(black, 0, 0, screen);
}

void flipScreen() {
    if (!fscreen) {
        SDL_Flip(screen);
        return;
    }
    const int count = int(sizeof scalers / sizeof scalers[0]);
    Scaler scale = ScalingMethod >= 0 && ScalingMethod < count ? scalers[ScalingMethod] : zoom2;
    scale();
    SDL_Flip(fscreen);
}

// Fonts.

void loadSpriteFont() {
    SDL_Surface *sheet = loadGFX("font", 0, 0, 0, 0);
    font = createFont(sheet, 8, 8);
    freeSurface(sheet);
    sheet = loadGFX("fontbig", 0, 0, 0, 0);
    fontbig = createFont(sheet, 16, 16);
    freeSurface(sheet);
}

SDL_Surface **createFont(SDL_Surface *sheet, int cellW, int cellH) {
    const int columns = sheet->w / cellW;
    const int rows = sheet->h / cellH;
    SDL_Surface **glyphs =
        static_cast<SDL_Surface **>(malloc(sizeof(SDL_Surface *) * (columns * rows + 1)));
    if (!glyphs)
        error("Unable to create surface");
    int k = 0;
    for (int r = 0; r < rows; r++)
        for (int j = 0; j < columns; j++) {
            SDL_Surface *glyph = newSurface(SDL_HWSURFACE | SDL_SRCCOLORKEY, cellW, cellH);
            SDL_Rect cell = {Sint16(j * cellW), Sint16(r * cellH), Uint16(cellW), Uint16(cellH)};
            SDL_Rect at = {0, 0, 0, 0};
            SDL_BlitSurface(sheet, &cell, glyph, &at);
            setColorKey(glyph, 255, 0, 255);
            glyphs[k++] = glyph;
        }
    glyphs[k] = nullptr;
    return glyphs;
}

static void destroyFont(SDL_Surface **&glyphs) {
    if (!glyphs)
        return;
    for (SDL_Surface **g = glyphs; *g; g++)
        SDL_FreeSurface(*g);
    free(glyphs);
    glyphs = nullptr;
}

void destroyFonts() {
    destroyFont(font);
    destroyFont(fontbig);
}

static int glyphCount(SDL_Surface **glyphs) {
    int n = 0;
    while (glyphs[n])
        n++;
    return n;
}

void drawTextNAt(SDL_Surface *dst, const char *text, int n, int x, int y, SDL_Surface **glyphs) {
    if (!text || !text[0] || n < 1 || !glyphs || !glyphs[0])
        return;
    const int w = glyphs[0]->w, h = glyphs[0]->h;
    const int count = glyphCount(glyphs);
    for (int i = 0; i < n && text[i]; i++) {
        const int px = x + i * w;
        // Past the right edge nothing more shows; stopping there also keeps
        // the position from wrapping in SDL's 16-bit rectangles.
        if (px >= dst->w)
            break;
        const int k = static_cast<signed char>(text[i]) - 32;
        // Characters the sheet has no cell for leave their cell empty.
        if (px <= -w || k < 0 || k >= count)
            continue;
        SDL_Rect from = {0, 0, Uint16(w), Uint16(h)};
        SDL_Rect to = {Sint16(px), Sint16(y), 0, 0};
        blit(glyphs[k], &from, dst, &to);
    }
}

void drawTextAt(SDL_Surface *dst, const char *text, int x, int y, SDL_Surface **glyphs) {
    drawTextNAt(dst, text, int(strlen(text)), x, y, glyphs);
}

void drawTextCenterAt(SDL_Surface *dst, const char *text, int y, SDL_Surface **glyphs) {
    if (!glyphs || !glyphs[0])
        return;
    const int length = int(strlen(text));
    drawTextNAt(dst, text, length, SCREEN_W / 2 - (glyphs[0]->w >> 1) * length, y, glyphs);
}

void drawNumberAt(SDL_Surface *dst, int value, int x, int y, int digits, int zeroPad,
                  SDL_Surface **glyphs) {
    static char digitsText[16];
    if (!glyphs || !glyphs[0])
        return;
    snprintf(digitsText, sizeof digitsText, "%d", value);
    const int length = int(strlen(digitsText));
    if (zeroPad && length < digits)
        drawTextNAt(dst, "00000000", digits - length, x, y, glyphs);
    if (digits > 0)
        x += (digits - length) * glyphs[0]->w;
    drawTextNAt(dst, digitsText, length, x, y, glyphs);
}
