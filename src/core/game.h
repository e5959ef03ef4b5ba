#pragma once

#include <libmodplug/modplug.h>

// One game: level after level from a start level until the game is over, the
// last level is won, or the player leaves through the pause menu.

extern int canSolve; // the automatic solver may still be used in this game
extern int canUndo;  // currentUndo holds the board from before the last pick
extern int lameMode; // special mode: the solver is free and the solve key works

// State of the running game that the pause menu and the end screens share.
struct GameRun {
    int level;            // level being played, -1 on the test board
    int movesUsed;        // picks carried out in this attempt
    int solverOn;         // the automatic solver drives the cursor
    int solIndex;         // byte offset of the next pick; -1: reset the board first
    int undoAvailable;    // computed when the pause menu opens
    int musicPending;     // the old music fades out before the level's starts
    ModPlugFile *music;   // the piece loaded for this game, or null
    int restartRequested; // RESTART LEVEL was chosen
    int warning;          // frames until the next last-seconds warning sound
};
extern GameRun game; // the game run plays

// What a play frame ends in.
enum PlayOutcome {
    PLAY_ON,        // the attempt goes on
    PLAY_ESCAPE,    // EXIT was chosen
    PLAY_RESTART,   // RESTART LEVEL with lives left
    PLAY_WON,       // the board equals the target
    PLAY_LIFE_LOST, // time, moves or fruit ran out; lives are left
    PLAY_GAME_OVER, // ... and no life is left
};

enum {
    LEVEL_TIME = 120000,      // ms per level attempt
    LEVEL_TIME_SLOW = 240000, // with slowMode
    PICK_FRAMES = 32,         // frames of the picking hand
    SLEEP_FRAMES = 1000,      // frames without input before the hero sleeps
};

// Plays one game from `level` (0-based, -1 the test board). The two scroll
// positions are the title menu's, for the tutorial shown before level 0.
void run(int level, int scrollA = 0, int scrollB = 0);

// The steps of run, each on `g`.
void startGame(GameRun *g, int level);
// The level's piece: level / 12 mod 10 + 1 (1 on the test board).
int levelMusic(int level);
// At an attempt's start: keeps the piece, or fades the old one out and
// marks the change pending, or starts the level's piece.
void chooseMusic(GameRun *g);
// In a play frame: once the old piece has stopped, starts the pending one.
void musicChange(GameRun *g);
// Stops the game's piece, if any.
void stopGameMusic(GameRun *g);
// The special modes that the names in the hiscore table switch on, at the
// start of each attempt.
void applySpecialNames();
int endChecks(GameRun *g);
// Ticks in the last seconds of the level clock, every 67 frames.
void lastSecondsWarning(GameRun *g);
void pickingHand(GameRun *g);
// Shines, ejects, the hero and the scenery: what moves beside the board.
void stepDecorations();
void playerControls(GameRun *g);
void afterControls(GameRun *g);
void startPick();
void startSolver(GameRun *g);
void solverStep(GameRun *g);
void resetBoardForSolver(GameRun *g);
// Polls until the control that ended a screen is let go.
void waitRelease();
// Number of fruit cells on the play board.
int countFruits();
// The solver is offered: a stored solution exists (not on the test board).
int solverOffered();
// Reports `event` with the game's state (and `extra`, "key=value ...") to
// the replay layer: the trace and the script's anchors.
void traceGame(const GameRun *g, const char *event, const char *extra = nullptr);
