#pragma once

// The play screen's scenery: the hero MARUK, the totem, the sun, the birds
// and the flowers. Advanced once per frame by the game loop.

// The hero's animations, indexes of lionAnims.
enum {
    LION_WAKE_UP = 0, // after the jump, or woken from sleep
    LION_BLINK = 1,
    LION_LONG_BLINK = 2,
    LION_JUMP = 3, // a won level
    LION_IDLE = 4,
    LION_ASLEEP = 5,
    LION_PICK = 6, // with the picking hand
    LION_ANIMS = 7,
};

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

extern const LionAnimation lionAnims[LION_ANIMS]; // the hero's animations
extern const int lionSfx[LION_ANIMS];             // sound id of each animation, or -1

extern int curLionAnim;     // the hero's animation (LION_*)
extern int curLionFrame;    // its frame; the hero sheet has a column per animation
extern int curLionLoop;     // its passes left
extern int curLionCount;    // game frames until the hero's next frame
extern int sleepTime;       // play frames without input; the hero falls asleep at SLEEP_FRAMES
extern int curTotemWait;    // frames until the totem moves again; 0 while it moves
extern int curTotemAnim;    // its animation, 0 ... 4
extern int curTotemFrame;   // its frame, 0 ... 2
extern int curTotemLoop;    // its passes left
extern int curTotemCount;   // game frames until its next frame
extern int curSunAnim;      // the sun's frame, 0 ... 2
extern int curSunCount;     // game frames until its next frame
extern int birdAnimWait;    // frames until a bird flies across; 0 while one flies
extern int birdAngle;       // the flying bird's wobble, an angle of tsin
extern int birdDA;          // the wobble's step per move, 0 for a straight flight
extern FlyingBird birdAnim; // the bird flying across
extern WaitingBird waitingBirds[4]; // the sitting birds, each shown or not for the level
extern FlowerSlot animFlower[16];   // a flower under each column: play board, then target
extern int flowerUp;                // a flower grows or opens: no other starts
extern int curBirdsBlock;           // the bird sheet in use, 0 or 1
extern int curFlowersBlock;         // the flower sheet in use, 0 or 1

extern const int tsin[512]; // 1024 sin(2 pi i / 512), truncated (sintables.cpp)
extern const int tcos[512]; // 1024 cos(2 pi i / 512), truncated

// The scenery as a level starts: the hero idle and awake, the totem and the
// birds waiting their first turn, new waiting birds, no flower. Draws from
// rand.
void resetScenery();
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
