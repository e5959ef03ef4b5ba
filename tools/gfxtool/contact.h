// Review sheets: every picture with its cell grid and cell numbers, and mock
// screens composed from the pictures the way the game places them.
#pragma once
#include <string>

int renderContactSheets(const std::string &outDir);
