#pragma once

// The user folder ($HOME/.quenzy, or "./" without HOME) and the paths in it.
extern char *configFolder;

// Finds or makes the user folder; runs before the command line is read.
void getConfigFolder();
// Forms folder/name.ext (or name.ext without a folder) in one static buffer
// that the next call overwrites.
char *filename(const char *folder, const char *name, const char *ext);
