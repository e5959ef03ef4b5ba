#pragma once

// The four animation queues that carry board changes out over time. Live
// records are packed at the front of each array in the order they were added.

enum { ANIM_QUEUE_SIZE = 80 };

struct Transform { // a play-board fruit counting down one or two steps
    int x, y;
    int frames; // frames left
    int target; // value written when the morph completes
    int delay;  // frames before it starts
};

struct Move {   // a fruit falling down its column
    int x, y;   // column and start row
    int pixels; // pixels fallen
    int value;  // fruit value
    int delay;  // frames before it starts
};

struct Shine {  // a glint on a fruit of either board
    int x, y;   // x 0 ... 15, 8 ... 15 being the target board
    int phase;  // 0 ... 3
    int base;   // tile frame of phase 0
    int frames; // frames left in this phase
};

struct Eject {  // a small fruit thrown off the board
    int x, y;   // board pixels
    int dx, dy; // speed
    int value;  // fruit value
};

extern Transform animTrans[ANIM_QUEUE_SIZE];      // the morphs
extern Move animMove[ANIM_QUEUE_SIZE];            // the falls
extern Shine animShine[ANIM_QUEUE_SIZE];          // the glints
extern Eject animEject[ANIM_QUEUE_SIZE];          // the thrown fruits
extern int curTrans, curMove, curShine, curEject; // live records of each queue

extern const int eject_dx[4]; // sideways speeds of ejects, taken in turn
extern int eject_id;          // ejects thrown so far: the next speed's turn

// Appends write the record at position count, raise the count and return
// the record; a full queue or a cell off the board gives null and writes
// nothing (play never comes near either).
Transform *addTransform(int target, int x, int y, int delay, int frames);
Move *addMove(int value, int x, int y, int delay);
Shine *addShine(int base, int x, int y, int frames);
Eject *addEject(int value, int x, int y);

void doTrans();
void doMove();
void doShine();
void doEject();
