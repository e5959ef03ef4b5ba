#pragma once

// The rules of a pick: which cells change, by how much and when.

extern int actionX, actionY; // cell of the pick being carried out
extern int score;
extern int lives;

int doSwitch();
int switchTile(int x, int y, int steps, int delay);
void removeShine(int x, int y);
int haveMadeit();
int addScore(int points);
