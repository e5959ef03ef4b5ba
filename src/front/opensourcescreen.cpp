#include "front/opensourcescreen.h"

#include "front/i18n.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"

enum { TEXT_CREDITS = 65, CREDITS_TITLE_Y = 40 };

struct TextRow {
    int entry; // of the interface text table
    int y;
};

// The lines of the page under its title, in the small font.
static const TextRow creditLines[] = {
    {66, 80},  {67, 90},  {68, 100}, {69, 120}, {70, 130},
    {71, 150}, {72, 160}, {73, 170}, {74, 180}, {88, 210},
};

int opensourceInit() {
    return 0;
}

int opensourceShutdown() {
    return 0;
}

int opensourceUpdate() {
    // Only a key ends the page: a window close is left for start-up to see
    // after the last intro screen.
    return lastKeyTyped != 0;
}

int opensourceRender(SDL_Surface *surface) {
    fillRect(surface, 0, 0, surface->w, surface->h, BLACK);
    drawTextCenterAt(surface, text(TEXT_CREDITS), CREDITS_TITLE_Y, fontbig);
    for (const TextRow &row : creditLines)
        drawTextCenterAt(surface, text(row.entry), row.y, font);
    return 0;
}
