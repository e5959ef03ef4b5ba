// A small 5 x 7 pixel font for the labels of the review pictures.
#pragma once
#include "gfxtool/image.h"

#include <string>

// Draws `s` (lower case shown as upper case) with its top-left corner at
// (x, y), each font pixel `scale` pixels wide; returns the width drawn.
int drawText(Image &img, const std::string &s, int x, int y, uint32_t colour, int scale = 1);
int textWidth(const std::string &s, int scale = 1);
