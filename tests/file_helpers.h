#pragma once

// Whole files as bytes, for tests that look inside what the tools write.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The file's bytes, or none when it cannot be opened.
inline std::vector<uint8_t> readFileBytes(const std::string &path) {
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back(uint8_t(c));
    fclose(f);
    return bytes;
}
