#include "front/scenery.h"

#include "sound/sound.h"

const LionAnimation lionAnims[7] = {
    {3, 0, 1, 4},   // waking up, after the jump
    {4, 0, 1, 4},   // blink
    {6, 0, 1, 4},   // long blink
    {7, 0, 2, 0},   // jump for a won level
    {3, 0, 1, 4},   // idle
    {6, 4, 128, 0}, // asleep, frames 4 and 5 looping
    {3, 0, 1, 4},   // picking
};
const int lionSfx[7] = {10, 9, 8, 11, -1, 12, -1};

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
    if (lionSfx[animation] != -1 && animation != 3)
        playSFX(lionSfx[animation]);
}

void lionWakeUp() {
    sleepTime = 0;
    if (curLionAnim == 5)
        setLionAnim(0);
}
