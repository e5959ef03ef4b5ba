#include "preset.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

// A failed parse carries its message up to the line loop.
struct Bad {
    std::string why;
};

bool number(const std::string &s, double &out) {
    if (s.empty())
        return false;
    char *end = nullptr;
    out = strtod(s.c_str(), &end);
    return *end == 0 && std::isfinite(out);
}

double need(const std::string &s, const char *what) {
    double v;
    if (!number(s, v))
        throw Bad{std::string("expected ") + what + ", got '" + s + "'"};
    return v;
}

// Note names: C4 is middle C, A4 440 Hz; sharps as C#5, flats as Eb5.
bool note(const std::string &s, double &hz) {
    static const int steps[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (s.size() < 2 || s[0] < 'A' || s[0] > 'G')
        return false;
    int semi = steps[s[0] - 'A'];
    size_t i = 1;
    if (s[i] == '#' || s[i] == 'b')
        semi += s[i++] == '#' ? 1 : -1;
    if (i + 1 != s.size() || !isdigit(static_cast<unsigned char>(s[i])))
        return false;
    int octave = s[i] - '0';
    hz = 440.0 * std::pow(2.0, (semi - 9 + 12 * (octave - 4)) / 12.0);
    return true;
}

double value(const std::string &s, bool pitch) {
    double v;
    if (pitch && note(s, v))
        return v;
    return need(s, pitch ? "a frequency or a note" : "a number");
}

// "V" alone, or breakpoints "T:V ..."; then "curve K" and, for filters,
// "q Q" in any order.
Envelope envelope(const std::vector<std::string> &tok, size_t from, bool pitch, double *q) {
    Envelope e;
    for (size_t i = from; i < tok.size(); i++) {
        const std::string &s = tok[i];
        if (s == "curve" || (q && s == "q")) {
            if (i + 1 >= tok.size())
                throw Bad{"'" + s + "' needs a value"};
            double v = need(tok[++i], "a number");
            if (v <= 0)
                throw Bad{"'" + s + "' must be above 0"};
            (s == "curve" ? e.curve : *q) = v;
            continue;
        }
        size_t colon = s.find(':');
        double t = 0, v;
        if (colon == std::string::npos) {
            if (!e.t.empty())
                throw Bad{"breakpoints are TIME:VALUE, got '" + s + "'"};
            v = value(s, pitch);
        } else {
            t = need(s.substr(0, colon), "a time");
            v = value(s.substr(colon + 1), pitch);
            if (t < 0 || (!e.t.empty() && t <= e.t.back()))
                throw Bad{"breakpoint times must start at 0 or later and rise"};
        }
        e.t.push_back(t);
        e.v.push_back(v);
    }
    if (e.t.empty())
        throw Bad{"'" + tok[0] + "' needs a value or breakpoints"};
    return e;
}

void checkRange(const Envelope &e, double lo, double hi, const char *what) {
    for (double v : e.v)
        if (v < lo || v > hi) {
            std::ostringstream m;
            m << what << " must lie within " << lo << " ... " << hi;
            throw Bad{m.str()};
        }
}

void args(const std::vector<std::string> &tok, size_t lo, size_t hi) {
    if (tok.size() - 1 < lo || tok.size() - 1 > hi)
        throw Bad{"wrong number of values for '" + tok[0] + "'"};
}

Filter filter(const std::vector<std::string> &tok) {
    Filter f;
    f.type = tok[0] == "lowpass"    ? FilterType::Lowpass
             : tok[0] == "highpass" ? FilterType::Highpass
                                    : FilterType::Bandpass;
    f.cutoff = envelope(tok, 1, true, &f.q);
    checkRange(f.cutoff, 10, 11000, "a cutoff");
    return f;
}

bool isFilter(const std::string &k) {
    return k == "lowpass" || k == "highpass" || k == "bandpass";
}

void wave(Layer &l, const std::vector<std::string> &tok) {
    static const struct {
        const char *name;
        Wav wave;
    } waves[] = {{"sine", Wav::Sine},   {"triangle", Wav::Triangle}, {"square", Wav::Square},
                 {"pulse", Wav::Pulse}, {"saw", Wav::Saw},           {"noise", Wav::Noise}};
    args(tok, 1, 2);
    for (const auto &w : waves)
        if (tok[1] == w.name) {
            l.wave = w.wave;
            if (tok.size() == 3) {
                if (w.wave != Wav::Pulse)
                    throw Bad{"only a pulse takes a duty cycle"};
                l.duty = need(tok[2], "a duty cycle");
                if (l.duty <= 0.01 || l.duty >= 0.99)
                    throw Bad{"a duty cycle lies within 0.01 ... 0.99"};
            }
            return;
        }
    throw Bad{"unknown wave '" + tok[1] + "'"};
}

void layerLine(Layer &l, const std::vector<std::string> &tok) {
    const std::string &k = tok[0];
    if (k == "at") {
        args(tok, 1, 1);
        l.at = need(tok[1], "a time");
        if (l.at < 0)
            throw Bad{"a layer cannot start before 0"};
    } else if (k == "repeat") {
        if (tok.size() != 4 || tok[2] != "every")
            throw Bad{"write 'repeat N every SECONDS'"};
        double n = need(tok[1], "a count");
        l.every = need(tok[3], "a time");
        if (n < 1 || n > 64 || n != std::floor(n) || l.every < 0)
            throw Bad{"repeat 1 ... 64 times, every 0 or more seconds"};
        l.repeat = int(n);
    } else if (k == "vary") {
        args(tok, 1, 2);
        l.varySemis = need(tok[1], "semitones");
        l.varyDb = tok.size() == 3 ? need(tok[2], "decibels") : 0;
    } else if (k == "wave") {
        wave(l, tok);
    } else if (k == "pitch") {
        l.pitch = envelope(tok, 1, true, nullptr);
        checkRange(l.pitch, 1, 11000, "a pitch");
    } else if (k == "amp") {
        l.amp = envelope(tok, 1, false, nullptr);
        checkRange(l.amp, 0, 1, "an amplitude");
    } else if (k == "gain") {
        args(tok, 1, 1);
        l.gainDb = need(tok[1], "decibels");
    } else if (k == "fm") {
        if (tok.size() < 3)
            throw Bad{"write 'fm RATIO INDEX...'"};
        l.fmRatio = need(tok[1], "a ratio");
        if (l.fmRatio <= 0)
            throw Bad{"an fm ratio must be above 0"};
        std::vector<std::string> rest(tok.begin() + 1, tok.end());
        rest[0] = "fm";
        l.fmIndex = envelope(rest, 1, false, nullptr);
        checkRange(l.fmIndex, 0, 50, "an fm index");
    } else if (k == "vibrato" || k == "tremolo" || k == "jitter") {
        args(tok, 2, 2);
        double rate = need(tok[1], "a rate"), depth = need(tok[2], "a depth");
        if (rate <= 0 || depth < 0)
            throw Bad{"'" + k + "' needs a rate above 0 and a depth of 0 or more"};
        if (k == "tremolo" && depth > 1)
            throw Bad{"a tremolo depth lies within 0 ... 1"};
        (k == "vibrato" ? l.vibratoRate : k == "tremolo" ? l.tremoloRate : l.jitterRate) = rate;
        (k == "vibrato" ? l.vibratoSemis : k == "tremolo" ? l.tremoloDepth : l.jitterSemis) = depth;
    } else if (isFilter(k)) {
        l.filters.push_back(filter(tok));
    } else if (k == "formant") {
        args(tok, 2, 3);
        Formant f{need(tok[1], "a frequency"), need(tok[2], "a width"),
                  tok.size() == 4 ? need(tok[3], "decibels") : 0};
        if (f.freq < 20 || f.freq > 10000 || f.width <= 0)
            throw Bad{"a formant lies within 20 ... 10000 Hz and has a width above 0"};
        l.formants.push_back(f);
    } else {
        throw Bad{"unknown word '" + k + "'"};
    }
}

void topLine(Preset &p, const std::vector<std::string> &tok) {
    const std::string &k = tok[0];
    if (k == "length") {
        args(tok, 1, 1);
        p.length = need(tok[1], "seconds");
        if (p.length <= 0 || p.length > 10)
            throw Bad{"a length lies within 0 ... 10 seconds"};
    } else if (k == "seed") {
        args(tok, 1, 1);
        double s = need(tok[1], "a whole number");
        if (s < 0 || s > 4294967295.0 || s != std::floor(s))
            throw Bad{"a seed is a whole number from 0 to 4294967295"};
        p.seed = unsigned(s);
    } else if (k == "peak") {
        args(tok, 1, 1);
        p.peakDb = need(tok[1], "decibels");
        if (p.peakDb < -40 || p.peakDb > 0)
            throw Bad{"a peak lies within -40 ... 0 dB"};
    } else if (k == "drive") {
        args(tok, 1, 1);
        p.driveDb = need(tok[1], "decibels");
        if (p.driveDb < 0 || p.driveDb > 30)
            throw Bad{"a drive lies within 0 ... 30 dB"};
    } else if (k == "fade") {
        args(tok, 2, 2);
        p.fadeInMs = need(tok[1], "milliseconds");
        p.fadeOutMs = need(tok[2], "milliseconds");
        if (p.fadeInMs < 0 || p.fadeOutMs < 0)
            throw Bad{"fades cannot be negative"};
    } else if (isFilter(k)) {
        p.master.push_back(filter(tok));
    } else {
        throw Bad{"unknown word '" + k + "' before the first layer"};
    }
}

} // namespace

bool parsePreset(const std::string &text, Preset &p, std::string &why) {
    p = Preset();
    std::istringstream in(text);
    std::string line;
    int n = 0;
    try {
        while (std::getline(in, line)) {
            n++;
            line = line.substr(0, line.find('#'));
            std::istringstream words(line);
            std::vector<std::string> tok;
            for (std::string w; words >> w;)
                tok.push_back(w);
            if (tok.empty())
                continue;
            if (tok[0] == "layer") {
                args(tok, 0, 0);
                p.layers.emplace_back();
                p.layers.back().line = n;
            } else if (p.layers.empty()) {
                topLine(p, tok);
            } else {
                layerLine(p.layers.back(), tok);
            }
        }
        if (p.length <= 0)
            throw Bad{"no 'length'"};
        if (p.layers.empty())
            throw Bad{"no 'layer'"};
    } catch (const Bad &b) {
        why = std::to_string(n) + ": " + b.why;
        return false;
    }
    return true;
}
