#include "core/anim.h"

#include "core/level.h"
#include "core/rules.h"
#include "sound/sound.h"

#include <cstdlib>

Transform animTrans[ANIM_QUEUE_SIZE];
Move animMove[ANIM_QUEUE_SIZE];
Shine animShine[ANIM_QUEUE_SIZE];
Eject animEject[ANIM_QUEUE_SIZE];
int curTrans = 0, curMove = 0, curShine = 0, curEject = 0;

const int eject_dx[4] = {-4, 2, -2, 4};
int eject_id = 0;

enum {
    SFX_TILE = 2,      // "menu_control": a morph starts, a fall lands
    EJECT_FLOOR = 240, // ejects leave the queue below the screen
    EJECT_MAX_FALL = 8,
    FALL_PIXELS = 16, // one cell
};

// Play never fills a queue (at most 5 morphs per pick, one fall per lifted
// fruit, a shine lives 16 frames with at most one new per frame, a pick
// throws at most 6 ejects), so a full queue means a caller bug: the append
// is refused rather than written past the array.

Transform *addTransform(int target, int x, int y, int delay, int frames) {
    if (curTrans >= ANIM_QUEUE_SIZE)
        return nullptr;
    Transform *t = &animTrans[curTrans++];
    *t = Transform{x, y, frames, target, delay};
    currentTrans[x + BOARD_W * y] = static_cast<uint8_t>(curTrans);
    return t;
}

Move *addMove(int value, int x, int y, int delay) {
    if (curMove >= ANIM_QUEUE_SIZE)
        return nullptr;
    Move *m = &animMove[curMove++];
    *m = Move{x, y, 0, value, delay};
    return m;
}

Shine *addShine(int base, int x, int y, int frames) {
    if (curShine >= ANIM_QUEUE_SIZE)
        return nullptr;
    Shine *s = &animShine[curShine++];
    *s = Shine{x, y, 0, base, frames};
    currentShining[x + 2 * BOARD_W * y] = static_cast<uint8_t>(curShine);
    return s;
}

Eject *addEject(int value, int x, int y) {
    if (curEject >= ANIM_QUEUE_SIZE)
        return nullptr;
    Eject *e = &animEject[curEject++];
    *e = Eject{FALL_PIXELS * x, FALL_PIXELS * y, eject_dx[eject_id % 4], -4, value};
    eject_id++;
    return e;
}

// Lifts every fruit above the lowest empty cell of each column that no
// running morph overhangs; the rand() draws (one per column, one per fruit
// lifted) are part of the game's sequence.
static void fallScan() {
    int topMorph[BOARD_W];
    for (int x = 0; x < BOARD_W; x++)
        topMorph[x] = BOARD_H;
    for (int i = 0; i < curTrans; i++) {
        const Transform &t = animTrans[i];
        if (t.y < topMorph[t.x])
            topMorph[t.x] = t.y;
    }
    for (int x = 0; x < BOARD_W; x++) {
        int r = rand();
        int e = BOARD_H - 1;
        while (e >= 1 && (currentLevel[x + BOARD_W * e] != 0 || topMorph[x] < e))
            e--;
        if (e < 1)
            continue;
        int delay = r & 7;
        for (int y = e - 1; y >= 0; y--) {
            int &cell = currentLevel[x + BOARD_W * y];
            if (cell == 0)
                continue;
            // A refused append leaves the fruit where it is, so none is lost.
            if (addMove(cell, x, y, delay))
                cell = 0;
            delay += rand() & 3;
        }
    }
}

void doTrans() {
    if (curTrans < 1)
        return;
    int kept = 0;
    bool completed = false;
    for (int i = 0; i < curTrans; i++) {
        Transform t = animTrans[i];
        int cell = t.x + BOARD_W * t.y;
        if (t.delay > 0) {
            if (--t.delay == 0)
                playSFX(SFX_TILE);
        } else if (--t.frames <= 0) {
            currentLevel[cell] = t.target;
            currentTrans[cell] = 0;
            if (t.target == 0)
                currentCount--;
            completed = true;
            continue;
        } else if ((t.frames & 31) == 16) { // halfway through a step
            int points = t.target + 1;
            addScore(points);
            addEject(points, t.x, t.y);
        }
        animTrans[kept++] = t;
        currentTrans[cell] = static_cast<uint8_t>(kept);
    }
    curTrans = kept;
    if (completed)
        fallScan();
}

// Falls arriving at a cell in the same frame land lowest first, so a fruit
// always sees the one below it already landed. Lifts of one column made by
// different scans sit in the queue top lift first; stepping them strictly in
// queue order would let an upper fruit pass a lower one that lands in the
// same frame and then land on top of it, losing a fruit.
static void landArrivals(const int *arrivedRow, bool *landed) {
    for (int row = BOARD_H - 1; row >= 0; row--)
        for (int i = 0; i < curMove; i++) {
            if (arrivedRow[i] != row)
                continue;
            const Move &m = animMove[i];
            if (row == BOARD_H - 1 || currentLevel[m.x + BOARD_W * (row + 1)] != 0) {
                currentLevel[m.x + BOARD_W * row] = m.value;
                playSFX(SFX_TILE);
                landed[i] = true;
            }
        }
}

void doMove() {
    int arrivedRow[ANIM_QUEUE_SIZE];
    bool landed[ANIM_QUEUE_SIZE];
    int arrivals = 0;
    for (int i = 0; i < curMove; i++) {
        Move &m = animMove[i];
        arrivedRow[i] = -1;
        landed[i] = false;
        if (m.delay > 0) {
            m.delay--;
        } else if (++m.pixels % FALL_PIXELS == 0) {
            arrivedRow[i] = m.y + m.pixels / FALL_PIXELS;
            arrivals++;
        }
    }
    if (arrivals == 0)
        return;
    landArrivals(arrivedRow, landed);
    int kept = 0;
    for (int i = 0; i < curMove; i++)
        if (!landed[i])
            animMove[kept++] = animMove[i];
    curMove = kept;
}

void doShine() {
    int kept = 0;
    for (int i = 0; i < curShine; i++) {
        Shine s = animShine[i];
        int cell = s.x + 2 * BOARD_W * s.y;
        if (--s.frames <= 0) {
            if (++s.phase >= 4) {
                currentShining[cell] = 0;
                continue;
            }
            s.frames = 4;
        }
        animShine[kept++] = s;
        currentShining[cell] = static_cast<uint8_t>(kept);
    }
    curShine = kept;
}

void doEject() {
    if (curEject < 1) {
        curEject = 0;
        return;
    }
    int kept = 0;
    for (int i = 0; i < curEject; i++) {
        Eject e = animEject[i];
        e.y += e.dy;
        if (e.y >= EJECT_FLOOR)
            continue;
        if (e.dy < EJECT_MAX_FALL)
            e.dy++;
        e.x += e.dx;
        if (e.dx < 0)
            e.dx++;
        else if (e.dx > 0)
            e.dx--;
        animEject[kept++] = e;
    }
    curEject = kept;
}
