#include "core/driver.h"

#include "core/anim.h"
#include "core/level.h"
#include "core/rules.h"

#include <cstring>

void driverLoadBoard(const int *cells) {
    currentCount = 0;
    for (int i = 0; i < BOARD_CELLS; i++) {
        currentLevel[i] = cells[i];
        if (cells[i])
            currentCount++;
    }
    memset(currentTrans, 0, sizeof currentTrans);
    memset(currentShining, 0, sizeof currentShining);
    curTrans = curMove = curShine = curEject = curAction = 0;
}

void driverLoadRecord(uint8_t *record) {
    int cells[BOARD_CELLS];
    for (int y = 0; y < BOARD_H; y++)
        for (int x = 0; x < BOARD_W; x++)
            cells[x + BOARD_W * y] = record[startCell(x, y)];
    driverLoadBoard(cells);
    currentSource = record;
}

int driverBoardStill() {
    return curTrans == 0 && curMove == 0 && curAction == 0;
}

void driverStepFrame() {
    // Morphs finish before falls move, as in the game loop.
    if (curTrans > 0)
        doTrans();
    else if (curMove > 0)
        doMove();
    if (curShine > 0)
        doShine();
    if (curEject > 0)
        doEject();
}

int driverRunToStill() {
    int frames = 0;
    while (curTrans > 0 || curMove > 0) {
        driverStepFrame();
        frames++;
    }
    return frames;
}

int driverPick(int x, int y, int *frames) {
    driverRunToStill();
    actionX = x;
    actionY = y;
    int steps = doSwitch();
    int stepped = driverRunToStill();
    if (frames)
        *frames = stepped;
    return steps;
}
