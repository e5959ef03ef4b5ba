#pragma once

// Whether the user files in a user folder are as the game writes them: what
// every long run and every killed run must leave behind.

#include <string>
#include <vector>

// Problems found in `folder` (empty when all is well): quenzy.cfg with
// exactly the lines the game writes, hiscores.dat of 160 bytes whose every
// row passes the game's check and none of them a rejected one, savegame.dat
// absent or 4 bytes that pass theirs, and no other file. `temporaries`
// receives the names of leftover temporary files (also reported).
std::vector<std::string> checkUserFiles(const std::string &folder,
                                        std::vector<std::string> *temporaries = nullptr);

// The whole content of a file, and whether it was there.
bool readWhole(const std::string &path, std::string *bytes);
