#include "storage/nameentry.h"

#include "core/rules.h"
#include "front/i18n.h"
#include "front/stuff.h"
#include "platform/fpshelper.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"
#include "platform/sys.h"
#include "storage/hiscores.h"

#include <cstdio>
#include <cstring>

enum {
    COLUMNS_X = 96, // left edge of the eight letter columns, 16 pixels each
    COLUMN_W = 16,
    BACK_BELOW_Y = 136,   // a click on a column above this steps back ...
    FORWARD_FROM_Y = 148, // ... from here down steps forward
    CONFIRM_TOP = 104,    // a click beside the columns in this band confirms
    CONFIRM_BOTTOM = 180,
    RELEASE_WAIT_MS = 100,
};

// The letters run through this cycle, both ways round.
static const char letterCycle[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ";
enum { CYCLE = sizeof letterCycle - 1 };

static char stepLetter(char c, int by) {
    const char *at = strchr(letterCycle, c);
    int i = at && c ? static_cast<int>(at - letterCycle) : 1;
    return letterCycle[(i + by + CYCLE) % CYCLE];
}

static void placeCursor(NameEntry *e) {
    memset(e->cursor, ' ', NAME_LENGTH);
    if (e->pos < NAME_LENGTH)
        e->cursor[e->pos] = '-';
}

void nameEntryStart(NameEntry *e) {
    memset(e, 0, sizeof *e);
    memset(e->name, '.', NAME_LENGTH);
    e->name[0] = 'A';
    placeCursor(e);
}

static void stepUnderCursor(NameEntry *e, int by) {
    e->name[e->pos] = stepLetter(e->name[e->pos], by);
    e->pause = NAME_PAUSE;
}

// A click on a letter column steps the letter under the cursor (whichever
// column it was); beside the columns, near the name, it confirms.
static void mouseRule(NameEntry *e) {
    if (mouseX == -1)
        return;
    if (mouseY >= 240) {
        lastKeyTyped = 0;
        return;
    }
    int column = (mouseX - COLUMNS_X) / COLUMN_W; // toward zero: x 81 ... 95 is column 0
    if (column >= 0 && column < NAME_LENGTH) {
        if (mouseY < BACK_BELOW_Y)
            stepUnderCursor(e, -1);
        else if (mouseY >= FORWARD_FROM_Y)
            stepUnderCursor(e, 1);
        lastKeyTyped = 0;
        e->pause = NAME_PAUSE;
    } else if (mouseY < CONFIRM_TOP || mouseY > CONFIRM_BOTTOM) {
        lastKeyTyped = 0;
    }
}

// Returns 1 when the eighth letter was confirmed.
static int confirmLetter(NameEntry *e) {
    e->pos++;
    e->pause = NAME_PAUSE;
    placeCursor(e);
    if (e->pos == NAME_LENGTH)
        return 1;
    if (e->name[e->pos] == '.')
        e->name[e->pos] = 'A';
    return 0;
}

int nameEntryInput(NameEntry *e) {
    mouseRule(e);
    // Held directions act again after every pause; the typed controls once
    // per release.
    if (lastKey & INPUT_DOWN) {
        stepUnderCursor(e, -1);
    } else if (lastKey & INPUT_UP) {
        stepUnderCursor(e, 1);
    } else if ((lastKey & INPUT_LEFT) && e->pos > 0) {
        e->pos--;
        e->pause = NAME_PAUSE;
        placeCursor(e);
    } else if (lastKeyTyped == INPUT_ACTION || lastKeyTyped == INPUT_RIGHT) {
        return confirmLetter(e);
    } else if (lastKeyTyped == INPUT_START) {
        return 1;
    }
    return 0;
}

int nameEntryPass(NameEntry *e) {
    // After a change the input waits: that paces the held directions.
    if (e->pause > 0) {
        e->pause--;
        return 0;
    }
    checkKey(0);
    return nameEntryInput(e);
}

void nameEntryResult(const NameEntry *e, char out[NAME_LENGTH + 1]) {
    memset(out, 0, NAME_LENGTH + 1);
    memcpy(out, e->name, e->pos < NAME_LENGTH ? e->pos : NAME_LENGTH);
}

// One frame of the screen into `screen` (no flip).
static void nameEntryDraw(const NameEntry *e) {
    // Dimmed again every frame: the game picture behind fades to black.
    darken();
    drawTextCenterAt(screen, text(TEXT_ENTER_NAME), 80, fontbig);
    fillRect(screen, COLUMNS_X, CONFIRM_TOP, NAME_LENGTH * COLUMN_W, 1, DGREY);
    drawTextCenterAt(screen, e->cursor, 124, fontbig);
    drawTextCenterAt(screen, e->name, 136, fontbig);
    drawTextAt(screen, ">", 240, 136, fontbig);
    drawTextCenterAt(screen, e->cursor, 148, fontbig);
    fillRect(screen, COLUMNS_X, CONFIRM_BOTTOM, NAME_LENGTH * COLUMN_W, 1, DGREY);
}

// The key that finished the entry must not act on the next screen.
static void waitFinishRelease() {
    while (lastKeyTyped == INPUT_START || lastKeyTyped == INPUT_ACTION ||
           lastKeyTyped == INPUT_OTHER) {
        checkKey(0);
        sysDelay(RELEASE_WAIT_MS);
    }
}

static int enterName() {
    NameEntry e;
    nameEntryStart(&e);
    initFPS();
    while (!nameEntryPass(&e)) {
        if (controlFPS()) {
            nameEntryDraw(&e);
            flipScreen();
        }
    }
    waitFinishRelease();
    char name[NAME_LENGTH + 1];
    nameEntryResult(&e, name);
    int row = saveHiscores(score, name);
    if (replayTracing()) {
        // Spaces as underscores keep the name one word of the trace.
        char shown[NAME_LENGTH + 1];
        for (int i = 0; i <= NAME_LENGTH; i++)
            shown[i] = name[i] == ' ' ? '_' : name[i];
        char details[64];
        snprintf(details, sizeof details, "row=%d score=%d name=%s", row, score, shown);
        replayNote("hiscore", details);
    }
    return row;
}

int checkHiscore() {
    hsRank = -1;
    if (score <= hiscores[HISCORE_ROWS - 1].score)
        return -1;
    if (replayTracing()) {
        char details[32];
        snprintf(details, sizeof details, "score=%d", score);
        replayNote("nameentry", details);
    }
    return enterName();
}
