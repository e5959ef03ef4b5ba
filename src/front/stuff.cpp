#include "front/stuff.h"

#include "core/savegame.h"
#include "front/i18n.h"
#include "front/menu.h"
#include "platform/debug.h"
#include "platform/gfx_sdl.h"
#include "sound/sound.h"

#include <cstdlib>
#include <cstring>

SDL_Surface *logo, *timebar, *timebar2, *gameover, *kitty, *pauseTitle;
SDL_Surface *backgrounds[4];
SDL_Surface *menubkg[3];
SDL_Surface *scrollBack;

SDL_Surface **blocks[2];
SDL_Surface **lionBlocks, **totemBlocks, **sunBlocks, **optionsBlocks;
SDL_Surface **birdsBlocks[2], **flowersBlocks[2];
SDL_Surface **butterflyBlocks;

const char *scroller = nullptr;
int scrollmax = 0, scrollidx = 0, scrolldx = 0;

int escape = 0, paused = 0, hsRank = -1, workflow = 0;

struct Picture {
    SDL_Surface **handle;
    const char *name;
    int keyed;
};

static const Picture pictures[] = {
    {&logo, "logo", 1},
    {&timebar, "timebar", 1},
    {&timebar2, "timebar2", 0},
    {&gameover, "gameover", 1},
    {&kitty, "kitty", 1},
    {&pauseTitle, "pause", 1},
    {&backgrounds[0], "ingamebkg1", 0},
    {&backgrounds[1], "ingamebkg2", 0},
    {&backgrounds[2], "ingamebkg3", 0},
    {&backgrounds[3], "ingamebkg4", 0},
    {&menubkg[0], "titbkgl0", 0},
    {&menubkg[1], "titbkgl1", 1},
    {&menubkg[2], "titbkgl2", 1},
};

// Shutdown frees them in this order, which is not quite the loading order.
static SDL_Surface **const pictureReleaseOrder[] = {
    &logo,       &timebar,        &timebar2,       &gameover,       &pauseTitle,
    &kitty,      &backgrounds[0], &backgrounds[1], &backgrounds[2], &backgrounds[3],
    &menubkg[0], &menubkg[1],     &menubkg[2],
};

struct Sheet {
    SDL_Surface ***cells;
    const char *name;
    int width, height;
    int keyed;
};

static const Sheet sheets[] = {
    {&blocks[0], "fruitanim", 16, 16, 1},       {&blocks[1], "fruitanim2", 16, 16, 1},
    {&lionBlocks, "lionanim", 32, 32, 1},       {&totemBlocks, "totem", 32, 48, 0},
    {&sunBlocks, "sunanim", 64, 64, 0},         {&optionsBlocks, "options_vert", 32, 32, 1},
    {&birdsBlocks[0], "birds", 16, 16, 1},      {&birdsBlocks[1], "birds2", 16, 16, 1},
    {&flowersBlocks[0], "flowers", 16, 16, 1},  {&flowersBlocks[1], "flowers2", 16, 16, 1},
    {&butterflyBlocks, "butterfly", 16, 16, 1},
};

static SDL_Surface ***const blocksReleaseOrder[] = {
    &blocks[0],        &blocks[1],        &optionsBlocks,   &lionBlocks,
    &totemBlocks,      &sunBlocks,        &birdsBlocks[0],  &birdsBlocks[1],
    &flowersBlocks[0], &flowersBlocks[1], &butterflyBlocks,
};

void initVars0() {
    workflow = MENU_PRESS_START;
    scrollidx = 0;
    scrolldx = 0;
    if (!scroller) {
        scroller = text(TEXT_SCROLLER);
        scrollmax = static_cast<int>(strlen(scroller));
    }
}

void initVars() {
    escape = 0;
    paused = 0;
    hsRank = -1;
    initVars0();
}

void initStuff() {
    initVars();
    // A second menu entry cuts the sheets again: let go of the old cells.
    for (const Sheet &s : sheets) {
        freeBlocks(*s.cells);
        *s.cells = initBlocks(s.name, s.width, s.height, s.keyed);
    }
    loadSFX();
    saved = 0;
}

SDL_Surface **initBlocks(const char *name, int cellWidth, int cellHeight, int keyed) {
    SDL_Surface *sheet = loadGFX(name, 0, 255, 0, 255);
    int columns = sheet->w / cellWidth;
    int rows = sheet->h / cellHeight;
    SDL_Surface **cells =
        static_cast<SDL_Surface **>(calloc(columns * rows + 1, sizeof(SDL_Surface *)));
    if (!cells)
        error("Unable to create surface");
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < columns; c++) {
            SDL_Surface *cell = createImage(cellWidth, cellHeight, keyed);
            SDL_Rect src = {static_cast<Sint16>(c * cellWidth), static_cast<Sint16>(r * cellHeight),
                            static_cast<Uint16>(cellWidth), static_cast<Uint16>(cellHeight)};
            SDL_Rect dst = {0, 0, 0, 0};
            blitSurface(sheet, &src, cell, &dst);
            if (keyed)
                setColorKey(cell, 255, 0, 255);
            cells[r * columns + c] = cell;
        }
    }
    freeSurface(sheet);
    return cells;
}

void freeBlocks(SDL_Surface **cells) {
    if (!cells)
        return;
    for (SDL_Surface **cell = cells; *cell; cell++)
        freeSurface(*cell);
    free(cells);
}

void prepareScrollBack() {
    SDL_PixelFormat *f = screen->format;
    scrollBack = SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 10, f->BitsPerPixel, f->Rmask, f->Gmask,
                                      f->Bmask, f->Amask);
    if (!scrollBack)
        error("Unable to create surface");
    SDL_FillRect(scrollBack, nullptr, SDL_MapRGB(scrollBack->format, 64, 128, 64));
    SDL_SetAlpha(scrollBack, SDL_SRCALPHA, 128);
}

void loadPictures() {
    for (const Picture &p : pictures)
        *p.handle = loadGFX(p.name, p.keyed, 255, 0, 255);
}

void freePictures() {
    for (SDL_Surface **handle : pictureReleaseOrder) {
        if (*handle)
            freeSurface(*handle);
        *handle = nullptr;
    }
}

void freeAllBlocks() {
    for (SDL_Surface ***cells : blocksReleaseOrder) {
        freeBlocks(*cells);
        *cells = nullptr;
    }
}
