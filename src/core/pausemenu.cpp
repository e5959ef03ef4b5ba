#include "core/pausemenu.h"

#include "core/anim.h"
#include "core/level.h"
#include "core/playscreen.h"
#include "core/rules.h"
#include "front/i18n.h"
#include "front/stuff.h"
#include "platform/fpshelper.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"
#include "platform/sys.h"
#include "sound/sound.h"

#include <cstdio>
#include <cstring>

enum {
    ENTRY_SPACING = 32,
};

int pauseEnabled(const GameRun *g, int entry) {
    switch (entry) {
    case PAUSE_UNDO:
        return g->undoAvailable;
    case PAUSE_RESTART:
        return g->movesUsed > 0;
    case PAUSE_SOLVE:
        // The test board has no stored solution to play.
        return canSolve == 1 && solverOffered();
    default:
        return 1;
    }
}

int pauseNearestAbove(const GameRun *g, int entry) {
    while (entry > 0 && !pauseEnabled(g, entry))
        entry--;
    return entry;
}

int pauseStep(const GameRun *g, int from, int step) {
    int e = from;
    do
        e = (e + step + PAUSE_ENTRIES) % PAUSE_ENTRIES;
    while (!pauseEnabled(g, e));
    return e;
}

static int titleHeight() {
    return pauseTitle ? pauseTitle->h : 0;
}

int pauseEntryAt(int y) {
    int e = (y - (titleHeight() + 16)) / ENTRY_SPACING;
    return e >= 0 && e < PAUSE_ENTRIES ? e : -1;
}

// The menu's entries are the first texts of the table, in menu order.
static void drawEntryText(int entry) {
    drawTextAt(screen, text(TEXT_BACK_TO_GAME + entry), 56,
               titleHeight() + 24 + ENTRY_SPACING * entry, fontbig);
}

static void drawEntryIcon(int entry) {
    if (optionsBlocks)
        blitImage(optionsBlocks[entry], 16, titleHeight() + 16 + ENTRY_SPACING * entry, screen);
}

static void drawPause(const GameRun *g, int selection) {
    drawScreen(g->level, 0, lives, g->movesUsed);
    for (int i = 0; i < PAUSE_ENTRIES; i++) {
        if (i == selection)
            continue;
        drawEntryText(i);
        if (pauseEnabled(g, i))
            drawEntryIcon(i);
    }
    darken();
    if (pauseTitle)
        blitImage(pauseTitle, (screen->w - pauseTitle->w) / 2, 8, screen);
    // The selected entry goes on top of the dimming, so it stands out.
    drawTextAt(screen, ">", 0, titleHeight() + 24 + ENTRY_SPACING * selection, fontbig);
    drawEntryIcon(selection);
    drawEntryText(selection);
}

void pauseApply(GameRun *g, int entry) {
    switch (entry) {
    case PAUSE_UNDO:
        if (g->movesUsed > 0 && canUndo == 1) {
            memcpy(currentLevel, currentUndo, sizeof currentLevel);
            currentCount = countFruits();
            g->movesUsed--;
            canUndo = 0;
        }
        break;
    case PAUSE_RESTART:
        g->restartRequested = 1;
        lives--;
        break;
    case PAUSE_SOLVE:
        startSolver(g);
        canSolve = lameMode;
        break;
    case PAUSE_EXIT:
        done = 1;
        escape = 1;
        g->musicPending = 0;
        break;
    default:
        break;
    }
}

// A click selects the entry under it (or the nearest enabled one above);
// returns 1 when it did.
static int clickSelects(const GameRun *g, int *selection) {
    if (mouseY == -1)
        return 0;
    int e = pauseEntryAt(mouseY);
    if (e < 0 || e == *selection)
        return 0; // confirms: lastKeyTyped stays ACTION
    *selection = pauseNearestAbove(g, e);
    playSFX(SFX_MENU_CONTROL);
    lastKeyTyped = 0;
    return 1;
}

static void keySelects(const GameRun *g, int *selection) {
    int step = 0;
    if (lastKeyTyped == INPUT_LEFT || lastKeyTyped == INPUT_UP)
        step = -1;
    else if (lastKeyTyped == INPUT_RIGHT || lastKeyTyped == INPUT_DOWN)
        step = 1;
    if (!step)
        return;
    *selection = pauseStep(g, *selection, step);
    playSFX(SFX_MENU_CONTROL);
}

void pauseMenu(GameRun *g) {
    g->undoAvailable = canUndo == 1 && !curTrans && !curMove && !curAction && !curEject;
    lastKeyTyped = 0;
    endTime -= sysTicks(); // the time left, while the clock stands
    int selection = PAUSE_BACK;
    traceGame(g, "pause");
    while (lastKeyTyped != INPUT_ACTION && lastKeyTyped != INPUT_START) {
        checkInput();
        if (!clickSelects(g, &selection))
            keySelects(g, &selection);
        if (controlFPS()) {
            drawPause(g, selection);
            flipScreen();
        }
    }
    playSFX(SFX_SELECT_OPTION);
    done = 0;
    pauseApply(g, selection);
    if (replayTracing()) {
        static const char *names[PAUSE_ENTRIES] = {"back", "undo", "restart", "solve", "exit"};
        char what[32];
        snprintf(what, sizeof what, "entry=%s", names[selection]);
        traceGame(g, "choice", what);
    }
    paused = 0;
    currentTime = sysTicks();
    lastKeyTyped = 0;
    endTime += currentTime;
}
