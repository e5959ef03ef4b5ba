#pragma once

#include <SDL/SDL.h>
#include <cstddef>
#include <cstdint>

// Replays, recordings, screen dumps and the state trace, for tests and for
// looking at the game headless: all off unless the environment switches them
// on. The switches, the script language and the trace: HACKING.md, "Replay scripts".

enum ReplayMode {
    REPLAY_OFF,  // real input, nothing watched
    REPLAY_LIVE, // real input, frames counted for recording, dumps and trace
    REPLAY_PLAY, // scripted input on the virtual clock
};
enum {
    REPLAY_GRACE = 600,  // frames a program may run on after the script's end (then status 2)
    REPLAY_WAIT = 10000, // frames a script may wait for an anchor's event (then status 2)
};

extern int replayMode;       // a ReplayMode
extern unsigned replayFrame; // drains of the event queue so far

// Reads the environment and switches on what it asks for. Ends the program
// with status 1 through `error` when a named file cannot be used.
void replayStartFromEnv();
// Parses a script and switches to REPLAY_PLAY on the virtual clock. Returns 0,
// or -1 with a message naming the line in `err`.
int replayLoadScript(const char *text, char *err, size_t errSize);
// Appends recorded lines to `path`; switches to REPLAY_LIVE. 0 or -1.
int replayRecordTo(const char *path);
// Where "dump" lines write (null: "."), and a dump of every `every`-th frame
// as frame-NNNNNN.bmp (0: none).
void replaySetDumpDir(const char *dir, unsigned every);
// Closes the files and switches everything off (the tests' reset too).
void replayStop();

// The poll of a replay, in place of SDL_PollEvent.
int replayPoll(SDL_Event *event);
// Sees every live poll: the event got, or null when the queue was empty.
void replayObserve(const SDL_Event *event);

// Each reading of the clock, in order: on replay, returns how many ms the
// script says this one gives beyond the virtual clock (mostly 0); live,
// `live` is how many it gave beyond what the waits since the last reading
// account for, and a recording notes it when it is not 0.
int32_t replayClockRead(int32_t live);

// Each time the game asks whether a piece of music plays, with the player's
// answer `playing`: live, a recording notes where it changes; on replay of a
// script that holds the answers, the script's answer, else `playing`.
int replayMusicRead(int playing);

// Non-zero when the game's events are wanted: a trace file is open or an
// anchor waits.
int replayTracing();
// The game reports `event` (one word) with `details` for the trace: fires
// the anchor that waits for it and writes the trace line.
void replayNote(const char *event, const char *details);
