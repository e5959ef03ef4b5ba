// The intro screens and the story pages through the real program: the
// splash and the credits of a start without -t, HOW TO PLAY before level 1,
// and a whole game of 120 levels that ends on the congratulations page.

#include "e2e_helpers.h"
#include "sound_helpers.h"
#include "storage/hiscores.h"
#include "storage/winova.h"

#include <string>
#include <vector>

namespace {

using namespace e2e;

const std::vector<std::string> NO_ARGS = {};

class StoryEndToEnd : public EndToEnd {
  protected:
    // The events of the intro screens, the title and the story pages, in
    // order, each with its screen or state: "intro:ondra", "title:0", ...
    static std::vector<std::string> path(const Outcome &out) {
        std::vector<std::string> p;
        for (const TraceLine &line : out.trace) {
            const std::string &e = line.event;
            if (e == "intro" || e == "introend")
                p.push_back(e + ":" + line.str("screen"));
            else if (e == "logo" || e == "tutorial" || e == "tutorialend" || e == "congrat" ||
                     e == "congratend" || e == "play" || e == "menuexit")
                p.push_back(e);
            else if (e == "title")
                p.push_back(e + ":" + line.str("state"));
            else if (e == "attempt")
                p.push_back(e + ":" + line.str("level"));
        }
        return p;
    }
    // A music archive that holds only the jingle: a tiny module of
    // `patterns` patterns of 16 rows at speed 6 (0: no jingle at all, only
    // the title piece).
    void jingleOnly(int patterns) {
        std::string archive = dir + "/data/music.ova";
        unlink(archive.c_str());
        std::vector<uint8_t> mod = snd::tinyMod(patterns ? patterns : 1, 16, 6);
        OVAItem piece = {patterns ? "y.jingle.mod" : "quenzyintro.mod", mod.data(),
                         uint32_t(mod.size())};
        ASSERT_EQ(writeOVA(archive.c_str(), &piece, 1), 0);
    }
};

// The splash until the logo rests, the credits until a direction key, the
// title, NEW GAME, HOW TO PLAY (an arrow does not end it, ACTION does) and
// level 1.
TEST_F(StoryEndToEnd, FromTheSplashThroughTheCreditsAndHowToPlayToLevelOne) {
    std::string script = "frame 20 dump splash-sliding\n"
                         "after logo\n"
                         "frame +1 dump splash-arrived\n"
                         "after intro\n"
                         "frame +5 dump credits\n"
                         "frame +10 type LEFT\n"
                         "after title\n"
                         "frame +30 type RETURN\n"
                         "frame +10 type RETURN\n"
                         "after tutorial\n"
                         "frame +10 dump tutorial-right\n"
                         "frame +40 dump tutorial-left\n"
                         "frame +30 type UP\n"
                         "frame +30 type LCTRL\n"
                         "after attempt\n"
                         "frame +2 exit\n";
    Outcome out = play(script, NO_ARGS);
    EXPECT_EQ(out.status, 0);
    std::vector<std::string> expected = {
        "intro:ondra", "logo",    "introend:ondra", "intro:opensource", "introend:opensource",
        "title:0",     "title:1", "play",           "tutorial",         "tutorialend",
        "attempt:0"};
    EXPECT_EQ(path(out), expected);

    // The logo comes in from x 360, 2 pixels a frame, and rests in the
    // middle; nothing ends the splash before that.
    TraceLine logo = out.find("logo");
    int w = 360 - 2 * static_cast<int>(logo.frame + 1);
    EXPECT_EQ(logo.num("x"), w);
    EXPECT_GT(logo.num("x"), 0);
    EXPECT_LT(logo.num("x"), 160);
    TraceLine splashEnd = out.find("introend");
    EXPECT_GE(splashEnd.frame, logo.frame + 1);
    EXPECT_EQ(splashEnd.num("frames"), static_cast<int>(splashEnd.frame));

    // The credits end on the LEFT typed 15 frames in (a page's end is
    // traced after the poll that brought its key: one frame later).
    TraceLine credits = out.find("intro", 1), creditsEnd = out.find("introend", 1);
    EXPECT_EQ(creditsEnd.frame, credits.frame + 16);

    // HOW TO PLAY goes on from the title's counters (advanced 1 and 2 a
    // frame from 0), ignores UP and ends on ACTION.
    TraceLine tutorial = out.find("tutorial"), tutorialEnd = out.find("tutorialend");
    EXPECT_GT(tutorial.num("frameA"), 30);
    EXPECT_LE(tutorial.num("frameA"), static_cast<int>(tutorial.frame - out.find("title").frame));
    EXPECT_EQ(tutorial.num("frameB"), 2 * tutorial.num("frameA"));
    EXPECT_EQ(tutorialEnd.frame, tutorial.frame + 111);
    EXPECT_EQ(tutorialEnd.num("drawn"), 111);
    EXPECT_EQ(tutorialEnd.num("frameA"), tutorial.num("frameA") + 111);
    EXPECT_EQ(out.find("attempt").num("lives"), 3);
    for (const char *dump :
         {"splash-sliding", "splash-arrived", "credits", "tutorial-right", "tutorial-left"})
        EXPECT_TRUE(fileExists(std::string("/") + dump + ".bmp")) << dump;
}

// ACTION held from the start and let go, and START typed over and over,
// while the logo slides in: the splash goes on until the logo rests, and
// the credits wait for a key of their own.
TEST_F(StoryEndToEnd, KeysWhileTheLogoSlidesDoNotSkipTheSplash) {
    std::string script = "frame 1 press LCTRL\n"
                         "frame 60 release LCTRL\n"
                         "frames 7-122 every 5 type RETURN\n"
                         "after intro\n"
                         "after intro\n"
                         "frame +40 type SPACE\n"
                         "after title\n"
                         "frame +2 exit\n";
    Outcome out = play(script, NO_ARGS);
    EXPECT_EQ(out.status, 0);
    TraceLine logo = out.find("logo"), splashEnd = out.find("introend");
    ASSERT_FALSE(logo.event.empty());
    EXPECT_GT(logo.frame, 120u);
    EXPECT_GE(splashEnd.frame, logo.frame + 1);
    TraceLine credits = out.find("intro", 1), creditsEnd = out.find("introend", 1);
    EXPECT_EQ(creditsEnd.frame, credits.frame + 41);
}

struct SplashCase {
    const char *name;
    int jinglePatterns; // 0: no jingle in the archive
    const char *key;    // typed 30 frames after the logo came to rest, or none
};

// Frames from the jingle's start until the player reports its end: a tiny
// module's samples, the tenth of a second libmodplug plays on past the last
// row, in whole buffers of 1024, and the buffer in which the end shows.
int jingleFrames(int patterns) {
    int buffers = (snd::tinyModFrames(patterns, 16, 6) + 2205 + 1023) / 1024 + 1;
    return buffers * 1024 * 60 / 22050;
}

// The splash ends with the jingle, at once without one, and earlier on
// ACTION or START once the logo rests; an arrow does not end it.
TEST_F(StoryEndToEnd, TheSplashEndsWithTheJingleOrEarlierOnActionOrStart) {
    const SplashCase cases[] = {
        {"no jingle", 0, nullptr}, {"one pattern", 1, nullptr}, {"two patterns", 2, nullptr},
        {"ACTION", 2, "LCTRL"},    {"START", 2, "RETURN"},      {"an arrow", 2, "LEFT"},
    };
    for (const SplashCase &c : cases) {
        jingleOnly(c.jinglePatterns);
        unlink((dir + "/trace.txt").c_str());
        std::string script = "after logo\n";
        if (c.key)
            script += std::string("frame +30 type ") + c.key + "\n";
        script += "after intro\nframe +1 type SPACE\nafter title\nframe +1 exit\n";
        Outcome out = play(script, NO_ARGS);
        EXPECT_EQ(out.status, 0) << c.name;
        TraceLine logo = out.find("logo"), splashEnd = out.find("introend");
        EXPECT_EQ(logo.num("jingle"), c.jinglePatterns > 0) << c.name;
        int frames = static_cast<int>(splashEnd.frame - logo.frame);
        if (!c.jinglePatterns) {
            EXPECT_EQ(frames, 1) << c.name;
        } else if (c.key && strcmp(c.key, "LEFT") != 0) {
            EXPECT_EQ(frames, 31) << c.name; // the key's poll, then the end
        } else {
            EXPECT_GE(frames, jingleFrames(c.jinglePatterns) - 1) << c.name;
            EXPECT_LE(frames, jingleFrames(c.jinglePatterns) + 2) << c.name;
        }
        // The jingle starts, once, in the frame the logo arrives.
        std::vector<TraceLine> jingles;
        for (const TraceLine &line : out.trace)
            if (line.event == "music" && line.num("id") == 12)
                jingles.push_back(line);
        ASSERT_EQ(jingles.size(), c.jinglePatterns ? 1u : 0u) << c.name;
        if (c.jinglePatterns) {
            EXPECT_EQ(jingles[0].num("loops"), 1) << c.name;
            EXPECT_EQ(jingles[0].frame, logo.frame) << c.name;
        }
    }
}

// A window closed during the intros ends nothing early: the splash plays
// out, the credits wait for their key, and then the program shuts down
// without the title.
TEST_F(StoryEndToEnd, AWindowClosedDuringTheIntrosEndsTheProgramAfterThem) {
    Outcome out = play("frame 50 quit\nafter intro\nafter intro\nframe +100 type SPACE\n"
                       "frame +3000 exit 3\n",
                       NO_ARGS);
    EXPECT_EQ(out.status, 0);
    std::vector<std::string> expected = {"intro:ondra", "logo", "introend:ondra",
                                         "intro:opensource", "introend:opensource"};
    EXPECT_EQ(path(out), expected);
    EXPECT_GE(out.find("introend", 1).num("frames"), 100);
    int boots = out.count("boot");
    ASSERT_GT(boots, 0);
    EXPECT_EQ(out.find("boot", boots - 1).str("step"), "hiscores"); // no "menu"
    EXPECT_EQ(out.count("shutdown"), 7);
}

// The whole game in one replay: every level is solved with the solve key
// in turn, the tally skipped, and after the last one the congratulations
// page comes (an arrow does not end it) and then the name entry.
TEST_F(StoryEndToEnd, TheWholeGameEndsOnTheCongratulationsPageAndTheNameEntry) {
    hiscoreName("OXBLURT"); // the solve key plays each level's stored solution
    Outcome out = playFile("whole_game.txt", NO_ARGS);
    EXPECT_EQ(out.status, 0);

    std::vector<int> attempts, solved;
    for (const TraceLine &line : out.trace) {
        if (line.event == "attempt")
            attempts.push_back(line.num("level"));
        if (line.event == "won")
            solved.push_back(line.num("level"));
    }
    std::vector<int> everyLevel;
    for (int level = 0; level < 120; level++)
        everyLevel.push_back(level);
    EXPECT_EQ(attempts, everyLevel);
    EXPECT_EQ(solved, everyLevel);
    EXPECT_EQ(out.count("solver"), 120);
    EXPECT_EQ(out.count("lost"), 0);

    std::vector<std::string> ending;
    for (const TraceLine &line : out.trace)
        if (line.frame >= out.find("won", 119).frame && line.event != "shutdown" &&
            line.event != "replay-exit")
            ending.push_back(line.event);
    // The title piece plays on the page; the name is entered in silence.
    EXPECT_EQ(ending,
              (std::vector<std::string>{"won", "tally", "paid", "music", "congrat", "congratend",
                                        "nameentry", "hiscore", "complete", "music", "hiscores"}));
    TraceLine congrat = out.find("congrat"), congratEnd = out.find("congratend");
    EXPECT_EQ(congrat.num("music"), 1);
    EXPECT_EQ(out.find("music", out.count("music") - 2).num("id"), 0);
    EXPECT_EQ(out.find("music", out.count("music") - 2).frame, congrat.frame);
    EXPECT_EQ(congratEnd.frame, congrat.frame + 411); // the arrow at +405 did not end it
    EXPECT_EQ(congratEnd.num("x"), 176);
    TraceLine entry = out.find("hiscore");
    EXPECT_EQ(entry.num("row"), 0);
    EXPECT_EQ(entry.str("name"), "B");
    EXPECT_EQ(entry.num("score"), out.find("complete").num("score"));
    EXPECT_TRUE(fileExists("/congrat-entering.bmp"));
    EXPECT_TRUE(fileExists("/congrat-settled.bmp"));
}

} // namespace
