#include "front/menu.h"

#include "core/game.h"
#include "core/playscreen.h"
#include "core/savegame.h"
#include "front/i18n.h"
#include "front/options.h"
#include "front/stuff.h"
#include "platform/fpshelper.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"
#include "platform/sys.h"
#include "sound/sound.h"
#include "storage/hiscores.h"

#include <cstdio>
#include <cstdlib>

enum {
    PRESS_START_Y = 128,
    VERSION_Y = 208,
    BAND_TOP = 194, // black line, the band from 195, black line at 205
    BAND_BOTTOM = 205,
    SCROLL_Y = 196,
    SCROLL_CELL = 16, // phases of one character: it moves a pixel every second frame
    LOGO_RAISE = 56,
    HISCORE_TITLE_Y = 16,
    HISCORE_ROWS_Y = 48,
    HISCORE_ROW_STEP = 18,
    HISCORE_NAME_X = 48,
    HISCORE_SCORE_X = 192,
    RELEASE_WAIT_MS = 100,
    TITLE_FADE_MS = 300,
};

static const char VERSION_LINE[] = "QUENZY V1.00.2";

// Text entries of the five title items, NEW GAME to EXIT.
static const int itemTexts[MENU_EXIT] = {TEXT_NEW_GAME, TEXT_CONTINUE, TEXT_HISCORES, TEXT_OPTIONS,
                                         TEXT_EXIT};

static const int HELD_CONTROLS =
    INPUT_UP | INPUT_DOWN | INPUT_LEFT | INPUT_RIGHT | INPUT_ACTION | INPUT_START;

void traceMenu(const char *event, const char *extra) {
    if (!replayTracing())
        return;
    char details[160];
    snprintf(details, sizeof details, "%s%sstate=%d saved=%d rank=%d music=%d", extra ? extra : "",
             extra ? " " : "", workflow, saved, hsRank, curMusic);
    replayNote(event, details);
}

// Shown (1) or hidden (0) in this frame of the blink.
static int blinkShown(const MenuRun *m) {
    return ((m->frameA - m->blinkBase) & MENU_BLINK) == 0;
}

void advanceScroller() {
    if (++scrolldx < SCROLL_CELL)
        return;
    scrolldx = 0;
    if (++scrollidx >= scrollmax)
        scrollidx = 0;
}

static void stopTrack(MenuRun *m) {
    if (m->track)
        stopMusic(m->track);
    m->track = nullptr;
}

// Starts the title piece (music 0) faded in. A piece still held (a title
// shown again after a game) is freed first, so restarting the title music
// never leaks the old one.
static void startTitleMusic(MenuRun *m) {
    stopTrack(m);
    curMusic = 0;
    m->track = loadMusic(0);
    MP_FadeInMusic(m->track, -1, TITLE_FADE_MS);
}

static void setState(int state, int sound) {
    workflow = state;
    if (sound)
        playSFX(sound);
    traceMenu("title");
}

// Nothing held any more: the control that chose the game does not reach it.
static void waitAllReleased() {
    checkInput();
    while (lastKey & HELD_CONTROLS) {
        checkInput();
        sysDelay(RELEASE_WAIT_MS);
    }
}

static void startGame(MenuRun *m) {
    playSFX(SFX_SELECT_OPTION);
    // Without a saved game CONTINUE starts a new one.
    int level = workflow == MENU_CONTINUE ? saved : 0;
    char details[32];
    snprintf(details, sizeof details, "level=%d", level);
    traceMenu("play", details);
    waitAllReleased();
    stopTrack(m);
    run(level, m->frameA, m->frameB);
    afterGame(m);
}

void afterGame(MenuRun *m) {
    // A game that made a hiscore entry leaves the page asked for; the player
    // sees the new row blink before the title, as arcade games do.
    int showHiscores = workflow == MENU_HISCORE_PAGE && hsRank >= 0;
    initVars0();
    if (showHiscores)
        workflow = MENU_HISCORE_PAGE;
    escape = 0;
    done = 0;
    startTitleMusic(m);
    m->blinkBase = m->frameA;
    m->gameOver = 1;
    traceMenu(showHiscores ? "hiscores" : "title");
}

// A click on an item row selects it; on the selected item, or off the rows,
// it chooses. Returns 1 when the click only selected.
static int titleClick() {
    if (mouseY == -1)
        return 0;
    int i = (mouseY - MENU_ITEM_Y) / MENU_ITEM_STEP; // truncates toward zero
    if (i < 0 || i >= MENU_EXIT || workflow == i + 1)
        return 0;
    lastKeyTyped = 0;
    setState(i + 1, SFX_MENU_CONTROL);
    return 1;
}

static void choose(MenuRun *m) {
    switch (workflow) {
    case MENU_NEW_GAME:
    case MENU_CONTINUE:
        startGame(m);
        break;
    case MENU_HISCORES:
        workflow = MENU_HISCORE_PAGE;
        traceMenu("hiscores");
        break;
    case MENU_OPTIONS:
        enterOptions();
        break;
    default:
        playSFX(SFX_SELECT_OPTION);
        escape = 1;
        traceMenu("menuexit");
        break;
    }
}

// Title states: mouse rows, PRESS START, moving and choosing.
static void titleInput(MenuRun *m) {
    if (titleClick())
        return;
    int typed = lastKeyTyped;
    int chosen = typed == INPUT_ACTION || typed == INPUT_START;
    if (workflow == MENU_PRESS_START && chosen) {
        do
            checkKey(0);
        while (lastKeyTyped == INPUT_ACTION || lastKeyTyped == INPUT_START);
        setState(saved >= 1 ? MENU_CONTINUE : MENU_NEW_GAME, 0);
    } else if (typed == INPUT_DOWN || typed == INPUT_RIGHT) {
        setState(workflow >= MENU_EXIT ? MENU_NEW_GAME : workflow + 1, SFX_MENU_CONTROL);
    } else if (typed == INPUT_UP || typed == INPUT_LEFT) {
        setState(workflow <= MENU_NEW_GAME ? MENU_EXIT : workflow - 1, SFX_MENU_CONTROL);
    } else if (chosen) {
        choose(m);
    }
}

// The hiscore page: ACTION or START goes back to the title.
static void hiscoreInput(MenuRun *) {
    if (lastKeyTyped != INPUT_ACTION && lastKeyTyped != INPUT_START)
        return;
    workflow = MENU_HISCORES;
    hsRank = -1;
    traceMenu("title");
}

void menuInput(MenuRun *m) {
    if (workflow == MENU_HISCORE_PAGE)
        hiscoreInput(m);
    else if (workflow == MENU_OPTIONS_PAGE)
        optionsInput(&m->track);
    else
        titleInput(m);
}

static void drawLayers(const MenuRun *m) {
    drawLoop(menubkg[0], m->frameA / 2);
    drawLoop(menubkg[1], m->frameB / 2);
    drawLoop(menubkg[2], m->frameC / 2);
}

static void drawScroller() {
    fillRect(screen, 0, BAND_TOP, screen->w, 1, BLACK);
    blitImage(scrollBack, 0, BAND_TOP + 1, screen);
    fillRect(screen, 0, BAND_BOTTOM, screen->w, 1, BLACK);
    drawTextNAt(screen, scroller + scrollidx, MENU_SCROLL_CHARS, -(scrolldx / 2), SCROLL_Y, font);
}

static void drawTitle(const MenuRun *m) {
    blitImage(logo, (screen->w - logo->w) / 2, (screen->h - logo->h) / 2 - LOGO_RAISE, screen);
    drawTextCenterAt(screen, VERSION_LINE, VERSION_Y, fontbig);
    drawScroller();
    if (workflow == MENU_PRESS_START) {
        if (blinkShown(m))
            drawTextCenterAt(screen, text(TEXT_PRESS_START), PRESS_START_Y, fontbig);
        return;
    }
    for (int item = MENU_NEW_GAME; item <= MENU_EXIT; item++) {
        if (item == workflow && !blinkShown(m))
            continue;
        int y = MENU_ITEM_Y + MENU_ITEM_STEP * (item - 1);
        drawTextCenterAt(screen, text(itemTexts[item - 1]), y, fontbig);
    }
}

static void drawHiscores(const MenuRun *m) {
    drawTextCenterAt(screen, text(TEXT_HISCORES), HISCORE_TITLE_Y, fontbig);
    for (int n = 0; n < HISCORE_ROWS; n++) {
        if (n == hsRank && !blinkShown(m))
            continue;
        int y = HISCORE_ROWS_Y + HISCORE_ROW_STEP * n;
        char score[16];
        snprintf(score, sizeof score, "%05d", hiscores[n].score);
        // At most the 8 characters a name has, whatever the file held.
        drawTextNAt(screen, hiscores[n].name, HISCORE_NAME - 1, HISCORE_NAME_X, y, fontbig);
        drawTextAt(screen, score, HISCORE_SCORE_X, y, fontbig);
    }
}

void drawMenu(const MenuRun *m) {
    drawLayers(m);
    if (workflow == MENU_HISCORE_PAGE)
        drawHiscores(m);
    else if (workflow == MENU_OPTIONS_PAGE)
        drawOptions();
    else
        drawTitle(m);
}

int menuFrame(MenuRun *m) {
    rand(); // the random sequence of the next game depends on the time spent here
    checkKey(0);
    menuInput(m);
    if (m->gameOver)
        return 0;
    if (workflow == MENU_EXIT && escape)
        return 0; // EXIT: not drawn
    if (controlFPS()) {
        drawMenu(m);
        flipScreen();
    }
    advanceScroller();
    m->frameA += 1;
    m->frameB += 2;
    m->frameC += 3;
    return !escape;
}

void menu() {
    MenuRun m = {};
    initStuff();
    saved = loadGame();
    startTitleMusic(&m);
    traceMenu("title");
    // escape is clear at each turn: initStuff clears it, afterGame clears it
    // before a game hands back, and the window close below clears it.
    for (;;) {
        m.gameOver = 0;
        initFPS();
        while (menuFrame(&m)) {
        }
        if (!escape || m.gameOver)
            continue;
        if (workflow >= 0)
            break;
        // A window close on the hiscore page or the options: back to the
        // title with that item selected.
        workflow = -workflow;
        escape = done = 0;
        m.blinkBase = m.frameA;
        traceMenu("title");
    }
    stopTrack(&m);
}
