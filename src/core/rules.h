#pragma once

// The rules of a pick: which cells change, by how much and when.

extern int actionX, actionY; // cell of the pick being carried out
extern int score;            // points of the game so far
extern int lives;            // lives left, the one being played included

int doSwitch();
int switchTile(int x, int y, int steps, int delay);
void removeShine(int x, int y);
int haveMadeit();
int addScore(int points);
