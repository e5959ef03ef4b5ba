#pragma once

// The real program run with one allocation failed on purpose (the faults
// library, tools/faults): from start-up to the end of the first level, which
// a replay plays with its stored solution. Each run must end with the game's
// own fatal message and status 1, or play on as the failure allows; none may
// crash, hang or leave a damaged user file.

#include <string>
#include <vector>

struct AllocOptions {
    std::string game;    // the program to run
    std::string data;    // the folder of its data
    std::string faults;  // the faults library to preload
    int realLimit = 120; // seconds one run may take in real time
    bool keep = false;   // keep each run's folder even when all went well
};

enum AllocKind {
    ALLOC_FATAL,   // the game's fatal message, status 1: a clean end
    ALLOC_PLAYED,  // played to the end of the level: the failure was borne
    ALLOC_LIBRARY, // a listed fault of a library's own, which the game cannot prevent
    ALLOC_STALLED, // the replay waited in vain (status 2)
    ALLOC_CRASHED, // killed by a signal
    ALLOC_HUNG,    // still running at the real-time limit
    ALLOC_OTHER,   // any other status, or a fatal end without a message
    ALLOC_DAMAGED, // a user file left that the game would not read back
    ALLOC_NOT_RUN, // the run could not be set up
    ALLOC_KINDS
};

struct AllocResult {
    unsigned long n = 0; // the allocation failed (0: none)
    AllocKind kind = ALLOC_NOT_RUN;
    int status = 0;                    // exit status, or 128 + the signal
    std::string message;               // the first line of what the game wrote to stderr,
                                       // or why a library fault is one
    unsigned long size = 0;            // bytes asked for by the failed allocation
    bool reached = false;              // whether the allocation came at all
    std::vector<std::string> problems; // user files, set-up
    std::vector<std::string> failedIn; // the named functions of the failed allocation's stack
    std::vector<std::string> crashIn;  // those of the crash's stack, innermost first
    std::string dir;                   // kept when the run went wrong
};

// The allocations a clean run makes from the first SDL_Init to its exit, or
// 0 when the run did not end cleanly (`why` says what happened).
unsigned long allocCount(const AllocOptions &o, std::string *why);

// One run with allocation `n` failed.
AllocResult allocRun(const AllocOptions &o, unsigned long n);

// Whether a result is one the game may end with (a library's listed fault
// included: it is reported, not failed).
bool allocClean(const AllocResult &r);

const char *allocKindName(AllocKind kind);
