// The sound effects: what the build packs into sound.ova, the synthesizer
// that makes them from assets/sfx, and the review tool that draws them.

#include "file_helpers.h"
#include "launcher.h"
#include "platform/byteorder.h"
#include "sound/sound.h"
#include "storage/winova.h"
#include "temp_helpers.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string built(const std::string &path) {
    return std::string(QUENZY_BINARY_DIR) + "/" + path;
}

// One entry of the built sound archive, read the way the game reads it.
std::vector<uint8_t> soundEntry(const std::string &name) {
    std::vector<uint8_t> bytes;
    FILE *f = fopen(built("data/sound.ova").c_str(), "rb");
    if (!f)
        return bytes;
    OVAEntry *dir = nullptr;
    uint32_t count = 0;
    if (readOVADirectory(f, &dir, &count) == 0) {
        const OVAEntry *e = findOVAEntry(dir, count, (name + ".wav").c_str());
        uint32_t length = 0;
        uint8_t *data = e ? readOVAEntry(f, e, &length) : nullptr;
        if (data)
            bytes.assign(data, data + length);
        free(data);
    }
    free(dir);
    fclose(f);
    return bytes;
}

struct Pcm {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    std::vector<int16_t> samples;
    double seconds() const { return double(samples.size()) / rate / channels; }
    double peakDb() const {
        int peak = 0;
        for (int16_t s : samples)
            peak = std::max(peak, std::abs(int(s)));
        return 20 * std::log10(peak / 32768.0);
    }
};

// Decoded by SDL's own WAV reader, not by ours.
Pcm decode(const std::vector<uint8_t> &bytes) {
    Pcm pcm;
    SDL_AudioSpec got;
    Uint8 *buf = nullptr;
    Uint32 len = 0;
    SDL_RWops *rw = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
    if (SDL_LoadWAV_RW(rw, 1, &got, &buf, &len)) {
        pcm.rate = got.freq;
        pcm.channels = got.channels;
        pcm.format = got.format;
        if (got.format == AUDIO_S16LSB)
            for (Uint32 i = 0; i + 1 < len; i += 2)
                pcm.samples.push_back(int16_t(readLE(buf + i, 2)));
        SDL_FreeWAV(buf);
    }
    return pcm;
}

std::string readText(const std::string &path) {
    std::vector<uint8_t> b = readFileBytes(path);
    return std::string(b.begin(), b.end());
}

void writeText(const std::string &path, const std::string &text) {
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs(text.c_str(), f);
    fclose(f);
}

// Runs one of the built tools; returns its exit status, with what it wrote
// to standard output and standard error in `out`.
int runTool(const TempDir &tmp, const std::string &args, std::string &out) {
    std::string log = tmp / "tool.log";
    int raw = system((launchPrefix() + built(args) + " >'" + log + "' 2>&1").c_str());
    out = readText(log);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace

TEST(SoundArchive, HoldsExactlyTheFourteenEffects) {
    FILE *f = fopen(built("data/sound.ova").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    OVAEntry *dir = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(readOVADirectory(f, &dir, &count), 0);
    fclose(f);
    EXPECT_EQ(count, uint32_t(SFX_COUNT));
    for (int id = 0; id < SFX_COUNT; id++)
        EXPECT_NE(findOVAEntry(dir, count, (std::string(snd_name[id]) + ".wav").c_str()), nullptr)
            << snd_name[id];
    free(dir);
}

// Short, mono, at the game's rate, normalised, and silent at both ends so
// that starting and stopping never clicks.
TEST(SoundArchive, EffectsAreShortCleanMonoClips) {
    for (int id = 0; id < SFX_COUNT; id++) {
        SCOPED_TRACE(snd_name[id]);
        Pcm pcm = decode(soundEntry(snd_name[id]));
        ASSERT_EQ(pcm.format, AUDIO_S16LSB);
        EXPECT_EQ(pcm.rate, 22050);
        EXPECT_EQ(pcm.channels, 1);
        EXPECT_GE(pcm.seconds(), 0.05);
        EXPECT_LE(pcm.seconds(), 1.5);
        EXPECT_NEAR(pcm.peakDb(), -3.0, 0.5);
        EXPECT_LE(std::abs(pcm.samples.front()), 32);
        EXPECT_LE(std::abs(pcm.samples.back()), 32);
        double sum = 0;
        for (int16_t s : pcm.samples)
            sum += s;
        EXPECT_LT(std::fabs(sum / double(pcm.samples.size())), 100) << "offset from zero";
    }
}

TEST(SoundArchive, MixerLoadsEveryEffect) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024), 0) << Mix_GetError();
    for (int id = 0; id < SFX_COUNT; id++) {
        SCOPED_TRACE(snd_name[id]);
        std::vector<uint8_t> bytes = soundEntry(snd_name[id]);
        ASSERT_FALSE(bytes.empty());
        SDL_RWops *rw = SDL_RWFromMem(bytes.data(), int(bytes.size()));
        Mix_Chunk *chunk = Mix_LoadWAV_RW(rw, 0);
        SDL_FreeRW(rw);
        ASSERT_NE(chunk, nullptr) << Mix_GetError();
        // Same rate: every mono sample becomes one 16-bit stereo frame.
        EXPECT_EQ(chunk->alen, decode(bytes).samples.size() * 4);
        Mix_FreeChunk(chunk);
    }
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

TEST(Sfxtool, SameSourcesSameBytes) {
    TempDir tmp("quenzy-sfx");
    std::string out;
    for (int id = 0; id < SFX_COUNT; id++) {
        std::string name = snd_name[id];
        ASSERT_EQ(runTool(tmp,
                          "sfxtool render " + std::string(QUENZY_SOURCE_DIR) + "/assets/sfx/" +
                              name + ".sfx " + (tmp / name + ".wav"),
                          out),
                  0)
            << out;
        EXPECT_TRUE(readFileBytes(tmp / name + ".wav") == soundEntry(name)) << name;
    }
}

TEST(Sfxtool, TheSeedDrawsTheNoise) {
    TempDir tmp("quenzy-sfx");
    std::string out;
    for (const char *seed : {"1", "1", "2"}) {
        writeText(tmp / "n.sfx",
                  std::string("length 0.1\nseed ") + seed + "\nlayer\nwave noise\nlowpass 3000\n");
        ASSERT_EQ(runTool(tmp,
                          "sfxtool render " + (tmp / "n.sfx ") + (tmp / seed + std::string(".wav")),
                          out),
                  0)
            << out;
    }
    EXPECT_EQ(readFileBytes(tmp / "1.wav").size(), 44u + 2 * 2205);
    EXPECT_NE(readFileBytes(tmp / "1.wav"), readFileBytes(tmp / "2.wav"));
}

// Whatever the preset does at its edges and however loud it is, the clip
// starts and ends at zero and peaks where asked; the oscillators are in tune.
TEST(Sfxtool, RendersInTuneWithCleanEdgesAndTheAskedPeak) {
    struct Case {
        const char *preset;
        double peakDb, hz;
    } cases[] = {
        {"length 0.5\nlayer\nwave square\npitch 441\n", -3, 441},
        {"length 0.5\npeak -6\nlayer\nwave sine\npitch A5\n", -6, 880},
        {"length 0.5\nlayer\nwave saw\npitch 0:300 0.1:300\namp 0.6\n", -3, 300},
        {"length 0.5\npeak -1\nlayer\nwave pulse 0.2\npitch 210\nlowpass 2000\n", -1, 210},
    };
    TempDir tmp("quenzy-sfx");
    std::string out;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.preset);
        writeText(tmp / "p.sfx", c.preset);
        ASSERT_EQ(runTool(tmp, "sfxtool render " + (tmp / "p.sfx ") + (tmp / "p.wav"), out), 0)
            << out;
        Pcm pcm = decode(readFileBytes(tmp / "p.wav"));
        ASSERT_EQ(pcm.samples.size(), 11025u);
        EXPECT_EQ(pcm.samples.front(), 0);
        EXPECT_EQ(pcm.samples.back(), 0);
        EXPECT_NEAR(pcm.peakDb(), c.peakDb, 0.05);
        // Upward zero crossings over the steady middle 0.4 s.
        int rises = 0;
        for (size_t i = 1103; i < 1103 + 8820; i++)
            rises += pcm.samples[i - 1] < 0 && pcm.samples[i] >= 0;
        EXPECT_NEAR(rises / 0.4, c.hz, c.hz * 0.01 + 2.5);
    }
}

// A decaying tick driven harder: same peak, more body.
TEST(Sfxtool, DriveRaisesTheLevelAtTheSamePeak) {
    TempDir tmp("quenzy-sfx");
    std::string out;
    double rms[2];
    for (int i = 0; i < 2; i++) {
        writeText(tmp / "d.sfx", std::string("length 0.2\n") + (i ? "drive 9\n" : "") +
                                     "layer\npitch 1500\namp 0:0 0.001:1 0.15:0 curve 3\n");
        ASSERT_EQ(runTool(tmp, "sfxtool render " + (tmp / "d.sfx ") + (tmp / "d.wav"), out), 0)
            << out;
        Pcm pcm = decode(readFileBytes(tmp / "d.wav"));
        EXPECT_NEAR(pcm.peakDb(), -3.0, 0.05);
        double sq = 0;
        for (int16_t s : pcm.samples)
            sq += double(s) * s;
        rms[i] = 10 * std::log10(sq / double(pcm.samples.size()) / (32768.0 * 32768.0));
    }
    EXPECT_GT(rms[1], rms[0] + 3);
}

TEST(Sfxtool, RejectsBadPresetsNamingTheLine) {
    struct Case {
        const char *preset, *message;
    } cases[] = {
        {"length 0.1\nlayer\nwave wobble\n", ":3: unknown wave 'wobble'"},
        {"length 0.1\nwave sine\n", ":2: unknown word 'wave' before the first layer"},
        {"length 0.1\nlayer\namp 0:0 0.1:1 0.05:0\n", ":3: breakpoint times"},
        {"length 0.1\nlayer\npitch 0:H9\n", ":3: expected a frequency or a note, got 'H9'"},
        {"length 0.1\nlayer\nrepeat 3\n", ":3: write 'repeat N every SECONDS'"},
        {"length 0.1\nlayer\namp 1.5\n", ":3: an amplitude must lie within 0 ... 1"},
        {"# no length\nlayer\nwave sine\n", "no 'length'"},
        {"length 0.1\n", "no 'layer'"},
        {"length 0.1\ndrive -2\nlayer\n", ":2: a drive lies within 0 ... 30 dB"},
    };
    TempDir tmp("quenzy-sfx");
    std::string out;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.preset);
        writeText(tmp / "bad.sfx", c.preset);
        EXPECT_EQ(runTool(tmp, "sfxtool render " + (tmp / "bad.sfx ") + (tmp / "bad.wav"), out), 1);
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_NE(access((tmp / "bad.wav").c_str(), F_OK), 0) << "wrote a file anyway";
    }
}

TEST(Audioview, DrawsPicturesAndFiguresOfSounds) {
    TempDir tmp("quenzy-sfx");
    std::string out, hippo = built("sfx/hippo.wav"), tap = built("sfx/lion_hand.wav");
    ASSERT_EQ(runTool(tmp, "audioview draw " + hippo + " " + (tmp / "h.png"), out), 0) << out;
    ASSERT_EQ(runTool(tmp, "audioview sheet " + (tmp / "s.png") + " " + hippo + " " + tap, out), 0)
        << out;
    for (const char *png : {"h.png", "s.png"}) {
        std::vector<uint8_t> b = readFileBytes(tmp / png);
        ASSERT_GT(b.size(), 24u) << png;
        EXPECT_EQ(std::string(b.begin() + 1, b.begin() + 4), "PNG") << png;
        uint32_t w = b[16] << 24 | b[17] << 16 | b[18] << 8 | b[19];
        EXPECT_GE(w, 600u) << png;
    }
    ASSERT_EQ(runTool(tmp, "audioview stats " + hippo, out), 0) << out;
    EXPECT_NE(out.find("hippo"), std::string::npos) << out;
    EXPECT_NE(out.find("-3.0"), std::string::npos) << out;
}

// A 16-bit mono WAV of one second at 22050 Hz: silence, or full-scale noise.
static void writeBed(const std::string &path, bool noise) {
    std::vector<uint8_t> b;
    auto put = [&b](uint32_t v, int n) {
        for (int i = 0; i < n; i++)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    const uint32_t samples = 22050;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put(36 + 2 * samples, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    for (auto [value, bytes] : {std::pair{16u, 4},
                                {1u, 2},
                                {1u, 2},
                                {22050u, 4},
                                {44100u, 4},
                                {2u, 2},
                                {16u, 2}}) // PCM, mono, 22050 Hz, 16-bit
        put(value, bytes);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put(2 * samples, 4);
    uint32_t state = 12345;
    for (uint32_t i = 0; i < samples; i++) {
        state = state * 1103515245u + 12345u;
        put(noise ? uint16_t(state >> 16) : 0, 2);
    }
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(b.data(), 1, b.size(), f);
    fclose(f);
}

// The effect alone is heard whole; drowned in loud noise, hardly at all.
TEST(Audioview, ToldHowMuchOfAnEffectTheMusicLeaves) {
    TempDir tmp("quenzy-sfx");
    std::string out;
    writeBed(tmp / "silence.wav", false);
    writeBed(tmp / "noise.wav", true);
    ASSERT_EQ(
        runTool(tmp,
                "audioview over " + (tmp / "silence.wav") + " 19 " + built("sfx/lion_hand.wav"),
                out),
        0)
        << out;
    EXPECT_NE(out.find("lion_hand                  100.0     100.0"), std::string::npos) << out;
    ASSERT_EQ(runTool(tmp,
                      "audioview over " + (tmp / "noise.wav") + " 1 " + built("sfx/lion_hand.wav"),
                      out),
              0)
        << out;
    double median = 100;
    size_t at = out.find("lion_hand");
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_EQ(sscanf(out.c_str() + at, "lion_hand %lf", &median), 1);
    EXPECT_LT(median, 10) << out;
}

TEST(Audioview, RefusesWhatIsNotAWav) {
    TempDir tmp("quenzy-sfx");
    std::string out;
    writeText(tmp / "x.wav", "RIFF....WAVEjunk");
    EXPECT_EQ(runTool(tmp, "audioview draw " + (tmp / "x.wav") + " " + (tmp / "x.png"), out), 1);
    EXPECT_NE(out.find("x.wav"), std::string::npos) << out;
    EXPECT_NE(access((tmp / "x.png").c_str(), F_OK), 0);
}
