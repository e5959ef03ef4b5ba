#include "platform/fpshelper.h"
#include "platform/sys.h"

#include <SDL/SDL.h>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

class Pacing : public testing::Test {
  protected:
    void SetUp() override {
        sysVirtualClock = 1;
        sysVirtualNow = 1000;
    }
    void TearDown() override { sysVirtualClock = 0; }
    // One loop iteration whose logic and drawing take `work` ms.
    static int iteration(uint32_t work) {
        sysVirtualNow += work;
        return controlFPS();
    }
};

TEST_F(Pacing, LightLoopDrawsEveryFrameInGroupsOf50ms) {
    initFPS();
    const uint32_t ends[] = {1017, 1034, 1050, 1067, 1084, 1100, 1117, 1134, 1150};
    for (uint32_t end : ends) {
        EXPECT_EQ(iteration(5), 1);
        EXPECT_EQ(sysVirtualNow, end);
    }
}

TEST_F(Pacing, HeavyLoopSkipsThreeThenDrawsWithoutWaiting) {
    initFPS();
    const int want[] = {0, 0, 0, 1, 0, 0, 0, 1};
    for (int w : want) {
        uint32_t before = sysVirtualNow + 30;
        EXPECT_EQ(iteration(30), w);
        EXPECT_EQ(sysVirtualNow, before); // never waits
    }
}

TEST_F(Pacing, OverrunIsCarriedIntoTheNextFrame) {
    initFPS();
    EXPECT_EQ(iteration(20), 0); // 3 ms over
    EXPECT_EQ(fpsSum, 3);
    EXPECT_EQ(iteration(5), 1); // 8 of 17 used: waits 9 more
    EXPECT_EQ(sysVirtualNow, 1034);
    EXPECT_EQ(iteration(5), 1); // frame 2 ends 50 ms after the group began
    EXPECT_EQ(sysVirtualNow, 1050);
}

TEST_F(Pacing, LongPauseWithoutInitSkipsAtMostThree) {
    initFPS();
    for (int i = 0; i < 3; i++)
        iteration(5);
    sysVirtualNow += 10000;
    const int want[] = {0, 0, 0, 1, 1, 1, 1};
    for (int w : want)
        EXPECT_EQ(iteration(5), w);
    EXPECT_EQ(fpsSum, 0); // the debt is forgotten
}

TEST_F(Pacing, WrappedCounterCountsAsOneFrameOrGroup) {
    // 21 ms in unsigned arithmetic would be late; a wrap is one 17 ms frame.
    sysVirtualNow = 0xFFFFFFF0u;
    initFPS();
    sysVirtualNow = 5;
    EXPECT_EQ(controlFPS(), 1);
    EXPECT_EQ(sysVirtualNow, 5u);

    // 266 ms since the group began would be late; a wrap is one 50 ms group.
    sysVirtualNow = 0xFFFFFF00u;
    initFPS();
    iteration(5);
    iteration(5);
    EXPECT_EQ(cntFrames, 2);
    sysVirtualNow = 10;
    EXPECT_EQ(controlFPS(), 1);
    EXPECT_EQ(sysVirtualNow, 10u);
    EXPECT_EQ(cntFrames, 0);
    EXPECT_EQ(fpsGrpTick, 10u);
}

// On the real clock a wait sleeps for its time rather than returning at
// once (the pacer would spin on the clock instead, a core kept busy).
TEST(RealClock, ADelayLastsAtLeastItsTime) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
    sysVirtualClock = 0;
    const uint32_t before = sysTicks();
    sysDelay(20);
    EXPECT_GE(sysTicks() - before, 20u);
    SDL_QuitSubSystem(SDL_INIT_TIMER);
}

// A busy wait on the real clock reads SDL's clock however long it spins:
// the spin guard moves only the virtual clock, and only when it is on.
TEST(RealClock, ASpinPastTheGuardLeavesTheVirtualClockAlone) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
    sysVirtualClock = 0;
    sysVirtualNow = 1000;
    uint32_t last = sysTicks();
    int backwards = 0;
    for (int i = 0; i <= 2 * SYS_SPIN_READS; i++) {
        uint32_t now = sysTicks();
        backwards += now < last;
        last = now;
    }
    EXPECT_EQ(backwards, 0);
    EXPECT_EQ(sysVirtualNow, 1000u);
    sysVirtualNow = 0;
    SDL_QuitSubSystem(SDL_INIT_TIMER);
}

// A replay watched as a film keeps the real clock's pace: the game still
// sees only the virtual clock, which ends where it would unpaced, but its
// 300 ms (18 frames) take at least as long on SDL's clock.
TEST_F(Pacing, APacedVirtualClockWaitsForTheRealOne) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
    sysPaced = 1;
    const uint32_t realFrom = SDL_GetTicks();
    sysDelay(0); // the pace starts with the clock's first move, at 1000
    initFPS();
    for (int i = 0; i < 18; i++)
        EXPECT_EQ(iteration(5), 1);
    const uint32_t realSpent = SDL_GetTicks() - realFrom;
    sysPaced = 0;
    EXPECT_EQ(sysVirtualNow, 1300u);
    EXPECT_GE(realSpent, 300u);
    SDL_QuitSubSystem(SDL_INIT_TIMER);
}

// The code of `text` without its comments and literals, which may name a
// clock function without calling it.
std::string codeOnly(const std::string &text) {
    std::string code;
    for (size_t i = 0; i < text.size(); i++) {
        if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
            if (i == std::string::npos)
                break;
        } else if (text.compare(i, 2, "/*") == 0) {
            i = text.find("*/", i + 2);
            if (i == std::string::npos)
                break;
            i++;
            continue;
        } else if (text[i] == '"' || text[i] == '\'') {
            char quote = text[i];
            for (i++; i < text.size() && text[i] != quote; i++)
                i += text[i] == '\\';
            continue;
        }
        code += text[i];
    }
    return code;
}

// A call in `code` of a function that reads the real clock, waits on it or
// drains SDL's events: SDL's own, and those of the C and POSIX libraries.
bool callsRealClock(const std::string &code) {
    for (const char *name : {"SDL_GetTicks", "SDL_Delay", "SDL_PollEvent", "SDL_PumpEvents",
                             "SDL_WaitEvent", "usleep", "nanosleep", "sleep", "time", "clock",
                             "clock_gettime", "gettimeofday", "sleep_for", "sleep_until", "now"}) {
        for (size_t at = code.find(name); at != std::string::npos; at = code.find(name, at + 1)) {
            size_t end = at + strlen(name);
            while (end < code.size() && isspace(static_cast<unsigned char>(code[end])))
                end++;
            bool wholeName = at == 0 || !(isalnum(static_cast<unsigned char>(code[at - 1])) ||
                                          code[at - 1] == '_');
            if (wholeName && end < code.size() && code[end] == '(')
                return true;
        }
    }
    return false;
}

TEST(ClockSeam, TheScanSeesCallsNotMentions) {
    const struct {
        const char *text;
        bool calls;
    } cases[] = {
        {"x = SDL_GetTicks();", true},
        {"usleep(100 * 1000);", true},
        {"t = time (nullptr);", true},
        {"auto t = std::chrono::steady_clock::now();", true},
        {"std::this_thread::sleep_for(d);", true},
        {"sysDelay(100);", false},
        {"int sleepTime = mytime(3);", false},
        {"// waits as usleep(3) would", false},
        {"/* SDL_Delay(1) */ x = 1;", false},
        {"puts(\"time(s)\");", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(callsRealClock(codeOnly(c.text)), c.calls) << c.text;
}

// Only the platform and sound layers may touch the real clock and SDL's event
// queue; everything else goes through sys.h so replays can drive it.
TEST(ClockSeam, OnlyPlatformAndSoundTouchTheClockAndEvents) {
    namespace fs = std::filesystem;
    const fs::path src = fs::path(QUENZY_SOURCE_DIR) / "src";
    std::vector<std::string> offenders;
    int allowed = 0;
    for (const auto &entry : fs::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        if (!callsRealClock(codeOnly(text.str())))
            continue;
        std::string layer = entry.path().parent_path().filename().string();
        if (layer == "platform" || layer == "sound")
            allowed++;
        else
            offenders.push_back(entry.path().string());
    }
    EXPECT_GT(allowed, 0); // the scan does see the seam itself
    std::string names;
    for (const std::string &o : offenders)
        names += o + " ";
    EXPECT_TRUE(offenders.empty()) << names;
}

} // namespace
