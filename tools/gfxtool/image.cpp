#include "image.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <zlib.h>

Image makeImage(const std::string &name, int w, int h, uint32_t fill) {
    Image img;
    img.name = name;
    img.w = w;
    img.h = h;
    img.px.assign(size_t(w) * h, fill);
    return img;
}

uint32_t getPx(const Image &img, int x, int y) {
    if (x < 0 || y < 0 || x >= img.w || y >= img.h)
        return KEY;
    return img.px[size_t(y) * img.w + x];
}

void setPx(Image &img, int x, int y, uint32_t c) {
    if (x < 0 || y < 0 || x >= img.w || y >= img.h)
        return;
    img.px[size_t(y) * img.w + x] = c;
}

uint32_t rgb(int r, int g, int b) {
    r = std::clamp(r, 0, 255);
    g = std::clamp(g, 0, 255);
    b = std::clamp(b, 0, 255);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}
int red(uint32_t c) {
    return c >> 16 & 255;
}
int green(uint32_t c) {
    return c >> 8 & 255;
}
int blue(uint32_t c) {
    return c & 255;
}

uint32_t mix(uint32_t a, uint32_t b, double t) {
    auto m = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return rgb(m(red(a), red(b)), m(green(a), green(b)), m(blue(a), blue(b)));
}

static void put16(std::vector<uint8_t> &v, uint32_t x) {
    v.push_back(x & 255);
    v.push_back(x >> 8 & 255);
}
static void put32(std::vector<uint8_t> &v, uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

std::vector<uint8_t> encodeBMP(const Image &img) {
    // Magenta always sits at index 0: a keyed 8-bit picture then has its key
    // colour in the palette even when no pixel uses it.
    std::map<uint32_t, int> index;
    std::vector<uint32_t> palette{KEY};
    index[KEY] = 0;
    for (uint32_t c : img.px) {
        if (index.count(c))
            continue;
        if (palette.size() == 256) {
            palette.clear();
            break;
        }
        index[c] = int(palette.size());
        palette.push_back(c);
    }
    bool indexed = !palette.empty();
    int bpp = indexed ? 8 : 24;
    uint32_t stride = (uint32_t(img.w) * bpp / 8 + 3) & ~3u;
    uint32_t paletteBytes = indexed ? 256 * 4 : 0;
    uint32_t offset = 14 + 40 + paletteBytes;
    uint32_t size = offset + stride * img.h;
    std::vector<uint8_t> v;
    v.push_back('B');
    v.push_back('M');
    put32(v, size);
    put32(v, 0);
    put32(v, offset);
    put32(v, 40);
    put32(v, img.w);
    put32(v, img.h);
    put16(v, 1);
    put16(v, bpp);
    put32(v, 0);
    put32(v, stride * img.h);
    put32(v, 2835);
    put32(v, 2835);
    put32(v, indexed ? 256 : 0);
    put32(v, 0);
    if (indexed) {
        for (int i = 0; i < 256; i++) {
            uint32_t c = i < int(palette.size()) ? palette[i] : 0;
            v.push_back(blue(c));
            v.push_back(green(c));
            v.push_back(red(c));
            v.push_back(0);
        }
    }
    for (int y = img.h - 1; y >= 0; y--) {
        size_t start = v.size();
        for (int x = 0; x < img.w; x++) {
            uint32_t c = img.px[size_t(y) * img.w + x];
            if (indexed) {
                v.push_back(uint8_t(index[c]));
            } else {
                v.push_back(blue(c));
                v.push_back(green(c));
                v.push_back(red(c));
            }
        }
        while (v.size() - start < stride)
            v.push_back(0);
    }
    return v;
}

bool writeFile(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

static void pngChunk(std::vector<uint8_t> &out, const char *type,
                     const std::vector<uint8_t> &data) {
    uint32_t n = data.size();
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(n >> s & 255);
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    uint32_t crc = crc32(0, body.data(), body.size());
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(crc >> s & 255);
}

std::vector<uint8_t> encodePNG(const Image &img, bool keyTransparent) {
    std::vector<uint8_t> raw;
    raw.reserve(size_t(img.w * 3 + 1) * img.h);
    for (int y = 0; y < img.h; y++) {
        raw.push_back(0);
        for (int x = 0; x < img.w; x++) {
            uint32_t c = img.px[size_t(y) * img.w + x];
            raw.push_back(red(c));
            raw.push_back(green(c));
            raw.push_back(blue(c));
        }
    }
    uLongf packedSize = compressBound(raw.size());
    std::vector<uint8_t> packed(packedSize);
    compress2(packed.data(), &packedSize, raw.data(), raw.size(), 6);
    packed.resize(packedSize);
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    for (uint32_t v : {uint32_t(img.w), uint32_t(img.h)})
        for (int s = 24; s >= 0; s -= 8)
            ihdr.push_back(v >> s & 255);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    pngChunk(out, "IHDR", ihdr);
    // For true colour, tRNS names the one colour that is see-through.
    if (keyTransparent)
        pngChunk(out, "tRNS",
                 {0, uint8_t(red(KEY)), 0, uint8_t(green(KEY)), 0, uint8_t(blue(KEY))});
    pngChunk(out, "IDAT", packed);
    pngChunk(out, "IEND", {});
    return out;
}
