// The game's music: the thirteen modules of the built archive, heard the way
// the game's player gives them to the mixer (libmodplug at the game's
// settings, buffers of 1024 frames, a seek back to the start in the buffer
// after the one in which a pass ends), and the tool that composes them.

#include "analyze.h"
#include "render.h"
#include "song.h"
#include "xm.h"

#include "file_helpers.h"
#include "storage/winova.h"
#include "temp_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <libmodplug/modplug.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int RATE = 22050, BUFFER = 1024;
const double PI = 3.14159265358979323846;

enum Kind { TITLE, LEVEL, FANFARE, JINGLE };

struct Piece {
    const char *name;
    Kind kind;
};

const Piece PIECES[] = {
    {"quenzyintro", TITLE},   {"ptfactory", LEVEL},   {"breakfastenvy", LEVEL},
    {"gomellow", LEVEL},      {"marenspeak", LEVEL},  {"smoothie", LEVEL},
    {"powerslide", LEVEL},    {"vardo2tc", LEVEL},    {"shadowfax", LEVEL},
    {"quenzyliquids", LEVEL}, {"sundaydrive", LEVEL}, {"x.levelcomplete", FANFARE},
    {"y.jingle", JINGLE}};

struct Heard {
    std::vector<int16_t> pcm;      // interleaved stereo, whole buffers
    std::vector<size_t> passStart; // frame at which each pass starts
    size_t end = 0;                // frame at which the last pass's music stopped
    bool loaded = false;
};

Heard listen(const std::vector<uint8_t> &module, int passes) {
    applyGameSettings();
    Heard h;
    ModPlugFile *f = ModPlug_Load(module.data(), int(module.size()));
    if (!f)
        return h;
    h.loaded = true;
    ModPlug_SetMasterVolume(f, 128);
    ModPlug_Seek(f, 0);
    h.passStart.push_back(0);
    int16_t buffer[BUFFER * 2];
    const size_t cap = size_t(RATE) * 300; // a piece that never ends fails here
    while (h.pcm.size() / 2 < cap) {
        memset(buffer, 0, sizeof buffer);
        int n = ModPlug_Read(f, buffer, int(sizeof buffer));
        h.pcm.insert(h.pcm.end(), buffer, buffer + BUFFER * 2);
        if (n == int(sizeof buffer))
            continue;
        h.end = h.pcm.size() / 2 - BUFFER + size_t(n) / 4;
        if (int(h.passStart.size()) == passes)
            break;
        ModPlug_Seek(f, 0);
        h.passStart.push_back(h.pcm.size() / 2);
    }
    ModPlug_Unload(f);
    return h;
}

std::vector<uint8_t> fromArchive(const char *name) {
    uint32_t length = 0;
    uint8_t *data = loadOVAFile(OVA_MUSIC, name, "mod", &length);
    std::vector<uint8_t> bytes;
    if (data)
        bytes.assign(data, data + length);
    free(data);
    return bytes;
}

int peakOf(const Heard &h, size_t from, size_t to) {
    int peak = 0;
    for (size_t i = 2 * from; i < 2 * std::min(to, h.pcm.size() / 2); i++)
        peak = std::max(peak, std::abs(int(h.pcm[i])));
    return peak;
}

double rmsDb(const Heard &h, size_t from, size_t to) {
    to = std::min(to, h.pcm.size() / 2);
    double sum = 0;
    for (size_t i = from; i < to; i++) {
        double m = (h.pcm[2 * i] + h.pcm[2 * i + 1]) / 65536.0;
        sum += m * m;
    }
    return 10 * std::log10(sum / double(std::max<size_t>(1, to - from)) + 1e-20);
}

double dbfs(int peak) {
    return 20 * std::log10(peak / 32768.0 + 1e-20);
}

class Music : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(openArchives(), 0) << "run from the build folder"; }
    void TearDown() override { closeArchives(); }
};

TEST_F(Music, EveryPieceIsInTheArchiveAndLastsAsLongAsItShould) {
    for (const Piece &p : PIECES) {
        SCOPED_TRACE(p.name);
        std::vector<uint8_t> bytes = fromArchive(p.name);
        ASSERT_FALSE(bytes.empty());
        Heard h = listen(bytes, 1);
        ASSERT_TRUE(h.loaded);
        ASSERT_GT(h.end, 0u) << "never ends";
        double seconds = double(h.end) / RATE;
        switch (p.kind) {
        case TITLE:
            EXPECT_GE(seconds, 45);
            EXPECT_LE(seconds, 120);
            break;
        case LEVEL:
            EXPECT_GE(seconds, 60);
            EXPECT_LE(seconds, 120);
            break;
        case FANFARE:
            EXPECT_GE(seconds, 1.5);
            EXPECT_LE(seconds, 5);
            break;
        case JINGLE:
            EXPECT_GE(seconds, 2);
            EXPECT_LE(seconds, 4);
            break;
        }
    }
}

// At master volume 128 nothing reaches the rails: a full-scale sample would
// be a clipped one, and we keep a decibel of room.
TEST_F(Music, NoPieceClips) {
    for (const Piece &p : PIECES) {
        SCOPED_TRACE(p.name);
        Heard h = listen(fromArchive(p.name), 1);
        ASSERT_TRUE(h.loaded);
        EXPECT_LT(dbfs(peakOf(h, 0, h.end)), -1.0);
    }
}

// The jingle plays once and the fanfare rings out: both have died away
// before the music stops, and stop soon after.
TEST_F(Music, ShortPiecesEndCleanly) {
    for (const Piece &p : PIECES) {
        if (p.kind != FANFARE && p.kind != JINGLE)
            continue;
        SCOPED_TRACE(p.name);
        Heard h = listen(fromArchive(p.name), 1);
        ASSERT_TRUE(h.loaded);
        EXPECT_LT(dbfs(peakOf(h, h.end - RATE / 10, h.end)), -30.0) << "cut off while loud";
        size_t lastSound = 0;
        for (size_t i = 0; i < h.end; i++)
            if (std::abs(int(h.pcm[2 * i])) > 33 || std::abs(int(h.pcm[2 * i + 1])) > 33)
                lastSound = i;
        EXPECT_LT(double(h.end - lastSound) / RATE, 0.3) << "silence padded at the end";
    }
}

// The player starts a looping piece again in the buffer after the one it
// ended in: the second pass is the first one again, the music barely
// pauses at the join and its level does not jump.
TEST_F(Music, LoopingPiecesJoinWithoutAGap) {
    for (const Piece &p : PIECES) {
        if (p.kind != TITLE && p.kind != LEVEL)
            continue;
        SCOPED_TRACE(p.name);
        Heard h = listen(fromArchive(p.name), 2);
        ASSERT_EQ(h.passStart.size(), 2u);
        const size_t join = h.passStart[1];
        ASSERT_GE(h.end - join, join - BUFFER);
        EXPECT_TRUE(std::equal(h.pcm.begin(), h.pcm.begin() + 2 * (join - BUFFER),
                               h.pcm.begin() + 2 * join))
            << "the second pass differs";
        size_t run = 0, longest = 0;
        for (size_t i = join - RATE / 2; i < join + RATE / 4; i++) {
            bool quiet = std::abs(int(h.pcm[2 * i])) < 33 && std::abs(int(h.pcm[2 * i + 1])) < 33;
            run = quiet ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        EXPECT_LT(1000.0 * double(longest) / RATE, 80) << "ms of silence at the join";
        double before = rmsDb(h, join - RATE * 3 / 2, join - RATE / 4);
        double after = rmsDb(h, join, join + RATE * 5 / 4);
        EXPECT_LT(std::fabs(after - before), 3.0) << "dB jump at the join";
    }
}

// A player switching between levels should not have to reach for the
// volume: the title and level pieces sit within 2 dB of their median.
TEST_F(Music, LoopingPiecesShareALoudness) {
    std::vector<std::pair<double, const char *>> loudness;
    for (const Piece &p : PIECES)
        if (p.kind == TITLE || p.kind == LEVEL) {
            Heard h = listen(fromArchive(p.name), 1);
            ASSERT_TRUE(h.loaded) << p.name;
            loudness.push_back({rmsDb(h, 0, h.end), p.name});
        }
    std::vector<std::pair<double, const char *>> sorted = loudness;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2].first;
    for (auto [db, name] : loudness)
        EXPECT_NEAR(db, median, 2.0) << name;
}

// ---- the tool ----

// A folder of its own for sources and modules, removed afterwards.
class Modtool : public ::testing::Test {
  protected:
    std::string source(const std::string &text) {
        std::string path = dir + "/fixture.song";
        std::ofstream(path) << text;
        return path;
    }
    SongBuild build(const std::string &text) {
        SongBuild song;
        std::string error;
        EXPECT_TRUE(buildSong(source(text), song, error)) << error;
        return song;
    }
    TempDir tmp{"quenzy-music"};
    const std::string dir = tmp.path;
};

double centsOff(const std::vector<double> &x, double expected) {
    return 1200 * std::log2(measurePitch(x, expected) / expected);
}

// The pitch reading itself, on tones made here: it finds the partial at the
// note in a rich tone and in a bell-like one whose strongest partial is not
// the note.
TEST(PitchReading, FindsTheNoteInATone) {
    const struct {
        double hz, cents;
        std::vector<double> partials; // multiples of hz, with their levels
    } cases[] = {
        {440, 0, {1, 1}},
        {440, 7.5, {1, 1, 2, 0.5, 3, 0.33, 4, 0.25}},
        {110.3, -12, {1, 0.3, 2, 1, 3, 0.8}},
        {1318.5, 3, {1, 0.5, 2.5, 1, 4.5, 0.4}},
    };
    for (const auto &c : cases) {
        std::vector<double> x(RATE / 2);
        const double f = c.hz * std::pow(2.0, c.cents / 1200);
        for (size_t i = 0; i < x.size(); i++)
            for (size_t k = 0; k + 1 < c.partials.size(); k += 2)
                x[i] += c.partials[k + 1] * std::sin(2 * PI * f * c.partials[k] * i / RATE);
        EXPECT_NEAR(centsOff(x, c.hz), c.cents, 0.2) << c.hz;
    }
}

const char *HEAD = "title t\ntempo 125\nspeed 6\nchannels 2\n";

TEST_F(Modtool, InstrumentsSoundAtTheirNotes) {
    struct Case {
        const char *what, *instrument;
    };
    const Case cases[] = {
        {"saw", "osc saw\nfilter 6\n"},
        {"square and triangle", "osc square\nosc triangle level 0.5\n"},
        {"two-operator FM", "osc fm mod 2 index 1.5 to 0.4 time 0.05\n"},
        {"partials", "osc partials partials 1 0.5 0.3\n"},
        {"bell on a fundamental an octave below", "sub 2\nosc fm ratio 2 mod 7 index 1\n"},
        {"a pair detuned either way", "osc saw detune -6\nosc saw detune 6\nfilter 4\n"},
        {"a filter sweep and a breath", "osc saw\nfilter 3 from 12 time 0.05\nchiff 0.1\n"},
    };
    // Each note is sampled from another zone of the instrument.
    const struct {
        const char *note;
        double hz;
    } notes[] = {{"o2 a", 110}, {"o4 a", 440}, {"o5 e", 659.2551}};
    for (const Case &c : cases)
        for (const auto &n : notes) {
            SCOPED_TRACE(std::string(c.what) + " at " + n.note);
            SongBuild song = build(std::string(HEAD) + "instrument i\n" + c.instrument +
                                   "range c2 b5\nend\npart p i: " + n.note +
                                   "1\npattern a 16\n1 p\nend\norder a\n");
            Heard h = listen(encodeXM(song.module), 1);
            ASSERT_TRUE(h.loaded);
            std::vector<double> mono;
            for (size_t i = RATE / 5; i < RATE / 5 + RATE / 2; i++)
                mono.push_back(h.pcm[2 * i] + h.pcm[2 * i + 1]);
            EXPECT_NEAR(centsOff(mono, n.hz), 0, 3);
        }
}

// A looping song ends early by just so much that the player, seeking back
// in the buffer after the one the song ended in, starts it again on the
// beat: 128 rows of 6 ticks of 448 frames later.
TEST_F(Modtool, LoopingSongComesRoundOnTheBeat) {
    const std::string body = "instrument i\nosc sine\nrange c4 c5\nend\n"
                             "part p i: o4 c1 e1 g1 >c1\npart q i: o4 e1 g1 c1 e2 r2\n"
                             "pattern a\n1 p\nend\npattern b\n1 q\nend\norder a b\n";
    SongBuild looped = build("title t\ntempo 123\nspeed 6\nchannels 2\nloop\n" + body);
    EXPECT_TRUE(looped.warnings.empty());
    Heard h = listen(encodeXM(looped.module), 2);
    ASSERT_EQ(h.passStart.size(), 2u);
    EXPECT_EQ(h.passStart[1], 128u * 6 * 448);
    // Without `loop` the song keeps its whole length and rings out.
    SongBuild once = build("title t\ntempo 123\nspeed 6\nchannels 2\n" + body);
    Heard whole = listen(encodeXM(once.module), 1);
    EXPECT_GT(whole.end, 128u * 6 * 448);
}

TEST_F(Modtool, WarnsWhenTheLoopCannotComeRoundOnTheBeat) {
    const std::string instrument = "instrument i\nosc sine\nrange c4 c5\nend\n";
    // 125 beats a minute: 441 frames a tick, so 128 rows are not whole buffers.
    SongBuild offBeat = build("title t\ntempo 125\nchannels 2\nloop\n" + instrument +
                              "part p i: c1 c1 c1 c1\npattern a\n1 p\nend\norder a a\n");
    ASSERT_EQ(offBeat.warnings.size(), 1u);
    EXPECT_NE(offBeat.warnings[0].find("off the beat"), std::string::npos);
    // A note in the break before the loop's start is cut.
    SongBuild cut =
        build("title t\ntempo 123\nchannels 2\nloop\n" + instrument +
              "part p i: c1 c1 c1 c2. c16 c16 c16 c16\npattern a\n1 p\nend\norder a a\n");
    ASSERT_EQ(cut.warnings.size(), 1u);
    EXPECT_NE(cut.warnings[0].find("is cut"), std::string::npos);
}

// Above its range an instrument would play harmonics its samples were not
// made for.
TEST_F(Modtool, WarnsWhenAPartLeavesItsInstrumentsRange) {
    SongBuild song =
        build(std::string(HEAD) + "instrument i\nosc saw\nrange c4 c5\nend\npart p i: o4 c1\n"
                                  "pattern a 16\n1 p\nend\npattern b 16\n1 p+13\nend\norder a b\n");
    ASSERT_EQ(song.warnings.size(), 1u);
    EXPECT_NE(song.warnings[0].find("p+13 plays c#5, outside the range of i"), std::string::npos)
        << song.warnings[0];
}

TEST_F(Modtool, ReportsSourceErrorsWithTheirPlace) {
    const struct {
        const char *lines;
        int line;
        const char *message;
    } cases[] = {
        {"frobnicate", 5, "unknown statement frobnicate"},
        {"tempo 20", 5, "not a whole number from 32 to 255"},
        {"speed 6 3", 5, "speed takes one value"},
        {"part p: c4 c4", 5, "part NAME INSTRUMENT: NOTES"},
        {"instrument j\nosc sine\nwobble 3\nend", 7, "unknown instrument setting wobble"},
        {"instrument j\nosc sine\nvolume 65\nend", 7, "65 is not a whole number from 0 to 64"},
        {"instrument j\nosc sine\nattack\nend", 7, "attack needs more values"},
        {"part p i: c4 c4 c4 | c4", 5, "bar line at row 12"},
        {"part p i: c64", 5, "length 64 is not a whole number of rows"},
        {"part p nobody: c4", 5, "unknown instrument nobody"},
        {"part p i: [ce", 5, "chord without ]"},
        {"part p i: $m{c}", 5, "unknown macro $m"},
        {"part p steps: k...", 5, "no hit is named k"},
        {"part p i: c1\npattern a\n1 p*5\nend", 7, "parts run past the pattern's 64 rows"},
        {"part p i: c1\npattern a\n1 p q\nend", 7, "unknown part q"},
        {"part p i: c1\npattern a\n1 p*3\nend", 7, "parts fill 48 of the pattern's 64 rows"},
        {"part p i: c1\npattern a\n1 p p\n", 6, "pattern without end"},
        {"gain 1.2", 5, "instrument i would clip"},
    };
    const std::string head = "title t\ninstrument i\nosc sine\nend\n";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        std::string path = source(head + c.lines + "\n");
        SongBuild song;
        std::string error;
        EXPECT_FALSE(buildSong(path, song, error));
        EXPECT_EQ(error.rfind(path + ":" + std::to_string(c.line) + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

// The build wrote every module with a tool run of its own; composing them
// again here gives the same bytes.
TEST_F(Modtool, SameSourcesGiveTheSameBytes) {
    for (const Piece &p : PIECES) {
        SCOPED_TRACE(p.name);
        SongBuild song;
        std::string error;
        ASSERT_TRUE(buildSong(std::string(QUENZY_SOURCE_DIR) + "/assets/music/" + p.name + ".song",
                              song, error))
            << error;
        std::vector<uint8_t> built =
            readFileBytes(std::string(QUENZY_BINARY_DIR) + "/music/" + p.name + ".mod");
        ASSERT_FALSE(built.empty());
        EXPECT_TRUE(encodeXM(song.module) == built);
    }
}

} // namespace
