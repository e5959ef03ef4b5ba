#include "core/playscreen.h"

#include "core/anim.h"
#include "core/game.h"
#include "core/level.h"
#include "core/rules.h"
#include "front/i18n.h"
#include "front/scenery.h"
#include "front/stuff.h"
#include "platform/gfx_sdl.h"

#include <cstring>

uint32_t currentTime = 0;
uint32_t endTime = 0;
int slowMode = 0;
int curBlock = 0;

const int morphFrames[40] = {
    -1, 13, 13, 5,  5,  13, 13, 5,  // 1 to 0: blinks away
    5,  13, 13, 21, 21, 29, 29, 37, // 2 to 1
    37, 45, 45, 53, 53, 61, 61, 69, // 3 to 2
    6,  14, 14, 22, 22, 30, 30, 38, // 4 to 3
    38, 46, 46, 54, 54, 62, 62, 70, // 5 to 4
};

enum {
    FRAME_HAND = 56,
    FRAME_CURSOR = 64,
};

static int textLength(int entry) {
    return static_cast<int>(strlen(text(entry)));
}

int morphFrame(int target, int framesLeft) {
    int entry = 8 * target + framesLeft / 4;
    return entry >= 0 && entry < 40 ? morphFrames[entry] : -1;
}

// Counts down from 32: up to frame 59 and back.
int handFrame(int action) {
    return action < 16 ? FRAME_HAND + action / 4 : FRAME_HAND + 3 - (action - 16) / 4;
}

int cursorFrame(int anim) {
    return FRAME_CURSOR + (anim & 12) / 4;
}

static int valueFrame(int value) {
    return value - 1;
}

static void drawTile(int frame, int x, int y) {
    if (frame >= 0)
        blitImage(blocks[curBlock][frame], x, y, screen);
}

static void drawTimeBar() {
    blitImage(timebar, 8, 8, screen);
    if (currentTime >= endTime || paused)
        return;
    uint32_t limit = slowMode ? LEVEL_TIME_SLOW : LEVEL_TIME;
    uint32_t width = (endTime - currentTime) * static_cast<uint32_t>(timebar2->w) / limit;
    SDL_Rect src = {0, 0, static_cast<Uint16>(width), static_cast<Uint16>(timebar2->h)};
    SDL_Rect dst = {20, 20, 0, 0};
    blitSurface(timebar2, &src, screen, &dst);
}

static void drawLives(int lives, int y) {
    int w = timebar->w;
    if (lives >= 2) {
        int l = textLength(TEXT_LIVES);
        drawTextAt(screen, text(TEXT_LIVES), w + 8 - 8 * l, y, font);
        drawNumberAt(screen, lives, w - 8 - 8 * l, y, 1, 0, font);
        blitImage(kitty, w - 24 - 8 * l, y, screen);
    } else if (lives == 1) {
        int l = textLength(TEXT_LIFE);
        drawTextAt(screen, text(TEXT_LIFE), w + 8 - 8 * l, y, font);
        drawNumberAt(screen, 1, w - 8 - 8 * l, y, 1, 0, font);
    }
}

static void drawStatus(int level, int lives, int movesUsed) {
    int y = timebar->h + 8;
    int s = screen->w;
    int movesX = 8 * (textLength(TEXT_MOVE) + 2);
    drawTextAt(screen, text(TEXT_MOVE), 8, y, font);
    drawNumberAt(screen, movesUsed, movesX, y, 2, 1, font);
    if (currentMoves > 0) {
        drawTextAt(screen, "/", movesX + 16, y, font);
        drawNumberAt(screen, currentMoves, movesX + 24, y, 2, 1, font);
    }
    drawLives(lives, y);
    drawTextAt(screen, text(TEXT_SCORE), s - 8 - 8 * textLength(TEXT_SCORE), y, font);
    drawTextAt(screen, text(TEXT_AT_STAGE), s - 40 - 8 * textLength(TEXT_AT_STAGE), 6, font);
    drawNumberAt(screen, level + 1, s - 32, 6, 3, 1, font);
    drawNumberAt(screen, score, s - 104, 15, 6, 1, fontbig);
}

static void drawScenery() {
    if (curTotemWait == 0)
        drawTotem();
    drawLion();
    drawFlowers();
    drawWaitingBirds();
}

static int playCellFrame(int x, int y) {
    int trans = currentTrans[x + BOARD_W * y];
    if (trans) {
        const Transform &t = animTrans[trans - 1];
        return morphFrame(t.target, t.frames);
    }
    int shine = currentShining[startCell(x, y)];
    if (shine) {
        const Shine &s = animShine[shine - 1];
        return 8 * s.phase + s.base;
    }
    return valueFrame(currentLevel[x + BOARD_W * y]);
}

static int targetCellFrame(int x, int y) {
    int shine = currentShining[targetCell(x, y)];
    if (shine) {
        const Shine &s = animShine[shine - 1];
        return 8 * s.phase + s.base;
    }
    return valueFrame(currentSource[targetCell(x, y)]);
}

static void drawBoards() {
    for (int y = 0; y < BOARD_H; y++) {
        for (int x = 0; x < BOARD_W; x++) {
            drawTile(playCellFrame(x, y), BOARD_X + CELL_SIZE * x, BOARD_Y + CELL_SIZE * y);
            drawTile(targetCellFrame(x, y), TARGET_X + CELL_SIZE * x, BOARD_Y + CELL_SIZE * y);
        }
    }
}

static void drawFalls() {
    for (int i = 0; i < curMove; i++) {
        const Move &m = animMove[i];
        drawTile(valueFrame(m.value), BOARD_X + CELL_SIZE * m.x,
                 BOARD_Y + CELL_SIZE * m.y + m.pixels);
    }
}

static void drawEjects() {
    for (int i = 0; i < curEject; i++) {
        const Eject &e = animEject[i];
        int entry = 8 * e.value - 4;
        if (entry >= 0 && entry < 40)
            drawTile(morphFrames[entry], e.x + BOARD_X, e.y + BOARD_Y);
    }
}

// The five fruit kinds between the boards, the biggest on top.
static void drawFruitColumn() {
    for (int i = 0; i < 5; i++)
        drawTile(4 - i, 152, 62 + 24 * i);
}

void drawScreen(int level, int showCursor, int lives, int movesUsed) {
    blitImage(backgrounds[level & 3], 0, 0, screen);
    if ((level & 3) == 0)
        drawSun();
    drawTimeBar();
    drawStatus(level, lives, movesUsed);
    drawScenery();
    // The pause menu hides the boards, so it cannot be used to study them.
    if (paused)
        return;
    if (showCursor)
        drawTile(cursorFrame(cursorA), BOARD_X + CELL_SIZE * cursorX,
                 BOARD_Y + CELL_SIZE * cursorY);
    drawBoards();
    drawFalls();
    drawEjects();
    if (curAction > 0)
        // The hand reaches in from 4 pixels left of and below the cell.
        drawTile(handFrame(curAction), BOARD_X - 4 + CELL_SIZE * actionX,
                 BOARD_Y + 4 + CELL_SIZE * actionY);
    drawFruitColumn();
    if (birdAnimWait == 0)
        drawFlyingBird();
}

void drawLoop(SDL_Surface *surface, int position) {
    int r = position % surface->w;
    for (int x = 0; x < screen->w;) {
        int w = surface->w - r;
        SDL_Rect src = {static_cast<Sint16>(r), 0, static_cast<Uint16>(w),
                        static_cast<Uint16>(surface->h)};
        SDL_Rect dst = {static_cast<Sint16>(x), 0, 0, 0};
        blitSurface(surface, &src, screen, &dst);
        x += w;
        r = 0;
    }
}
