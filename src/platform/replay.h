#pragma once

#include <SDL/SDL.h>
#include <cstddef>

// Replays, recordings, screen dumps and the state trace, for tests and for
// looking at the game headless. All off unless switched on by environment
// variables (read by replayStartFromEnv):
//   QUENZY_REPLAY=file   play the script in `file` instead of real input, on
//                        the virtual clock (sys.h)
//   QUENZY_RECORD=file   write the real input to `file` as a script
//   QUENZY_DUMP_DIR=dir  where "dump" lines write their BMP (default ".")
//   QUENZY_DUMP_EVERY=n  also dump every n-th frame as frame-NNNNNN.bmp
//   QUENZY_TRACE=file    append the game's state log to `file`
//   QUENZY_DUMP_SIGNAL=name  on SIGUSR1, write the picture shown as
//                        name-1.bmp (then -2, ...) as the next drain begins
//                        and stop the process (SIGSTOP) at once, so the
//                        window still shows that very picture; SIGCONT goes on
// (QUENZY_AUDIO_OUT=file.wav, the mixed sound of a replay, belongs to the
// audio device: sound/audiodevice.h.)
//
// A frame is one drain of the event queue: the polls up to and including the
// one that reports the queue empty. The first drain of the program is frame 0.
// Events of script line "frame N ..." are delivered by drain N; "dump" and
// "exit" act when drain N begins, so a dump shows the picture last shown.
//
// Script lines (blank lines and "#" comments are skipped):
//   frame N press KEY [shift] [caps]    key down (KEY: UP, LCTRL, RETURN, a,
//   frame N release KEY [shift] [caps]  F1, ... or an SDL key number)
//   frame N type KEY [shift] [caps]     down and up in the same drain
//   frame N click X Y                   mouse button 1 down and up at (X, Y)
//   frame N mousedown X Y [BUTTON]      window pixels, as SDL reports them
//   frame N mouseup X Y [BUTTON]
//   frame N joydown B | joyup B | hat V | axis A V
//   frame N quit                        window close request
//   frame N dump NAME                   writes NAME.bmp of the shown picture
//   frame N exit [STATUS]               ends the program (status 0 by default)
// "frame +N" counts from the previous line's frame; "frames A-B every S ..."
// repeats the line at A, A+S, ... up to B. A recording uses the same form.
//
// "after EVENT" anchors the lines below it (up to the next "after") to the
// game: they wait until the game reports EVENT (see replayNote; the trace
// shows the events) after the previous anchor fired, and their frames,
// written "frame +N" with N >= 1, count from the drain in which it came.
//
// When the script has nothing left, every drain brings a window close
// request; a program still running REPLAY_GRACE frames after the last line
// is ended with status 2 and a message, so a replay always terminates. So is
// one that waits REPLAY_WAIT frames in vain for an anchor's event.

enum ReplayMode {
    REPLAY_OFF,  // real input, nothing watched
    REPLAY_LIVE, // real input, frames counted for recording, dumps and trace
    REPLAY_PLAY, // scripted input on the virtual clock
};
enum { REPLAY_GRACE = 600, REPLAY_WAIT = 10000 };

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
// Appends trace lines to `path`. 0 or -1.
int replayTraceTo(const char *path);
void replaySetDumpDir(const char *dir, unsigned every);
// Closes the files and switches everything off (the tests' reset too).
void replayStop();

// The poll of a replay, in place of SDL_PollEvent.
int replayPoll(SDL_Event *event);
// Sees every live poll: the event got, or null when the queue was empty.
void replayObserve(const SDL_Event *event);

// One line of the state log: "frame F time T " and the formatted text.
void replayTrace(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Non-zero when the game's events are wanted: a trace file is open or an
// anchor waits.
int replayTracing();
// The game reports `event` (one word) with `details` for the trace: fires
// the anchor that waits for it and writes the trace line.
void replayNote(const char *event, const char *details);
