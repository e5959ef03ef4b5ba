#include "wav.h"

#include <cstdio>

static void put(std::vector<uint8_t> &v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; i++)
        v.push_back(uint8_t(x >> (8 * i)));
}

static void tag(std::vector<uint8_t> &v, const char *t) {
    v.insert(v.end(), t, t + 4);
}

std::vector<uint8_t> encodeWAV(const Wave &w) {
    uint32_t dataBytes = uint32_t(w.samples.size() * 2);
    std::vector<uint8_t> v;
    tag(v, "RIFF");
    put(v, 36 + dataBytes, 4);
    tag(v, "WAVE");
    tag(v, "fmt ");
    put(v, 16, 4);
    put(v, 1, 2); // PCM
    put(v, w.channels, 2);
    put(v, w.rate, 4);
    put(v, w.rate * w.channels * 2, 4);
    put(v, w.channels * 2, 2);
    put(v, 16, 2);
    tag(v, "data");
    put(v, dataBytes, 4);
    for (int16_t s : w.samples)
        put(v, uint16_t(s), 2);
    return v;
}

bool writeWAV(const std::string &path, const Wave &w) {
    std::vector<uint8_t> bytes = encodeWAV(w);
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

static uint32_t get(const std::vector<uint8_t> &b, size_t at, int bytes) {
    uint32_t x = 0;
    for (int i = 0; i < bytes; i++)
        x |= uint32_t(b[at + i]) << (8 * i);
    return x;
}

static bool isTag(const std::vector<uint8_t> &b, size_t at, const char *t) {
    return b[at] == t[0] && b[at + 1] == t[1] && b[at + 2] == t[2] && b[at + 3] == t[3];
}

bool decodeWAV(const std::vector<uint8_t> &b, Wave &w, std::string &why) {
    if (b.size() < 12 || !isTag(b, 0, "RIFF") || !isTag(b, 8, "WAVE")) {
        why = "not a RIFF WAVE file";
        return false;
    }
    int bits = 0;
    bool haveFormat = false;
    // Chunks are walked by their sizes; odd sizes carry a pad byte.
    for (size_t at = 12; at + 8 <= b.size();) {
        uint32_t size = get(b, at + 4, 4);
        size_t body = at + 8;
        if (size > b.size() - body) {
            why = "chunk runs past the end of the file";
            return false;
        }
        if (isTag(b, at, "fmt ")) {
            if (size < 16 || get(b, body, 2) != 1) {
                why = "not PCM";
                return false;
            }
            w.channels = int(get(b, body + 2, 2));
            w.rate = int(get(b, body + 4, 4));
            bits = int(get(b, body + 14, 2));
            if ((bits != 8 && bits != 16) || w.channels < 1 || w.channels > 2 || w.rate <= 0) {
                why = "only 8- or 16-bit mono or stereo PCM";
                return false;
            }
            haveFormat = true;
        } else if (isTag(b, at, "data")) {
            if (!haveFormat) {
                why = "data before format";
                return false;
            }
            w.samples.clear();
            if (bits == 16)
                for (size_t i = 0; i + 1 < size; i += 2)
                    w.samples.push_back(int16_t(get(b, body + i, 2)));
            else
                for (size_t i = 0; i < size; i++)
                    w.samples.push_back(int16_t((int(b[body + i]) - 128) << 8));
            w.samples.resize(w.samples.size() / w.channels * w.channels);
            return true;
        }
        at = body + size + (size & 1);
    }
    why = haveFormat ? "no data chunk" : "no format chunk";
    return false;
}

bool readWAV(const std::string &path, Wave &w, std::string &why) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) {
        why = "cannot open";
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(f);
    return decodeWAV(bytes, w, why);
}
