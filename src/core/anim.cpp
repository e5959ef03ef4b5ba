#include "core/anim.h"

Transform animTrans[ANIM_QUEUE_SIZE];
Move animMove[ANIM_QUEUE_SIZE];
Shine animShine[ANIM_QUEUE_SIZE];
Eject animEject[ANIM_QUEUE_SIZE];
int curTrans = 0, curMove = 0, curShine = 0, curEject = 0;

const int eject_dx[4] = {-4, 2, -2, 4};
int eject_id = 0;
