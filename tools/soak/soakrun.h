#pragma once

// Long random play of the real program: one seed is a user folder of its own
// and a string of sessions (starts of the game, each on a random script)
// that together last the virtual time asked for.

#include <map>
#include <string>
#include <vector>

struct SoakOptions {
    std::string game;  // the program to run
    std::string data;  // the folder of its data (levels.bin and archives)
    std::string board; // a test.bin for the test mode
    unsigned seed = 1;
    double minutes = 1;  // virtual minutes of play, all sessions together
    int realLimit = 900; // seconds one session may take in real time
    bool keep = false;   // keep the run's folder even when all went well
};

struct SoakResult {
    unsigned seed = 0;
    unsigned frames = 0; // virtual frames played, all sessions together
    int sessions = 0;
    std::vector<std::string> problems; // empty: a clean run
    std::map<std::string, int> events; // trace events seen, by name
    std::string dir;                   // where the run's files are (kept on a problem)
};

SoakResult soakRun(const SoakOptions &options);

// The screens a soak should reach and the trace events that show each.
struct SoakScreen {
    const char *name;
    std::vector<const char *> events;
};
const std::vector<SoakScreen> &soakScreens();
int soakScreenVisits(const SoakScreen &screen, const std::map<std::string, int> &events);
