#pragma once

// A busy play frame, for the play-frame benchmark and the tests that compare
// whole frames: a full board on both sides, a morph and a fall running, the
// hero, a flower and a bird at `birdX`.

#include "core/anim.h"
#include "core/level.h"
#include "core/playscreen.h"
#include "core/rules.h"
#include "front/scenery.h"

#include <cstdlib>
#include <cstring>

inline void setBusyBoard(int birdX) {
    srand(1);
    currentSource = testLevel;
    for (int y = 0; y < BOARD_H; y++) {
        for (int x = 0; x < BOARD_W; x++) {
            currentLevel[x + 8 * y] = rand() % 5 + 1;
            testLevel[16 * y + 8 + x] = static_cast<uint8_t>(rand() % 5 + 1);
        }
    }
    memset(currentTrans, 0, sizeof currentTrans);
    memset(currentShining, 0, sizeof currentShining);
    animTrans[0] = Transform{3, 3, 40, 2, 0};
    curTrans = 1;
    currentTrans[3 + 8 * 3] = 1;
    animMove[0] = Move{5, 1, 7, 4, 0};
    curMove = 1;
    curShine = curEject = 0;
    currentTime = 0;
    endTime = 60000;
    currentMoves = 20;
    score = 12345;
    curTotemWait = 0;
    curLionAnim = 4;
    curLionFrame = 1;
    birdAnimWait = 0;
    birdAnim = FlyingBird{birdX, 40, -4, 0, 5, 6, 0};
    for (FlowerSlot &f : animFlower)
        f.idle = 1;
    animFlower[0] = FlowerSlot{0, 5, 60, 40, 0, 4};
}
