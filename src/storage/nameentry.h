#pragma once

// The hiscore name entry at the end of a game: the player spells a name of
// up to eight letters, arcade style, over the darkening last picture of the
// game, and the entry goes into the table.

enum {
    NAME_LENGTH = 8,
    NAME_PAUSE = 10, // frames without input after each change
};

struct NameEntry {
    char name[NAME_LENGTH + 1];   // letters chosen, the one under the cursor, '.' beyond
    char cursor[NAME_LENGTH + 1]; // a dash at the cursor, spaces elsewhere
    int pos;                      // cursor position, 0 ... 8
    int pause;                    // frames left without input
};

// Returns the row the new entry took, or -1 (at once, with nothing drawn)
// when the score does not beat the table's last row.
int checkHiscore();

// The steps of the screen, each on `e`.
void nameEntryStart(NameEntry *e);
// Applies the input of this frame (the input globals, already polled);
// returns 1 when the name is complete.
int nameEntryInput(NameEntry *e);
// One pass of the screen's loop without the drawing: counts the pause down,
// or polls the input and applies it. Returns 1 when the name is complete.
int nameEntryPass(NameEntry *e);
// The name as it is saved: what stands before the cursor, or all eight
// letters once the cursor went past the last.
void nameEntryResult(const NameEntry *e, char out[NAME_LENGTH + 1]);
