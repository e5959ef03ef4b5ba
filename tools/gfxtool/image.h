// Pictures as plain RGB pixel arrays, and the two file formats the tool writes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// 0xRRGGBB; magenta marks the transparent pixels of keyed pictures.
const uint32_t KEY = 0xFF00FF;

struct Image {
    std::string name;
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    bool keyed = false;
    int cellW = 0, cellH = 0; // 0 when the picture is not a sheet
};

Image makeImage(const std::string &name, int w, int h, uint32_t fill);
uint32_t getPx(const Image &img, int x, int y);
void setPx(Image &img, int x, int y, uint32_t c);

uint32_t rgb(int r, int g, int b);
int red(uint32_t c);
int green(uint32_t c);
int blue(uint32_t c);
uint32_t mix(uint32_t a, uint32_t b, double t);

// 8-bit indexed when the picture has at most 255 colours besides magenta
// (magenta is always palette entry 0), else 24-bit. Same picture, same bytes.
std::vector<uint8_t> encodeBMP(const Image &img);
bool writeFile(const std::string &path, const std::vector<uint8_t> &bytes);
// With `keyTransparent`, magenta pixels are marked fully transparent.
std::vector<uint8_t> encodePNG(const Image &img, bool keyTransparent = false);
