#include "core/anim.h"

#include "core/level.h"
#include "core/rules.h"
#include "sound/sound.h"

#include <climits>
#include <cstdlib>

Transform animTrans[ANIM_QUEUE_SIZE];
Move animMove[ANIM_QUEUE_SIZE];
Shine animShine[ANIM_QUEUE_SIZE];
Eject animEject[ANIM_QUEUE_SIZE];
int curTrans = 0, curMove = 0, curShine = 0, curEject = 0;

const int eject_dx[4] = {-4, 2, -2, 4};
int eject_id = 0;

enum {
    EJECT_FLOOR = 240, // ejects leave the queue below the screen
    EJECT_MAX_FALL = 8,
    FALL_PIXELS = 16, // one cell
};

// Play never fills a queue: a pick starts at most 5 morphs and only on a
// still board; at most 9 fruits per column are in flight (each lifted column
// keeps an empty cell); a shine lives 16 frames and the game adds at most one
// per frame; a pick throws at most 6 ejects, which are gone before the next
// pick's. So a full queue or a cell off the board means a caller bug: the
// append is refused rather than written past an array.

static bool inBoard(int x, int y, int width) {
    return x >= 0 && x < width && y >= 0 && y < BOARD_H;
}

Transform *addTransform(int target, int x, int y, int delay, int frames) {
    if (curTrans >= ANIM_QUEUE_SIZE || !inBoard(x, y, BOARD_W))
        return nullptr;
    Transform *t = &animTrans[curTrans++];
    *t = Transform{x, y, frames, target, delay};
    currentTrans[x + BOARD_W * y] = static_cast<uint8_t>(curTrans);
    return t;
}

Move *addMove(int value, int x, int y, int delay) {
    if (curMove >= ANIM_QUEUE_SIZE || !inBoard(x, y, BOARD_W))
        return nullptr;
    Move *m = &animMove[curMove++];
    *m = Move{x, y, 0, value, delay};
    return m;
}

Shine *addShine(int base, int x, int y, int frames) {
    if (curShine >= ANIM_QUEUE_SIZE || !inBoard(x, y, 2 * BOARD_W))
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
                playSFX(SFX_MENU_CONTROL);
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

static int fallTop(const Move &m) {
    return FALL_PIXELS * m.y + m.pixels;
}

// Puts the falls in stepping order: column by column, lowest fruit first.
static void sortFalls(int *order) {
    for (int i = 0; i < curMove; i++) {
        int j = i;
        const Move &m = animMove[i];
        while (j > 0) {
            const Move &prev = animMove[order[j - 1]];
            if (prev.x < m.x || (prev.x == m.x && fallTop(prev) > fallTop(m)))
                break;
            order[j] = order[j - 1];
            j--;
        }
        order[j] = i;
    }
}

// Each column's falls are stepped lowest first, and a fruit in flight never
// closes to less than a cell on the one below it. Lifts made by different
// scans of one column sit in the queue top lift first, and an upper fruit
// that started earlier could otherwise pass its landing check while the
// lower one is still in flight, then land on it and lose a fruit. Within one
// lift the lower fruits never start later, so neither rule changes anything
// there.
void doMove() {
    int order[ANIM_QUEUE_SIZE];
    bool landed[ANIM_QUEUE_SIZE];
    sortFalls(order);
    int column = -1, belowTop = 0;
    for (int k = 0; k < curMove; k++) {
        int i = order[k];
        Move &m = animMove[i];
        landed[i] = false;
        if (m.x != column) {
            column = m.x;
            belowTop = INT_MAX;
        }
        if (m.delay > 0) {
            m.delay--;
        } else {
            if (fallTop(m) + 1 <= belowTop - FALL_PIXELS)
                m.pixels++;
            // Checked on arrival at a cell, and again while held there.
            int row = m.y + m.pixels / FALL_PIXELS;
            if (m.pixels % FALL_PIXELS == 0 &&
                (row == BOARD_H - 1 || currentLevel[m.x + BOARD_W * (row + 1)] != 0)) {
                currentLevel[m.x + BOARD_W * row] = m.value;
                playSFX(SFX_MENU_CONTROL);
                landed[i] = true;
            }
        }
        belowTop = fallTop(m);
    }
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
