// Renders play frames headless, one BMP per scene, to look at the play
// screen without playing: playshots <folder>, run from build/ (needs data/).
#include "core/anim.h"
#include "core/level.h"
#include "core/playscreen.h"
#include "core/rules.h"
#include "front/defines.h"
#include "front/scenery.h"
#include "front/stuff.h"
#include "platform/gfx_sdl.h"
#include "play_display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Scene {
    const char *name;
    int level;
    void (*set)();
};

void resetState() {
    srand(3);
    currentSource = testLevel;
    memset(testLevel, 0, sizeof testLevel);
    memset(currentLevel, 0, sizeof currentLevel);
    memset(currentTrans, 0, sizeof currentTrans);
    memset(currentShining, 0, sizeof currentShining);
    curTrans = curMove = curShine = curEject = 0;
    curAction = 0;
    paused = 0;
    slowMode = 0;
    currentTime = 0;
    endTime = 80000;
    currentMoves = 14;
    score = 4250;
    lives = 3;
    cursorX = 3;
    cursorY = 5;
    cursorA = 0;
    curTotemWait = 100;
    curLionAnim = 4;
    curLionFrame = 0;
    curSunAnim = 0;
    birdAnimWait = 100;
    for (FlowerSlot &f : animFlower)
        f = FlowerSlot{1, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; i++)
        waitingBirds[i] = WaitingBird{192 + 16 * i, i < 2 ? 36 : 34, 20, 2 + (i & 1), i != 2};
}

// Bottom rows filled, as a level usually is.
void fullBoard() {
    for (int y = 2; y < BOARD_H; y++) {
        for (int x = 0; x < BOARD_W; x++) {
            currentLevel[x + 8 * y] = rand() % 5 + 1;
            testLevel[16 * y + 8 + x] = static_cast<uint8_t>(rand() % 5 + 1);
        }
    }
}

void sceneFull() {
    fullBoard();
}

void sceneMorph() {
    fullBoard();
    const int cells[][4] = {{3, 5, 50, 2}, {2, 5, 22, 3}, {4, 5, 10, 1}, {3, 4, 30, 0}};
    for (const auto &c : cells) {
        animTrans[curTrans] = Transform{c[0], c[1], c[2], c[3], 0};
        currentTrans[c[0] + 8 * c[1]] = static_cast<uint8_t>(++curTrans);
    }
    animShine[0] = Shine{9, 6, 1, currentSource[16 * 6 + 9] + 7, 4};
    currentShining[9 + 16 * 6] = 1;
    curShine = 1;
    curAction = 20;
    actionX = 3;
    actionY = 5;
}

void sceneFalls() {
    fullBoard();
    for (int y = 0; y < 6; y++)
        currentLevel[2 + 8 * y] = 0;
    currentLevel[5 + 8 * 2] = 0;
    animMove[0] = Move{2, 3, 9, 4, 0};
    animMove[1] = Move{2, 4, 9, 2, 0};
    animMove[2] = Move{5, 1, 5, 5, 0};
    curMove = 3;
    animEject[0] = Eject{60, 20, -1, -2, 3};
    animEject[1] = Eject{80, 10, 1, -1, 2};
    curEject = 2;
}

void sceneSleeping() {
    fullBoard();
    curLionAnim = 5;
    curLionFrame = 5;
    curTotemWait = 0;
    curTotemAnim = 3;
    curTotemFrame = 1;
}

void sceneBird() {
    fullBoard();
    birdAnimWait = 0;
    birdAnim = FlyingBird{120, 30, -4, 0, 5, 6, 0};
    birdAngle = 100;
    curSunAnim = 1;
}

void sceneFlowers() {
    for (int x = 0; x < BOARD_W; x++) {
        for (int y = 0; y < 7; y++)
            currentLevel[x + 8 * y] = rand() % 5 + 1;
    }
    const int heights[] = {10, 40, 70, 100, 16, 32, 150, 0};
    for (int s = 0; s < 16; s++) {
        int h = heights[s % 8];
        if (h)
            animFlower[s] = FlowerSlot{0, 5, h, h, s % 3 == 0, s % 5};
    }
    lives = 1;
}

void scenePaused() {
    fullBoard();
    paused = 1;
    lives = 0;
}

const Scene scenes[] = {
    {"full", 0, sceneFull},         {"morph", 1, sceneMorph}, {"falls", 2, sceneFalls},
    {"sleeping", 3, sceneSleeping}, {"bird", 4, sceneBird},   {"flowers", 5, sceneFlowers},
    {"paused", 6, scenePaused},
};

} // namespace

int main(int argc, char **argv) {
    std::string out = argc > 1 ? argv[1] : ".";
    startDisplay(0, 16); // the 320 x 240 picture itself, unscaled
    for (const Scene &s : scenes) {
        resetState();
        s.set();
        drawScreen(s.level, 1, lives, 5);
        std::string path = out + "/" + s.name + ".bmp";
        if (SDL_SaveBMP(screen, path.c_str()) != 0)
            fprintf(stderr, "cannot write %s\n", path.c_str());
    }
    return 0;
}
