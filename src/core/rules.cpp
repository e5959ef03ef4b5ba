#include "core/rules.h"

#include "core/anim.h"
#include "core/level.h"

#include <cstdlib>

int actionX = 0, actionY = 0;
int score = 0;
int lives = 0;

enum { LIFE_POINTS = 2500 };

// Neighbours of a pick, in the order their delays are drawn.
static const int neighbourDx[4] = {-1, 1, 0, 0};
static const int neighbourDy[4] = {0, 0, -1, 1};

int switchTile(int x, int y, int steps, int delay) {
    if (x < 0 || x >= BOARD_W || y < 0 || y >= BOARD_H)
        return 0;
    int v = currentLevel[x + BOARD_W * y];
    if (v == 0)
        return 0;
    if (v < steps)
        steps = v; // a fruit of value 1 can only lose one step
    removeShine(x, y);
    // The cell keeps its value until the morph completes.
    if (!addTransform(v - steps, x, y, delay + 1, 32 * steps - 1))
        return 0;
    return steps;
}

int doSwitch() {
    int s = switchTile(actionX, actionY, 2, 0);
    if (s < 1)
        return s;
    for (int i = 0; i < 4; i++) {
        // Drawn for every neighbour, on the board or not, to keep the
        // random sequence independent of where the pick lands.
        int r = rand();
        switchTile(actionX + neighbourDx[i], actionY + neighbourDy[i], 1, (r & 31) + 8 * (s - 1));
    }
    return s;
}

void removeShine(int x, int y) {
    int kept = 0;
    for (int i = 0; i < curShine; i++) {
        const Shine s = animShine[i];
        int cell = s.x + 2 * BOARD_W * s.y;
        if (s.x == x && s.y == y) {
            currentShining[cell] = 0;
            continue;
        }
        animShine[kept++] = s;
        currentShining[cell] = static_cast<uint8_t>(kept);
    }
    curShine = kept;
}

int haveMadeit() {
    if (curTrans != 0 || curMove != 0)
        return 0;
    for (int y = 0; y < BOARD_H; y++)
        for (int x = 0; x < BOARD_W; x++)
            if (currentLevel[x + BOARD_W * y] != currentSource[targetCell(x, y)])
                return 0;
    return 1;
}

int addScore(int points) {
    int old = score;
    score = old + points;
    lives += score / LIFE_POINTS - old / LIFE_POINTS;
    return lives;
}
