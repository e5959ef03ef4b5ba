// Reads the text sources of the game's art and draws every picture they
// describe. Sources are line based; see assets/gfx/README.md.
#pragma once
#include "image.h"

#include <string>
#include <vector>

// Reads every *.gfx file of the folder in name order and draws the pictures.
// Returns false (after printing the reason) on the first error.
bool runSources(const std::string &folder);

// The pictures drawn so far, in the order the sources define them.
const std::vector<Image> &pictures();
const Image *findPicture(const std::string &name);
