#include "platform/replay.h"

#include "platform/debug.h"
#include "platform/sys.h"

#include <algorithm>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int replayMode = REPLAY_OFF;
unsigned replayFrame = 0;

enum EntryKind { ENTRY_EVENT, ENTRY_DUMP, ENTRY_EXIT };

struct ReplayEntry {
    unsigned frame;
    int kind;
    SDL_Event event;  // ENTRY_EVENT
    std::string name; // ENTRY_DUMP
    int status;       // ENTRY_EXIT
};

// Lines after "after EVENT", waiting for the game to report EVENT; their
// frames count from that moment.
struct ReplaySegment {
    std::string event;
    std::vector<ReplayEntry> entries;
};

static std::vector<ReplayEntry> script;    // scheduled, in frame order
static std::vector<ReplaySegment> waiting; // not yet scheduled, in order
static size_t nextEntry = 0;               // first entry not yet acted on
static size_t nextSegment = 0;             // first segment still waiting
static unsigned lastFrame = 0;             // frame of the last scheduled line
static int inDrain = 0;                    // a drain has begun and not yet ended
static FILE *recordFile = nullptr;
static FILE *traceFile = nullptr;
static std::string dumpDir = ".";
static unsigned dumpEvery = 0;
static std::string signalDumpName;                 // QUENZY_DUMP_SIGNAL, or empty
static unsigned signalDumps = 0;                   // written so far
static volatile sig_atomic_t signalDumpWanted = 0; // SIGUSR1 came

struct KeyName {
    const char *name;
    SDLKey sym;
};

static const KeyName keyNames[] = {
    {"UP", SDLK_UP},         {"DOWN", SDLK_DOWN},         {"LEFT", SDLK_LEFT},
    {"RIGHT", SDLK_RIGHT},   {"LCTRL", SDLK_LCTRL},       {"RCTRL", SDLK_RCTRL},
    {"LSHIFT", SDLK_LSHIFT}, {"RSHIFT", SDLK_RSHIFT},     {"LALT", SDLK_LALT},
    {"RALT", SDLK_RALT},     {"RETURN", SDLK_RETURN},     {"ESCAPE", SDLK_ESCAPE},
    {"SPACE", SDLK_SPACE},   {"TAB", SDLK_TAB},           {"BACKSPACE", SDLK_BACKSPACE},
    {"DELETE", SDLK_DELETE}, {"CAPSLOCK", SDLK_CAPSLOCK},
};

static void keyName(SDLKey sym, char *out, size_t size) {
    for (const KeyName &k : keyNames)
        if (k.sym == sym) {
            snprintf(out, size, "%s", k.name);
            return;
        }
    if ((sym >= SDLK_a && sym <= SDLK_z) || (sym >= SDLK_0 && sym <= SDLK_9))
        snprintf(out, size, "%c", static_cast<char>(sym));
    else if (sym >= SDLK_F1 && sym <= SDLK_F15)
        snprintf(out, size, "F%d", sym - SDLK_F1 + 1);
    else
        snprintf(out, size, "%d", static_cast<int>(sym));
}

static int parseKey(const char *word, SDLKey *sym) {
    for (const KeyName &k : keyNames)
        if (strcasecmp(k.name, word) == 0) {
            *sym = k.sym;
            return 0;
        }
    size_t n = strlen(word);
    if (n == 1 && ((word[0] >= 'a' && word[0] <= 'z') || (word[0] >= '0' && word[0] <= '9'))) {
        *sym = static_cast<SDLKey>(word[0]);
        return 0;
    }
    if ((word[0] == 'F' || word[0] == 'f') && n >= 2 && n <= 3) {
        int f = atoi(word + 1);
        if (f >= 1 && f <= 15) {
            *sym = static_cast<SDLKey>(SDLK_F1 + f - 1);
            return 0;
        }
    }
    char *end = nullptr;
    long v = strtol(word, &end, 10);
    if (*word && *end == 0 && v > 0 && v < SDLK_LAST) {
        *sym = static_cast<SDLKey>(v);
        return 0;
    }
    return -1;
}

static int parseInt(const char *word, long *value) {
    if (!word)
        return -1;
    char *end = nullptr;
    *value = strtol(word, &end, 10);
    return (*word && *end == 0) ? 0 : -1;
}

static SDL_Event keyEvent(Uint8 type, SDLKey sym, SDLMod mod) {
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
}

static SDL_Event mouseEvent(Uint8 type, int x, int y, int button) {
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = type;
    e.button.type = type;
    e.button.button = static_cast<Uint8>(button);
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    return e;
}

static void addEvent(std::vector<ReplayEntry> &out, unsigned frame, const SDL_Event &e) {
    ReplayEntry entry{frame, ENTRY_EVENT, e, "", 0};
    out.push_back(entry);
}

// The action part of one line (words after the frame), appended for `frame`.
static const char *parseAction(std::vector<char *> &w, unsigned frame,
                               std::vector<ReplayEntry> &out) {
    if (w.empty())
        return "missing action";
    const char *verb = w[0];
    long a = 0, b = 0, c = 1;
    if (!strcmp(verb, "press") || !strcmp(verb, "release") || !strcmp(verb, "type")) {
        SDLKey sym;
        if (w.size() < 2 || parseKey(w[1], &sym))
            return "unknown key";
        int mod = KMOD_NONE;
        for (size_t i = 2; i < w.size(); i++) {
            if (!strcmp(w[i], "shift"))
                mod |= KMOD_LSHIFT;
            else if (!strcmp(w[i], "caps"))
                mod |= KMOD_CAPS;
            else
                return "unknown modifier";
        }
        SDLMod m = static_cast<SDLMod>(mod);
        if (strcmp(verb, "release"))
            addEvent(out, frame, keyEvent(SDL_KEYDOWN, sym, m));
        if (strcmp(verb, "press"))
            addEvent(out, frame, keyEvent(SDL_KEYUP, sym, m));
        return nullptr;
    }
    if (!strcmp(verb, "click") || !strcmp(verb, "mousedown") || !strcmp(verb, "mouseup")) {
        if (w.size() < 3 || w.size() > 4 || parseInt(w[1], &a) || parseInt(w[2], &b) ||
            (w.size() == 4 && parseInt(w[3], &c)))
            return "expected X Y [BUTTON]";
        if (a < 0 || b < 0 || a > 65535 || b > 65535 || c < 1 || c > 255)
            return "position or button out of range";
        int x = static_cast<int>(a), y = static_cast<int>(b), button = static_cast<int>(c);
        if (strcmp(verb, "mouseup"))
            addEvent(out, frame, mouseEvent(SDL_MOUSEBUTTONDOWN, x, y, button));
        if (strcmp(verb, "mousedown"))
            addEvent(out, frame, mouseEvent(SDL_MOUSEBUTTONUP, x, y, button));
        return nullptr;
    }
    SDL_Event e;
    memset(&e, 0, sizeof e);
    if (!strcmp(verb, "joydown") || !strcmp(verb, "joyup")) {
        if (w.size() != 2 || parseInt(w[1], &a) || a < 0 || a > 255)
            return "expected a button number";
        e.type = !strcmp(verb, "joydown") ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
        e.jbutton.type = e.type;
        e.jbutton.button = static_cast<Uint8>(a);
        e.jbutton.state = e.type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    } else if (!strcmp(verb, "hat")) {
        if (w.size() != 2 || parseInt(w[1], &a) || a < 0 || a > 15)
            return "expected a hat value";
        e.type = SDL_JOYHATMOTION;
        e.jhat.type = e.type;
        e.jhat.value = static_cast<Uint8>(a);
    } else if (!strcmp(verb, "axis")) {
        if (w.size() != 3 || parseInt(w[1], &a) || parseInt(w[2], &b) || a < 0 || a > 255 ||
            b < -32768 || b > 32767)
            return "expected AXIS VALUE";
        e.type = SDL_JOYAXISMOTION;
        e.jaxis.type = e.type;
        e.jaxis.axis = static_cast<Uint8>(a);
        e.jaxis.value = static_cast<Sint16>(b);
    } else if (!strcmp(verb, "quit")) {
        if (w.size() != 1)
            return "quit takes nothing";
        e.type = SDL_QUIT;
        e.quit.type = SDL_QUIT;
    } else if (!strcmp(verb, "dump")) {
        if (w.size() != 2 || strchr(w[1], '/'))
            return "expected a plain NAME";
        out.push_back(ReplayEntry{frame, ENTRY_DUMP, e, w[1], 0});
        return nullptr;
    } else if (!strcmp(verb, "exit")) {
        if (w.size() > 2 || (w.size() == 2 && (parseInt(w[1], &a) || a < 0 || a > 255)))
            return "expected [STATUS]";
        out.push_back(ReplayEntry{frame, ENTRY_EXIT, e, "", static_cast<int>(a)});
        return nullptr;
    } else {
        return "unknown action";
    }
    addEvent(out, frame, e);
    return nullptr;
}

static int parseFrame(const char *word, unsigned previous, unsigned *frame) {
    long v;
    if (word[0] == '+') {
        if (parseInt(word + 1, &v) || v < 0)
            return -1;
        *frame = previous + static_cast<unsigned>(v);
        return 0;
    }
    if (parseInt(word, &v) || v < 0)
        return -1;
    *frame = static_cast<unsigned>(v);
    return 0;
}

struct ParseState {
    unsigned previous; // frame (or offset, after an anchor) of the last line
    int anchored;      // lines belong to the last "after" segment
};

static const char *parseLine(char *line, ParseState *ps, std::vector<ReplayEntry> &head,
                             std::vector<ReplaySegment> &segments) {
    std::vector<char *> w;
    for (char *t = strtok(line, " \t\r"); t; t = strtok(nullptr, " \t\r"))
        w.push_back(t);
    if (w.empty() || w[0][0] == '#')
        return nullptr;
    std::vector<ReplayEntry> &out = ps->anchored ? segments.back().entries : head;
    if (!strcmp(w[0], "after")) {
        if (w.size() != 2)
            return "expected after EVENT";
        segments.push_back(ReplaySegment{w[1], {}});
        ps->anchored = 1;
        ps->previous = 0;
        return nullptr;
    }
    if (!strcmp(w[0], "frame")) {
        unsigned frame;
        if (w.size() < 2 || parseFrame(w[1], ps->previous, &frame))
            return "expected a frame number";
        if (ps->anchored && (w[1][0] != '+' || frame == 0))
            return "after an anchor, frames are +N with N of 1 or more";
        ps->previous = frame;
        w.erase(w.begin(), w.begin() + 2);
        return parseAction(w, frame, out);
    }
    if (!strcmp(w[0], "frames")) {
        // frames A-B every S ACTION...
        unsigned first, last;
        long step;
        char *dash = w.size() > 1 ? strchr(w[1] + 1, '-') : nullptr;
        if (!dash || w.size() < 4 || strcmp(w[2], "every") || parseInt(w[3], &step) || step < 1)
            return "expected frames A-B every S";
        *dash = 0;
        if (parseFrame(w[1], ps->previous, &first) || parseFrame(dash + 1, ps->previous, &last) ||
            last < first)
            return "bad frame range";
        if (ps->anchored && (w[1][0] != '+' || first == 0))
            return "after an anchor, frames are +N with N of 1 or more";
        w.erase(w.begin(), w.begin() + 4);
        for (unsigned f = first; f <= last; f += static_cast<unsigned>(step)) {
            std::vector<char *> copy = w;
            const char *err = parseAction(copy, f, out);
            if (err)
                return err;
        }
        ps->previous = last;
        return nullptr;
    }
    return "lines start with frame, frames or after";
}

static void sortFrom(size_t from) {
    // Lines may come in any order; within a frame they keep theirs.
    std::stable_sort(script.begin() + static_cast<long>(from), script.end(),
                     [](const ReplayEntry &a, const ReplayEntry &b) { return a.frame < b.frame; });
    lastFrame = 0;
    for (const ReplayEntry &e : script)
        lastFrame = std::max(lastFrame, e.frame);
}

int replayLoadScript(const char *text, char *err, size_t errSize) {
    std::vector<ReplayEntry> entries;
    std::vector<ReplaySegment> segments;
    std::string all(text);
    size_t start = 0;
    int lineNo = 0;
    ParseState ps{0, 0};
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos)
            end = all.size();
        std::string line = all.substr(start, end - start);
        lineNo++;
        const char *problem = parseLine(&line[0], &ps, entries, segments);
        if (problem) {
            snprintf(err, errSize, "line %d: %s", lineNo, problem);
            return -1;
        }
        start = end + 1;
    }
    script = entries;
    waiting = segments;
    nextEntry = 0;
    nextSegment = 0;
    sortFrom(0);
    replayFrame = 0;
    inDrain = 0;
    replayMode = REPLAY_PLAY;
    sysVirtualClock = 1;
    return 0;
}

// The game reported `event`: the next waiting segment, when it waits for
// it, is scheduled from this drain on.
static void armSegment(const char *event) {
    if (nextSegment >= waiting.size() || waiting[nextSegment].event != event)
        return;
    for (ReplayEntry entry : waiting[nextSegment].entries) {
        entry.frame += replayFrame;
        script.push_back(entry);
    }
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
    std::string path = dumpDir + "/" + name + ".bmp";
    if (SDL_SaveBMP(shown, path.c_str()) != 0)
        fprintf(stderr, "replay: cannot write %s\n", path.c_str());
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
        keyName(e->key.keysym.sym, key, sizeof key);
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
        break;
    }
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
    fprintf(recordFile, "# Quenzy input recording: one line per event, by drain of the queue\n");
    if (replayMode == REPLAY_OFF)
        replayMode = REPLAY_LIVE;
    return 0;
}

int replayTraceTo(const char *path) {
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
    if (recordFile)
        fclose(recordFile);
    if (traceFile)
        fclose(traceFile);
    recordFile = traceFile = nullptr;
    script.clear();
    waiting.clear();
    nextEntry = 0;
    nextSegment = 0;
    lastFrame = 0;
    inDrain = 0;
    replayFrame = 0;
    dumpDir = ".";
    dumpEvery = 0;
    replayMode = REPLAY_OFF;
    sysVirtualClock = 0;
}

int replayTracing() {
    return traceFile != nullptr || nextSegment < waiting.size();
}

void replayTrace(const char *format, ...) {
    if (!traceFile)
        return;
    fprintf(traceFile, "frame %u time %u ", replayFrame, sysTicks());
    va_list args;
    va_start(args, format);
    vfprintf(traceFile, format, args);
    va_end(args);
    fputc('\n', traceFile);
    fflush(traceFile); // a killed or crashed run still leaves its log
}

void replayNote(const char *event, const char *details) {
    if (replayMode == REPLAY_PLAY)
        armSegment(event);
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
    } else if (record && replayRecordTo(record)) {
        error("replay: cannot write the recording\n");
    }
}
