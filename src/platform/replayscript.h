#pragma once

#include <SDL/SDL.h>
#include <cstddef>
#include <string>
#include <vector>

// The replay script language, read into what the player acts on; the
// language itself is described in HACKING.md, "Replay scripts".

enum ReplayEntryKind { ENTRY_EVENT, ENTRY_DUMP, ENTRY_EXIT, ENTRY_CLOCK, ENTRY_MUSIC };

// One action of a script line, for the drain that acts on it.
struct ReplayEntry {
    unsigned frame;
    int kind;         // ReplayEntryKind
    SDL_Event event;  // ENTRY_EVENT
    std::string name; // ENTRY_DUMP
    int status;       // ENTRY_EXIT
    unsigned read;    // ENTRY_CLOCK, ENTRY_MUSIC: which reading in the frame, from 0
    int delta;        // ENTRY_CLOCK: ms beyond the virtual clock; ENTRY_MUSIC: 1 playing, 0 not
};

// Lines after "after EVENT", waiting for the game to report EVENT; their
// frames count from that moment.
struct ReplaySegment {
    std::string event;
    std::vector<ReplayEntry> entries;
};

// A whole script as read: the lines before the first anchor, in the order
// written, and one segment for each anchor.
struct ReplayScript {
    std::vector<ReplayEntry> entries;
    std::vector<ReplaySegment> segments;
};

// Reads the script `text` into `script`. Returns 0, or -1 with a message
// naming the line in `err` (and `script` left as it was).
int replayParseScript(const char *text, ReplayScript *script, char *err, size_t errSize);
// The script's name for a key, as a recording writes it and a script reads it.
void replayKeyName(SDLKey sym, char *out, size_t size);
