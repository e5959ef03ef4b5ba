#include "front/opensourcescreen.h"

#include "front/i18n.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"

enum { CREDITS_TITLE_Y = 40 };

struct TextRow {
    int entry; // of the interface text table
    int y;
};

// The lines of the page under its title, in the small font.
static const TextRow creditLines[] = {
    {TEXT_CREDIT_LINES, 80},      {TEXT_CREDIT_LINES + 1, 90},  {TEXT_CREDIT_LINES + 2, 100},
    {TEXT_CREDIT_LINES + 3, 120}, {TEXT_CREDIT_LINES + 4, 130}, {TEXT_CREDIT_LINES + 5, 150},
    {TEXT_CREDIT_LINES + 6, 160}, {TEXT_CREDIT_LINES + 7, 170}, {TEXT_CREDIT_LINES + 8, 180},
    {TEXT_HIT_ANY_KEY, 210},
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
