#include "platform/replay.h"

#include "platform/debug.h"
#include "platform/replayscript.h"
#include "platform/sys.h"

#include <algorithm>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

int replayMode = REPLAY_OFF;
unsigned replayFrame = 0;

static std::vector<ReplayEntry> script;       // scheduled, in frame order
static std::vector<ReplaySegment> waiting;    // not yet scheduled, in order
static std::vector<ReplayEntry> clockFixes;   // the clock lines, in frame and reading order
static size_t nextFix = 0;                    // first clock line not yet met
static unsigned readFrame = 0;                // frame of the last reading of the clock
static unsigned readsInFrame = 0;             // readings of the clock in that frame so far
static std::string clockLine;                 // live: this frame's differing readings
static std::vector<ReplayEntry> musicAnswers; // the music lines, in frame and reading order
static size_t nextAnswer = 0;                 // first music line not yet met
static unsigned musicFrame = 0;               // frame of the last question on the music
static unsigned musicReads = 0;               // questions in that frame so far
static int musicAnswer = -1;                  // the last answer noted or given (-1: none)
static size_t nextEntry = 0;                  // first entry not yet acted on
static size_t nextSegment = 0;                // first segment still waiting
static unsigned lastFrame = 0;                // frame of the last scheduled line
static int inDrain = 0;                       // a drain has begun and not yet ended
static FILE *recordFile = nullptr;
static unsigned lastWritten = 0; // frame of the last line recorded
static FILE *traceFile = nullptr;
static std::string dumpDir = ".";
static unsigned dumpEvery = 0;
static std::string signalDumpName;                 // QUENZY_DUMP_SIGNAL, or empty
static unsigned signalDumps = 0;                   // written so far
static volatile sig_atomic_t signalDumpWanted = 0; // SIGUSR1 came

// Schedules `entries`: the clock lines apart, as the clock is read between
// the polls too.
static void schedule(const std::vector<ReplayEntry> &entries, unsigned from) {
    for (ReplayEntry entry : entries) {
        entry.frame += from;
        (entry.kind == ENTRY_CLOCK   ? clockFixes
         : entry.kind == ENTRY_MUSIC ? musicAnswers
                                     : script)
            .push_back(entry);
    }
}

static bool byReading(const ReplayEntry &a, const ReplayEntry &b) {
    return a.frame < b.frame || (a.frame == b.frame && a.read < b.read);
}

static void sortFrom(size_t from) {
    // Lines may come in any order; within a frame they keep theirs.
    std::stable_sort(script.begin() + static_cast<long>(from), script.end(),
                     [](const ReplayEntry &a, const ReplayEntry &b) { return a.frame < b.frame; });
    std::stable_sort(clockFixes.begin() + static_cast<long>(nextFix), clockFixes.end(), byReading);
    std::stable_sort(musicAnswers.begin() + static_cast<long>(nextAnswer), musicAnswers.end(),
                     byReading);
    lastFrame = 0;
    for (const std::vector<ReplayEntry> *v : {&script, &clockFixes, &musicAnswers})
        for (const ReplayEntry &e : *v)
            lastFrame = std::max(lastFrame, e.frame);
}

// Nothing scheduled, nothing met, the replay's own frame count at 0: as
// before a script is loaded, and after the replay stops.
static void clearSchedule() {
    script.clear();
    waiting.clear();
    clockFixes.clear();
    musicAnswers.clear();
    nextEntry = nextSegment = nextFix = nextAnswer = 0;
    readFrame = readsInFrame = 0;
    musicFrame = musicReads = 0;
    musicAnswer = -1;
    lastFrame = 0;
    inDrain = 0;
    replayFrame = 0;
}

int replayLoadScript(const char *text, char *err, size_t errSize) {
    ReplayScript parsed;
    if (replayParseScript(text, &parsed, err, errSize))
        return -1;
    clearSchedule();
    schedule(parsed.entries, 0);
    waiting = parsed.segments;
    sortFrom(0);
    replayMode = REPLAY_PLAY;
    sysVirtualClock = 1;
    return 0;
}

// The game reported `event`: the next waiting segment, when it waits for
// it, is scheduled from this drain on.
static void armSegment(const char *event) {
    if (nextSegment >= waiting.size() || waiting[nextSegment].event != event)
        return;
    schedule(waiting[nextSegment].entries, replayFrame);
    nextSegment++;
    sortFrom(nextEntry);
}

static int scriptOver() {
    return nextEntry >= script.size() && nextSegment >= waiting.size();
}

static void dumpScreen(const char *name) {
    SDL_Surface *shown = SDL_GetVideoSurface();
    if (!shown)
        return;
    // No std::string here: this runs in the middle of play, and running out
    // of memory must cost the dump, not the game.
    char path[4096];
    int n = snprintf(path, sizeof path, "%s/%s.bmp", dumpDir.c_str(), name);
    if (n < 0 || n >= static_cast<int>(sizeof path) || SDL_SaveBMP(shown, path) != 0)
        fprintf(stderr, "replay: cannot write %s/%s.bmp\n", dumpDir.c_str(), name);
}

// One line of the state log: "frame F time T " and the formatted text.
static void replayTrace(const char *format, ...) __attribute__((format(printf, 1, 2)));
static void replayTrace(const char *format, ...) {
    if (!traceFile)
        return;
    fprintf(traceFile, "frame %u time %u ", replayFrame, sysClockNow());
    va_list args;
    va_start(args, format);
    vfprintf(traceFile, format, args);
    va_end(args);
    fputc('\n', traceFile);
    fflush(traceFile); // a killed or crashed run still leaves its log
}

static void endProgram(int status) {
    if (traceFile)
        replayTrace("replay-exit status=%d", status);
    replayStop();
    SDL_Quit();
    exit(status);
}

// The window keeps the dumped picture while the program stands still, so a
// screenshot of it can be held against the dump.
static void signalDump() {
    signalDumpWanted = 0;
    char name[160];
    snprintf(name, sizeof name, "%s-%u", signalDumpName.c_str(), ++signalDumps);
    dumpScreen(name);
    raise(SIGSTOP);
}

static void onDumpSignal(int) {
    signalDumpWanted = 1;
}

// What happens as drain `replayFrame` begins: dumps and the exit.
static void beginDrain() {
    inDrain = 1;
    if (signalDumpWanted)
        signalDump();
    if (dumpEvery && replayFrame % dumpEvery == 0) {
        char name[32];
        snprintf(name, sizeof name, "frame-%06u", replayFrame);
        dumpScreen(name);
    }
    if (replayMode != REPLAY_PLAY)
        return;
    // Entries are acted on in order; events wait for replayPoll.
    for (size_t i = nextEntry; i < script.size() && script[i].frame == replayFrame; i++) {
        if (script[i].kind == ENTRY_DUMP)
            dumpScreen(script[i].name.c_str());
        else if (script[i].kind == ENTRY_EXIT)
            endProgram(script[i].status);
    }
    if (scriptOver() && replayFrame > lastFrame + REPLAY_GRACE) {
        fprintf(stderr, "replay: the game still runs %d frames after the script's end\n",
                REPLAY_GRACE);
        endProgram(2);
    }
    if (!scriptOver() && nextEntry >= script.size() && replayFrame > lastFrame + REPLAY_WAIT) {
        fprintf(stderr, "replay: no \"%s\" from the game in %d frames\n",
                waiting[nextSegment].event.c_str(), REPLAY_WAIT);
        endProgram(2);
    }
}

// Live: the frame's readings that the waits did not account for, as one
// line, and at the end a line for the last frame, so that the replay lasts
// as long as the game did.
static void writeClockLine(int always) {
    // Counted from the line before (mostly "+1"): the lines deflate to less
    // in the address of a film.
    if (recordFile && (always || !clockLine.empty())) {
        if (readFrame >= lastWritten)
            fprintf(recordFile, "frame +%u clock%s\n", readFrame - lastWritten, clockLine.c_str());
        else
            fprintf(recordFile, "frame %u clock%s\n", readFrame, clockLine.c_str());
        lastWritten = readFrame;
    }
    clockLine.clear();
}

int32_t replayClockRead(int32_t live) {
    if (readFrame != replayFrame) {
        writeClockLine(0);
        readFrame = replayFrame;
        readsInFrame = 0;
    }
    unsigned read = readsInFrame++;
    if (replayMode != REPLAY_PLAY) {
        if (recordFile && live) {
            char item[32];
            snprintf(item, sizeof item, " %u%+d", read, static_cast<int>(live));
            clockLine += item;
        }
        return live;
    }
    int32_t delta = 0;
    for (; nextFix < clockFixes.size(); nextFix++) {
        const ReplayEntry &fix = clockFixes[nextFix];
        if (fix.frame > readFrame || (fix.frame == readFrame && fix.read > read))
            break;
        if (fix.frame == readFrame && fix.read == read)
            delta += fix.delta;
    }
    return delta;
}

int replayMusicRead(int playing) {
    if (musicFrame != replayFrame) {
        musicFrame = replayFrame;
        musicReads = 0;
    }
    unsigned read = musicReads++;
    if (replayMode == REPLAY_PLAY) {
        for (; nextAnswer < musicAnswers.size(); nextAnswer++) {
            const ReplayEntry &a = musicAnswers[nextAnswer];
            if (a.frame > musicFrame || (a.frame == musicFrame && a.read > read))
                break;
            musicAnswer = a.delta;
        }
        return musicAnswer < 0 ? playing : musicAnswer;
    }
    if (recordFile && playing != musicAnswer) {
        fprintf(recordFile, "frame %u music %u %d\n", musicFrame, read, playing);
        lastWritten = musicFrame;
    }
    musicAnswer = playing;
    return playing;
}

static void endDrain() {
    inDrain = 0;
    replayFrame++;
}

static int closeRequestGiven = 0; // one close request per drain after the end

int replayPoll(SDL_Event *event) {
    if (!inDrain) {
        beginDrain();
        closeRequestGiven = 0;
    }
    // Skip lines of frames already past (a script may name frames that a
    // drain never reached the start of: it starts at drain 0).
    while (nextEntry < script.size() && script[nextEntry].frame < replayFrame)
        nextEntry++;
    while (nextEntry < script.size() && script[nextEntry].frame == replayFrame) {
        const ReplayEntry &entry = script[nextEntry++];
        if (entry.kind == ENTRY_EVENT) {
            *event = entry.event;
            return 1;
        }
    }
    if (scriptOver() && replayFrame > lastFrame && !closeRequestGiven) {
        closeRequestGiven = 1;
        memset(event, 0, sizeof *event);
        event->type = SDL_QUIT;
        return 1;
    }
    endDrain();
    return 0;
}

static void recordEvent(const SDL_Event *e) {
    char key[16];
    const char *mods = "";
    switch (e->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        replayKeyName(e->key.keysym.sym, key, sizeof key);
        int shift = (e->key.keysym.mod & KMOD_SHIFT) != 0;
        int caps = (e->key.keysym.mod & KMOD_CAPS) != 0;
        mods = shift && caps ? " shift caps" : shift ? " shift" : caps ? " caps" : "";
        fprintf(recordFile, "frame %u %s %s%s\n", replayFrame,
                e->type == SDL_KEYDOWN ? "press" : "release", key, mods);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        fprintf(recordFile, "frame %u %s %d %d %d\n", replayFrame,
                e->type == SDL_MOUSEBUTTONDOWN ? "mousedown" : "mouseup", e->button.x, e->button.y,
                e->button.button);
        break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        fprintf(recordFile, "frame %u %s %d\n", replayFrame,
                e->type == SDL_JOYBUTTONDOWN ? "joydown" : "joyup", e->jbutton.button);
        break;
    case SDL_JOYHATMOTION:
        fprintf(recordFile, "frame %u hat %d\n", replayFrame, e->jhat.value);
        break;
    case SDL_JOYAXISMOTION:
        fprintf(recordFile, "frame %u axis %d %d\n", replayFrame, e->jaxis.axis, e->jaxis.value);
        break;
    case SDL_QUIT:
        fprintf(recordFile, "frame %u quit\n", replayFrame);
        break;
    default: // motion and window events do not reach the game
        return;
    }
    lastWritten = replayFrame;
}

void replayObserve(const SDL_Event *event) {
    if (!inDrain)
        beginDrain();
    if (!event) {
        endDrain();
        return;
    }
    if (recordFile)
        recordEvent(event);
}

int replayRecordTo(const char *path) {
    recordFile = fopen(path, "w");
    if (!recordFile)
        return -1;
    lastWritten = 0;
    fprintf(recordFile, "# Quenzy input recording: one line per event, by drain of the queue,\n"
                        "# and per drain the readings of the clock that its waits did not give\n");
    if (replayMode == REPLAY_OFF)
        replayMode = REPLAY_LIVE;
    return 0;
}

// Appends trace lines to `path`. 0 or -1.
static int replayTraceTo(const char *path) {
    traceFile = fopen(path, "a");
    if (!traceFile)
        return -1;
    if (replayMode == REPLAY_OFF)
        replayMode = REPLAY_LIVE;
    return 0;
}

void replaySetDumpDir(const char *dir, unsigned every) {
    dumpDir = dir ? dir : ".";
    dumpEvery = every;
    if (every && replayMode == REPLAY_OFF)
        replayMode = REPLAY_LIVE;
}

void replayStop() {
    if (recordFile) {
        writeClockLine(0);
        readFrame = replayFrame;
        writeClockLine(1);
        fclose(recordFile);
    }
    if (traceFile)
        fclose(traceFile);
    recordFile = traceFile = nullptr;
    clearSchedule();
    clockLine.clear();
    dumpDir = ".";
    dumpEvery = 0;
    replayMode = REPLAY_OFF;
    sysVirtualClock = 0;
    sysPaced = 0;
}

int replayTracing() {
    return traceFile != nullptr || nextSegment < waiting.size();
}

void replayNote(const char *event, const char *details) {
    // Out of memory the lines cannot be scheduled and the replay cannot go
    // on: a fatal end like any other, not an escaped exception.
    if (replayMode == REPLAY_PLAY) {
        try {
            armSegment(event);
        } catch (const std::bad_alloc &) {
            error("replay: out of memory\n");
        }
    }
    if (details && *details)
        replayTrace("%s %s", event, details);
    else
        replayTrace("%s", event);
}

static char *readWholeFile(const char *path) {
    FILE *f = fopen(path, "rb");
    if (!f)
        return nullptr;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    fclose(f);
    return strdup(text.c_str());
}

static void stopAtExit() {
    replayStop();
}

void replayStartFromEnv() {
    const char *dir = getenv("QUENZY_DUMP_DIR");
    const char *every = getenv("QUENZY_DUMP_EVERY");
    const char *record = getenv("QUENZY_RECORD");
    const char *trace = getenv("QUENZY_TRACE");
    const char *play = getenv("QUENZY_REPLAY");
    const char *onSignal = getenv("QUENZY_DUMP_SIGNAL");
    if (!dir && !every && !record && !trace && !play && !onSignal)
        return;
    atexit(stopAtExit);
    replaySetDumpDir(dir, every ? static_cast<unsigned>(atoi(every)) : 0);
    if (onSignal) {
        signalDumpName = onSignal;
        signal(SIGUSR1, onDumpSignal);
        if (replayMode == REPLAY_OFF)
            replayMode = REPLAY_LIVE;
    }
    if (trace && replayTraceTo(trace))
        error("replay: cannot write the trace file\n");
    if (play) {
        char *text = readWholeFile(play);
        if (!text)
            error("replay: cannot read the script\n");
        char err[128];
        int bad = replayLoadScript(text, err, sizeof err);
        free(text);
        if (bad) {
            fprintf(stderr, "replay: %s: %s\n", play, err);
            error("replay: bad script\n");
        }
        const char *realTime = getenv("QUENZY_REPLAY_REALTIME");
        sysPaced = realTime && *realTime && strcmp(realTime, "0") != 0;
    } else if (record && replayRecordTo(record)) {
        error("replay: cannot write the recording\n");
    }
}
