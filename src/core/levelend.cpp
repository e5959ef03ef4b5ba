#include "core/levelend.h"

#include "core/anim.h"
#include "core/level.h"
#include "core/playscreen.h"
#include "core/rules.h"
#include "front/i18n.h"
#include "front/scenery.h"
#include "front/stuff.h"
#include "platform/fpshelper.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"
#include "platform/sys.h"
#include "sound/sound.h"

#include <cstdio>
#include <cstdlib>

enum { SCREEN_MIDDLE = 160 };

static int endsScreen(int code) {
    return code == INPUT_START || code == INPUT_ACTION || code == INPUT_OTHER;
}

int lifeLostReason(const GameRun *g) {
    if (currentTime >= endTime)
        return TEXT_TIME_UP;
    if (g->movesUsed >= currentMoves)
        return TEXT_NO_MOVE_LEFT;
    return TEXT_ALL_GONE;
}

void lifeLostScreen(GameRun *g) {
    int reason = lifeLostReason(g);
    static const char *names[] = {"time-up", "no-move-left", "all-gone"};
    char what[32];
    snprintf(what, sizeof what, "reason=%s", names[reason - TEXT_TIME_UP]);
    traceGame(g, "lost", what);
    waitRelease();
    initFPS();
    while (!endsScreen(lastKeyTyped)) {
        checkKey(0);
        doLionAnim();
        doBgAnims();
        if (controlFPS()) {
            drawScreen(g->level, 0, lives, g->movesUsed);
            darken();
            drawTextCenterAt(screen, text(reason), 112, fontbig);
            drawTextCenterAt(screen, text(TEXT_HIT_ANY_KEY), 136, font);
            flipScreen();
        }
    }
    waitRelease();
    g->restartRequested = 0;
    escape = done = 0;
}

int timeBonus() {
    return currentTime < endTime ? static_cast<int>((endTime - currentTime) / 1000) : 0;
}

int moveBonus(const GameRun *g) {
    if (g->movesUsed > currentMoves - currentBonus)
        return (currentMoves - g->movesUsed) * 10;
    return 200;
}

// The tally frame counter after a skip by ACTION/START at frame `t`: the
// frame of the next payment not yet made; -1 when all are made and the skip
// ends the tally. The payment of frame t runs after the skip, so a skip in
// that very frame stays there: jumping on would pass over the payment and
// lose its bonus.
static int tallySkip(int t) {
    if (t <= TALLY_TIME_AT)
        return TALLY_TIME_AT;
    if (t <= TALLY_LIFE_AT)
        return TALLY_LIFE_AT;
    if (t <= TALLY_MOVE_AT)
        return TALLY_MOVE_AT;
    return -1;
}

struct TallyLines {
    char message[64];
    char time[64], life[64], move[64];
};

static void drawTally(const GameRun *g, const TallyLines *lines, int t) {
    drawScreen(g->level, 0, lives, g->movesUsed);
    if (curLionAnim == LION_JUMP)
        return;
    darken();
    drawTextCenterAt(screen, lines->message, 70, fontbig);
    if (t >= TALLY_TIME_AT)
        drawTextCenterAt(screen, lines->time, 100, fontbig);
    if (t >= TALLY_LIFE_AT)
        drawTextCenterAt(screen, lines->life, 118, fontbig);
    if (t >= TALLY_MOVE_AT)
        drawTextCenterAt(screen, lines->move, 136, fontbig);
    if (g->level + 1 < levelCount && (t & 32) == 0) {
        char stage[64];
        snprintf(stage, sizeof stage, text(TEXT_STAGE_NEXT), g->level + 2);
        drawTextCenterAt(screen, stage, 186, fontbig);
    }
}

void levelTally(GameRun *g) {
    g->restartRequested = 0;
    g->solverOn = 0;
    int timePay = timeBonus();
    int movePay = moveBonus(g);
    TallyLines lines;
    snprintf(lines.message, sizeof lines.message, "%s", text(TEXT_PRAISE + rand() % 5));
    snprintf(lines.time, sizeof lines.time, "%s: %03d", text(TEXT_TIME_BONUS), timePay);
    snprintf(lines.life, sizeof lines.life, "%s: %03d", text(TEXT_LIFE_BONUS), lives * 10);
    snprintf(lines.move, sizeof lines.move, "%s: %03d", text(TEXT_MOVE_BONUS), movePay);
    char bonuses[64];
    snprintf(bonuses, sizeof bonuses, "time=%d life=%d move=%d", timePay, lives * 10, movePay);
    traceGame(g, "tally", bonuses);
    initFPS();
    setLionAnim(LION_JUMP);
    int t = 0, pending = 0;
    for (;;) {
        checkInput();
        if (curLionAnim != LION_JUMP &&
            (lastKeyTyped == INPUT_ACTION || lastKeyTyped == INPUT_START)) {
            t = tallySkip(t);
            if (t < 0)
                break;
        }
        stepDecorations();
        if (controlFPS()) {
            drawTally(g, &lines, t);
            flipScreen();
        }
        if (t == TALLY_TIME_AT)
            pending += timePay;
        else if (t == TALLY_LIFE_AT)
            pending += lives * 10;
        else if (t == TALLY_MOVE_AT)
            pending += movePay;
        if (pending > 0) {
            addScore(1);
            pending--;
        }
        if (curLionAnim != LION_JUMP)
            t++;
        if (t >= TALLY_FRAMES)
            break;
    }
    addScore(pending);
    traceGame(g, "paid");
}

void gameOverScreen(GameRun *g) {
    waitRelease();
    // The title piece, at once and without a fade, over the game-over page.
    stopGameMusic(g);
    curMusic = 0;
    g->music = loadMusic(0);
    MP_PlayMusic(g->music, -1);
    char line[64];
    snprintf(line, sizeof line, "%s: %d", text(TEXT_SCORE), score);
    initFPS();
    while (!endsScreen(lastKeyTyped)) {
        doLionAnim();
        doBgAnims();
        checkKey(0);
        if (controlFPS()) {
            drawScreen(g->level, 0, lives, g->movesUsed);
            darken();
            if (gameover)
                blitImage(gameover, (screen->w - gameover->w) / 2, 48, screen);
            drawTextCenterAt(screen, line, 160, fontbig);
            drawTextCenterAt(screen, text(TEXT_HIT_ANY_KEY), 192, font);
            flipScreen();
        }
    }
    waitRelease();
}

int continueScreen() {
    initFPS();
    do {
        checkKey(0);
        if (mouseX != -1)
            lastKeyTyped = mouseX < SCREEN_MIDDLE ? INPUT_LEFT : INPUT_RIGHT;
        if (controlFPS()) {
            fillRect(screen, 0, 0, screen->w, screen->h, BLACK);
            drawTextCenterAt(screen, text(TEXT_CONTINUE_QUESTION), 96, fontbig);
            drawTextCenterAt(screen, text(TEXT_CONTINUE_CHOICE), 128, font);
            flipScreen();
        }
    } while (lastKeyTyped != INPUT_LEFT && lastKeyTyped != INPUT_RIGHT);
    return lastKeyTyped == INPUT_LEFT;
}
