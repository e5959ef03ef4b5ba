#include "platform/replayscript.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

void replayKeyName(SDLKey sym, char *out, size_t size) {
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

static SDL_Event joyButtonEvent(Uint8 type, int button) {
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = type;
    e.jbutton.type = type;
    e.jbutton.button = static_cast<Uint8>(button);
    e.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    return e;
}

static void addEvent(std::vector<ReplayEntry> &out, unsigned frame, const SDL_Event &e) {
    ReplayEntry entry{frame, ENTRY_EVENT, e, "", 0, 0, 0};
    out.push_back(entry);
}

// ---- the verbs: one function each, reading the words after the verb ----

struct Verb;
// Appends the entries of one action for `frame`; null, or what is wrong.
typedef const char *(*VerbParser)(const Verb &verb, const std::vector<char *> &w, unsigned frame,
                                  std::vector<ReplayEntry> &out);

struct Verb {
    const char *name;
    VerbParser parse;
    int down, up; // for the buttons and keys: which half of a press the verb gives
};

// KEY [shift] [caps]
static const char *parseKeyVerb(const Verb &verb, const std::vector<char *> &w, unsigned frame,
                                std::vector<ReplayEntry> &out) {
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
    if (verb.down)
        addEvent(out, frame, keyEvent(SDL_KEYDOWN, sym, m));
    if (verb.up)
        addEvent(out, frame, keyEvent(SDL_KEYUP, sym, m));
    return nullptr;
}

// X Y [BUTTON]
static const char *parseMouseVerb(const Verb &verb, const std::vector<char *> &w, unsigned frame,
                                  std::vector<ReplayEntry> &out) {
    long a = 0, b = 0, c = 1;
    if (w.size() < 3 || w.size() > 4 || parseInt(w[1], &a) || parseInt(w[2], &b) ||
        (w.size() == 4 && parseInt(w[3], &c)))
        return "expected X Y [BUTTON]";
    if (a < 0 || b < 0 || a > 65535 || b > 65535 || c < 1 || c > 255)
        return "position or button out of range";
    int x = static_cast<int>(a), y = static_cast<int>(b), button = static_cast<int>(c);
    if (verb.down)
        addEvent(out, frame, mouseEvent(SDL_MOUSEBUTTONDOWN, x, y, button));
    if (verb.up)
        addEvent(out, frame, mouseEvent(SDL_MOUSEBUTTONUP, x, y, button));
    return nullptr;
}

// B
static const char *parseJoyVerb(const Verb &verb, const std::vector<char *> &w, unsigned frame,
                                std::vector<ReplayEntry> &out) {
    long a = 0;
    if (w.size() != 2 || parseInt(w[1], &a) || a < 0 || a > 255)
        return "expected a button number";
    int button = static_cast<int>(a);
    if (verb.down)
        addEvent(out, frame, joyButtonEvent(SDL_JOYBUTTONDOWN, button));
    if (verb.up)
        addEvent(out, frame, joyButtonEvent(SDL_JOYBUTTONUP, button));
    return nullptr;
}

// V
static const char *parseHatVerb(const Verb &, const std::vector<char *> &w, unsigned frame,
                                std::vector<ReplayEntry> &out) {
    long a = 0;
    if (w.size() != 2 || parseInt(w[1], &a) || a < 0 || a > 15)
        return "expected a hat value";
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = SDL_JOYHATMOTION;
    e.jhat.type = e.type;
    e.jhat.value = static_cast<Uint8>(a);
    addEvent(out, frame, e);
    return nullptr;
}

// AXIS VALUE
static const char *parseAxisVerb(const Verb &, const std::vector<char *> &w, unsigned frame,
                                 std::vector<ReplayEntry> &out) {
    long a = 0, b = 0;
    if (w.size() != 3 || parseInt(w[1], &a) || parseInt(w[2], &b) || a < 0 || a > 255 ||
        b < -32768 || b > 32767)
        return "expected AXIS VALUE";
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = SDL_JOYAXISMOTION;
    e.jaxis.type = e.type;
    e.jaxis.axis = static_cast<Uint8>(a);
    e.jaxis.value = static_cast<Sint16>(b);
    addEvent(out, frame, e);
    return nullptr;
}

static const char *parseQuitVerb(const Verb &, const std::vector<char *> &w, unsigned frame,
                                 std::vector<ReplayEntry> &out) {
    if (w.size() != 1)
        return "quit takes nothing";
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = SDL_QUIT;
    e.quit.type = SDL_QUIT;
    addEvent(out, frame, e);
    return nullptr;
}

// NAME
static const char *parseDumpVerb(const Verb &, const std::vector<char *> &w, unsigned frame,
                                 std::vector<ReplayEntry> &out) {
    if (w.size() != 2 || strchr(w[1], '/'))
        return "expected a plain NAME";
    SDL_Event e;
    memset(&e, 0, sizeof e);
    out.push_back(ReplayEntry{frame, ENTRY_DUMP, e, w[1], 0, 0, 0});
    return nullptr;
}

// [STATUS]
static const char *parseExitVerb(const Verb &, const std::vector<char *> &w, unsigned frame,
                                 std::vector<ReplayEntry> &out) {
    long a = 0;
    if (w.size() > 2 || (w.size() == 2 && (parseInt(w[1], &a) || a < 0 || a > 255)))
        return "expected [STATUS]";
    SDL_Event e;
    memset(&e, 0, sizeof e);
    out.push_back(ReplayEntry{frame, ENTRY_EXIT, e, "", static_cast<int>(a), 0, 0});
    return nullptr;
}

// [READ+MS | READ-MS]...: the frame's READ-th reading of the clock gives MS
// more (or less) than the virtual clock; none only makes the script last to
// the frame.
static const char *parseClockVerb(const Verb &, const std::vector<char *> &w, unsigned frame,
                                  std::vector<ReplayEntry> &out) {
    SDL_Event e;
    memset(&e, 0, sizeof e);
    std::vector<ReplayEntry> readings;
    for (size_t i = 1; i < w.size(); i++) {
        char *sign = strpbrk(w[i], "+-");
        long read = 0, delta = 0;
        if (!sign || sign == w[i] || sign[1] == '+' || sign[1] == '-')
            return "expected READ+MS or READ-MS";
        char sep = *sign;
        *sign = 0;
        int bad = parseInt(w[i], &read) || parseInt(sign + 1, &delta);
        *sign = sep;
        if (bad || read < 0 || delta < 1 || delta > 86400000)
            return "expected READ+MS or READ-MS";
        int ms = static_cast<int>(sep == '-' ? -delta : delta);
        readings.push_back(
            ReplayEntry{frame, ENTRY_CLOCK, e, "", 0, static_cast<unsigned>(read), ms});
    }
    if (readings.empty())
        readings.push_back(ReplayEntry{frame, ENTRY_CLOCK, e, "", 0, 0, 0});
    out.insert(out.end(), readings.begin(), readings.end());
    return nullptr;
}

// READ 0|1: from the frame's READ-th question on, whether music plays
static const char *parseMusicVerb(const Verb &, const std::vector<char *> &w, unsigned frame,
                                  std::vector<ReplayEntry> &out) {
    long read = 0, playing = 0;
    if (w.size() != 3 || parseInt(w[1], &read) || parseInt(w[2], &playing) || read < 0 ||
        (playing != 0 && playing != 1))
        return "expected READ 0 or READ 1";
    SDL_Event e;
    memset(&e, 0, sizeof e);
    out.push_back(ReplayEntry{frame, ENTRY_MUSIC, e, "", 0, static_cast<unsigned>(read),
                              static_cast<int>(playing)});
    return nullptr;
}

static const Verb verbs[] = {
    {"press", parseKeyVerb, 1, 0},       {"release", parseKeyVerb, 0, 1},
    {"type", parseKeyVerb, 1, 1},        {"click", parseMouseVerb, 1, 1},
    {"mousedown", parseMouseVerb, 1, 0}, {"mouseup", parseMouseVerb, 0, 1},
    {"joydown", parseJoyVerb, 1, 0},     {"joyup", parseJoyVerb, 0, 1},
    {"hat", parseHatVerb, 0, 0},         {"axis", parseAxisVerb, 0, 0},
    {"quit", parseQuitVerb, 0, 0},       {"dump", parseDumpVerb, 0, 0},
    {"exit", parseExitVerb, 0, 0},       {"clock", parseClockVerb, 0, 0},
    {"music", parseMusicVerb, 0, 0},
};

// The action part of one line (words after the frame), appended for `frame`.
static const char *parseAction(const std::vector<char *> &w, unsigned frame,
                               std::vector<ReplayEntry> &out) {
    if (w.empty())
        return "missing action";
    for (const Verb &verb : verbs)
        if (!strcmp(w[0], verb.name))
            return verb.parse(verb, w, frame, out);
    return "unknown action";
}

// ---- lines ----

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

// What reading the lines so far has set up for the next one.
struct ParseState {
    unsigned previous;   // frame (or offset, after an anchor) of the last line
    int anchored;        // lines belong to the last "after" segment
    ReplayScript script; // read so far
};

// Where the entries of the next frame line go.
static std::vector<ReplayEntry> &lineEntries(ParseState *ps) {
    return ps->anchored ? ps->script.segments.back().entries : ps->script.entries;
}

static const char *const ANCHORED_FRAMES = "after an anchor, frames are +N with N of 1 or more";

// after EVENT
static const char *parseAfterLine(std::vector<char *> &w, ParseState *ps) {
    if (w.size() != 2)
        return "expected after EVENT";
    ps->script.segments.push_back(ReplaySegment{w[1], {}});
    ps->anchored = 1;
    ps->previous = 0;
    return nullptr;
}

// frame N ACTION...
static const char *parseFrameLine(std::vector<char *> &w, ParseState *ps) {
    unsigned frame;
    if (w.size() < 2 || parseFrame(w[1], ps->previous, &frame))
        return "expected a frame number";
    if (ps->anchored && (w[1][0] != '+' || frame == 0))
        return ANCHORED_FRAMES;
    ps->previous = frame;
    w.erase(w.begin(), w.begin() + 2);
    return parseAction(w, frame, lineEntries(ps));
}

// frames A-B every S ACTION...
static const char *parseFramesLine(std::vector<char *> &w, ParseState *ps) {
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
        return ANCHORED_FRAMES;
    w.erase(w.begin(), w.begin() + 4);
    for (unsigned f = first; f <= last; f += static_cast<unsigned>(step)) {
        const char *err = parseAction(w, f, lineEntries(ps));
        if (err)
            return err;
    }
    ps->previous = last;
    return nullptr;
}

struct LineKind {
    const char *first; // the line's first word
    const char *(*parse)(std::vector<char *> &w, ParseState *ps);
};

static const LineKind lineKinds[] = {
    {"after", parseAfterLine},
    {"frame", parseFrameLine},
    {"frames", parseFramesLine},
};

static const char *parseLine(char *line, ParseState *ps) {
    std::vector<char *> w;
    for (char *t = strtok(line, " \t\r"); t; t = strtok(nullptr, " \t\r"))
        w.push_back(t);
    if (w.empty() || w[0][0] == '#')
        return nullptr;
    for (const LineKind &kind : lineKinds)
        if (!strcmp(w[0], kind.first))
            return kind.parse(w, ps);
    return "lines start with frame, frames or after";
}

int replayParseScript(const char *text, ReplayScript *script, char *err, size_t errSize) {
    std::string all(text);
    size_t start = 0;
    int lineNo = 0;
    ParseState ps{0, 0, {}};
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos)
            end = all.size();
        std::string line = all.substr(start, end - start);
        lineNo++;
        const char *problem = parseLine(&line[0], &ps);
        if (problem) {
            snprintf(err, errSize, "line %d: %s", lineNo, problem);
            return -1;
        }
        start = end + 1;
    }
    *script = ps.script;
    return 0;
}
