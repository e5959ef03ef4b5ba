#pragma once

// Small sound files made in code, so the player's and the effects' tests
// never depend on the composed music and effects; and a WAV reader for what
// the game writes.

#include "platform/sys.h"
#include "sound/sound.h"
#include "storage/winova.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace snd {

inline void putBE16(std::vector<uint8_t> &b, size_t at, int v) {
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}

inline void putLE(std::vector<uint8_t> &b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 4-channel ProTracker module with one looping square-wave sample: a note
// on row 0 of every pattern, the speed set to `speed` ticks per row at the
// default 125 BPM, and each pattern cut to `rows` rows by a pattern break.
// At 22050 Hz a tick is 441 frames, so the piece lasts
// patterns * rows * speed * 441 frames.
inline std::vector<uint8_t> tinyMod(int patterns, int rows, int speed) {
    const size_t header = 20 + 31 * 30 + 2 + 128 + 4;
    const size_t patternBytes = 64 * 4 * 4;
    const int sampleWords = 32;
    std::vector<uint8_t> mod(header + patternBytes * patterns + 2 * sampleWords, 0);
    memcpy(mod.data(), "tiny test piece", 15);
    for (int s = 0; s < 31; s++) {
        size_t at = 20 + 30 * s;
        if (s == 0) {
            memcpy(&mod[at], "square", 6);
            putBE16(mod, at + 22, sampleWords);
            mod[at + 25] = 64; // volume
            putBE16(mod, at + 26, 0);
            putBE16(mod, at + 28, sampleWords); // loops over the whole sample
        } else {
            putBE16(mod, at + 28, 1); // no loop
        }
    }
    size_t song = 20 + 31 * 30;
    mod[song] = static_cast<uint8_t>(patterns);
    mod[song + 1] = 0;
    for (int p = 0; p < patterns; p++)
        mod[song + 2 + p] = static_cast<uint8_t>(p);
    memcpy(&mod[song + 130], "M.K.", 4);
    for (int p = 0; p < patterns; p++) {
        uint8_t *pattern = &mod[header + patternBytes * p];
        const int period = 428 - 40 * (p % 4); // C-2 and a few notes above
        uint8_t *note = pattern;               // row 0, channel 0
        note[0] = static_cast<uint8_t>(period >> 8);
        note[1] = static_cast<uint8_t>(period & 0xFF);
        note[2] = 0x10 | 0x0F; // sample 1, set speed
        note[3] = static_cast<uint8_t>(speed);
        if (rows < 64) {
            uint8_t *cut = pattern + 16 * (rows - 1) + 4; // last row, channel 1
            cut[2] = 0x0D;                                // pattern break to row 0
        }
    }
    int8_t *sample = reinterpret_cast<int8_t *>(&mod[header + patternBytes * patterns]);
    for (int i = 0; i < 2 * sampleWords; i++)
        sample[i] = i < sampleWords ? 100 : -100;
    return mod;
}

// Frames of audio a tinyMod plays at 22050 Hz.
inline int tinyModFrames(int patterns, int rows, int speed) {
    return patterns * rows * speed * 441;
}

// A mono 16-bit WAV file of `frames` frames at `rate` Hz: a sine of `hz` at
// `amplitude` (0 ... 32767).
inline std::vector<uint8_t> sineWav(int frames, int rate = 22050, double hz = 440,
                                    int amplitude = 16000) {
    std::vector<uint8_t> w;
    auto tag = [&w](const char *t) { w.insert(w.end(), t, t + 4); };
    uint32_t data = static_cast<uint32_t>(frames) * 2;
    tag("RIFF");
    putLE(w, 36 + data, 4);
    tag("WAVE");
    tag("fmt ");
    putLE(w, 16, 4);
    putLE(w, 1, 2);
    putLE(w, 1, 2);
    putLE(w, static_cast<uint32_t>(rate), 4);
    putLE(w, static_cast<uint32_t>(rate) * 2, 4);
    putLE(w, 2, 2);
    putLE(w, 16, 2);
    tag("data");
    putLE(w, data, 4);
    for (int i = 0; i < frames; i++) {
        double v = amplitude * sin(2 * M_PI * hz * i / rate);
        putLE(w, static_cast<uint32_t>(static_cast<int16_t>(lround(v))), 2);
    }
    return w;
}

// The mixer opened as the game opens it, on the virtual audio device: its
// buffers are mixed as the virtual clock moves, on this thread. Closed, and
// the real clock back, at the end of the scope.
struct VirtualMixer {
    VirtualMixer() {
        sysVirtualClock = 1;
        sysVirtualNow = 0;
        opened = MP_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) == 0;
        Mix_AllocateChannels(16);
    }
    ~VirtualMixer() {
        if (opened)
            Mix_CloseAudio();
        sysVirtualClock = 0;
    }
    VirtualMixer(const VirtualMixer &) = delete;
    VirtualMixer &operator=(const VirtualMixer &) = delete;
    bool opened;
};

// Writes the sound archive `path` with every effect, id n a sine of
// 1000 + 100 n frames; `skip` left out and `garbage` replaced by bytes that
// are no WAV. 0 on success.
inline int writeEffects(const char *path, int skip = -1, int garbage = -1) {
    std::vector<std::string> names;
    std::vector<std::vector<uint8_t>> bytes;
    for (int id = 0; id < SFX_COUNT; id++) {
        if (id == skip)
            continue;
        names.push_back(std::string(snd_name[id]) + ".wav");
        bytes.push_back(sineWav(1000 + 100 * id));
        if (id == garbage)
            bytes.back().assign(300, 0x5A);
    }
    std::vector<OVAItem> items;
    for (size_t i = 0; i < names.size(); i++)
        items.push_back(
            OVAItem{names[i].c_str(), bytes[i].data(), static_cast<uint32_t>(bytes[i].size())});
    return writeOVA(path, items.data(), static_cast<unsigned>(items.size()));
}

// The samples of a PCM 16-bit WAV file, interleaved, with its layout; empty
// when the bytes are not such a file.
struct Wav {
    int rate = 0, channels = 0;
    std::vector<int16_t> samples;
};

inline uint32_t getLE(const std::vector<uint8_t> &b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; i++)
        v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

inline Wav readWav(const std::vector<uint8_t> &b) {
    Wav wav;
    if (b.size() < 12 || memcmp(b.data(), "RIFF", 4) || memcmp(b.data() + 8, "WAVE", 4))
        return wav;
    size_t at = 12;
    int bits = 0;
    while (at + 8 <= b.size()) {
        uint32_t size = getLE(b, at + 4, 4);
        if (!memcmp(&b[at], "fmt ", 4) && at + 24 <= b.size()) {
            wav.channels = static_cast<int>(getLE(b, at + 10, 2));
            wav.rate = static_cast<int>(getLE(b, at + 12, 4));
            bits = static_cast<int>(getLE(b, at + 22, 2));
        } else if (!memcmp(&b[at], "data", 4) && bits == 16) {
            size_t end = std::min(b.size(), at + 8 + size);
            for (size_t i = at + 8; i + 1 < end; i += 2)
                wav.samples.push_back(static_cast<int16_t>(getLE(b, i, 2)));
            return wav;
        }
        at += 8 + size + (size & 1);
    }
    return wav;
}

// Root mean square of samples [from, to).
inline double rms(const std::vector<int16_t> &s, size_t from, size_t to) {
    double sum = 0;
    to = std::min(to, s.size());
    if (to <= from)
        return 0;
    for (size_t i = from; i < to; i++)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

} // namespace snd
