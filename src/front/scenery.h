#pragma once

// The play screen's scenery: the hero MARUK, the totem, the sun, the birds
// and the flowers. Advanced once per frame by the game loop.

struct LionAnimation {
    int frames;    // frames of one pass
    int loopStart; // frame to go back to for the next pass
    int loops;     // number of passes
    int next;      // animation that follows
};

struct FlyingBird {
    int x, y;
    int dx, dy;
    int frame;
    int count;
    int vertical;
};

struct WaitingBird {
    int x, y;
    int wait;
    int frame;
    int visible;
};

struct FlowerSlot {
    int idle;
    int wait;
    int maxHeight;
    int height;
    int growing;
    int bloom;
};

extern const LionAnimation lionAnims[7];
extern const int lionSfx[7];

extern int curLionAnim, curLionFrame, curLionLoop, curLionCount, sleepTime;
extern int curTotemWait, curTotemAnim, curTotemFrame, curTotemLoop, curTotemCount;
extern int curSunAnim, curSunCount;
extern int birdAnimWait, birdAngle, birdDA;
extern FlyingBird birdAnim;
extern WaitingBird waitingBirds[4];
extern FlowerSlot animFlower[16];
extern int flowerUp;
extern int curBirdsBlock, curFlowersBlock;

extern const int tsin[512];
extern const int tcos[512];

void setLionAnim(int animation);
void lionWakeUp();
void doLionAnim();
void doBgAnims();

// Drawing pieces, each into `screen`; the play screen calls them in its
// layer order.
void drawSun();
void drawTotem();
void drawLion();
void drawFlowers();
void drawWaitingBirds();
void drawFlyingBird();
