#pragma once

#include <SDL/SDL.h>

// Pictures and sprite sheets shared by several screens, the title scroller's
// state and the game flags.

// Loaded once at start-up, in the order of the picture table.
extern SDL_Surface *logo, *timebar, *timebar2, *gameover, *kitty, *pauseTitle;
extern SDL_Surface *backgrounds[4]; // play screen, chosen by level & 3
extern SDL_Surface *menubkg[3];     // title screen layers

// Half-transparent band behind the title scroller.
extern SDL_Surface *scrollBack;

// Cell arrays: one surface per cell of a sheet, row by row, then a null.
extern SDL_Surface **blocks[2];                              // tile sheets, chosen by curBlock
extern SDL_Surface **lionBlocks, **totemBlocks, **sunBlocks; // the scenery's sheets
extern SDL_Surface **optionsBlocks;                          // the pause menu's icons
extern SDL_Surface **birdsBlocks[2], **flowersBlocks[2];     // chosen by curBirdsBlock, ...
extern SDL_Surface **butterflyBlocks;                        // the congratulations' butterfly

extern const char *scroller; // scroll text of the title, or null
extern int scrollmax;        // its length
extern int scrollidx;        // first character shown
extern int scrolldx;         // phase within that character, 0 ... 15

extern int escape;   // leave the current loop
extern int paused;   // the game in progress is paused
extern int hsRank;   // hiscore row to highlight, -1 none
extern int workflow; // menu state

// Resets the flags, cuts the sprite sheets, loads the effects and forgets the
// saved game; when the menu starts.
void initStuff();
void initVars();
void initVars0();
// Cuts picture `name` into cells of cellWidth x cellHeight; partial cells at
// the right and bottom are dropped.
SDL_Surface **initBlocks(const char *name, int cellWidth, int cellHeight, int keyed);
void freeBlocks(SDL_Surface **cells);
void prepareScrollBack();

// Start-up: loads the picture table in its order.
void loadPictures();
// Shutdown: the pictures, then the cell arrays that were made.
void freePictures();
void freeAllBlocks();
