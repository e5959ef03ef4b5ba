#include "core/game.h"

#include "core/anim.h"
#include "core/level.h"
#include "core/levelend.h"
#include "core/pausemenu.h"
#include "core/playscreen.h"
#include "core/rules.h"
#include "core/savegame.h"
#include "front/menu.h"
#include "front/scenery.h"
#include "front/story.h"
#include "front/stuff.h"
#include "platform/fpshelper.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"
#include "platform/sys.h"
#include "sound/sound.h"
#include "storage/hiscores.h"
#include "storage/nameentry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int canSolve = 1;
int canUndo = 0;
int lameMode = 0;
GameRun game;

enum {
    WARNING_MS = 11000,   // the last seconds that tick
    WARNING_FRAMES = 66,  // the tick repeats every 67 frames
    SHINE_FRAMES = 4,     // frames of each shine phase
    RELEASE_WAIT_MS = 100 // between polls while a control is let go
};

// Level pieces 1 ... 10, each for a run of 12 levels.
enum { MUSIC_FADE_MS = 300, LEVEL_PIECES = 10, LEVELS_PER_PIECE = 12 };

int countFruits() {
    int n = 0;
    for (int i = 0; i < BOARD_CELLS; i++)
        n += currentLevel[i] != 0;
    return n;
}

int solverOffered() {
    return currentSol != nullptr;
}

void traceGame(const GameRun *g, const char *event, const char *extra) {
    if (!replayTracing())
        return;
    char board[BOARD_CELLS + 1];
    for (int i = 0; i < BOARD_CELLS; i++)
        board[i] = static_cast<char>('0' + currentLevel[i]);
    board[BOARD_CELLS] = 0;
    char details[256];
    snprintf(details, sizeof details,
             "%s%slevel=%d lives=%d score=%d moves=%d/%d saved=%d count=%d board=%s",
             extra ? extra : "", extra ? " " : "", g->level, lives, score, g->movesUsed,
             currentMoves, saved, currentCount, board);
    replayNote(event, details);
}

static void drawSheets() {
    curBlock = rand() & 1;
    curBirdsBlock = rand() & 1;
    curFlowersBlock = rand() & 1;
}

void waitRelease() {
    while (lastKeyTyped == INPUT_START || lastKeyTyped == INPUT_ACTION ||
           lastKeyTyped == INPUT_OTHER) {
        checkKey(0);
        sysDelay(RELEASE_WAIT_MS);
    }
}

void startGame(GameRun *g, int level) {
    memset(g, 0, sizeof *g);
    g->level = level;
    hsRank = -1;
    lives = 3;
    score = 0;
    canSolve = 1;
    g->solIndex = 0;
    g->restartRequested = 0;
    currentBonus = rand() % 5 + 1;
    drawSheets();
}

int levelMusic(int level) {
    return level < 0 ? 1 : level / LEVELS_PER_PIECE % LEVEL_PIECES + 1;
}

static void startLevelMusic(GameRun *g) {
    g->music = loadMusic(curMusic);
    MP_FadeInMusic(g->music, -1, MUSIC_FADE_MS);
}

void chooseMusic(GameRun *g) {
    int id = levelMusic(g->level);
    if (id == curMusic)
        return;
    curMusic = id;
    if (g->music) {
        MP_FadeOutMusic(MUSIC_FADE_MS);
        g->musicPending = 1;
    } else {
        startLevelMusic(g);
    }
}

void musicChange(GameRun *g) {
    if (!g->musicPending || MP_PlayingMusic())
        return;
    stopMusic(g->music);
    startLevelMusic(g);
    g->musicPending = 0;
}

void stopGameMusic(GameRun *g) {
    stopMusic(g->music);
    g->music = nullptr;
}

// Names of the hiscore table that change the game while they stand in it:
// `sheets` is the sheet choice they force, or -1.
struct SpecialName {
    const char *name;
    int lame, slow, sheets;
};

static const SpecialName specialNames[] = {
    {"OXBLURT", 1, 0, -1},
    {"GRUMPLE", 0, 1, -1},
    {"KELPIN", 0, 0, 0},
    {"MORVAN", 0, 0, 1},
};

void applySpecialNames() {
    slowMode = 0;
    skipLevel = 0;
    lameMode = 0;
    skipX = -1;
    // Row after row, so a later row's sheet choice wins.
    for (const HiscoreEntry &row : hiscores)
        for (const SpecialName &s : specialNames) {
            if (strncmp(row.name, s.name, HISCORE_NAME) != 0)
                continue;
            if (s.lame) {
                lameMode = 1;
                skipX = 1;
            }
            if (s.slow)
                slowMode = 1;
            if (s.sheets >= 0)
                curBlock = curBirdsBlock = curFlowersBlock = s.sheets;
        }
}

// An attempt at the level begins: the board, the music, the clock.
static void startAttempt(GameRun *g) {
    applySpecialNames();
    loadLevel(g->level);
    chooseMusic(g);
    canUndo = 0;
    lastKeyTyped = 0;
    initFPS();
    currentTime = sysTicks();
    endTime = currentTime + (slowMode ? LEVEL_TIME_SLOW : LEVEL_TIME);
    g->solverOn = 0;
    g->warning = 0;
    g->movesUsed = 0;
    char modes[96];
    snprintf(modes, sizeof modes, "slow=%d lame=%d sheets=%d%d%d", slowMode, lameMode, curBlock,
             curBirdsBlock, curFlowersBlock);
    traceGame(g, "attempt", modes);
}

int endChecks(GameRun *g) {
    if (g->restartRequested || escape) {
        if (escape)
            return PLAY_ESCAPE;
        if (lives >= 1)
            return PLAY_RESTART;
        return haveMadeit() ? PLAY_WON : PLAY_GAME_OVER;
    }
    if (haveMadeit())
        return PLAY_WON;
    if (curTrans || curMove || curEject)
        return PLAY_ON;
    if (currentTime >= endTime || g->movesUsed >= currentMoves || currentCount == 0) {
        lives--;
        return lives > 0 ? PLAY_LIFE_LOST : PLAY_GAME_OVER;
    }
    return PLAY_ON;
}

void lastSecondsWarning(GameRun *g) {
    if (currentTime >= endTime || endTime - currentTime >= WARNING_MS)
        return;
    if (g->warning > 0) {
        g->warning--;
        return;
    }
    playSFX(SFX_TIMER_LAST_10_SEC);
    g->warning = WARNING_FRAMES;
}

void pickingHand(GameRun *g) {
    if (curAction <= 0)
        return;
    if (--curAction > 0)
        return;
    int before[BOARD_CELLS];
    memcpy(before, currentLevel, sizeof before);
    if (doSwitch() > 0) {
        memcpy(currentUndo, before, sizeof before);
        canUndo = 1;
        g->movesUsed++;
        traceGame(g, "pick");
    }
}

void startPick() {
    actionX = cursorX;
    actionY = cursorY;
    curAction = PICK_FRAMES;
    playSFX(SFX_LION_HAND);
    setLionAnim(LION_PICK);
}

// A click moves the cursor to the cell under it; returns 0 when it missed
// the play board.
static int clickToCursor() {
    if (mouseX < BOARD_X || mouseY < BOARD_Y)
        return 0;
    int x = (mouseX - BOARD_X) / CELL_SIZE, y = (mouseY - BOARD_Y) / CELL_SIZE;
    if (x >= BOARD_W || y >= BOARD_H)
        return 0;
    cursorX = x;
    cursorY = y;
    return 1;
}

static void pickControl(GameRun *g) {
    if (mouseX != -1 && !clickToCursor()) {
        lastKeyTyped = 0;
        lionWakeUp();
        return;
    }
    if (!curTrans && !curMove && !curAction && g->movesUsed < currentMoves)
        startPick();
    else
        lionWakeUp();
}

void playerControls(GameRun *g) {
    switch (lastKeyTyped) {
    case INPUT_DOWN:
        if (cursorY < BOARD_H - 1)
            cursorY++;
        lionWakeUp();
        break;
    case INPUT_UP:
        if (cursorY > 0)
            cursorY--;
        lionWakeUp();
        break;
    case INPUT_RIGHT:
        if (cursorX < BOARD_W - 1)
            cursorX++;
        lionWakeUp();
        break;
    case INPUT_LEFT:
        if (cursorX > 0)
            cursorX--;
        lionWakeUp();
        break;
    case INPUT_ACTION:
        pickControl(g);
        break;
    default:
        if (++sleepTime == SLEEP_FRAMES)
            setLionAnim(LION_ASLEEP);
        break;
    }
}

// A glint on a random fruit of either board, now and then.
static void randomShine() {
    if ((rand() & 15) != 0)
        return;
    // Column i of a record's row: 0 ... 7 the play board, 8 ... 15 the target.
    int i = rand() & 15;
    int j = rand() % 10;
    if (i < BOARD_W && (curTrans || curMove))
        return;
    int cell = LEVEL_ROW * j + i;
    int v = i < BOARD_W ? currentLevel[i + BOARD_W * j] : currentSource[cell];
    if (v > 0 && currentShining[cell] == 0)
        addShine(v + 7, i, j, SHINE_FRAMES);
}

// The idle hero blinks now and then.
static void idleVariation() {
    if (curLionAnim != LION_IDLE)
        return;
    if (rand() % 512 == 0)
        setLionAnim(LION_BLINK);
    else if (rand() % 1024 == 0)
        setLionAnim(LION_LONG_BLINK);
}

void startSolver(GameRun *g) {
    g->solIndex = -1;
    g->solverOn = 1;
    traceGame(g, "solver");
}

void afterControls(GameRun *g) {
    if (skipLevel) {
        skipLevel = 0;
        // The test board has no stored solution to play.
        if (solverOffered())
            startSolver(g);
    }
    cursorA++;
    randomShine();
    idleVariation();
}

static int stepToward(int from, int to) {
    return from < to ? from + 1 : from - 1;
}

void solverStep(GameRun *g) {
    if (g->solIndex < 0 || curTrans || curMove || curAction)
        return;
    // A solution of all 64 picks has no terminator to stop at.
    int finished = g->solIndex >= 2 * LEVEL_MAX_PICKS;
    int x = finished ? 0xFF : currentSol[g->solIndex];
    int y = finished ? 0 : currentSol[g->solIndex + 1];
    if (x == 0xFF) {
        g->solverOn = 0;
        skipLevel = 0;
        return;
    }
    if (cursorX != x) {
        cursorX = stepToward(cursorX, x);
    } else if (cursorY != y) {
        cursorY = stepToward(cursorY, y);
    } else {
        startPick();
        g->solIndex += 2;
    }
}

void resetBoardForSolver(GameRun *g) {
    // A pick still in flight would land its morphs and falls on the fresh
    // start board, making or losing fruit: the reset waits for a still board.
    if (curTrans || curMove || curAction)
        return;
    for (int y = 0; y < BOARD_H; y++)
        for (int x = 0; x < BOARD_W; x++)
            currentLevel[x + BOARD_W * y] = currentSource[startCell(x, y)];
    currentCount = countFruits();
    g->solIndex = 0;
    g->movesUsed = 0;
}

void stepDecorations() {
    if (curShine > 0)
        doShine();
    if (curEject > 0)
        doEject();
    doLionAnim();
    doBgAnims();
}

// One frame of an attempt; PLAY_ON while it goes on, else how it ended.
static int playFrame(GameRun *g) {
    // A music change pending skips the end checks until the old piece has
    // stopped.
    musicChange(g);
    if (!g->musicPending) {
        int outcome = endChecks(g);
        if (outcome != PLAY_ON)
            return outcome;
    }
    lastSecondsWarning(g);
    if (curTrans > 0)
        doTrans();
    else if (curMove > 0)
        doMove();
    else
        pickingHand(g);
    stepDecorations();
    checkKey(1);
    if (g->solverOn) {
        // While the solver plays, the player can neither pause nor leave.
        done = escape = lastKeyTyped = paused = 0;
        solverStep(g);
    } else if (paused) {
        pauseMenu(g);
    } else {
        playerControls(g);
        afterControls(g);
    }
    if (g->solverOn && g->solIndex < 0)
        resetBoardForSolver(g);
    currentTime = sysTicks();
    if (controlFPS()) {
        drawScreen(g->level, 1, lives, g->movesUsed);
        flipScreen();
    }
    return PLAY_ON;
}

static void newChance() {
    currentBonus = rand() % 5 + 1;
    drawSheets();
}

// After the tally: returns 0 when the game is complete.
static int nextLevel(GameRun *g) {
    currentBonus = rand() % 5 + 1;
    if (g->level + 1 == levelCount) {
        waitRelease();
        congratScreen();
        hsRank = checkHiscore();
        stopGameMusic(g);
        if (hsRank >= 0)
            workflow = MENU_HISCORE_PAGE;
        traceGame(g, "complete");
        return 0;
    }
    saveGame(g->level + 1);
    g->level++;
    drawSheets();
    traceGame(g, "next");
    waitRelease();
    return 1;
}

// Game over and CONTINUE?; returns 1 when the player continues.
static int gameOver(GameRun *g) {
    traceGame(g, "gameover");
    gameOverScreen(g);
    hsRank = checkHiscore();
    if (!continueScreen()) {
        done = 0;
        stopGameMusic(g);
        if (hsRank >= 0)
            workflow = MENU_HISCORE_PAGE;
        traceGame(g, "leave");
        return 0;
    }
    escape = score = done = 0;
    lives = 3;
    g->restartRequested = 0;
    newChance();
    traceGame(g, "continue");
    waitRelease();
    return 1;
}

void run(int level, int scrollA, int scrollB) {
    if (level == 0)
        tutorialScreen(scrollA, scrollB);
    startGame(&game, level);
    for (;;) {
        if (escape) {
            stopGameMusic(&game);
            traceGame(&game, "exit");
            return;
        }
        startAttempt(&game);
        int outcome;
        do
            outcome = playFrame(&game);
        while (outcome == PLAY_ON);
        switch (outcome) {
        case PLAY_ESCAPE:
            waitRelease();
            break;
        case PLAY_RESTART:
            game.restartRequested = 0;
            escape = done = 0;
            traceGame(&game, "restart");
            waitRelease();
            break;
        case PLAY_WON:
            traceGame(&game, "won");
            levelTally(&game);
            if (!nextLevel(&game))
                return;
            break;
        case PLAY_LIFE_LOST:
            lifeLostScreen(&game);
            break;
        default:
            if (!gameOver(&game))
                return;
            break;
        }
    }
}
