#include "core/rules.h"

int actionX = 0, actionY = 0;
int score = 0;
int lives = 0;
