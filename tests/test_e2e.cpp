// The real program, headless, driven by replay scripts (tests/e2e/*.txt)
// and observed through its trace and its saved game.

#include "core/playscreen.h"
#include "e2e_helpers.h"

#include <chrono>

namespace {

using namespace e2e;

// A 1 under a 3 in column 2; the target wants a 2 there.
Board keyBoard() {
    return Board().start(2, 9, 1).start(2, 8, 3).target(2, 9, 2);
}
// A lone 1 at (2, 9); the target wants a fruit elsewhere.
Board lonelyBoard() {
    return Board().start(2, 9, 1).target(5, 9, 1);
}

TEST_F(EndToEnd, SolveTestBoardByKeys) {
    testBoard(keyBoard());
    Outcome out = playFile("solve_test_board_by_keys.txt");
    EXPECT_EQ(out.status, 0);
    TraceLine pick = out.find("pick");
    EXPECT_EQ(pick.num("moves"), 1);
    TraceLine won = out.find("won");
    ASSERT_FALSE(won.event.empty());
    EXPECT_EQ(won.num("level"), -1);
    EXPECT_EQ(won.num("score"), 4); // the picked 1 pays 1, the 3 above pays 3
    // Won at 1917 ms of the virtual clock: 118 whole seconds of 120 are left.
    EXPECT_EQ(won.time, 1917u);
    TraceLine tally = out.find("tally");
    EXPECT_EQ(tally.num("time"), 118);
    EXPECT_EQ(tally.num("life"), 30);
    EXPECT_EQ(tally.num("move"), 200);
    TraceLine paid = out.find("paid");
    EXPECT_EQ(paid.num("score"), 4 + 118 + 30 + 200);
    TraceLine next = out.find("next");
    EXPECT_EQ(next.num("level"), 0);
    EXPECT_EQ(out.find("attempt", 1).num("level"), 0);
    // Level 0 was saved, which reads as no saved game.
    EXPECT_TRUE(fileExists("/home/.quenzy/savegame.dat"));
    EXPECT_EQ(savedLevel(), 0);
    EXPECT_TRUE(fileExists("/tally.bmp"));
}

// Clicks that play level 0 of the set as its stored solution says.
std::string mouseSolution() {
    unsigned size = 0;
    uint8_t *file = loadBINFile(QUENZY_BINARY_DIR "/data/levels.bin", &size);
    if (!file)
        return "";
    descrambleLevels(file, size);
    const uint8_t *sol = file + 1 + 160;
    std::string script = "after next\n";
    for (int k = 0; k < solutionLength(sol); k++) {
        char line[64];
        // The middle of the cell.
        snprintf(line, sizeof line, "frame +%d click %d %d\n", k ? 400 : 20,
                 BOARD_X + CELL_SIZE * sol[2 * k] + CELL_SIZE / 2,
                 BOARD_Y + CELL_SIZE * sol[2 * k + 1] + CELL_SIZE / 2);
        script += line;
    }
    free(file);
    return script + "after next\nframe +5 exit\n";
}

TEST_F(EndToEnd, SolveLevelOneByMouse) {
    testBoard(keyBoard());
    std::string keys = readText(QUENZY_SOURCE_DIR "/tests/e2e/solve_test_board_by_keys.txt");
    keys = keys.substr(0, keys.find("after next")); // without its exit
    std::string mouse = mouseSolution();
    ASSERT_FALSE(mouse.empty());
    Outcome out = play(keys + mouse);
    EXPECT_EQ(out.status, 0);
    TraceLine won = out.find("won", 1);
    ASSERT_FALSE(won.event.empty());
    EXPECT_EQ(won.num("level"), 0);
    EXPECT_EQ(won.num("lives"), 3);
    EXPECT_EQ(out.find("next", 1).num("level"), 1);
    EXPECT_EQ(savedLevel(), 1);
}

TEST_F(EndToEnd, TimeUpAfterTwoVirtualMinutes) {
    testBoard(Board().start(2, 9, 3).target(2, 9, 1));
    Outcome out = playFile("time_up.txt");
    EXPECT_EQ(out.status, 0);
    TraceLine start = out.find("attempt");
    TraceLine lost = out.find("lost");
    EXPECT_EQ(lost.str("reason"), "time-up");
    EXPECT_EQ(lost.num("lives"), 2);
    EXPECT_GE(lost.time - start.time, 120000u);
    EXPECT_LT(lost.time - start.time, 120100u);
    // 60 frames a second.
    EXPECT_NEAR(lost.frame - start.frame, 7200, 5);
    EXPECT_EQ(out.find("attempt", 1).num("lives"), 2);
}

TEST_F(EndToEnd, AllGone) {
    testBoard(lonelyBoard());
    Outcome out = playFile("all_gone.txt");
    EXPECT_EQ(out.status, 0);
    TraceLine lost = out.find("lost");
    EXPECT_EQ(lost.str("reason"), "all-gone");
    EXPECT_EQ(lost.num("count"), 0);
    EXPECT_EQ(lost.num("moves"), 1);
    EXPECT_EQ(lost.num("lives"), 2);
}

// QUENZY_REPLAY_REALTIME (set, and not "0") plays the replay at the real
// clock's pace, a film of the same frames: the same trace, and the second
// of play it holds lasts a second at least. A sleep is never shorter than
// asked, so the bound holds on any machine.
TEST_F(EndToEnd, AReplayAtTheRealPaceIsTheSameFilm) {
    testBoard(lonelyBoard());
    const struct {
        const char *value;
        bool paced;
    } cases[] = {{nullptr, false}, {"0", false}, {"", false}, {"1", true}};
    std::string first;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value ? c.value : "unset");
        std::vector<std::pair<std::string, std::string>> env;
        if (c.value)
            env.push_back({"QUENZY_REPLAY_REALTIME", c.value});
        const auto started = std::chrono::steady_clock::now();
        Outcome out = play("frame 5 click 56 216\nframe 65 exit\n", {"-t"}, env);
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(out.status, 0);
        const std::string trace = readText(dir + "/trace.txt");
        if (first.empty())
            first = trace;
        EXPECT_EQ(trace, first);
        if (c.paced) {
            EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
        }
        unlink((dir + "/trace.txt").c_str());
        removeTree(dir + "/home/.quenzy"); // each run starts without user files
    }
}

// QUENZY_DUMP_EVERY=n dumps every n-th frame as the replay runs, with no
// trace asked for as well.
TEST_F(EndToEnd, EveryNthFrameIsDumped) {
    testBoard(lonelyBoard());
    traced = false;
    Outcome out = play("frame 45 exit\n", {"-t"}, {{"QUENZY_DUMP_EVERY", "20"}});
    EXPECT_EQ(out.status, 0);
    for (int frame : {0, 10, 20, 40, 44}) {
        char name[32];
        snprintf(name, sizeof name, "/frame-%06d.bmp", frame);
        EXPECT_EQ(fileExists(name), frame % 20 == 0) << name;
    }
}

// QUENZY_TEST_BOARD names the board of test mode (the installed launcher
// sets it); set but empty, test.bin of the working folder plays.
TEST_F(EndToEnd, TheTestBoardCanBeNamed) {
    testBoard(lonelyBoard());
    writeBytes(dir + "/named.bin", keyBoard().bytes);
    const struct {
        std::string value;
        int fruits;
    } cases[] = {{"", 1}, {dir + "/named.bin", 2}, {"named.bin", 2}};
    for (const auto &c : cases) {
        Outcome out = play("frame 5 exit\n", {"-t"}, {{"QUENZY_TEST_BOARD", c.value}});
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.find("attempt").num("count"), c.fruits) << c.value;
        unlink((dir + "/trace.txt").c_str());
    }
}

// UNDO is offered only on a still board: paused while the pick's hand,
// morphs, falls or thrown fruits still move (up to 60 frames after it
// here), DOWN passes over it to RESTART LEVEL.
TEST_F(EndToEnd, UndoWaitsForAStillBoard) {
    const struct {
        int pauseAt; // frames after the pick
        const char *entry;
    } cases[] = {{1, "restart"}, {20, "restart"}, {40, "restart"}, {60, "restart"}, {200, "undo"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pauseAt);
        testBoard(Board().start(4, 9, 3).start(4, 8, 2).start(3, 9, 2).target(0, 9, 1));
        Outcome out = play("frames 3-6 every 1 type DOWN\n"
                           "frame 8 type LCTRL\n"
                           "after pick\n"
                           "frame +" +
                           std::to_string(c.pauseAt) +
                           " type RETURN\n"
                           "frame +5 type DOWN\n"
                           "frame +1 type LCTRL\n"
                           "after choice\n"
                           "frame +5 exit\n");
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.find("choice").str("entry"), c.entry);
        unlink((dir + "/trace.txt").c_str());
        removeTree(dir + "/home/.quenzy");
    }
}

// The life-lost page ends on START, ACTION or any other key, not on an
// arrow; the next attempt follows.
TEST_F(EndToEnd, TheLifeLostPageEndsOnAnyKeyButAnArrow) {
    testBoard(lonelyBoard());
    const struct {
        const char *key;
        bool ends;
    } cases[] = {{"RETURN", true}, {"LCTRL", true}, {"x", true}, {"LEFT", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key);
        Outcome out = play(std::string("frame 5 click 56 216\n"
                                       "after lost\n"
                                       "frame +5 type ") +
                           c.key + "\nframe +30 exit\n");
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.count("attempt"), c.ends ? 2 : 1);
        unlink((dir + "/trace.txt").c_str());
    }
}

TEST_F(EndToEnd, NoMoveLeft) {
    testBoard(Board()); // empty and already solved
    Board tower;
    for (int y = 5; y < 10; y++)
        tower.start(0, y, 5);
    tower.target(7, 9, 1);
    levels(levelFile({tower, tower}, {{{0, 9}}, {{0, 9}}}));
    Outcome out = playFile("no_move_left.txt");
    EXPECT_EQ(out.status, 0);
    TraceLine lost = out.find("lost");
    EXPECT_EQ(lost.str("reason"), "no-move-left");
    EXPECT_EQ(lost.num("level"), 0);
    std::string moves = lost.str("moves"); // "n/n"
    EXPECT_EQ(moves.substr(0, moves.find('/')), moves.substr(moves.find('/') + 1));
    EXPECT_GT(lost.num("count"), 0);
}

// After one pick, UNDO LAST MOVE brings the board back and RESTART LEVEL
// starts the attempt again for a life.
TEST_F(EndToEnd, PauseUndoAndRestart) {
    const std::string pick = readText(QUENZY_SOURCE_DIR "/tests/e2e/pick_then_pause.txt");
    struct Case {
        const char *entry;
        const char *ending;
    } cases[] = {
        {"undo", "frame +5 type DOWN\nframe +1 dump pause-undo\nframe +1 type LCTRL\n"
                 "after choice\nframe +5 exit\n"},
        {"restart", "frame +5 type DOWN\nframe +1 type DOWN\nframe +1 type LCTRL\n"
                    "after attempt\nframe +5 exit\n"},
        // A click below the entries confirms the one selected.
        {"undo", "frame +5 type DOWN\nframe +1 click 100 230\nafter choice\nframe +5 exit\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.entry);
        testBoard(Board().start(4, 9, 3).start(4, 8, 2).start(3, 9, 2).target(0, 9, 1));
        Outcome out = play(pick + c.ending);
        unlink((dir + "/trace.txt").c_str());
        EXPECT_EQ(out.status, 0);
        TraceLine start = out.find("attempt");
        EXPECT_EQ(out.find("pick").num("moves"), 1);
        TraceLine choice = out.find("choice");
        EXPECT_EQ(choice.str("entry"), c.entry);
        if (std::string(c.entry) == "undo") {
            EXPECT_EQ(choice.num("moves"), 0);
            EXPECT_EQ(choice.str("board"), start.str("board"));
            EXPECT_EQ(choice.num("count"), 3);
            EXPECT_EQ(choice.num("lives"), 3);
        } else {
            TraceLine again = out.find("attempt", 1);
            EXPECT_EQ(again.num("lives"), 2);
            EXPECT_EQ(again.num("moves"), 0);
            EXPECT_EQ(again.str("board"), start.str("board"));
        }
    }
}

TEST_F(EndToEnd, PauseAutoResolveWins) {
    testBoard(Board());
    Outcome out = playFile("pause_solve.txt");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("choice").str("entry"), "solve");
    TraceLine won = out.find("won", 1);
    EXPECT_EQ(won.num("level"), 0);
    EXPECT_EQ(won.num("lives"), 3);
}

TEST_F(EndToEnd, PauseExitEndsTheProgram) {
    testBoard(lonelyBoard());
    Outcome out = playFile("pause_exit.txt");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.find("choice").str("entry"), "exit");
    EXPECT_EQ(out.count("exit"), 1);
    EXPECT_EQ(out.count("replay-exit"), 0); // the game ended, not the script
}

// The level clock stands while the pause menu is open: the time runs out
// 120 s of play after the start, however long the menu stayed open.
TEST_F(EndToEnd, PauseStopsTheLevelClock) {
    testBoard(lonelyBoard());
    Outcome out = play("frame 20 type RETURN\nframe +600 type LCTRL\nafter lost\nframe +1 exit\n");
    EXPECT_EQ(out.status, 0);
    TraceLine start = out.find("attempt"), pause = out.find("pause"), choice = out.find("choice");
    TraceLine lost = out.find("lost");
    ASSERT_FALSE(lost.event.empty());
    EXPECT_EQ(lost.str("reason"), "time-up");
    // Open from 334 ms to 10334 ms (600 frames): the clock ends at 130000 ms.
    // A frame reads the clock as it ends, so the frame after the one that
    // read 130000 (1000 / 60 ms later) finds the time up.
    EXPECT_EQ(start.time, 0u);
    EXPECT_EQ(pause.time, 334u);
    EXPECT_EQ(choice.time, 10334u);
    EXPECT_EQ(lost.time, 130017u);
}

// Clicks in the pause menu, opened before the first move on a board without
// a stored solution: only BACK TO GAME (selected) and EXIT are enabled. The
// title is 40 rows high, so entry k spans the rows 56 + 32k ... 87 + 32k.
TEST_F(EndToEnd, PauseClicksSelectBeforeTheyConfirm) {
    struct Case {
        const char *what;
        const char *clicks;
        const char *entry; // the choice made
    } cases[] = {
        {"a click on the top row of EXIT selects it; ACTION confirms",
         "frame +5 click 100 184\nframe +1 dump pause-click\nframe +5 type LCTRL\n", "exit"},
        {"a click on the selected entry confirms it", "frame +5 click 100 70\n", "back"},
        {"a click on the disabled AUTO RESOLVE selects BACK TO GAME",
         "frame +5 click 100 200\nframe +5 click 100 170\nframe +5 type LCTRL\n", "back"},
        // Its nearest enabled entry above is the selected one: nothing is
        // confirmed, so UP then reaches EXIT.
        {"a click on a disabled entry above the selection does not confirm",
         "frame +5 click 100 170\nframe +5 type UP\nframe +5 type LCTRL\n", "exit"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        testBoard(lonelyBoard());
        Outcome out = play(std::string("frame 20 type RETURN\n") + c.clicks +
                           "after choice\nframe +5 exit\n");
        unlink((dir + "/trace.txt").c_str());
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.count("pause"), 1);
        EXPECT_EQ(out.count("choice"), 1);
        EXPECT_EQ(out.find("choice").str("entry"), c.entry);
    }
}

// CONTINUE? after game over: LEFT or a click on the left half plays on from
// the start, RIGHT or a click on the right half leaves; a window close is
// no answer.
TEST_F(EndToEnd, GameOverThenContinueOrLeave) {
    const std::string gameOver = readText(QUENZY_SOURCE_DIR "/tests/e2e/game_over.txt");
    struct Case {
        const char *answer;
        int goesOn;
    } cases[] = {
        {"frame +1 type LEFT\n", 1},
        {"frame +1 click 80 120\n", 1},
        {"frame +1 type RIGHT\n", 0},
        {"frame +1 click 240 120\n", 0},
        {"frame +1 quit\nframe +100 type LEFT\n", 1},
        {"frame +1 quit\nframe +100 type RIGHT\n", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        testBoard(lonelyBoard());
        Outcome out = play(gameOver + c.answer + "after attempt\nframe +5 exit\n");
        unlink((dir + "/trace.txt").c_str());
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.count("lost"), 2);
        EXPECT_EQ(out.find("gameover").num("lives"), 0);
        EXPECT_EQ(out.count("continue"), c.goesOn);
        EXPECT_EQ(out.count("leave"), 1 - c.goesOn);
        // Leaving ends the program before the script does.
        EXPECT_EQ(out.count("replay-exit"), c.goesOn);
        if (c.goesOn) {
            TraceLine again = out.find("attempt", 3);
            EXPECT_EQ(again.num("level"), -1);
            EXPECT_EQ(again.num("lives"), 3);
            EXPECT_EQ(again.num("score"), 0);
        }
    }
}

TEST_F(EndToEnd, ReplaysAreDeterministic) {
    testBoard(keyBoard());
    Outcome first = playFile("solve_test_board_by_keys.txt");
    std::string firstTrace = readText(dir + "/trace.txt");
    std::string firstPicture = readText(dir + "/tally.bmp");
    unlink((dir + "/trace.txt").c_str());
    // The same inputs: no user files from the first run (a new hiscore
    // table seeds the random numbers, an existing one does not).
    unlink((dir + "/home/.quenzy/hiscores.dat").c_str());
    unlink((dir + "/home/.quenzy/savegame.dat").c_str());
    Outcome second = playFile("solve_test_board_by_keys.txt");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.count("won"), 1);
    EXPECT_EQ(second.count("paid"), 1);
    EXPECT_EQ(readText(dir + "/trace.txt"), firstTrace);
    EXPECT_FALSE(firstPicture.empty());
    EXPECT_EQ(readText(dir + "/tally.bmp"), firstPicture);
}

// The script file is read a piece at a time: a last piece of one byte, the
// exit status' only digit here, still counts.
TEST_F(EndToEnd, AScriptsLastByteCountsAfterALongFile) {
    testBoard(lonelyBoard());
    const std::string last = "frame 5 exit 7";
    Outcome out = play(std::string(4097 - last.size(), '\n') + last);
    EXPECT_EQ(out.status, 7);
}

TEST_F(EndToEnd, StalledScriptEndsWithStatus2) {
    testBoard(lonelyBoard());
    Outcome out = play("after nothing-ever\nframe +1 type UP\n");
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.find("replay-exit").num("status"), 2);
}

} // namespace
