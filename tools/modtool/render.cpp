#include "render.h"
#include "song.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <libmodplug/modplug.h>

void applyGameSettings() {
    ModPlug_Settings s;
    ModPlug_GetSettings(&s);
    s.mFlags = MODPLUG_ENABLE_OVERSAMPLING | MODPLUG_ENABLE_NOISE_REDUCTION;
    s.mChannels = 2;
    s.mBits = 16;
    s.mFrequency = OUT_RATE;
    s.mResamplingMode = MODPLUG_RESAMPLE_LINEAR;
    s.mReverbDepth = s.mReverbDelay = s.mBassAmount = s.mBassRange = 0;
    s.mSurroundDepth = s.mSurroundDelay = 0;
    s.mLoopCount = 0; // the player repeats a piece itself
    ModPlug_SetSettings(&s);
}

bool renderModule(const std::vector<uint8_t> &module, int passes, double seconds, Render &out) {
    applyGameSettings();
    ModPlugFile *file = ModPlug_Load(module.data(), int(module.size()));
    if (!file)
        return false;
    ModPlug_SetMasterVolume(file, 128);
    ModPlug_Seek(file, 0);
    const int64_t limit = seconds > 0 ? int64_t(seconds * OUT_RATE) : INT64_MAX;
    int16_t buffer[OUT_BUFFER * 2];
    out = Render();
    int left = passes;
    while (int64_t(out.pcm.size() / 2) < limit) {
        std::fill(buffer, buffer + OUT_BUFFER * 2, int16_t(0));
        int n = ModPlug_Read(file, buffer, int(sizeof buffer));
        bool end = n < int(sizeof buffer);
        // The last pass stops where the music does; earlier ones are heard
        // with the rest of their buffer silent.
        bool last = end && left == 1;
        out.pcm.insert(out.pcm.end(), buffer, buffer + (last ? n / 2 : OUT_BUFFER * 2));
        if (!end)
            continue;
        out.passEnd.push_back(int64_t(out.pcm.size() / 2));
        if (--left == 0) {
            out.ended = true;
            break;
        }
        ModPlug_Seek(file, 0);
    }
    if (int64_t(out.pcm.size() / 2) > limit)
        out.pcm.resize(size_t(limit) * 2);
    ModPlug_Unload(file);
    return true;
}

static void le(std::vector<uint8_t> &b, uint32_t v, int n) {
    for (int i = 0; i < n; i++)
        b.push_back(uint8_t(v >> (8 * i)));
}

bool writeWav(const std::string &path, const std::vector<int16_t> &stereo) {
    std::vector<uint8_t> b;
    const uint32_t data = uint32_t(stereo.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    le(b, 36 + data, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    le(b, 16, 4);
    le(b, 1, 2); // PCM
    le(b, 2, 2);
    le(b, OUT_RATE, 4);
    le(b, OUT_RATE * 4, 4);
    le(b, 4, 2);
    le(b, 16, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    le(b, data, 4);
    for (int16_t v : stereo)
        le(b, uint16_t(v), 2);
    return writeFile(path, b);
}

bool readFile(const std::string &path, std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    uint8_t chunk[65536];
    size_t got;
    bytes.clear();
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool writeFile(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}
