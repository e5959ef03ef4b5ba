// The music player and the effects, through the real mixer on the virtual
// audio device: every buffer is mixed when the test moves the clock, so the
// counts below are exact.

#include "core/game.h"
#include "platform/byteorder.h"
#include "platform/sys.h"
#include "sound/audiodevice.h"
#include "sound/sound.h"
#include "sound_helpers.h"
#include "storage/config.h"
#include "storage/winova.h"
#include "temp_helpers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Buffers of 1024 frames that one pass of a piece of `frames` frames takes
// at `rate`: libmodplug lets the last notes die away for 100 ms, fills the
// buffer in which that ends, and tells the end by reading nothing in the
// buffer after.
int passBuffers(int frames, int rate = 22050) {
    return (frames + rate / 10 + 1023) / 1024 + 1;
}

// The tiny piece most tests play: 2 patterns of 16 rows at speed 3, 42336
// frames, so 45 buffers a pass.
const int PATTERNS = 2, ROWS = 16, SPEED = 3;
const int PASS_BUFFERS = passBuffers(snd::tinyModFrames(PATTERNS, ROWS, SPEED));

class Player : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mixer.opened);
        ASSERT_TRUE(audioVirtualOpen());
        MP_VolumeMusic(128);
        mp_delta = 0;
        Mix_SetPostMix(tap, this);
    }
    void TearDown() override {
        Mix_SetPostMix(nullptr, nullptr);
        for (ModPlugFile *h : pieces)
            stopMusic(h);
        for (Mix_Chunk *c : chunks)
            Mix_FreeChunk(c);
    }
    static void tap(void *self, Uint8 *stream, int length) {
        auto *me = static_cast<Player *>(self);
        // The device's samples are little-endian, unless a test opened it
        // big-endian.
        for (int i = 0; i + 1 < length; i += 2)
            me->out.push_back(
                int16_t(me->bigEndian ? stream[i] << 8 | stream[i + 1] : readLE(stream + i, 2)));
    }
    ModPlugFile *piece(int patterns = PATTERNS, int rows = ROWS, int speed = SPEED) {
        std::vector<uint8_t> mod = snd::tinyMod(patterns, rows, speed);
        ModPlugFile *h = MP_LoadMusic(mod.data(), static_cast<int>(mod.size()), -1);
        EXPECT_NE(h, nullptr);
        pieces.push_back(h);
        return h;
    }
    Mix_Chunk *chunk(int frames) {
        std::vector<uint8_t> wav = snd::sineWav(frames);
        SDL_RWops *rw = SDL_RWFromMem(wav.data(), static_cast<int>(wav.size()));
        Mix_Chunk *c = Mix_LoadWAV_RW(rw, 1);
        EXPECT_NE(c, nullptr);
        chunks.push_back(c);
        return c;
    }
    // Moves the virtual clock on until `n` more buffers have been mixed.
    void mix(int n) {
        uint64_t target = audioBuffersMixed() + static_cast<uint64_t>(n);
        while (audioBuffersMixed() < target)
            sysDelay(1);
    }
    // Buffers mixed until the music stops, at most `limit`; -1 if it plays on.
    int buffersUntilHalt(int limit) {
        for (int n = 1; n <= limit; n++) {
            mix(1);
            if (!MP_PlayingMusic())
                return n;
        }
        return -1;
    }
    // Samples (both channels) of the buffers mixed from buffer `from` on.
    double loudness(int from, int buffers) {
        return snd::rms(out, static_cast<size_t>(from) * 2048,
                        static_cast<size_t>(from + buffers) * 2048);
    }
    snd::VirtualMixer mixer;
    std::vector<ModPlugFile *> pieces;
    std::vector<Mix_Chunk *> chunks;
    std::vector<int16_t> out;
    bool bigEndian = false; // the order of the device's samples
};

TEST_F(Player, APiecePlaysItsPassesAndHaltsInTheBufferItEnds) {
    struct Case {
        int loops, passes;
    } cases[] = {{0, 1}, {1, 1}, {3, 3}};
    for (const Case &c : cases) {
        ModPlugFile *h = piece();
        MP_PlayMusic(h, c.loops);
        EXPECT_EQ(MP_PlayingMusic(), 1);
        EXPECT_EQ(buffersUntilHalt(10 * PASS_BUFFERS), c.passes * PASS_BUFFERS)
            << "loops " << c.loops;
        // No further pass: what follows is silence.
        size_t halted = out.size();
        mix(PASS_BUFFERS);
        EXPECT_EQ(MP_PlayingMusic(), 0);
        EXPECT_EQ(snd::rms(out, halted, out.size()), 0.0) << "loops " << c.loops;
    }
}

TEST_F(Player, LoopsMinusOneRepeatsWithoutEnd) {
    MP_PlayMusic(piece(), -1);
    EXPECT_EQ(buffersUntilHalt(10 * PASS_BUFFERS), -1);
    // The tenth pass sounds like the first.
    EXPECT_NEAR(loudness(9 * PASS_BUFFERS, 20), loudness(0, 20), 1.0);
    EXPECT_GT(loudness(0, 20), 1000.0);
}

// libmodplug renders in the machine's byte order; a device of either order
// gets the same samples in its own.
TEST_F(Player, TheMixerPlaysTheModuleAsLibmodplugRendersIt) {
    for (Uint16 format : {AUDIO_S16LSB, AUDIO_S16MSB}) {
        SCOPED_TRACE(format == AUDIO_S16MSB ? "big-endian device" : "little-endian device");
        Mix_CloseAudio();
        ASSERT_EQ(MP_OpenAudio(22050, format, 2, 1024), 0);
        Mix_SetPostMix(tap, this);
        bigEndian = format == AUDIO_S16MSB;
        out.clear();
        ModPlugFile *played = piece(), *reference = piece();
        MP_PlayMusic(played, -1);
        mix(5);
        std::vector<int16_t> expected(5 * 2048);
        ModPlug_SetMasterVolume(reference, 128);
        ModPlug_Seek(reference, 0);
        ASSERT_EQ(ModPlug_Read(reference, expected.data(), 5 * 4096), 5 * 4096);
        // From the second frame on: libmodplug carries a click filter's state
        // from one module's render into the next.
        ASSERT_EQ(out.size(), expected.size());
        EXPECT_TRUE(std::equal(out.begin() + 2, out.end(), expected.begin() + 2));
    }
}

TEST_F(Player, OpenRecordsTheDeviceAndModulesFollowItsRate) {
    EXPECT_EQ(mpFrequency, 22050);
    EXPECT_EQ(mpChannels, 2);
    Mix_CloseAudio();
    ASSERT_EQ(MP_OpenAudio(11025, AUDIO_S16LSB, 1, 1024), 0);
    EXPECT_EQ(mpFrequency, 11025);
    EXPECT_EQ(mpChannels, 1);
    // Half the rate: the same piece ends in half the buffers.
    MP_PlayMusic(piece(), 1);
    EXPECT_EQ(buffersUntilHalt(100),
              passBuffers(snd::tinyModFrames(PATTERNS, ROWS, SPEED) / 2, 11025));
}

TEST_F(Player, FadeInClimbsOneStepPerBufferToTheVolume) {
    MP_FadeInMusic(piece(), -1, 300);
    EXPECT_EQ(mp_fade, 1);
    int seen[] = {1, 63, 126, 127, 200};
    int done = 0;
    for (int after : seen) {
        mix(after - done);
        done = after;
        EXPECT_EQ(mp_fade, std::min(1 + after, 128)) << after << " buffers";
    }
    EXPECT_EQ(MP_PlayingMusic(), 1);
    EXPECT_LT(loudness(1, 10) * 8, loudness(150, 10));
}

TEST_F(Player, FadeOutFallsTwoStepsPerBufferAndHalts) {
    struct Case {
        int volume, buffers;
    } cases[] = {{128, 63}, {19, 8}, {2, 1}, {1, 1}, {0, 0}};
    for (const Case &c : cases) {
        MP_VolumeMusic(c.volume);
        MP_PlayMusic(piece(), -1);
        mix(3);
        MP_FadeOutMusic(300);
        if (c.buffers == 0) {
            // At volume 0 there is nothing to fade: the piece stops at once.
            EXPECT_EQ(MP_PlayingMusic(), 0);
            continue;
        }
        int start = mp_fade;
        EXPECT_EQ(start % 2, 0);
        if (c.buffers > 1) {
            mix(1);
            EXPECT_EQ(mp_fade, start - 2) << "volume " << c.volume;
        }
        EXPECT_EQ(buffersUntilHalt(200) + (c.buffers > 1), c.buffers) << "volume " << c.volume;
        EXPECT_EQ(mp_fade, 0);
    }
}

TEST_F(Player, FadeInAtVolumeZeroDoesNotStart) {
    MP_VolumeMusic(0);
    MP_FadeInMusic(piece(), -1, 300);
    EXPECT_EQ(MP_PlayingMusic(), 0);
}

TEST_F(Player, AtVolumeZeroAPiecePlaysSilently) {
    MP_VolumeMusic(0);
    MP_PlayMusic(piece(), -1);
    mix(20);
    EXPECT_EQ(MP_PlayingMusic(), 1);
    EXPECT_EQ(loudness(0, 20), 0.0);
}

TEST_F(Player, AVolumeChangeEndsAFadeAtTheNewVolume) {
    MP_FadeInMusic(piece(), -1, 300);
    mix(10);
    MP_VolumeMusic(64);
    mix(100);
    EXPECT_EQ(mp_fade, 64);
    MP_FadeOutMusic(300);
    mix(5);
    MP_VolumeMusic(100);
    mix(100);
    EXPECT_EQ(mp_fade, 100);
    EXPECT_EQ(MP_PlayingMusic(), 1);
}

TEST_F(Player, FadeOutDuringFadeInStartsNearTheFullVolume) {
    MP_FadeInMusic(piece(), -1, 300);
    mix(10);
    EXPECT_EQ(mp_fade, 11);
    MP_FadeOutMusic(300);
    mix(1);
    EXPECT_EQ(mp_fade, 124);
    EXPECT_EQ(buffersUntilHalt(200), 62);
}

TEST_F(Player, PlayAfterAFinishedFadeOutHaltsInItsFirstBuffer) {
    ModPlugFile *h = piece();
    MP_PlayMusic(h, -1);
    MP_FadeOutMusic(300);
    ASSERT_EQ(buffersUntilHalt(200), 63);
    MP_PlayMusic(h, -1);
    EXPECT_EQ(MP_PlayingMusic(), 1);
    EXPECT_EQ(buffersUntilHalt(5), 1);
}

TEST_F(Player, StopMusicHaltsAndReleasesButIgnoresNoHandle) {
    ModPlugFile *h = piece();
    MP_PlayMusic(h, -1);
    stopMusic(nullptr);
    mix(2);
    EXPECT_EQ(MP_PlayingMusic(), 1);
    stopMusic(h);
    pieces.clear(); // released
    EXPECT_EQ(MP_PlayingMusic(), 0);
    size_t stopped = out.size();
    mix(3);
    EXPECT_EQ(snd::rms(out, stopped, out.size()), 0.0);
}

TEST_F(Player, HookingAnotherPieceReplacesTheFirst) {
    ModPlugFile *first = piece(), *second = piece(1, 64, 1);
    MP_PlayMusic(first, -1);
    mix(2);
    MP_PlayMusic(second, 1);
    EXPECT_EQ(mp_music, second);
    EXPECT_EQ(buffersUntilHalt(100), passBuffers(snd::tinyModFrames(1, 64, 1)));
}

TEST_F(Player, SettingsReachTheLibraryAndLeaveItsLoopCount) {
    struct Knob {
        int *setting;
        int ModPlug_Settings::*field;
    } knobs[] = {
        {&mpFlags, &ModPlug_Settings::mFlags},
        {&mpResamplingMode, &ModPlug_Settings::mResamplingMode},
        {&mpReverbDepth, &ModPlug_Settings::mReverbDepth},
        {&mpReverbDelay, &ModPlug_Settings::mReverbDelay},
        {&mpBassAmount, &ModPlug_Settings::mBassAmount},
        {&mpBassRange, &ModPlug_Settings::mBassRange},
        {&mpSurroundDepth, &ModPlug_Settings::mSurroundDepth},
        {&mpSurroundDelay, &ModPlug_Settings::mSurroundDelay},
    };
    int saved[8];
    for (int i = 0; i < 8; i++) {
        saved[i] = *knobs[i].setting;
        *knobs[i].setting = 10 + i;
    }
    MP_UpdSettings();
    ModPlug_Settings s;
    ModPlug_GetSettings(&s);
    for (int i = 0; i < 8; i++) {
        *knobs[i].setting = saved[i];
        EXPECT_EQ(s.*knobs[i].field, 10 + i) << i;
    }
    MP_UpdSettings();
    EXPECT_EQ(s.mChannels, 2);
    EXPECT_EQ(s.mBits, 16);
    EXPECT_EQ(s.mFrequency, 22050);
    EXPECT_EQ(s.mLoopCount, 0);
}

TEST(MusicNumbers, TitlesNameThePiecesTheOptionsOffer) {
    struct Case {
        int id;
        const char *title;
    } cases[] = {{0, "Quenzy (Intro)"},
                 {7, "Vardo 2 The Chip"},
                 {10, "Sunday Driver"},
                 {11, ""},
                 {12, ""},
                 {-1, ""}};
    for (const Case &c : cases)
        EXPECT_STREQ(getMusicTitle(c.id), c.title) << c.id;
}

TEST(MusicNumbers, LevelsShareEachPieceInRunsOfTwelve) {
    struct Case {
        int level, piece;
    } cases[] = {{-1, 1}, {0, 1}, {11, 1}, {12, 2}, {59, 5}, {119, 10}, {120, 1}};
    for (const Case &c : cases)
        EXPECT_EQ(levelMusic(c.level), c.piece) << "level " << c.level;
}

TEST_F(Player, EffectsPlayOnAFreeChannelAndASeventeenthIsDropped) {
    Mix_Chunk *second = chunk(22050); // one second
    for (int id = 0; id < SFX_COUNT; id++)
        snd_data[id] = second;
    std::vector<int> channels;
    for (int i = 0; i < 16; i++)
        channels.push_back(playSFX(i % SFX_COUNT));
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(channels[i], i);
    EXPECT_EQ(playSFX(3), -1);
    mix(22050 / 1024 + 2); // the sixteen have ended
    EXPECT_EQ(playSFX(3), 0);
    for (int id = 0; id < SFX_COUNT; id++)
        snd_data[id] = nullptr;
}

TEST_F(Player, AnEffectSoundsOverTheMusicAtTheEffectVolume) {
    ModPlugFile *music = piece(), *reference = piece();
    snd_data[1] = chunk(4096);
    Mix_Volume(-1, 19);
    MP_PlayMusic(music, -1);
    EXPECT_EQ(playSFX(1), 0);
    mix(1);
    snd_data[1] = nullptr;
    std::vector<int16_t> alone(2048);
    ModPlug_SetMasterVolume(reference, 128);
    ModPlug_Seek(reference, 0);
    ModPlug_Read(reference, alone.data(), 4096);
    // What the mixer added is the effect at 19/128 of its level, on both
    // sides (from the second frame on, as above).
    std::vector<int16_t> sine = snd::readWav(snd::sineWav(4096)).samples;
    int worst = 0;
    for (int i = 1; i < 1024; i++)
        for (int side = 0; side < 2; side++) {
            int added = out[2 * i + side] - alone[2 * i + side];
            worst = std::max(worst, std::abs(added - sine[i] * 19 / 128));
        }
    EXPECT_LE(worst, 1);

    EXPECT_EQ(MP_PlayingMusic(), 1);
}

TEST(Effects, PlayWithoutAChunkIsQuietButHeard) {
    static std::vector<int> heard;
    heard.clear();
    playSFXHook = [](int id) { heard.push_back(id); };
    for (int id : {5, 99, -1, int(SFX_COUNT)}) {
        EXPECT_EQ(playSFX(id), -1) << id;
        freeSFX(id); // nothing to free
    }
    playSFXHook = nullptr;
    EXPECT_EQ(heard, (std::vector<int>{5, 99, -1, int(SFX_COUNT)}));
}

// A folder of our own holding data/music.ova and data/sound.ova, made by
// the test; the archive reader opens them from the working folder.
class SoundFiles : public Player {
  protected:
    void SetUp() override {
        Player::SetUp();
        ASSERT_FALSE(dir.empty());
        ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        closeArchives();
    }
    void TearDown() override {
        for (int id = 0; id < SFX_COUNT; id++)
            freeSFX(id);
        closeArchives();
        EXPECT_EQ(chdir(home), 0);
        Player::TearDown();
    }
    void archive(const char *name,
                 const std::vector<std::pair<std::string, std::vector<uint8_t>>> &entries) {
        std::vector<OVAItem> items;
        for (const auto &e : entries)
            items.push_back(
                OVAItem{e.first.c_str(), e.second.data(), static_cast<uint32_t>(e.second.size())});
        ASSERT_EQ(writeOVA((std::string("data/") + name).c_str(), items.data(),
                           static_cast<unsigned>(items.size())),
                  0);
    }
    void effects(int skip = -1, int garbage = -1) {
        ASSERT_EQ(snd::writeEffects("data/sound.ova", skip, garbage), 0);
    }
    TempDir tmp{"quenzy-sound"};
    const std::string dir = tmp.path;
    char home[4096];
};

TEST_F(SoundFiles, LoadSfxLoadsEveryEffectInIdOrderOnce) {
    effects();
    loadSFX();
    Mix_Chunk *first[SFX_COUNT];
    for (int id = 0; id < SFX_COUNT; id++) {
        ASSERT_NE(snd_data[id], nullptr) << snd_name[id];
        // Mono 16-bit becomes the mixer's stereo 16-bit: 4 bytes a frame.
        EXPECT_EQ(snd_data[id]->alen, 4u * (1000 + 100 * id)) << snd_name[id];
        first[id] = snd_data[id];
    }
    // The menu's next set-up keeps them (and leaks nothing).
    loadSFX();
    for (int id = 0; id < SFX_COUNT; id++)
        EXPECT_EQ(snd_data[id], first[id]);
    freeSFX(4);
    EXPECT_EQ(snd_data[4], nullptr);
    freeSFX(4);
    EXPECT_EQ(playSFX(4), -1);
}

TEST_F(SoundFiles, AMissingOrBrokenEffectEndsTheProgram) {
    struct Case {
        int skip, garbage;
        const char *message;
    } cases[] = {{5, -1, "Can't load sound file"},
                 {-1, 5, "Unable to load sound"},
                 {0, -1, "Can't load sound file"},
                 {-1, 13, "Unable to load sound"}};
    for (const Case &c : cases) {
        effects(c.skip, c.garbage);
        closeArchives();
        EXPECT_EXIT(loadSFX(), testing::ExitedWithCode(1), c.message);
    }
}

TEST_F(SoundFiles, LoadMusicReadsTheNamedEntry) {
    std::vector<uint8_t> mod = snd::tinyMod(PATTERNS, ROWS, SPEED);
    archive("music.ova", {{"quenzyintro.mod", mod}});
    ModPlugFile *h = loadMusic(0);
    ASSERT_NE(h, nullptr);
    pieces.push_back(h);
    EXPECT_EQ(mpLoops, -1);
    MP_PlayMusic(h, 1);
    EXPECT_EQ(buffersUntilHalt(100), PASS_BUFFERS);
    // An entry the archive lacks, or an id past the table, gives none, and
    // starting none does nothing.
    EXPECT_EQ(loadMusic(1), nullptr);
    EXPECT_EQ(loadMusic(MUSIC_COUNT), nullptr);
    EXPECT_EQ(loadMusic(-1), nullptr);
    MP_PlayMusic(nullptr, -1);
    MP_FadeInMusic(nullptr, -1, 300);
    EXPECT_EQ(MP_PlayingMusic(), 0);
}

// The game's music steps, with every piece in the archive.
class GameMusic : public SoundFiles {
  protected:
    void SetUp() override {
        SoundFiles::SetUp();
        std::vector<std::pair<std::string, std::vector<uint8_t>>> entries;
        for (int id = 0; id < MUSIC_COUNT; id++)
            entries.push_back({std::string(musix[id]) + ".mod", snd::tinyMod(1 + id % 3, 16, 3)});
        archive("music.ova", entries);
        memset(&g, 0, sizeof g);
        curMusic = 0;
    }
    void TearDown() override {
        stopGameMusic(&g);
        SoundFiles::TearDown();
    }
    GameRun g;
};

TEST_F(GameMusic, TheFirstAttemptFadesItsPieceIn) {
    g.level = 30;
    chooseMusic(&g);
    EXPECT_EQ(curMusic, 3);
    ASSERT_NE(g.music, nullptr);
    EXPECT_EQ(g.musicPending, 0);
    EXPECT_EQ(mp_music, g.music);
    EXPECT_EQ(mp_fade, 1);
    EXPECT_EQ(mpLoops, -1);
    // The next attempt on a level of the same run keeps it.
    ModPlugFile *same = g.music;
    g.level = 35;
    chooseMusic(&g);
    EXPECT_EQ(g.music, same);
    EXPECT_EQ(mp_music, same);
}

TEST_F(GameMusic, ANewPieceWaitsForTheOldOneToFadeOut) {
    g.level = 11;
    chooseMusic(&g);
    mix(200);
    g.level = 12;
    chooseMusic(&g);
    EXPECT_EQ(curMusic, 2);
    EXPECT_EQ(g.musicPending, 1);
    int frames = 0;
    while (g.musicPending && frames < 1000) {
        musicChange(&g);
        sysDelay(16); // one play frame
        frames++;
    }
    EXPECT_EQ(g.musicPending, 0);
    // 63 buffers of fade-out, in frames of 16 ms: about 183.
    EXPECT_NEAR(frames, 63 * 1024 * 1000 / 22050 / 16, 2);
    EXPECT_EQ(MP_PlayingMusic(), 1);
    EXPECT_EQ(mp_fade, 1);
}

TEST_F(GameMusic, AtMusicVolumeZeroAChangeNeverHangs) {
    MP_VolumeMusic(0);
    // The game-over piece plays at volume 0, then the player continues on
    // a level of another piece.
    g.music = loadMusic(0);
    MP_PlayMusic(g.music, -1);
    mix(10);
    ASSERT_EQ(MP_PlayingMusic(), 1);
    g.level = 24;
    chooseMusic(&g);
    musicChange(&g);
    EXPECT_EQ(g.musicPending, 0);
    EXPECT_EQ(curMusic, 3);
    // The next change resolves as quickly, though nothing plays.
    g.level = 36;
    chooseMusic(&g);
    musicChange(&g);
    EXPECT_EQ(g.musicPending, 0);
    EXPECT_EQ(MP_PlayingMusic(), 0);
}

// The virtual device as SDL_OpenAudio: it refuses what SDL refuses, reports
// what it opened, and mixes a buffer whenever the clock has passed one.
class VirtualDevice : public testing::Test {
  protected:
    void SetUp() override {
        sysVirtualClock = 1;
        sysVirtualNow = 1000;
        sysClockHook = nullptr;
    }
    void TearDown() override {
        SDL_CloseAudio();
        sysClockHook = nullptr;
        sysVirtualClock = 0;
        sysVirtualNow = 0;
    }
    static void count(void *calls, Uint8 *stream, int length) {
        ++*static_cast<int *>(calls);
        memset(stream, 0x11, size_t(length));
    }
    SDL_AudioSpec wanted(Uint16 format, Uint8 channels, Uint16 samples) {
        SDL_AudioSpec s;
        memset(&s, 0, sizeof s);
        s.freq = 1000;
        s.format = format;
        s.channels = channels;
        s.samples = samples;
        s.callback = count;
        s.userdata = &calls;
        return s;
    }
    int calls = 0;
};

TEST_F(VirtualDevice, RefusesWhatSDLRefuses) {
    struct Case {
        const char *what;
        bool callback;
        Uint8 channels;
        Uint16 samples;
    } cases[] = {
        {"no callback", false, 2, 100}, {"no channels", true, 0, 100}, {"no samples", true, 2, 0}};
    for (const Case &c : cases) {
        SDL_AudioSpec s = wanted(AUDIO_S16LSB, c.channels, c.samples);
        if (!c.callback)
            s.callback = nullptr;
        EXPECT_EQ(SDL_OpenAudio(&s, nullptr), -1) << c.what;
        EXPECT_STREQ(SDL_GetError(), "SDL_OpenAudio() passed no callback, samples or channels")
            << c.what;
        EXPECT_FALSE(audioVirtualOpen()) << c.what;
    }
    SDL_AudioSpec s = wanted(AUDIO_S16LSB, 2, 100), obtained;
    ASSERT_EQ(SDL_OpenAudio(&s, &obtained), 0);
    EXPECT_EQ(SDL_OpenAudio(&s, nullptr), -1);
    EXPECT_STREQ(SDL_GetError(), "Audio device is already opened");
    SDL_CloseAudio();
    EXPECT_FALSE(audioVirtualOpen());
    EXPECT_EQ(SDL_OpenAudio(&s, nullptr), 0); // and it opens again once closed
}

// What it opened goes to `obtained`, or back into `desired` without one, as
// SDL 1.2 does: the buffer's size in bytes and the silence of the format.
TEST_F(VirtualDevice, ReportsTheBufferItOpened) {
    struct Case {
        Uint16 format;
        Uint8 channels;
        bool obtained;
        Uint32 size;
        Uint8 silence;
    } cases[] = {{AUDIO_S16LSB, 2, true, 400, 0},
                 {AUDIO_U8, 1, false, 100, 0x80},
                 {AUDIO_S8, 2, true, 200, 0}};
    for (const Case &c : cases) {
        SDL_AudioSpec desired = wanted(c.format, c.channels, 100), got;
        memset(&got, 0, sizeof got);
        ASSERT_EQ(SDL_OpenAudio(&desired, c.obtained ? &got : nullptr), 0);
        const SDL_AudioSpec &report = c.obtained ? got : desired;
        EXPECT_EQ(report.size, c.size) << c.format;
        EXPECT_EQ(report.silence, c.silence) << c.format;
        EXPECT_EQ(report.freq, 1000);
        SDL_CloseAudio();
    }
}

// A clock hook set before the open still hears every move; the device mixes
// one buffer per 100 samples of the clock and stops with the close.
TEST_F(VirtualDevice, MixesAsTheClockMovesAndKeepsTheHookBeforeIt) {
    static std::vector<uint32_t> heard;
    heard.clear();
    sysClockHook = [](uint32_t, uint32_t to) { heard.push_back(to); };
    SDL_AudioSpec s = wanted(AUDIO_S16LSB, 2, 100);
    ASSERT_EQ(SDL_OpenAudio(&s, nullptr), 0);
    sysDelay(99);
    EXPECT_EQ(calls, 0);
    sysDelay(1); // 100 ms: 100 samples at 1000 a second
    EXPECT_EQ(calls, 1);
    sysDelay(250);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(audioBuffersMixed(), 3u);
    SDL_CloseAudio();
    sysDelay(500);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(heard, (std::vector<uint32_t>{1099, 1100, 1350, 1850}));
}

// QUENZY_AUDIO_OUT gets what each opening mixed, as a WAV file of its own;
// set but empty, it asks for none (opening "" would end the program).
TEST_F(VirtualDevice, EachOpeningWritesItsMixToTheAudioFile) {
    TempDir tmp("quenzy-audio-out");
    const struct {
        std::string path;
        int buffers;
    } openings[] = {{tmp / "first.wav", 2}, {tmp / "second.wav", 1}, {"", 3}};
    for (const auto &o : openings) {
        setenv("QUENZY_AUDIO_OUT", o.path.c_str(), 1);
        SDL_AudioSpec s = wanted(AUDIO_S16LSB, 2, 100);
        ASSERT_EQ(SDL_OpenAudio(&s, nullptr), 0);
        sysDelay(100 * o.buffers);
        SDL_CloseAudio();
    }
    unsetenv("QUENZY_AUDIO_OUT");
    for (const auto &o : openings) {
        if (o.path.empty())
            continue;
        FILE *f = fopen(o.path.c_str(), "rb");
        ASSERT_NE(f, nullptr) << o.path;
        std::vector<uint8_t> wav(4096);
        wav.resize(fread(wav.data(), 1, wav.size(), f));
        fclose(f);
        const size_t data = 400u * o.buffers; // 100 frames of 4 bytes a buffer
        ASSERT_EQ(wav.size(), 44 + data) << o.path;
        EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
        EXPECT_EQ(wav[40] | wav[41] << 8 | wav[42] << 16, int(data));
        EXPECT_EQ(std::count(wav.begin() + 44, wav.end(), 0x11), long(data)) << o.path;
    }
}

TEST_F(VirtualDevice, AnAudioFileThatCannotBeWrittenEndsTheProgram) {
    EXPECT_EXIT(
        {
            setenv("QUENZY_AUDIO_OUT", "/nonexistent/folder/audio.wav", 1);
            SDL_AudioSpec s = wanted(AUDIO_S16LSB, 2, 100);
            SDL_OpenAudio(&s, nullptr);
        },
        testing::ExitedWithCode(1), "audio: cannot write QUENZY_AUDIO_OUT");
}

// On the real clock the mixer gets SDL's own device (the dummy driver here),
// whose thread runs the hook: a piece played once ends there, by itself.
TEST(LiveAudio, TheDevicesOwnThreadPlaysAndHaltsThePiece) {
    ASSERT_EQ(sysVirtualClock, 0);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(MP_OpenAudio(22050, AUDIO_S16LSB, 2, 1024), 0) << SDL_GetError();
    EXPECT_FALSE(audioVirtualOpen());
    MP_VolumeMusic(128);
    std::vector<uint8_t> mod = snd::tinyMod(1, 16, 1); // a third of a second
    ModPlugFile *h = MP_LoadMusic(mod.data(), static_cast<int>(mod.size()), -1);
    ASSERT_NE(h, nullptr);
    MP_PlayMusic(h, 1);
    for (int waited = 0; waited < 2000 && MP_PlayingMusic(); waited++)
        SDL_Delay(10);
    EXPECT_EQ(MP_PlayingMusic(), 0);
    stopMusic(h);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace
