// The game's music and effects, heard through the real program: replays mix
// on the virtual clock, and QUENZY_AUDIO_OUT writes what they mixed.

#include "e2e_helpers.h"
#include "file_helpers.h"
#include "sound/sound.h"
#include "sound_helpers.h"
#include "storage/winova.h"

namespace {

using namespace e2e;

// A 1 under a 3 in column 2; the target wants a 2 there.
Board keyBoard() {
    return Board().start(2, 9, 1).start(2, 8, 3).target(2, 9, 2);
}

// Walks the cursor from (4, 5) to (2, 9) and, at frame 12, types `key`:
// LCTRL picks, SPACE does nothing.
std::string walkAndType(const char *key) {
    return std::string("frame 5 type LEFT\nframe +1 type LEFT\n"
                       "frames +1-+4 every 1 type DOWN\nframe +2 type ") +
           key + "\nframe 100 exit\n";
}

class SoundEndToEnd : public EndToEnd {
  protected:
    // Puts a music archive of our own in place of the composed one: every
    // piece a tiny module of half a minute, so what the trace shows depends
    // on the player alone.
    void ownMusic() {
        std::vector<uint8_t> mod = snd::tinyMod(4, 64, 6);
        std::vector<OVAItem> items;
        std::vector<std::string> names;
        for (int id = 0; id < MUSIC_COUNT; id++)
            names.push_back(std::string(musix[id]) + ".mod");
        for (const std::string &name : names)
            items.push_back({name.c_str(), mod.data(), uint32_t(mod.size())});
        std::string archive = dir + "/data/music.ova";
        unlink(archive.c_str());
        ASSERT_EQ(writeOVA(archive.c_str(), items.data(), unsigned(items.size())), 0);
    }
    // Plays `script` from a fresh user folder with the mixed audio written to
    // audio.wav; the samples.
    std::vector<int16_t> playHeard(const std::string &script, Outcome *out) {
        EXPECT_EQ(removeTree(dir + "/home/.quenzy"), 0);
        unlink((dir + "/trace.txt").c_str());
        unlink((dir + "/audio.wav").c_str());
        *out = play(script, {"-t"}, {{"QUENZY_AUDIO_OUT", "audio.wav"}});
        wavBytes = readFileBytes(dir + "/audio.wav");
        snd::Wav wav = snd::readWav(wavBytes);
        EXPECT_EQ(wav.rate, 22050);
        EXPECT_EQ(wav.channels, 2);
        return wav.samples;
    }
    std::vector<uint8_t> wavBytes;
};

TEST_F(SoundEndToEnd, TheLevelPieceStartsWithTheFirstAttempt) {
    testBoard(keyBoard());
    ownMusic();
    Outcome out;
    std::vector<int16_t> heard = playHeard("frame 120 exit\n", &out);
    EXPECT_EQ(out.status, 0);
    TraceLine music = out.find("music");
    EXPECT_EQ(music.num("id"), 1);
    EXPECT_EQ(music.num("loops"), -1);
    EXPECT_EQ(music.frame, out.find("attempt").frame);
    // Two virtual seconds of a piece fading in, one buffer after another.
    EXPECT_EQ(heard.size(), 2 * 1024 * (2000 * 22050 / 1000 / 1024));
    EXPECT_GT(snd::rms(heard, heard.size() - 22050, heard.size()), 100.0);
    EXPECT_LT(snd::rms(heard, 0, 2048), snd::rms(heard, heard.size() - 2048, heard.size()));
}

TEST_F(SoundEndToEnd, ANewPieceEveryTwelveLevelsAfterTheOldFadesOut) {
    // Thirteen levels of one pick each: a 2 at (0, 9) and an empty target.
    Board one = Board().start(0, 9, 2);
    levels(levelFile(std::vector<Board>(13, one),
                     std::vector<std::vector<std::pair<int, int>>>(13, {{0, 9}})));
    testBoard(one);
    ownMusic();
    std::string script;
    for (int level = -1; level < 12; level++)
        script += "after attempt\nframe +5 click 24 216\n"
                  "after tally\nframe +150 type LCTRL\nframes +1-+3 every 1 type LCTRL\n";
    script += "after attempt\nframe +5 click 24 216\nafter won\nframe +5 exit\n";
    Outcome out = play(script);
    EXPECT_EQ(out.status, 0);
    ASSERT_EQ(out.count("music"), 2);
    EXPECT_EQ(out.find("music", 0).num("id"), 1);
    TraceLine attempt = out.find("attempt", 13), change = out.find("music", 1);
    EXPECT_EQ(attempt.num("level"), 12);
    EXPECT_EQ(change.num("id"), 2);
    // Level 1's piece fades out over 63 buffers, about 175 frames, before
    // level 13's starts; the level waits for it before it can be won.
    EXPECT_NEAR(double(change.frame - attempt.frame), 63 * 1024 * 60.0 / 22050, 3);
    EXPECT_GE(out.find("won", 13).frame, change.frame);
    EXPECT_EQ(out.find("won", 13).num("level"), 12);
}

TEST_F(SoundEndToEnd, GameOverPlaysTheTitlePiece) {
    testBoard(Board().start(2, 9, 1).target(5, 9, 1));
    ownMusic();
    Outcome out =
        play(readText(QUENZY_SOURCE_DIR "/tests/e2e/game_over.txt") + "frame +1 type RIGHT\n");
    EXPECT_EQ(out.status, 0);
    TraceLine over = out.find("gameover");
    ASSERT_FALSE(over.event.empty());
    ASSERT_EQ(out.count("music"), 2);
    TraceLine title = out.find("music", 1);
    EXPECT_EQ(title.num("id"), 0);
    EXPECT_EQ(title.num("loops"), -1);
    EXPECT_GE(title.frame, over.frame);
    EXPECT_LT(title.frame, out.find("leave").frame);
}

// At music volume 0 the game-over piece plays silently and has no fade to
// end; the continued game's change of piece must not wait for it.
TEST_F(SoundEndToEnd, AtMusicVolumeZeroAContinuedGameGoesOn) {
    testBoard(Board().start(2, 9, 1).target(5, 9, 1));
    ownMusic();
    ASSERT_EQ(mkdir((dir + "/home/.quenzy").c_str(), 0755), 0);
    std::string config = "mus_volume=0\n";
    writeBytes(dir + "/home/.quenzy/quenzy.cfg",
               std::vector<uint8_t>(config.begin(), config.end()));
    std::string script = readText(QUENZY_SOURCE_DIR "/tests/e2e/game_over.txt") +
                         "frame +1 type LEFT\n"
                         "after attempt\nframe +5 click 56 216\nafter lost\nframe +5 exit\n";
    Outcome out = play(script);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("volumes").num("music"), 0);
    ASSERT_EQ(out.count("music"), 1); // only the game-over piece starts
    EXPECT_EQ(out.find("music").num("id"), 0);
    EXPECT_GE(out.find("music").frame, out.find("gameover").frame);
    // The continued attempt is played and lost like the first ones.
    EXPECT_EQ(out.count("lost"), 3);
    TraceLine again = out.find("attempt", 3), lost = out.find("lost", 2);
    EXPECT_EQ(lost.frame - again.frame, out.find("lost").frame - out.find("attempt").frame);
}

// The effect the pick plays, as the mixer adds it: the archive's lion_hand
// at the default effect volume, 15 % or 19/128.
std::vector<int> pickEffect() {
    for (const auto &entry : archiveEntries("sound.ova"))
        if (entry.first == std::string(snd_name[1]) + ".wav") {
            snd::Wav wav = snd::readWav(entry.second);
            std::vector<int> scaled;
            if (wav.channels == 1 && wav.rate == 22050)
                for (int16_t s : wav.samples)
                    scaled.push_back(s * 19 / 128);
            return scaled;
        }
    return {};
}

TEST_F(SoundEndToEnd, APickSoundsItsEffectOverTheMusic) {
    testBoard(keyBoard());
    Outcome picked, idle;
    std::vector<int16_t> with = playHeard(walkAndType("LCTRL"), &picked);
    std::vector<int16_t> without = playHeard(walkAndType("SPACE"), &idle);
    EXPECT_EQ(picked.count("pick"), 1);
    EXPECT_EQ(idle.count("pick"), 0);
    ASSERT_EQ(with.size(), without.size());
    EXPECT_GT(snd::rms(with, 0, with.size()), 100.0); // not silent
    std::vector<int> effect = pickEffect();
    ASSERT_GT(effect.size(), 1000u);
    // The two runs sound alike up to the buffer after the pick's frame ...
    size_t differ = 0;
    while (differ < with.size() && with[differ] == without[differ])
        differ++;
    ASSERT_LT(differ, with.size());
    size_t first = differ - differ % 2048; // the effect starts with a buffer
    double pickMs = 12 * 1000.0 / 60;
    EXPECT_NEAR(first / 2 / 22.05, pickMs, 2 * 46.5);
    // ... and from there on differ by the effect, on both sides, until the
    // picking hand lands half a second later.
    size_t frames = std::min<size_t>(effect.size(), 22050 * 45 / 100);
    double dot = 0, self = 0, other = 0;
    for (size_t i = 0; i < frames; i++)
        for (int side = 0; side < 2; side++) {
            size_t at = first + 2 * i + side;
            ASSERT_LT(at, with.size());
            double added = with[at] - without[at];
            dot += added * effect[i];
            self += double(effect[i]) * effect[i];
            other += added * added;
        }
    ASSERT_GT(self, 0.0);
    EXPECT_GT(dot / std::sqrt(self * other), 0.99);
    EXPECT_NEAR(other / self, 1.0, 0.02);
}

TEST_F(SoundEndToEnd, AReplaySoundsTheSameEveryTime) {
    testBoard(keyBoard());
    Outcome first, second;
    playHeard(walkAndType("LCTRL"), &first);
    std::vector<uint8_t> firstBytes = wavBytes;
    std::string firstTrace = readText(dir + "/trace.txt");
    playHeard(walkAndType("LCTRL"), &second);
    EXPECT_EQ(first.status, 0);
    EXPECT_GT(firstBytes.size(), 100000u);
    EXPECT_TRUE(firstBytes == wavBytes);
    EXPECT_EQ(readText(dir + "/trace.txt"), firstTrace);
}

TEST_F(SoundEndToEnd, AMissingOrBrokenEffectStopsTheProgram) {
    struct Case {
        const char *entry;
        bool garbage;
        const char *message;
    } cases[] = {{"lion_hand.wav", false, "Can't load sound file"},
                 {"totem_anim.wav", true, "Unable to load sound"}};
    std::vector<std::pair<std::string, std::vector<uint8_t>>> all = archiveEntries("sound.ova");
    ASSERT_EQ(all.size(), size_t(SFX_COUNT));
    captureStderr = true;
    testBoard(keyBoard());
    for (const Case &c : cases) {
        std::vector<std::string> names;
        std::vector<std::vector<uint8_t>> bytes;
        for (const auto &e : all) {
            if (e.first == c.entry && !c.garbage)
                continue;
            names.push_back(e.first);
            bytes.push_back(e.first == c.entry ? std::vector<uint8_t>(64, 0x5A) : e.second);
        }
        std::vector<OVAItem> items;
        for (size_t i = 0; i < names.size(); i++)
            items.push_back({names[i].c_str(), bytes[i].data(), uint32_t(bytes[i].size())});
        std::string archive = dir + "/data/sound.ova";
        unlink(archive.c_str());
        ASSERT_EQ(writeOVA(archive.c_str(), items.data(), unsigned(items.size())), 0);
        Outcome out = play("frame 60 exit\n");
        EXPECT_EQ(out.status, 1) << c.entry;
        EXPECT_EQ(out.err, c.message) << c.entry;
        EXPECT_EQ(out.count("attempt"), 0) << c.entry;
    }
}

} // namespace
