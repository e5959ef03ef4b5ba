#include "front/scenery.h"

#include "core/anim.h"
#include "core/level.h"
#include "core/playscreen.h"
#include "front/stuff.h"
#include "platform/gfx_sdl.h"
#include "sound/sound.h"

#include <algorithm>
#include <cstdlib>

const LionAnimation lionAnims[LION_ANIMS] = {
    {3, 0, 1, LION_IDLE},      // waking up, after the jump
    {4, 0, 1, LION_IDLE},      // blink
    {6, 0, 1, LION_IDLE},      // long blink
    {7, 0, 2, LION_WAKE_UP},   // jump for a won level
    {3, 0, 1, LION_IDLE},      // idle
    {6, 4, 128, LION_WAKE_UP}, // asleep, frames 4 and 5 looping
    {3, 0, 1, LION_IDLE},      // picking
};
const int lionSfx[LION_ANIMS] = {
    SFX_MARUK_EYESSHORT, // waking up
    SFX_MARUK_EYESHORT,  // blink
    SFX_MARUK_EYELONG,   // long blink
    SFX_MARUK_JUMP,      // jump
    -1,                  // idle
    SFX_MARUK_SLEEP,     // asleep
    -1,                  // picking
};

int curLionAnim, curLionFrame, curLionLoop, curLionCount, sleepTime;
int curTotemWait, curTotemAnim, curTotemFrame, curTotemLoop, curTotemCount;
int curSunAnim, curSunCount;
int birdAnimWait, birdAngle, birdDA;
FlyingBird birdAnim;
WaitingBird waitingBirds[4];
FlowerSlot animFlower[16];
int flowerUp;
int curBirdsBlock, curFlowersBlock;

void setLionAnim(int animation) {
    curLionAnim = animation;
    curLionFrame = 0;
    curLionLoop = lionAnims[animation].loops;
    // The jump sounds at its third frame instead (doLionAnim).
    if (lionSfx[animation] != -1 && animation != LION_JUMP)
        playSFX(lionSfx[animation]);
}

void lionWakeUp() {
    sleepTime = 0;
    if (curLionAnim == LION_ASLEEP)
        setLionAnim(LION_WAKE_UP);
}

enum {
    LION_STEP = 10,   // game frames per hero frame
    TOTEM_STEP = 12,  // game frames per totem frame
    SUN_STEP = 16,    // game frames per sun frame
    BIRD_STEP_H = 6,  // game frames per move of a bird crossing sideways
    BIRD_STEP_V = 12, // ... and of one crossing up or down
    FLOWER_GROW = 4,  // game frames per pixel of stem
    FLOWER_OPEN = 6,  // game frames per step of an opening head
    FLOWER_BASE = 224,
};

void resetScenery() {
    setLionAnim(LION_IDLE);
    curLionCount = LION_STEP;
    curTotemAnim = 0;
    curTotemFrame = 0;
    curTotemLoop = 1;
    curTotemCount = TOTEM_STEP;
    curTotemWait = 300 + 60 * (rand() & 15);
    curSunAnim = 0;
    curSunCount = 1;
    birdAnimWait = 300 + 60 * (rand() & 3);
    sleepTime = 0;
    for (FlowerSlot &flower : animFlower)
        flower.idle = 1;
    for (int i = 0; i < 4; i++) {
        WaitingBird &bird = waitingBirds[i];
        bird.visible = rand() & 1;
        if (bird.visible) {
            bird.wait = 16 + (rand() & 15);
            bird.frame = 2 + (rand() & 1);
            bird.x = 192 + 16 * i;
            bird.y = i < 2 ? 36 : 34;
        }
    }
    flowerUp = 0;
}

void doLionAnim() {
    if (--curLionCount != 0)
        return;
    curLionFrame++;
    const LionAnimation &a = lionAnims[curLionAnim];
    if (curLionFrame == a.frames) {
        curLionLoop--;
        if (curLionLoop < 1) {
            setLionAnim(a.next);
        } else {
            curLionFrame = a.loopStart;
            // The jump sounds on its own frame; sleep snores every fourth pass.
            int quiet =
                curLionAnim == LION_JUMP || (curLionAnim == LION_ASLEEP && curLionLoop % 4 != 0);
            if (!quiet && lionSfx[curLionAnim] != -1)
                playSFX(lionSfx[curLionAnim]);
        }
    } else if (curLionAnim == LION_JUMP && curLionFrame == 3) {
        playSFX(SFX_MARUK_JUMP);
    }
    curLionCount = LION_STEP;
}

static void startTotem() {
    curTotemAnim = rand() % 5;
    curTotemLoop = (rand() & 3) + 1;
    curTotemCount = TOTEM_STEP;
    curTotemFrame = 0;
    playSFX(SFX_TOTEM_ANIM);
}

static void doTotem() {
    if (curTotemWait != 0) {
        if (--curTotemWait == 0)
            startTotem();
        return;
    }
    if (--curTotemCount != 0)
        return;
    curTotemCount = TOTEM_STEP;
    if (++curTotemFrame <= 2)
        return;
    curTotemFrame = 0;
    if (--curTotemLoop > 0)
        playSFX(SFX_TOTEM_ANIM);
    else
        curTotemWait = (rand() & 7) * 60 + 300;
}

static void doSun() {
    if (--curSunCount != 0)
        return;
    curSunCount = SUN_STEP;
    curSunAnim = (curSunAnim + 1) % 3;
}

static void startBird() {
    FlyingBird &b = birdAnim;
    b.vertical = rand() & 1;
    if (b.vertical) {
        b.dx = 0;
        if (rand() & 1) {
            b.y = -15, b.dy = 4, b.frame = 1;
        } else {
            b.y = 239, b.dy = -4, b.frame = 0;
        }
        b.x = (rand() & 255) + 32;
    } else {
        b.dy = 0;
        if (rand() & 1) {
            b.x = -15, b.dx = 4, b.frame = 1;
        } else {
            b.x = 319, b.dx = -4, b.frame = 0;
        }
        b.y = rand() % 208 + 8;
    }
    b.count = BIRD_STEP_H;
    int wobble = rand() & 7;
    if (wobble < 4) {
        birdDA = 0;
        birdAngle = 0;
    } else {
        birdAngle = rand() % 512;
        birdDA = (wobble - 3) * 2;
    }
    playSFX(SFX_BIRD_FLYING);
}

// One move; returns 1 when the bird has left the screen.
static int moveBirdVertically(FlyingBird &b) {
    b.y += b.dy;
    if ((b.dy > 0 && b.y >= 240) || (b.dy < 0 && b.y < -15))
        return 1;
    if (b.frame == 13) {
        b.frame = 12;
        playSFX(SFX_BIRD_FLYING);
    } else {
        b.frame = 13;
    }
    b.count = BIRD_STEP_V;
    return 0;
}

static int moveBirdSideways(FlyingBird &b) {
    b.x += b.dx;
    if ((b.dx > 0 && b.x >= 320) || (b.dx < 0 && b.x < -15))
        return 1;
    if (b.frame + 5 >= 15) {
        b.frame -= 10;
        playSFX(SFX_BIRD_FLYING);
    } else {
        b.frame += 5;
    }
    b.count = BIRD_STEP_H;
    return 0;
}

static void doFlyingBird() {
    if (birdAnimWait != 0) {
        if (--birdAnimWait == 0)
            startBird();
        return;
    }
    if (--birdAnim.count != 0)
        return;
    int gone = birdAnim.vertical ? moveBirdVertically(birdAnim) : moveBirdSideways(birdAnim);
    if (gone)
        birdAnimWait = (rand() & 3) * 60 + 900;
    birdAngle += birdDA;
}

static void growFlower(FlowerSlot &f) {
    if (--f.wait != 0)
        return;
    if (f.growing) {
        if (++f.height == f.maxHeight) {
            f.growing = 0;
            playSFX(SFX_FLOWER_GROW);
        }
        f.wait = FLOWER_GROW;
        return;
    }
    if (f.bloom < 4 && ++f.bloom == 4)
        flowerUp = 0;
    f.wait = FLOWER_OPEN;
}

// Flowers grow only from columns whose bottom cell is empty: the play board
// for slots 0 ... 7, the target board for slots 8 ... 15.
static int columnBottomEmpty(int slot) {
    if (slot < BOARD_W)
        return currentLevel[slot + BOARD_W * (BOARD_H - 1)] == 0;
    return currentSource[targetCell(slot - BOARD_W, BOARD_H - 1)] == 0;
}

static void startFlower(FlowerSlot &f) {
    f.idle = 0;
    f.growing = 1;
    f.bloom = 0;
    f.height = 0;
    f.maxHeight = rand() % 128 + 32;
    flowerUp = 1;
    f.wait = (rand() % 10) * 60 + 120;
}

static void doFlowers() {
    for (int s = 0; s < 16; s++) {
        FlowerSlot &f = animFlower[s];
        if (!f.idle) {
            growFlower(f);
            continue;
        }
        if (flowerUp != 0 || curMove != 0 || curEject != 0 || curTrans != 0)
            continue;
        int draw = rand() & 7;
        if (draw == 0 && columnBottomEmpty(s)) {
            startFlower(f);
            return;
        }
    }
}

static void doWaitingBirds() {
    for (WaitingBird &b : waitingBirds) {
        if (!b.visible || --b.wait != 0)
            continue;
        b.frame = b.frame + 5 >= 11 ? b.frame - 5 : b.frame + 5;
        b.wait = (rand() & 15) + 16;
    }
}

void doBgAnims() {
    doTotem();
    doSun();
    doFlyingBird();
    doFlowers();
    doWaitingBirds();
}

void drawSun() {
    blitImage(sunBlocks[curSunAnim], 192, 0, screen);
}

void drawTotem() {
    blitImage(totemBlocks[curTotemFrame * 5 + curTotemAnim], 144, 192, screen);
}

void drawLion() {
    blitImage(lionBlocks[curLionFrame * LION_ANIMS + curLionAnim], 144, 175, screen);
}

// The top `rows` rows of a cell, with their top at (x, y).
static void blitRows(SDL_Surface *cell, int rows, int x, int y) {
    SDL_Rect src = {0, 0, static_cast<Uint16>(cell->w), static_cast<Uint16>(rows)};
    SDL_Rect dst = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    blitSurface(cell, &src, screen, &dst);
}

static void drawFlower(int slot, const FlowerSlot &f) {
    SDL_Surface **cells = flowersBlocks[curFlowersBlock];
    // Under the board columns, as columnBottomEmpty counts them.
    int x = slot < BOARD_W ? BOARD_X + CELL_SIZE * slot : TARGET_X + CELL_SIZE * (slot - BOARD_W);
    SDL_Surface *head = cells[f.growing ? 0 : f.bloom];
    if (f.height > 0)
        blitRows(head, std::min(f.height, 16), x, FLOWER_BASE - f.height);
    int piece = 5;
    for (int r = f.height - 16; r > 0; r -= 16) {
        blitRows(cells[piece], std::min(r, 16), x, FLOWER_BASE - r);
        piece = piece == 5 ? 6 : 5;
    }
}

void drawFlowers() {
    for (int s = 0; s < 16; s++) {
        if (!animFlower[s].idle)
            drawFlower(s, animFlower[s]);
    }
}

void drawWaitingBirds() {
    for (const WaitingBird &b : waitingBirds) {
        if (b.visible)
            blitImage(birdsBlocks[curBirdsBlock][b.frame], b.x, b.y, screen);
    }
}

void drawFlyingBird() {
    const FlyingBird &b = birdAnim;
    int w = tsin[birdAngle & 511] >> 6;
    SDL_Surface *cell = birdsBlocks[curBirdsBlock][b.frame];
    if (b.vertical)
        blitImage(cell, b.x + w, b.y, screen);
    else
        blitImage(cell, b.x, b.y + w, screen);
}
