#include "song.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {

// Everything wrong in a source ends up here, with its place.
struct SourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Line {
    std::string file;
    int number;
    std::string text;
};

std::string place(const Line &l) {
    return l.file + ":" + std::to_string(l.number) + ": ";
}

[[noreturn]] void fail(const Line &l, const std::string &msg) {
    throw SourceError(place(l) + msg);
}

std::string folderOf(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The file's lines without comments, `include` read in place.
void readLines(const std::string &path, std::vector<Line> &out, int depth, const Line *from) {
    std::ifstream in(path);
    if (!in) {
        std::string msg = "cannot read " + path;
        if (from)
            fail(*from, msg);
        throw SourceError(msg);
    }
    if (depth > 8)
        fail(*from, "includes nest too deep");
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        number++;
        size_t semi = text.find(';');
        if (semi != std::string::npos)
            text.resize(semi);
        while (!text.empty() && isspace(uint8_t(text.back())))
            text.pop_back();
        size_t start = text.find_first_not_of(" \t");
        if (start == std::string::npos)
            continue;
        Line l{path, number, text.substr(start)};
        if (l.text.rfind("include ", 0) == 0) {
            std::string name = l.text.substr(8);
            name.erase(0, name.find_first_not_of(" \t"));
            readLines(name[0] == '/' ? name : folderOf(path) + "/" + name, out, depth + 1, &l);
            continue;
        }
        out.push_back(l);
    }
}

std::vector<std::string> words(const std::string &s) {
    std::istringstream in(s);
    std::vector<std::string> w;
    std::string x;
    while (in >> x)
        w.push_back(x);
    return w;
}

double number(const Line &l, const std::string &s) {
    char *end = nullptr;
    double v = strtod(s.c_str(), &end);
    if (s.empty() || *end)
        fail(l, "not a number: " + s);
    return v;
}

int integer(const Line &l, const std::string &s, int lo, int hi) {
    double v = number(l, s);
    if (v != std::floor(v) || v < lo || v > hi)
        fail(l,
             s + " is not a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
    return int(v);
}

// "c4", "f#3", "b-2": a note name with its octave; 0 = C-0.
int noteName(const Line &l, const std::string &s) {
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7}; // a ... g
    if (s.size() < 2 || s[0] < 'a' || s[0] > 'g')
        fail(l, "not a note: " + s);
    int n = base[s[0] - 'a'];
    size_t i = 1;
    if (s[i] == '#' || s[i] == '+')
        n++, i++;
    else if (s[i] == '-')
        n--, i++;
    if (i + 1 != s.size() || !isdigit(uint8_t(s[i])))
        fail(l, "not a note: " + s);
    n += 12 * (s[i] - '0');
    if (n < 0 || n >= XM_NOTES)
        fail(l, "note out of range: " + s);
    return n;
}

// A part, compiled: one column of cells per voice.
struct Track {
    int rows = 0;
    std::vector<std::vector<Cell>> voices;
};

struct Hit {
    int inst; // 1-based
    int note; // XM note
    int vol;  // -1 = the sample's own
};

struct Song {
    std::string title = "untitled";
    int tempo = 125, speed = 6, beat = 4, bar = 16, rows = 64, channels = 8, restart = 0;
    double gain = 1;
    bool loop = false;
    std::vector<Preset> presets;
    std::map<std::string, int> presetIndex;
    std::map<char, Hit> hits;
    std::map<std::string, std::string> macros;
    std::map<std::string, Track> parts;
    std::vector<Pattern> patterns;
    std::map<std::string, int> patternIndex;
    std::vector<int> order;
    std::vector<std::string> warnings;
};

// ---- instruments ----

Wave waveName(const Line &l, const std::string &s) {
    static const std::map<std::string, Wave> waves = {
        {"sine", WAVE_SINE},     {"triangle", WAVE_TRIANGLE}, {"saw", WAVE_SAW},
        {"square", WAVE_SQUARE}, {"pulse", WAVE_PULSE},       {"partials", WAVE_PARTIALS},
        {"fm", WAVE_FM}};
    auto it = waves.find(s);
    if (it == waves.end())
        fail(l, "unknown wave " + s);
    return it->second;
}

// osc WAVE key value ... [partials a b c ...]
Osc parseOsc(const Line &l, const std::vector<std::string> &w) {
    if (w.size() < 2)
        fail(l, "osc needs a wave");
    Osc o;
    o.wave = waveName(l, w[1]);
    for (size_t i = 2; i < w.size(); i += 2) {
        const std::string &k = w[i];
        if (k == "partials") {
            for (size_t j = i + 1; j < w.size(); j++)
                o.partials.push_back(number(l, w[j]));
            break;
        }
        if (i + 1 >= w.size())
            fail(l, k + " needs a value");
        const std::string &v = w[i + 1];
        if (k == "level")
            o.level = number(l, v);
        else if (k == "ratio")
            o.ratio = integer(l, v, 1, 32);
        else if (k == "detune")
            o.detune = number(l, v);
        else if (k == "width")
            o.width = number(l, v);
        else if (k == "mod")
            o.mod = integer(l, v, 1, 32);
        else if (k == "index")
            o.index = o.indexEnd = number(l, v);
        else if (k == "to")
            o.indexEnd = number(l, v);
        else if (k == "time")
            o.indexTime = number(l, v);
        else
            fail(l, "unknown osc setting " + k);
    }
    if (o.wave == WAVE_PARTIALS && o.partials.empty())
        fail(l, "partials needs a list of levels");
    return o;
}

// tone|noise|metal key value ...
Layer parseLayer(const Line &l, const std::vector<std::string> &w) {
    Layer y;
    y.kind = w[0] == "tone" ? LAYER_TONE : w[0] == "noise" ? LAYER_NOISE : LAYER_METAL;
    for (size_t i = 1; i < w.size(); i += 2) {
        const std::string &k = w[i];
        if (i + 1 >= w.size())
            fail(l, k + " needs a value");
        double v = number(l, w[i + 1]);
        if (k == "level")
            y.level = v;
        else if (k == "attack")
            y.attack = v;
        else if (k == "decay")
            y.decay = v;
        else if (k == "freq")
            y.freq = y.freqEnd = v;
        else if (k == "to")
            y.freqEnd = v;
        else if (k == "glide")
            y.glide = v;
        else if (k == "lowpass")
            y.lowpass = v;
        else if (k == "highpass")
            y.highpass = v;
        else
            fail(l, "unknown " + w[0] + " setting " + k);
    }
    if (y.decay <= 0)
        fail(l, "decay must be above 0");
    return y;
}

// One line of an instrument's block: its words, for the preset it sets.
struct InstrumentLine {
    const Line &l;
    const std::vector<std::string> &w;
    Preset &p;

    double arg(size_t i) const {
        if (i >= w.size())
            fail(l, w[0] + " needs more values");
        return number(l, w[i]);
    }
    // The i-th word as a whole number from lo to hi (missing: an error).
    int whole(size_t i, int lo, int hi) const {
        return integer(l, i < w.size() ? w[i] : "", lo, hi);
    }
};

void settingOsc(const InstrumentLine &s) {
    s.p.oscs.push_back(parseOsc(s.l, s.w));
}

// tone, noise and metal: a layer of a drum
void settingLayer(const InstrumentLine &s) {
    s.p.drum = true;
    s.p.layers.push_back(parseLayer(s.l, s.w));
}

// filter CUTOFF [q Q] [poles 2|4] [from CUTOFF] [time SECONDS]
void settingFilter(const InstrumentLine &s) {
    Preset &p = s.p;
    p.cutoff = s.arg(1);
    for (size_t i = 2; i < s.w.size(); i += 2) {
        if (s.w[i] == "q")
            p.q = s.arg(i + 1);
        else if (s.w[i] == "poles")
            p.poles = s.whole(i + 1, 2, 4);
        else if (s.w[i] == "from")
            p.cutoffStart = s.arg(i + 1);
        else if (s.w[i] == "time")
            p.cutoffTime = s.arg(i + 1);
        else
            fail(s.l, "unknown filter setting " + s.w[i]);
    }
    if (p.poles == 3)
        fail(s.l, "poles is 2 or 4");
}

// chiff LEVEL [DECAY] [TONE]
void settingChiff(const InstrumentLine &s) {
    s.p.chiff = s.arg(1);
    if (s.w.size() > 2)
        s.p.chiffDecay = s.arg(2);
    if (s.w.size() > 3)
        s.p.chiffTone = s.arg(3);
}

// range LOW HIGH
void settingRange(const InstrumentLine &s) {
    if (s.w.size() != 3)
        fail(s.l, "range needs a low and a high note");
    s.p.low = noteName(s.l, s.w[1]);
    s.p.high = noteName(s.l, s.w[2]);
    if (s.p.high < s.p.low)
        fail(s.l, "range goes downwards");
}

void settingPan(const InstrumentLine &s) {
    s.p.pan = std::clamp(s.arg(1), -1.0, 1.0);
}

// vibrato DEPTH RATE [SWEEP]
void settingVibrato(const InstrumentLine &s) {
    s.p.vibDepth = s.whole(1, 0, 15);
    s.p.vibRate = s.whole(2, 0, 63);
    s.p.vibSweep = s.w.size() > 3 ? s.whole(3, 0, 255) : 0;
}

// The settings that are one number each.
const struct {
    const char *name;
    double Preset::*field;
} realSettings[] = {
    {"attack", &Preset::attack},   {"decay", &Preset::decay},      {"sustain", &Preset::sustain},
    {"release", &Preset::release}, {"loop", &Preset::loopSeconds}, {"length", &Preset::length},
    {"drive", &Preset::drive},     {"level", &Preset::level},
};

const struct {
    const char *name;
    int Preset::*field;
    int lo, hi;
} wholeSettings[] = {
    {"sub", &Preset::sub, 1, 8},
    {"volume", &Preset::volume, 0, 64},
};

const struct {
    const char *name;
    void (*read)(const InstrumentLine &s);
} otherSettings[] = {
    {"osc", settingOsc},     {"tone", settingLayer},    {"noise", settingLayer},
    {"metal", settingLayer}, {"filter", settingFilter}, {"chiff", settingChiff},
    {"range", settingRange}, {"pan", settingPan},       {"vibrato", settingVibrato},
};

void instrumentLine(const Line &l, Preset &p) {
    std::vector<std::string> w = words(l.text);
    const InstrumentLine s{l, w, p};
    for (const auto &setting : realSettings)
        if (w[0] == setting.name) {
            p.*setting.field = s.arg(1);
            return;
        }
    for (const auto &setting : wholeSettings)
        if (w[0] == setting.name) {
            p.*setting.field = s.whole(1, setting.lo, setting.hi);
            return;
        }
    for (const auto &setting : otherSettings)
        if (w[0] == setting.name) {
            setting.read(s);
            return;
        }
    fail(l, "unknown instrument setting " + w[0]);
}

void checkPreset(const Line &l, const Preset &p) {
    if (p.drum && !p.oscs.empty())
        fail(l, "an instrument is either tonal (osc) or a drum (tone, noise, metal)");
    if (!p.drum && p.oscs.empty())
        fail(l, "instrument " + p.name + " makes no sound");
    if (p.attack < 0 || p.decay <= 0 || p.sustain < 0 || p.sustain > 1 || p.release <= 0 ||
        p.loopSeconds <= 0 || p.cutoff <= 0 || p.q <= 0)
        fail(l, "instrument " + p.name + " has a setting out of range");
    if (p.level <= 0)
        fail(l, "instrument " + p.name + " has no level");
}

// ---- parts: notes ----

struct NoteState {
    int octave = 4, length = 4, volume = -1, inst = 0, arp = 0, porta = 16, gate = 0;
};

// A note, chord, rest or hold: rests have no notes.
struct Event {
    int row, rows;
    std::vector<int> notes; // 0-based
    bool hold = false, porta = false;
    NoteState st;
};

class NoteReader {
  public:
    NoteReader(const Song &song, std::vector<std::pair<char, int>> text, const Line &head)
        : song(song), text(std::move(text)), head(head) {}

    std::vector<Event> read(NoteState st, int &rows) {
        std::vector<Event> events;
        int row = 0;
        while (skip()) {
            char c = text[pos].first;
            Line here = lineAt();
            pos++;
            if (c == 'o') {
                st.octave = readInt(0, 7);
            } else if (c == '<') {
                st.octave--;
            } else if (c == '>') {
                st.octave++;
            } else if (c == 'l') {
                st.length = readLength(here);
            } else if (c == 'v') {
                st.volume = readInt(0, 64);
            } else if (c == 'p') {
                st.porta = readInt(1, 255);
            } else if (c == 'q') {
                st.gate = readInt(0, 255);
            } else if (c == 'x') {
                st.arp = readHex();
            } else if (c == '@') {
                st.inst = readInstrument(here);
            } else if (c == '|') {
                if (row % song.bar)
                    fail(here, "bar line at row " + std::to_string(row) + ", not on a bar of " +
                                   std::to_string(song.bar) + " rows");
            } else if (c == 'r' || c == '_' || c == '[' || c == '/' || (c >= 'a' && c <= 'g')) {
                Event e;
                e.row = row;
                e.hold = c == '_';
                e.porta = c == '/';
                if (e.porta) {
                    if (!skip() || text[pos].first < 'a' || text[pos].first > 'g')
                        fail(here, "/ slides to a note");
                    c = text[pos++].first;
                }
                if (c == '[') {
                    int octave = st.octave;
                    while (skip() && text[pos].first != ']') {
                        char d = text[pos++].first;
                        if (d == '<')
                            octave--;
                        else if (d == '>')
                            octave++;
                        else if (d >= 'a' && d <= 'g')
                            e.notes.push_back(readNote(here, d, octave));
                        else
                            fail(here, std::string("unexpected ") + d + " in a chord");
                    }
                    if (!skip())
                        fail(here, "chord without ]");
                    pos++;
                    if (e.notes.empty())
                        fail(here, "empty chord");
                } else if (c >= 'a' && c <= 'g') {
                    e.notes.push_back(readNote(here, c, st.octave));
                }
                e.rows = readDuration(here, st.length);
                e.st = st;
                events.push_back(e);
                row += e.rows;
            } else {
                fail(here, std::string("unexpected ") + c);
            }
        }
        rows = row;
        return events;
    }

  private:
    const Song &song;
    std::vector<std::pair<char, int>> text;
    Line head;
    size_t pos = 0;

    Line lineAt() const {
        Line l = head;
        l.number = text[std::min(pos, text.size() - 1)].second;
        return l;
    }
    bool skip() {
        while (pos < text.size() && isspace(uint8_t(text[pos].first)))
            pos++;
        return pos < text.size();
    }
    bool digit() const { return pos < text.size() && isdigit(uint8_t(text[pos].first)); }
    int readInt(int lo, int hi) {
        Line here = lineAt();
        if (!digit())
            fail(here, "a number is missing");
        int v = 0;
        while (digit())
            v = v * 10 + (text[pos++].first - '0');
        if (v < lo || v > hi)
            fail(here, std::to_string(v) + " is out of range " + std::to_string(lo) + "-" +
                           std::to_string(hi));
        return v;
    }
    int readHex() {
        int v = 0, n = 0;
        while (pos < text.size() && n < 2 && isxdigit(uint8_t(text[pos].first))) {
            char c = char(tolower(text[pos++].first));
            v = v * 16 + (isdigit(uint8_t(c)) ? c - '0' : c - 'a' + 10);
            n++;
        }
        if (!n)
            fail(lineAt(), "x needs one or two hex digits");
        return v;
    }
    int readInstrument(const Line &here) {
        std::string name;
        while (pos < text.size() && (isalnum(uint8_t(text[pos].first)) || text[pos].first == '_'))
            name += text[pos++].first;
        auto it = song.presetIndex.find(name);
        if (it == song.presetIndex.end())
            fail(here, "unknown instrument " + name);
        return it->second + 1;
    }
    int readNote(const Line &here, char c, int octave) {
        static const int base[7] = {9, 11, 0, 2, 4, 5, 7};
        int n = base[c - 'a'] + 12 * octave;
        if (pos < text.size() && (text[pos].first == '#' || text[pos].first == '+'))
            n++, pos++;
        else if (pos < text.size() && text[pos].first == '-')
            n--, pos++;
        if (n < 0 || n >= XM_NOTES)
            fail(here, "note out of range");
        return n;
    }
    // Length as a note value (4 = quarter, 8. = dotted eighth), in rows.
    int readLength(const Line &here) {
        if (pos < text.size() && text[pos].first == ':') {
            pos++;
            return -readInt(1, 256); // a count of rows
        }
        int v = readInt(1, 64);
        int dots = 0;
        while (pos < text.size() && text[pos].first == '.')
            dots++, pos++;
        double rows = 4.0 * song.beat / v;
        double add = rows;
        for (int i = 0; i < dots; i++)
            add /= 2, rows += add;
        if (rows != std::floor(rows))
            fail(here, "length " + std::to_string(v) + " is not a whole number of rows");
        return int(rows);
    }
    int readDuration(const Line &here, int deflt) {
        int len = deflt;
        if (digit() || (pos < text.size() && text[pos].first == ':'))
            len = readLength(here);
        return len < 0 ? -len : len;
    }
};

// Expands $NAME and $NAME{ARG} (ARG put in for every % of the macro).
std::vector<std::pair<char, int>> expandMacros(const Song &song,
                                               const std::vector<std::pair<char, int>> &in,
                                               const Line &head, int depth) {
    std::vector<std::pair<char, int>> out;
    for (size_t i = 0; i < in.size(); i++) {
        if (in[i].first != '$') {
            out.push_back(in[i]);
            continue;
        }
        Line l = head;
        l.number = in[i].second;
        if (depth > 8)
            fail(l, "macros nest too deep");
        std::string name;
        while (i + 1 < in.size() && (isalnum(uint8_t(in[i + 1].first)) || in[i + 1].first == '_'))
            name += in[++i].first;
        auto it = song.macros.find(name);
        if (it == song.macros.end())
            fail(l, "unknown macro $" + name);
        std::string arg;
        if (i + 1 < in.size() && in[i + 1].first == '{') {
            for (i += 2; i < in.size() && in[i].first != '}'; i++)
                arg += in[i].first;
            if (i == in.size())
                fail(l, "$" + name + "{ without }");
        }
        std::vector<std::pair<char, int>> body;
        for (char c : it->second) {
            if (c == '%')
                for (char a : arg)
                    body.push_back({a, l.number});
            else
                body.push_back({c, l.number});
        }
        body.push_back({' ', l.number});
        for (const auto &c : expandMacros(song, body, head, depth + 1))
            out.push_back(c);
    }
    return out;
}

// Expands ( ... )N in place, keeping each character's line.
std::vector<std::pair<char, int>> expandRepeats(const std::vector<std::pair<char, int>> &in,
                                                const Line &head) {
    std::vector<std::pair<char, int>> out;
    for (size_t i = 0; i < in.size(); i++) {
        if (in[i].first == ')') {
            Line l = head;
            l.number = in[i].second;
            fail(l, "unmatched )");
        }
        if (in[i].first != '(') {
            out.push_back(in[i]);
            continue;
        }
        int depth = 1;
        size_t j = i + 1;
        for (; j < in.size() && depth; j++)
            depth += in[j].first == '(' ? 1 : in[j].first == ')' ? -1 : 0;
        if (depth) {
            Line l = head;
            l.number = in[i].second;
            fail(l, "unmatched (");
        }
        std::vector<std::pair<char, int>> inner(in.begin() + long(i) + 1, in.begin() + long(j) - 1);
        inner = expandRepeats(inner, head);
        int count = 0;
        while (j < in.size() && isdigit(uint8_t(in[j].first)))
            count = count * 10 + (in[j++].first - '0');
        if (count < 1)
            count = 2;
        for (int k = 0; k < count; k++)
            out.insert(out.end(), inner.begin(), inner.end());
        i = j - 1;
    }
    return out;
}

// Lays the events into voices: chords spread over voices, rests and new
// notes release what still sounds.
Track layNotes(const Song &song, const std::vector<Event> &events, int rows) {
    size_t voices = 1;
    for (const Event &e : events)
        voices = std::max(voices, e.notes.size());
    Track t;
    t.rows = rows;
    t.voices.assign(voices, std::vector<Cell>(rows));
    std::vector<bool> sounding(voices, false);
    for (const Event &e : events) {
        if (e.hold)
            continue;
        for (size_t v = 0; v < voices; v++) {
            Cell &c = t.voices[v][e.row];
            if (v >= e.notes.size()) {
                if (sounding[v])
                    c.note = NOTE_OFF;
                sounding[v] = false;
                continue;
            }
            c.note = uint8_t(e.notes[v] + 1);
            if (e.porta) {
                c.fx = 3;
                c.param = uint8_t(e.st.porta);
            } else {
                c.inst = uint8_t(e.st.inst);
            }
            if (e.st.volume >= 0)
                c.vol = uint8_t(0x10 + e.st.volume);
            sounding[v] = true;
            for (int r = e.row; r < e.row + e.rows; r++)
                if (e.st.arp && !t.voices[v][r].fx)
                    t.voices[v][r].param = uint8_t(e.st.arp);
            if (e.st.gate > 0) {
                int ticks = e.rows * song.speed - e.st.gate;
                if (ticks <= 0)
                    continue;
                int r = e.row + ticks / song.speed, tick = ticks % song.speed;
                Cell &off = t.voices[v][r];
                if (!tick)
                    off.note = NOTE_OFF;
                else if (!off.fx && !off.param) {
                    off.fx = 20; // Kxx: key off at tick xx
                    off.param = uint8_t(tick);
                } else if (r + 1 < e.row + e.rows) {
                    t.voices[v][r + 1].note = NOTE_OFF;
                }
                sounding[v] = false;
            }
        }
    }
    return t;
}

Track readNotesPart(const Song &song, const Line &head, int inst,
                    const std::vector<std::pair<char, int>> &raw) {
    std::vector<std::pair<char, int>> text = expandRepeats(expandMacros(song, raw, head, 0), head);
    NoteState st;
    st.inst = inst;
    int rows = 0;
    NoteReader reader(song, text, head);
    std::vector<Event> events = reader.read(st, rows);
    if (rows == 0)
        fail(head, "part has no notes");
    return layNotes(song, events, rows);
}

// ---- parts: steps ----

Track readStepsPart(const Song &song, const Line &head, int step, const std::vector<Line> &lines) {
    Track t;
    for (const Line &l : lines) {
        std::vector<std::pair<char, int>> raw;
        for (char c : l.text)
            raw.push_back({c, l.number});
        std::vector<std::pair<char, int>> text = expandRepeats(raw, l);
        std::vector<Cell> cells;
        for (auto [c, number] : text) {
            if (isspace(uint8_t(c)))
                continue;
            if (c == '|') {
                if (int(cells.size()) % song.bar)
                    fail(l, "bar line not on a bar");
                continue;
            }
            Cell cell;
            if (c == '^') {
                cell.note = NOTE_OFF;
            } else if (c != '.' && c != '-') {
                auto it = song.hits.find(c);
                if (it == song.hits.end())
                    fail(l, std::string("no hit is named ") + c);
                cell.note = uint8_t(it->second.note);
                cell.inst = uint8_t(it->second.inst);
                if (it->second.vol >= 0)
                    cell.vol = uint8_t(0x10 + it->second.vol);
            }
            cells.push_back(cell);
            for (int k = 1; k < step; k++)
                cells.push_back(Cell());
        }
        if (t.voices.empty())
            t.rows = int(cells.size());
        else if (int(cells.size()) != t.rows)
            fail(l, "this line has " + std::to_string(cells.size()) + " rows, the first " +
                        std::to_string(t.rows));
        t.voices.push_back(cells);
    }
    if (t.voices.empty() || t.rows == 0)
        fail(head, "part has no steps");
    return t;
}

// ---- patterns ----

// NAME with any of +N / -N (transpose), *N (repeat), @INSTRUMENT (played
// by another instrument), !P (volumes at P percent), >N (N rows late, its
// last N rows left out: an echo); or _N for N empty rows.
Track partRef(const Song &song, const Line &l, const std::string &ref) {
    if (ref[0] == '_') {
        Track t;
        t.rows = integer(l, ref.substr(1), 1, 256);
        t.voices.assign(1, std::vector<Cell>(t.rows));
        return t;
    }
    const char *marks = "+-*@!>";
    size_t cut = ref.find_first_of(marks);
    std::string name = ref.substr(0, cut);
    int shift = 0, times = 1, inst = 0, percent = 100, late = 0;
    while (cut != std::string::npos) {
        size_t next = ref.find_first_of(marks, cut + 1);
        std::string v = ref.substr(cut + 1, next == std::string::npos ? next : next - cut - 1);
        if (ref[cut] == '*') {
            times = integer(l, v, 1, 64);
        } else if (ref[cut] == '!') {
            percent = integer(l, v, 0, 400);
        } else if (ref[cut] == '>') {
            late = integer(l, v, 1, 255);
        } else if (ref[cut] == '@') {
            auto p = song.presetIndex.find(v);
            if (p == song.presetIndex.end())
                fail(l, "unknown instrument " + v);
            inst = p->second + 1;
        } else {
            shift = (ref[cut] == '-' ? -1 : 1) * integer(l, v, 0, 48);
        }
        cut = next;
    }
    auto it = song.parts.find(name);
    if (it == song.parts.end())
        fail(l, "unknown part " + name);
    Track t = it->second;
    for (auto &voice : t.voices)
        for (Cell &c : voice) {
            if (c.note && c.note != NOTE_OFF) {
                int n = c.note + shift;
                if (n < 1 || n > XM_NOTES)
                    fail(l, ref + " moves a note out of range");
                c.note = uint8_t(n);
            }
            if (inst && c.inst)
                c.inst = uint8_t(inst);
            if (percent != 100 && c.note && c.note != NOTE_OFF) {
                int v = c.vol ? c.vol - 0x10 : 64;
                c.vol = uint8_t(0x10 + std::min(64, v * percent / 100));
            }
        }
    if (late >= t.rows)
        fail(l, ref + " is later than the part is long");
    for (auto &voice : t.voices) {
        voice.insert(voice.begin(), size_t(late), Cell());
        voice.resize(size_t(t.rows));
    }
    Track whole = t;
    for (int k = 1; k < times; k++)
        for (size_t v = 0; v < t.voices.size(); v++)
            whole.voices[v].insert(whole.voices[v].end(), t.voices[v].begin(), t.voices[v].end());
    whole.rows = t.rows * times;
    return whole;
}

// Outside its range an instrument plays from its nearest sample: below it
// only duller, above it with harmonics past what the sample was made for.
void checkRange(Song &song, const Line &l, const std::string &ref, const Track &t) {
    for (const auto &voice : t.voices)
        for (const Cell &c : voice) {
            if (!c.inst || !c.note || c.note == NOTE_OFF)
                continue;
            const Preset &p = song.presets[c.inst - 1];
            const int n = c.note - 1;
            // An arpeggio climbs above its note.
            const int top = n + (c.fx ? 0 : std::max(c.param >> 4, c.param & 15));
            if (!p.drum && (n < p.low || top > p.high)) {
                static const char *names[12] = {"c",  "c#", "d",  "d#", "e",  "f",
                                                "f#", "g",  "g#", "a",  "a#", "b"};
                song.warnings.push_back(place(l) + ref + " plays " + names[n % 12] +
                                        std::to_string(n / 12) + ", outside the range of " +
                                        p.name);
                return;
            }
        }
}

void patternLine(Song &song, const Line &l, Pattern &p) {
    std::vector<std::string> w = words(l.text);
    if (w.size() < 2)
        fail(l, "a pattern line is CHANNELS PART...");
    size_t dash = w[0].find('-');
    int first = integer(l, w[0].substr(0, dash), 1, song.channels);
    int last =
        dash == std::string::npos ? first : integer(l, w[0].substr(dash + 1), first, song.channels);
    int row = 0;
    for (size_t i = 1; i < w.size(); i++) {
        Track t = partRef(song, l, w[i]);
        checkRange(song, l, w[i], t);
        if (int(t.voices.size()) > last - first + 1)
            fail(l, w[i] + " needs " + std::to_string(t.voices.size()) + " channels");
        if (row + t.rows > p.rows)
            fail(l, "parts run past the pattern's " + std::to_string(p.rows) + " rows");
        for (size_t v = 0; v < t.voices.size(); v++)
            for (int r = 0; r < t.rows; r++) {
                Cell &dst = p.cells[size_t(row + r) * song.channels + first - 1 + v];
                const Cell &src = t.voices[v][r];
                if (src.note || src.inst || src.vol || src.fx || src.param) {
                    if (dst.note || dst.inst || dst.vol || dst.fx || dst.param)
                        fail(l, "channel " + std::to_string(first + v) +
                                    " is already used at row " + std::to_string(row + r));
                    dst = src;
                }
            }
        row += t.rows;
    }
    if (row != p.rows)
        fail(l, "parts fill " + std::to_string(row) + " of the pattern's " +
                    std::to_string(p.rows) + " rows");
}

// ---- the song ----

// One statement of the song: its line, its words, and the lines after it,
// which a statement with a block below it reads up to its "end".
struct Statement {
    Song &song;
    const Line &l;
    std::vector<std::string> w;
    std::vector<Line>::const_iterator &it;
    std::vector<Line>::const_iterator end;

    std::string value() const {
        if (w.size() != 2)
            fail(l, w[0] + " takes one value");
        return w[1];
    }
    std::vector<Line> block() {
        std::vector<Line> body;
        for (++it; it != end && it->text != "end"; ++it)
            body.push_back(*it);
        if (it == end)
            fail(l, w[0] + " without end");
        return body;
    }
};

// The settings that are one whole number each.
struct IntSetting {
    const char *name;
    int Song::*field;
    int lo, hi;
};

const IntSetting intSettings[] = {
    {"tempo", &Song::tempo, 32, 255},    {"speed", &Song::speed, 1, 31},
    {"beat", &Song::beat, 1, 64},        {"bar", &Song::bar, 1, 256},
    {"rows", &Song::rows, 1, 256},       {"channels", &Song::channels, 1, 32},
    {"restart", &Song::restart, 0, 255},
};

void statementTitle(Statement &s) {
    if (s.w.size() < 2)
        fail(s.l, "title TEXT");
    s.song.title = s.l.text.substr(6);
}

void statementGain(Statement &s) {
    s.song.gain = number(s.l, s.value());
}

void statementLoop(Statement &s) {
    s.song.loop = true;
}

void statementDefine(Statement &s) {
    if (s.w.size() < 3)
        fail(s.l, "define NAME TEXT");
    size_t at = s.l.text.find(s.w[1], 6) + s.w[1].size();
    s.song.macros[s.w[1]] = s.l.text.substr(at);
}

void statementInstrument(Statement &s) {
    if (s.w.size() != 2)
        fail(s.l, "instrument NAME");
    if (s.song.presetIndex.count(s.w[1]))
        fail(s.l, "instrument " + s.w[1] + " is defined twice");
    Preset p;
    p.name = s.w[1];
    for (const Line &b : s.block())
        instrumentLine(b, p);
    checkPreset(s.l, p);
    s.song.presetIndex[p.name] = int(s.song.presets.size());
    s.song.presets.push_back(p);
}

// hit CHAR INSTRUMENT [NOTE] [VOLUME]
void statementHit(Statement &s) {
    const std::vector<std::string> &w = s.w;
    if (w.size() < 3 || w[1].size() != 1 || strchr(".-^| ", w[1][0]))
        fail(s.l, "hit CHAR INSTRUMENT [NOTE] [VOLUME]");
    auto p = s.song.presetIndex.find(w[2]);
    if (p == s.song.presetIndex.end())
        fail(s.l, "unknown instrument " + w[2]);
    Hit h{p->second + 1, 49, -1};
    if (w.size() > 3)
        h.note = noteName(s.l, w[3]) + 1;
    if (w.size() > 4)
        h.vol = integer(s.l, w[4], 0, 64);
    s.song.hits[w[1][0]] = h;
}

// A part's text follows a colon on its line, or fills the block below it.
Track stepsPart(Statement &s, bool onLine, const std::string &rest) {
    int step = s.w.size() > 3 ? integer(s.l, s.w[3], 1, 64) : 1;
    std::vector<Line> body;
    if (onLine)
        body.push_back({s.l.file, s.l.number, rest});
    else
        body = s.block();
    return readStepsPart(s.song, s.l, step, body);
}

Track notesPart(Statement &s, bool onLine, const std::string &rest) {
    auto p = s.song.presetIndex.find(s.w[2]);
    if (p == s.song.presetIndex.end())
        fail(s.l, "unknown instrument " + s.w[2]);
    std::vector<std::pair<char, int>> text;
    auto add = [&](const std::string &str, int n) {
        for (char c : str)
            text.push_back({c, n});
        text.push_back({' ', n});
    };
    if (onLine)
        add(rest, s.l.number);
    else
        for (const Line &b : s.block())
            add(b.text, b.number);
    return readNotesPart(s.song, s.l, p->second + 1, text);
}

void statementPart(Statement &s) {
    if (s.w.size() < 3)
        fail(s.l, "part NAME INSTRUMENT | part NAME steps [ROWS]");
    if (s.song.parts.count(s.w[1]))
        fail(s.l, "part " + s.w[1] + " is defined twice");
    std::string rest;
    size_t colon = s.l.text.find(':');
    if (colon != std::string::npos) {
        rest = s.l.text.substr(colon + 1);
        s.w = words(s.l.text.substr(0, colon));
        if (s.w.size() < 3)
            fail(s.l, "part NAME INSTRUMENT: NOTES | part NAME steps [ROWS]: STEPS");
    }
    bool onLine = colon != std::string::npos;
    const std::string name = s.w[1];
    s.song.parts[name] =
        s.w[2] == "steps" ? stepsPart(s, onLine, rest) : notesPart(s, onLine, rest);
}

void statementPattern(Statement &s) {
    if (s.w.size() < 2 || s.w.size() > 3)
        fail(s.l, "pattern NAME [ROWS]");
    if (s.song.patternIndex.count(s.w[1]))
        fail(s.l, "pattern " + s.w[1] + " is defined twice");
    Pattern p;
    p.rows = s.w.size() == 3 ? integer(s.l, s.w[2], 1, 256) : s.song.rows;
    p.cells.assign(size_t(p.rows) * s.song.channels, Cell());
    for (const Line &b : s.block())
        patternLine(s.song, b, p);
    s.song.patternIndex[s.w[1]] = int(s.song.patterns.size());
    s.song.patterns.push_back(p);
}

void statementOrder(Statement &s) {
    for (size_t i = 1; i < s.w.size(); i++) {
        auto p = s.song.patternIndex.find(s.w[i]);
        if (p == s.song.patternIndex.end())
            fail(s.l, "unknown pattern " + s.w[i]);
        s.song.order.push_back(p->second);
    }
}

struct StatementKind {
    const char *name;
    void (*read)(Statement &s);
};

const StatementKind statements[] = {
    {"title", statementTitle},
    {"gain", statementGain},
    {"loop", statementLoop},
    {"define", statementDefine},
    {"instrument", statementInstrument},
    {"hit", statementHit},
    {"part", statementPart},
    {"pattern", statementPattern},
    {"order", statementOrder},
};

void songLine(Song &song, const Line &l, std::vector<Line>::const_iterator &it,
              std::vector<Line>::const_iterator end) {
    Statement s{song, l, words(l.text), it, end};
    const std::string k = s.w[0];
    for (const IntSetting &setting : intSettings)
        if (k == setting.name) {
            song.*setting.field = integer(l, s.value(), setting.lo, setting.hi);
            return;
        }
    for (const StatementKind &kind : statements)
        if (k == kind.name) {
            kind.read(s);
            return;
        }
    fail(l, "unknown statement " + k);
}

bool hasNote(const Cell &c) {
    return c.note && c.note != NOTE_OFF;
}

// The player halts a piece when libmodplug has rendered its end and a 100 ms
// fade, padded to a whole buffer, and read nothing more; it seeks back to the
// start in the buffer after. So a loop lasts whole buffers: we end the song
// early by that much, so the next start falls on the beat.
void trimForLoop(Song &song, const Line &at, std::vector<std::string> &warnings) {
    const int spt = tickFrames(song.tempo);
    const int64_t rowFrames = int64_t(song.speed) * spt;
    int64_t rows = 0;
    for (int p : song.order)
        rows += song.patterns[p].rows;
    const int64_t nominal = rows * rowFrames;
    const int64_t heard =
        std::max<int64_t>(3, (nominal + OUT_BUFFER / 2) / OUT_BUFFER) * OUT_BUFFER;
    if (heard != nominal) {
        char msg[160];
        snprintf(msg, sizeof msg,
                 "the loop is %.1f ms off the beat: %lld frames are not whole "
                 "buffers of %d",
                 1000.0 * double(heard - nominal) / OUT_RATE, (long long)nominal, OUT_BUFFER);
        warnings.push_back(place(at) + msg);
    }
    // The song must end, fade included, inside the second-to-last buffer
    // of the loop, clear of its edges.
    const int64_t latest = heard - OUT_BUFFER - END_FADE - 64;
    const int64_t earliest = heard - 2 * OUT_BUFFER - END_FADE + 64;
    // Copy the last pattern so that trimming it leaves earlier uses alone.
    Pattern last = song.patterns[song.order.back()];
    int64_t start = nominal - last.rows * rowFrames;
    int keep = last.rows, ticks = song.speed;
    bool found = false;
    for (int r = last.rows - 1; r >= 0 && !found; r--) {
        int64_t rowStart = start + r * rowFrames;
        if (rowStart + spt > latest)
            continue;
        ticks = int(std::min<int64_t>(song.speed, (latest - rowStart) / spt));
        if (rowStart + ticks * spt < earliest)
            fail(at, "cannot fit the loop's end into the last pattern");
        keep = r + 1;
        found = true;
    }
    if (!found)
        fail(at, "the last pattern is too short to end the loop in");
    if (keep == last.rows && ticks == song.speed)
        fail(at, "the last pattern is too short to end the loop in");
    for (int r = keep; r < last.rows; r++)
        for (int c = 0; c < song.channels; c++)
            if (hasNote(last.cells[size_t(r) * song.channels + c])) {
                warnings.push_back(place(at) + "a note at row " + std::to_string(r) +
                                   " of the last pattern falls in the loop's break and is cut");
                r = last.rows;
                break;
            }
    last.cells.resize(size_t(keep) * song.channels);
    last.rows = keep;
    if (ticks != song.speed) {
        bool placed = false;
        for (int c = song.channels - 1; c >= 0 && !placed; c--) {
            Cell &cell = last.cells[size_t(keep - 1) * song.channels + c];
            if (!cell.fx && !cell.param) {
                cell.fx = 15; // Fxx: this last row is shorter
                cell.param = uint8_t(ticks);
                placed = true;
            }
        }
        if (!placed)
            fail(at, "no free effect column on the last row");
    }
    song.order.back() = int(song.patterns.size());
    song.patterns.push_back(last);
}

// Only the instruments the patterns play are rendered and stored, so a
// shared kit costs nothing for the drums a song leaves out.
Module toModule(const Song &song, std::vector<Preset> &used) {
    Module m;
    m.title = song.title;
    m.channels = song.channels;
    m.speed = song.speed;
    m.tempo = song.tempo;
    m.restart = song.restart;
    m.order = song.order;
    m.patterns = song.patterns;
    std::vector<int> number(song.presets.size() + 1, 0);
    for (const Pattern &p : m.patterns)
        for (const Cell &c : p.cells)
            if (c.inst)
                number[c.inst] = 1;
    for (size_t i = 1; i < number.size(); i++)
        if (number[i]) {
            used.push_back(song.presets[i - 1]);
            number[i] = int(used.size());
        }
    for (Pattern &p : m.patterns)
        for (Cell &c : p.cells)
            c.inst = uint8_t(number[c.inst]);
    const double tick = double(tickFrames(song.tempo)) / OUT_RATE;
    for (const Preset &p : used)
        m.instruments.push_back(renderInstrument(p, song.gain, tick));
    return m;
}

} // namespace

int tickFrames(int tempo) {
    return OUT_RATE * 5 / (tempo * 2);
}

bool buildSong(const std::string &path, SongBuild &out, std::string &error) {
    try {
        std::vector<Line> lines;
        readLines(path, lines, 0, nullptr);
        Song song;
        for (auto it = lines.cbegin(); it != lines.cend(); ++it)
            songLine(song, *it, it, lines.cend());
        Line at{path, lines.empty() ? 0 : lines.back().number, ""};
        // Samples are drawn at 0.95 of full scale; louder would clip them.
        for (const Preset &p : song.presets)
            if (p.level * song.gain > 1.05)
                fail(at, "instrument " + p.name + " would clip: its level times the gain is " +
                             "above 1.05");
        if (song.order.empty())
            fail(at, "the song has no order");
        if (song.restart >= int(song.order.size()))
            fail(at, "restart is past the order's end");
        if (song.title.size() > 20)
            fail(at, "the title has more than 20 characters");
        out.warnings = song.warnings;
        if (song.loop)
            trimForLoop(song, at, out.warnings);
        out.module = toModule(song, out.presets);
        out.loop = song.loop;
        return true;
    } catch (const SourceError &e) {
        error = e.what();
        return false;
    }
}
