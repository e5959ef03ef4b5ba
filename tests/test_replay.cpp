#include "platform/byteorder.h"
#include "platform/replay.h"
#include "platform/replayscript.h"
#include "platform/sys.h"
#include "temp_helpers.h"

#include <SDL/SDL.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

// Drains the queue once, as the input layer does each frame, and returns the
// events in a compact readable form.
std::vector<std::string> drain() {
    std::vector<std::string> got;
    SDL_Event e;
    while (sysPollEvent(&e)) {
        char line[64];
        switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            snprintf(line, sizeof line, "%s %d mod %d", e.type == SDL_KEYDOWN ? "down" : "up",
                     e.key.keysym.sym, e.key.keysym.mod);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            snprintf(line, sizeof line, "%s %d %d b%d",
                     e.type == SDL_MOUSEBUTTONDOWN ? "mdown" : "mup", e.button.x, e.button.y,
                     e.button.button);
            break;
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
            snprintf(line, sizeof line, "%s %d", e.type == SDL_JOYBUTTONDOWN ? "jdown" : "jup",
                     e.jbutton.button);
            break;
        case SDL_JOYHATMOTION:
            snprintf(line, sizeof line, "hat %d", e.jhat.value);
            break;
        case SDL_JOYAXISMOTION:
            snprintf(line, sizeof line, "axis %d %d", e.jaxis.axis, e.jaxis.value);
            break;
        case SDL_QUIT:
            snprintf(line, sizeof line, "quit");
            break;
        default:
            snprintf(line, sizeof line, "type %d", e.type);
        }
        got.push_back(line);
    }
    return got;
}

class Replay : public testing::Test {
  protected:
    void TearDown() override {
        replayStop();
        sysVirtualNow = 0;
    }
    void load(const char *text) {
        char err[128] = "";
        ASSERT_EQ(replayLoadScript(text, err, sizeof err), 0) << err;
    }
};

using Events = std::vector<std::string>;

TEST_F(Replay, EventsArriveInTheirDrain) {
    load("# a pick and a click\n"
         "frame 2 press LCTRL\n"
         "frame 3 release LCTRL\n"
         "frame +2 click 40 80\n"
         "frame 1 type x shift\n"
         "frame 7 mousedown 1 2 3\n");
    std::vector<Events> frames;
    for (int i = 0; i < 8; i++)
        frames.push_back(drain());
    EXPECT_EQ(frames[0], Events{});
    EXPECT_EQ(frames[1], (Events{"down 120 mod 1", "up 120 mod 1"}));
    EXPECT_EQ(frames[2], Events{"down 306 mod 0"});
    EXPECT_EQ(frames[3], Events{"up 306 mod 0"});
    EXPECT_EQ(frames[4], Events{});
    EXPECT_EQ(frames[5], (Events{"mdown 40 80 b1", "mup 40 80 b1"}));
    EXPECT_EQ(frames[7], Events{"mdown 1 2 b3"});
    EXPECT_EQ(replayFrame, 8u);
    // After the last line each drain asks the window to close.
    EXPECT_EQ(drain(), Events{"quit"});
    EXPECT_EQ(drain(), Events{"quit"});
}

TEST_F(Replay, RepeatedLines) {
    load("frames 1-7 every 3 type RETURN\n"
         "frame +1 type UP\n");
    std::vector<Events> frames;
    for (int i = 0; i < 9; i++)
        frames.push_back(drain());
    Events ret{"down 13 mod 0", "up 13 mod 0"};
    for (int f : {1, 4, 7})
        EXPECT_EQ(frames[f], ret) << f;
    for (int f : {0, 2, 3, 5, 6})
        EXPECT_EQ(frames[f], Events{}) << f;
    EXPECT_EQ(frames[8], (Events{"down 273 mod 0", "up 273 mod 0"}));
}

TEST_F(Replay, AnchoredLinesWaitForTheGame) {
    load("frame 1 type UP\n"
         "after won\n"
         "frame +2 type LCTRL\n"
         "frame +1 type RETURN\n"
         "after lost\n"
         "frame +1 type DOWN\n");
    // The game must report its events while an anchor waits, trace or not.
    EXPECT_TRUE(replayTracing());
    std::vector<Events> frames;
    for (int i = 0; i < 12; i++) {
        if (i == 3)
            replayNote("lost", ""); // not awaited yet: ignored
        if (i == 4)
            replayNote("won", "level=0");
        if (i == 8)
            replayNote("lost", nullptr);
        frames.push_back(drain());
    }
    Events up{"down 273 mod 0", "up 273 mod 0"};
    EXPECT_EQ(frames[1], up);
    // "won" came during drain 4: +2 is drain 6, +1 more drain 7.
    EXPECT_EQ(frames[6], (Events{"down 306 mod 0", "up 306 mod 0"}));
    EXPECT_EQ(frames[7], (Events{"down 13 mod 0", "up 13 mod 0"}));
    EXPECT_EQ(frames[9], (Events{"down 274 mod 0", "up 274 mod 0"}));
    for (int f : {0, 2, 3, 4, 5, 8})
        EXPECT_EQ(frames[f], Events{}) << f;
    EXPECT_EQ(frames[10], Events{"quit"});
    EXPECT_FALSE(replayTracing());
}

TEST_F(Replay, BadScriptsNameTheLine) {
    struct Case {
        const char *text;
        const char *message;
    } cases[] = {
        {"frame 1 press NOSUCHKEY\n", "line 1: unknown key"},
        {"\nframe x press UP\n", "line 2: expected a frame number"},
        {"frame 1 click 3\n", "line 1: expected X Y [BUTTON]"},
        {"frame 1 dance\n", "line 1: unknown action"},
        {"press UP\n", "line 1: lines start with frame, frames or after"},
        {"frames 9-3 every 1 type UP\n", "line 1: bad frame range"},
        {"frame 2 dump ../escape\n", "line 1: expected a plain NAME"},
        {"after won\nframe 3 type UP\n",
         "line 2: after an anchor, frames are +N with N of 1 or more"},
        {"after won\nframe +0 type UP\n",
         "line 2: after an anchor, frames are +N with N of 1 or more"},
        {"frame 1\n", "line 1: missing action"},
        {"frame 1 type\n", "line 1: unknown key"},
        {"frame 1 press UP bold\n", "line 1: unknown modifier"},
        {"frame 1 type Z\n", "line 1: unknown key"}, // letters are lower case
        {"frame 1 type F0\n", "line 1: unknown key"},
        {"frame 1 type F16\n", "line 1: unknown key"},
        {"frame 1 type 0x20\n", "line 1: unknown key"},
        {"frame 1 type -5\n", "line 1: unknown key"},
        {"frame 1 type !\n", "line 1: unknown key"},
        {"frame 1 type ~\n", "line 1: unknown key"},
        {"frame 1 type F\n", "line 1: unknown key"},
        {"frame 1 type 00\n", "line 1: unknown key"},
        {"frame 1 type 99999\n", "line 1: unknown key"},
        {"frame 1 click 3 4 5 6\n", "line 1: expected X Y [BUTTON]"},
        {"frame 1 click 3 y\n", "line 1: expected X Y [BUTTON]"},
        {"frame 1 click x 4\n", "line 1: expected X Y [BUTTON]"},
        {"frame 1 click 1 -1\n", "line 1: position or button out of range"},
        {"frame 1 click 65536 1\n", "line 1: position or button out of range"},
        {"frame 1 hat x\n", "line 1: expected a hat value"},
        {"frames 1-3 every\n", "line 1: expected frames A-B every S"},
        {"frame 1 mousedown 3 4 x\n", "line 1: expected X Y [BUTTON]"},
        {"frame 1 click -1 4\n", "line 1: position or button out of range"},
        {"frame 1 click 1 65536\n", "line 1: position or button out of range"},
        {"frame 1 mouseup 1 2 0\n", "line 1: position or button out of range"},
        {"frame 1 mouseup 1 2 256\n", "line 1: position or button out of range"},
        {"frame 1 joydown\n", "line 1: expected a button number"},
        {"frame 1 joydown x\n", "line 1: expected a button number"},
        {"frame 1 joyup 256\n", "line 1: expected a button number"},
        {"frame 1 joyup -1\n", "line 1: expected a button number"},
        {"frame 1 hat\n", "line 1: expected a hat value"},
        {"frame 1 hat 16\n", "line 1: expected a hat value"},
        {"frame 1 hat -1\n", "line 1: expected a hat value"},
        {"frame 1 axis 0\n", "line 1: expected AXIS VALUE"},
        {"frame 1 axis x 0\n", "line 1: expected AXIS VALUE"},
        {"frame 1 axis 0 x\n", "line 1: expected AXIS VALUE"},
        {"frame 1 axis -1 0\n", "line 1: expected AXIS VALUE"},
        {"frame 1 axis 256 0\n", "line 1: expected AXIS VALUE"},
        {"frame 1 axis 0 32768\n", "line 1: expected AXIS VALUE"},
        {"frame 1 axis 0 -32769\n", "line 1: expected AXIS VALUE"},
        {"frame 1 quit now\n", "line 1: quit takes nothing"},
        {"frame 1 dump\n", "line 1: expected a plain NAME"},
        {"frame 1 dump a b\n", "line 1: expected a plain NAME"},
        {"frame 1 exit 1 2\n", "line 1: expected [STATUS]"},
        {"frame 1 exit x\n", "line 1: expected [STATUS]"},
        {"frame 1 exit -1\n", "line 1: expected [STATUS]"},
        {"frame 1 exit 256\n", "line 1: expected [STATUS]"},
        {"after\n", "line 1: expected after EVENT"},
        {"after won lost\n", "line 1: expected after EVENT"},
        {"frame\n", "line 1: expected a frame number"},
        {"frame -1 type UP\n", "line 1: expected a frame number"},
        {"frame +x type UP\n", "line 1: expected a frame number"},
        {"frame +-1 type UP\n", "line 1: expected a frame number"},
        {"frames\n", "line 1: expected frames A-B every S"},
        {"frames 13 every 1 type UP\n", "line 1: expected frames A-B every S"},
        {"frames 1-3 type UP\n", "line 1: expected frames A-B every S"},
        {"frames 1-3 each 1 type UP\n", "line 1: expected frames A-B every S"},
        {"frames 1-3 every x type UP\n", "line 1: expected frames A-B every S"},
        {"frames 1-3 every 0 type UP\n", "line 1: expected frames A-B every S"},
        {"frames x-3 every 1 type UP\n", "line 1: bad frame range"},
        {"frames 1-x every 1 type UP\n", "line 1: bad frame range"},
        {"frames 1-3 every 1 dance\n", "line 1: unknown action"},
        {"frames 1-3 every 1\n", "line 1: missing action"},
        {"after won\nframes 1-3 every 1 type UP\n",
         "line 2: after an anchor, frames are +N with N of 1 or more"},
        {"after won\nframes +0-+3 every 1 type UP\n",
         "line 2: after an anchor, frames are +N with N of 1 or more"},
        {"frame 1 clock 3\n", "line 1: expected READ+MS or READ-MS"},
        {"frame 1 clock +3\n", "line 1: expected READ+MS or READ-MS"},
        {"frame 1 clock 3+0\n", "line 1: expected READ+MS or READ-MS"},
        {"frame 1 clock 3+-2\n", "line 1: expected READ+MS or READ-MS"},
        {"frame 1 clock x+2\n", "line 1: expected READ+MS or READ-MS"},
        {"frame 1 clock 1+2 3+x\n", "line 1: expected READ+MS or READ-MS"},
        {"frame 1 music 0\n", "line 1: expected READ 0 or READ 1"},
        {"frame 1 music 0 2\n", "line 1: expected READ 0 or READ 1"},
        {"frame 1 music -1 0\n", "line 1: expected READ 0 or READ 1"},
    };
    for (const Case &c : cases) {
        char err[128] = "";
        EXPECT_EQ(replayLoadScript(c.text, err, sizeof err), -1) << c.text;
        EXPECT_STREQ(err, c.message);
    }
}

// Keys by name in any case, letters and digits by themselves, F1 to F15 and
// any other by its SDL number; "caps" and "shift" together.
TEST_F(Replay, KeysByNameLetterFunctionNumber) {
    struct Case {
        const char *word;
        int sym;
    } cases[] = {
        {"escape", SDLK_ESCAPE},
        {"Return", SDLK_RETURN},
        {"z", SDLK_z},
        {"0", SDLK_0},
        {"9", SDLK_9},
        {"F1", SDLK_F1},
        {"f15", SDLK_F15},
        {"F9", SDLK_F9},
        {"300", 300},
        {"1", SDLK_1},
        {"12", 12},
    };
    for (const Case &c : cases) {
        std::string script = std::string("frame 0 press ") + c.word + " caps shift\n";
        load(script.c_str());
        EXPECT_EQ(drain(), Events{"down " + std::to_string(c.sym) + " mod " +
                                  std::to_string(KMOD_CAPS | KMOD_LSHIFT)})
            << c.word;
        replayStop();
    }
}

// A recording names each key SDL has so that the name reads back as that
// key: by name, letter, digit, F-number or number.
TEST_F(Replay, EveryKeysRecordedNameReadsBackAsThatKey) {
    for (int sym = SDLK_BACKSPACE; sym < SDLK_LAST; sym++) {
        char name[16];
        replayKeyName(static_cast<SDLKey>(sym), name, sizeof name);
        load(("frame 0 press " + std::string(name) + "\n").c_str());
        EXPECT_EQ(drain(), Events{"down " + std::to_string(sym) + " mod 0"}) << name;
        replayStop();
    }
}

// The time the game may run on after the script's last line is bounded: a
// program that ignores the window close requests is ended with status 2.
TEST_F(Replay, AGameThatIgnoresTheCloseRequestsIsEnded) {
    EXPECT_EXIT(
        {
            load("frame 3 type UP\n");
            for (int i = 0; i < 10 * REPLAY_GRACE; i++)
                drain();
        },
        testing::ExitedWithCode(2), "the game still runs 600 frames after the script's end");
}

// With QUENZY_DUMP_EVERY each n-th frame's picture is written as the drain
// begins; a dump that cannot be written says so and the game goes on.
TEST_F(Replay, DumpEveryNthFrameAndSayWhenOneCannotBeWritten) {
    TempDir tmp("quenzy-dump-every");
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    ASSERT_NE(SDL_SetVideoMode(320, 240, 16, SDL_SWSURFACE), nullptr);
    replaySetDumpDir(tmp.path.c_str(), 3);
    EXPECT_EQ(replayMode, REPLAY_LIVE);
    for (int i = 0; i < 7; i++) {
        replayObserve(nullptr); // an empty queue: one drain
    }
    for (int f = 0; f < 7; f++) {
        char name[32];
        snprintf(name, sizeof name, "/frame-%06d.bmp", f);
        EXPECT_EQ(access((tmp.path + name).c_str(), F_OK) == 0, f % 3 == 0) << name;
    }
    replaySetDumpDir((tmp.path + "/no-such-folder").c_str(), 1);
    testing::internal::CaptureStderr();
    replayObserve(nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("replay: cannot write " + tmp.path + "/no-such-folder/frame-000007.bmp"),
              std::string::npos)
        << err;
    EXPECT_EQ(replayFrame, 8u);
    // Nor can one whose path is longer than any the system takes.
    const std::string deep = tmp.path + "/" + std::string(5000, 'd');
    replaySetDumpDir(deep.c_str(), 1);
    testing::internal::CaptureStderr();
    replayObserve(nullptr);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("replay: cannot write " + deep + "/frame-000008.bmp"), std::string::npos);
    SDL_Quit();
    // Without a picture shown there is nothing to dump, and nothing is said.
    testing::internal::CaptureStderr();
    replayObserve(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Dumps every n-th frame and a recording, both asked for by the
// environment, go together: the one switches replays on, the other joins.
TEST_F(Replay, TheEnvironmentAsksForDumpsAndARecordingTogether) {
    TempDir tmp("quenzy-replay-both");
    for (const char *v : {"QUENZY_TRACE", "QUENZY_REPLAY", "QUENZY_DUMP_SIGNAL"})
        unsetenv(v);
    setenv("QUENZY_DUMP_DIR", tmp.path.c_str(), 1);
    setenv("QUENZY_DUMP_EVERY", "5", 1);
    setenv("QUENZY_RECORD", (tmp / "input.txt").c_str(), 1);
    replayStartFromEnv();
    for (const char *v : {"QUENZY_DUMP_DIR", "QUENZY_DUMP_EVERY", "QUENZY_RECORD"})
        unsetenv(v);
    EXPECT_EQ(replayMode, REPLAY_LIVE);
    replayStop();
    FILE *f = fopen((tmp / "input.txt").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char line[128] = "";
    EXPECT_NE(fgets(line, sizeof line, f), nullptr);
    fclose(f);
    EXPECT_STREQ(line, "# Quenzy input recording: one line per event, by drain of the queue,\n");
}

// Motion and other events the game never reads stay out of a recording.
TEST_F(Replay, EventsTheGameDoesNotReadAreNotRecorded) {
    TempDir tmp("quenzy-record");
    std::string path = tmp / "input.txt";
    ASSERT_EQ(replayRecordTo(path.c_str()), 0);
    SDL_Event motion;
    memset(&motion, 0, sizeof motion);
    motion.type = SDL_MOUSEMOTION;
    replayObserve(&motion);
    replayObserve(nullptr);
    replayStop();
    FILE *f = fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    char line[256];
    int lines = 0;
    // Comments, and the last frame's line, which only makes a replay last
    // that long.
    while (fgets(line, sizeof line, f)) {
        ++lines;
        unsigned frame = 0;
        char rest[8] = "";
        if (line[0] != '#') {
            EXPECT_TRUE(sscanf(line, "frame +%u clock%7s", &frame, rest) == 1 && frame == 1)
                << "line " << lines << ": " << line;
        }
    }
    fclose(f);
}

// The environment switches replays on; a file it names that cannot be used
// ends the program with status 1 and says which.
TEST_F(Replay, AFileTheEnvironmentNamesThatCannotBeUsedEndsTheProgram) {
    TempDir tmp("quenzy-replay-env");
    std::string bad = tmp / "bad.txt";
    FILE *f = fopen(bad.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("frame 1 type UP\nframe 2 dance\n", f);
    fclose(f);
    const std::string missing = tmp / "no-such-folder/file.txt";
    struct Case {
        const char *variable;
        std::string value;
        const char *message;
    } cases[] = {
        {"QUENZY_TRACE", missing, "replay: cannot write the trace file"},
        {"QUENZY_REPLAY", missing, "replay: cannot read the script"},
        {"QUENZY_REPLAY", bad, "line 2: unknown action\nreplay: bad script"},
        {"QUENZY_RECORD", missing, "replay: cannot write the recording"},
    };
    const char *variables[] = {"QUENZY_DUMP_DIR", "QUENZY_DUMP_EVERY", "QUENZY_RECORD",
                               "QUENZY_TRACE",    "QUENZY_REPLAY",     "QUENZY_DUMP_SIGNAL"};
    for (const Case &c : cases) {
        EXPECT_EXIT(
            {
                for (const char *v : variables)
                    unsetenv(v);
                setenv(c.variable, c.value.c_str(), 1);
                replayStartFromEnv();
            },
            testing::ExitedWithCode(1), c.message)
            << c.variable << "=" << c.value;
    }
    // With none of them set, nothing is switched on.
    for (const char *v : variables)
        unsetenv(v);
    replayStartFromEnv();
    EXPECT_EQ(replayMode, REPLAY_OFF);
    EXPECT_FALSE(replayTracing());
}

TEST_F(Replay, VirtualClockMovesOnlyByWaits) {
    load("frame 100 type UP\n");
    uint32_t start = sysTicks();
    EXPECT_EQ(sysTicks(), start);
    sysDelay(100);
    EXPECT_EQ(sysTicks(), start + 100);
    // A busy wait on the clock reaches its deadline exactly and ends.
    uint32_t deadline = sysTicks() + 17;
    uint32_t t = sysTicks();
    int reads = 0;
    while (t < deadline && reads < 100000) {
        t = sysTicks();
        reads++;
    }
    EXPECT_EQ(t, deadline);
    EXPECT_LT(reads, 100);
    // A poll ends the spin: ordinary reads do not move the clock.
    drain();
    uint32_t now = sysTicks();
    EXPECT_EQ(sysTicks(), now);
}

// A clock line sets the readings it names, forwards or backwards, in its
// frame alone; a script lasts up to its last clock line.
TEST_F(Replay, ClockLinesGiveTheReadingsTheyName) {
    load("frame 1 clock 0+5 2-3\n"
         "frame 3 clock\n");
    std::vector<uint32_t> seen;
    for (int f = 0; f < 4; f++) {
        EXPECT_EQ(drain(), Events{}) << f;
        for (int i = 0; i < 3; i++)
            seen.push_back(sysTicks());
        sysDelay(10);
    }
    // The readings after drain 0 are frame 1's, up to the end of drain 1.
    EXPECT_EQ(seen, (std::vector<uint32_t>{5, 5, 2, 12, 12, 12, 22, 22, 22, 32, 32, 32}));
    EXPECT_EQ(drain(), Events{"quit"});
}

std::string readAll(const std::string &path) {
    std::string text;
    if (FILE *f = fopen(path.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, f))
            text += buf;
        fclose(f);
    }
    return text;
}

// Whether music plays is read as the clock is: a recording notes where the
// answer changes, and its replay gives those answers, whatever its own
// player says; a script without music lines leaves the player's.
TEST_F(Replay, MusicLinesAnswerWhetherMusicPlays) {
    TempDir tmp("quenzy-record-music");
    std::string path = tmp / "input.txt";
    ASSERT_EQ(replayRecordTo(path.c_str()), 0);
    const std::vector<std::vector<int>> live = {{1, 1}, {1, 0}, {0}, {1}};
    for (const std::vector<int> &frame : live) {
        for (int playing : frame)
            EXPECT_EQ(replayMusicRead(playing), playing);
        replayObserve(nullptr);
    }
    replayStop();
    std::string text = readAll(path);
    EXPECT_NE(text.find("frame 0 music 0 1\nframe 1 music 1 0\nframe 3 music 0 1\n"),
              std::string::npos)
        << text;
    load(text.c_str());
    for (size_t f = 0; f < live.size(); f++) {
        for (int playing : live[f])
            EXPECT_EQ(replayMusicRead(!playing), playing) << f;
        drain();
    }
    replayStop();
    load("frame 9 type UP\n");
    EXPECT_EQ(replayMusicRead(0), 0);
    EXPECT_EQ(replayMusicRead(1), 1);
}

// A piece of a game whose turns hang on the clock: a choice by the time
// the frame took, a wait, and a pacer that spins to 17 ms after the
// frame's start. Live, some frames take real time (`work`, in ms); the
// readings come back.
std::vector<uint32_t> clockedFrames(const std::vector<int> &work) {
    std::vector<uint32_t> seen;
    for (size_t f = 0; f < work.size(); f++) {
        SDL_Event e;
        while (sysPollEvent(&e))
            if (e.type == SDL_KEYDOWN)
                replayNote("key", "");
        uint32_t start = sysTicks();
        seen.push_back(start);
        if (work[f])
            std::this_thread::sleep_for(std::chrono::milliseconds(work[f]));
        uint32_t now = sysTicks();
        seen.push_back(now);
        if (now - start > 3)
            sysDelay(5);
        char details[32];
        snprintf(details, sizeof details, "late=%d", now - start > 3);
        replayNote("frame", details);
        for (uint32_t t = sysTicks(); t - start < 17; t = sysTicks())
            sysSpin(start + 17);
        seen.push_back(sysTicks());
    }
    return seen;
}

// Played live on a clock made irregular, a recording replays on the virtual
// clock to every reading the live run made, and to the same trace.
TEST_F(Replay, ARecordingHoldsTheClockTheGameRead) {
    TempDir tmp("quenzy-record-clock");
    std::string rec = tmp / "input.txt", liveTrace = tmp / "live.txt",
                replayed = tmp / "replay.txt";
    for (const char *v : {"QUENZY_REPLAY", "QUENZY_DUMP_DIR", "QUENZY_DUMP_EVERY",
                          "QUENZY_DUMP_SIGNAL", "QUENZY_REPLAY_REALTIME"})
        unsetenv(v);
    setenv("QUENZY_RECORD", rec.c_str(), 1);
    setenv("QUENZY_TRACE", liveTrace.c_str(), 1);
    replayStartFromEnv();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    ASSERT_NE(SDL_SetVideoMode(320, 240, 16, SDL_SWSURFACE), nullptr);
    SDL_Event key;
    memset(&key, 0, sizeof key);
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_UP;
    SDL_PushEvent(&key);
    std::vector<uint32_t> live = clockedFrames({0, 8, 0, 0, 25, 2, 0, 40, 0});
    replayStop();
    SDL_Quit();
    unsetenv("QUENZY_RECORD");
    std::string recording = readAll(rec);
    // The live run was late somewhere: the recording says where.
    EXPECT_NE(recording.find(" clock 1+"), std::string::npos) << recording;

    setenv("QUENZY_REPLAY", rec.c_str(), 1);
    setenv("QUENZY_TRACE", replayed.c_str(), 1);
    replayStartFromEnv();
    unsetenv("QUENZY_REPLAY");
    unsetenv("QUENZY_TRACE");
    EXPECT_EQ(clockedFrames(std::vector<int>(live.size() / 3, 0)), live) << recording;
    replayStop();
    std::string want = readAll(liveTrace);
    EXPECT_NE(want.find(" key"), std::string::npos) << want;
    EXPECT_NE(want.find(" late=1"), std::string::npos) << want;
    EXPECT_EQ(readAll(replayed), want) << recording;
}

TEST_F(Replay, ClockHookFollowsVirtualTime) {
    static std::vector<std::pair<uint32_t, uint32_t>> moves;
    moves.clear();
    sysClockHook = [](uint32_t from, uint32_t to) { moves.push_back({from, to}); };
    load("frame 1 quit\n");
    sysVirtualNow = 500;
    sysDelay(20);
    sysDelay(30);
    sysClockHook = nullptr;
    EXPECT_EQ(moves, (std::vector<std::pair<uint32_t, uint32_t>>{{500, 520}, {520, 550}}));
}

SDL_Event keyEvent(Uint8 type, SDLKey sym, int mod) {
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = type;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = static_cast<SDLMod>(mod);
    return e;
}

SDL_Event mouseEvent(Uint8 type, int x, int y, int button) {
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = type;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    e.button.button = static_cast<Uint8>(button);
    return e;
}

SDL_Event joyEvent(Uint8 type, int a, int b = 0) {
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = type;
    if (type == SDL_JOYHATMOTION)
        e.jhat.value = static_cast<Uint8>(a);
    else if (type == SDL_JOYAXISMOTION)
        e.jaxis.axis = static_cast<Uint8>(a), e.jaxis.value = static_cast<Sint16>(b);
    else
        e.jbutton.button = static_cast<Uint8>(a);
    return e;
}

// Every kind of event the game reads goes into a recording and comes back
// out of it the same, frame by frame.
TEST_F(Replay, RecordingReplaysTheSameEvents) {
    TempDir tmp("quenzy-record");
    std::string path = tmp / "input.txt";
    ASSERT_EQ(replayRecordTo(path.c_str()), 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    ASSERT_NE(SDL_SetVideoMode(320, 240, 16, SDL_SWSURFACE), nullptr);
    drain(); // whatever the driver had pending
    SDL_Event quit;
    memset(&quit, 0, sizeof quit);
    quit.type = SDL_QUIT;
    const std::vector<std::vector<SDL_Event>> frames = {
        {keyEvent(SDL_KEYDOWN, SDLK_x, KMOD_LSHIFT),
         keyEvent(SDL_KEYUP, SDLK_x, KMOD_LSHIFT | KMOD_CAPS), keyEvent(SDL_KEYDOWN, SDLK_F1, 0),
         keyEvent(SDL_KEYUP, SDLK_F12, KMOD_CAPS), keyEvent(SDL_KEYDOWN, SDLK_7, 0),
         keyEvent(SDL_KEYUP, SDLK_LCTRL, 0), keyEvent(SDL_KEYDOWN, SDLK_KP5, 0)},
        {},
        {mouseEvent(SDL_MOUSEBUTTONDOWN, 40, 80, 1), mouseEvent(SDL_MOUSEBUTTONUP, 300, 200, 3),
         joyEvent(SDL_JOYBUTTONDOWN, 2), joyEvent(SDL_JOYBUTTONUP, 7)},
        {joyEvent(SDL_JOYHATMOTION, SDL_HAT_DOWN), joyEvent(SDL_JOYHATMOTION, SDL_HAT_CENTERED),
         joyEvent(SDL_JOYAXISMOTION, 1, -32768), joyEvent(SDL_JOYAXISMOTION, 0, 12000), quit},
    };
    std::vector<Events> live;
    for (std::vector<SDL_Event> frame : frames) {
        for (SDL_Event &e : frame)
            SDL_PushEvent(&e);
        live.push_back(drain());
        EXPECT_EQ(live.back().size(), frame.size());
    }
    replayStop();
    SDL_Quit();

    FILE *f = fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    std::string text;
    char buf[256];
    while (fgets(buf, sizeof buf, f))
        text += buf;
    fclose(f);
    for (const char *line :
         {"frame 1 press x shift\n", "frame 1 release x shift caps\n", "frame 1 press F1\n",
          "frame 1 release F12 caps\n", "frame 3 mouseup 300 200 3\n", "frame 3 joyup 7\n",
          "frame 4 hat 4\n", "frame 4 axis 1 -32768\n", "frame 4 quit\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    load(text.c_str());
    drain();
    for (size_t i = 0; i < live.size(); i++)
        EXPECT_EQ(drain(), live[i]) << "frame " << i + 1;
}

TEST_F(Replay, DumpWritesTheShownPicture) {
    TempDir tmp("quenzy-dump");
    const char *dir = tmp.path.c_str();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    SDL_Surface *shown = SDL_SetVideoMode(320, 240, 16, SDL_SWSURFACE);
    ASSERT_NE(shown, nullptr);
    SDL_FillRect(shown, nullptr, SDL_MapRGB(shown->format, 255, 0, 0));
    SDL_Flip(shown);
    load("frame 1 dump first\n");
    replaySetDumpDir(dir, 0);
    drain();
    drain();
    std::string path = std::string(dir) + "/first.bmp";
    SDL_Surface *back = SDL_LoadBMP(path.c_str());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->w, 320);
    EXPECT_EQ(back->h, 240);
    Uint8 r, g, b;
    SDL_LockSurface(back);
    Uint32 pixel = readPixel(static_cast<Uint8 *>(back->pixels) + back->pitch * 10 +
                                 10 * back->format->BytesPerPixel,
                             back->format->BytesPerPixel);
    SDL_UnlockSurface(back);
    SDL_GetRGB(pixel, back->format, &r, &g, &b);
    EXPECT_GE(r, 248);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 0);
    SDL_FreeSurface(back);
    SDL_Quit();
}

} // namespace
