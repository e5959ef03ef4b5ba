#include "synth.h"

#include <algorithm>
#include <cmath>

namespace {

const double PI = 3.14159265358979323846;

// xorshift64*: the same seed gives the same noise on every machine.
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
        if (!s)
            s = 1;
    }
    double next() { // -1 ... 1
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return double((s * 0x2545F4914F6CDD1Dull) >> 11) / double(1ull << 52) - 1.0;
    }
};

double bend(double x, double curve) {
    return curve == 1 ? x : 1 - std::pow(1 - x, curve);
}

// Pitches glide evenly on a log scale, everything else in straight lines.
double at(const Envelope &e, double t, double dflt, bool logScale) {
    if (e.t.empty())
        return dflt;
    if (t <= e.t.front())
        return e.v.front();
    if (t >= e.t.back())
        return e.v.back();
    size_t i = std::upper_bound(e.t.begin(), e.t.end(), t) - e.t.begin();
    double x = bend((t - e.t[i - 1]) / (e.t[i] - e.t[i - 1]), e.curve);
    double a = e.v[i - 1], b = e.v[i];
    return logScale ? a * std::pow(b / a, x) : a + (b - a) * x;
}

// Topology-preserving state variable filter: stable while the cutoff moves.
struct Svf {
    double ic1 = 0, ic2 = 0;
    // Returns low, band (unity gain at the centre) and high outputs.
    void run(double x, double hz, double q, double &lp, double &bp, double &hp) {
        hz = std::min(hz, SFX_RATE * 0.45);
        double g = std::tan(PI * hz / SFX_RATE), k = 1 / q;
        double a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
        double v3 = x - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        lp = v2;
        bp = v1 * k;
        hp = x - k * v1 - v2;
    }
    double filter(const Filter &f, double x, double t) {
        double lp, bp, hp;
        run(x, at(f.cutoff, t, 1000, true), f.q, lp, bp, hp);
        return f.type == FilterType::Lowpass ? lp : f.type == FilterType::Bandpass ? bp : hp;
    }
};

// Softens the steps of square, pulse and saw waves so they do not alias.
double blep(double ph, double dt) {
    if (ph < dt) {
        double x = ph / dt;
        return x + x - x * x - 1;
    }
    if (ph > 1 - dt) {
        double x = (ph - 1) / dt;
        return x * x + x + x + 1;
    }
    return 0;
}

double wrap(double x) {
    return x - std::floor(x);
}

double oscillator(const Layer &l, double ph, double dt, Rng &noise) {
    switch (l.wave) {
    case Wav::Sine:
        return std::sin(2 * PI * ph);
    case Wav::Triangle:
        return 1 - 4 * std::fabs(ph - 0.5);
    case Wav::Saw:
        return 2 * ph - 1 - blep(ph, dt);
    case Wav::Square:
    case Wav::Pulse: {
        // Less the pulse's mean, 2d - 1: an envelope would turn it into a thump.
        double d = l.wave == Wav::Square ? 0.5 : l.duty;
        return (ph < d ? 1 : -1) + blep(ph, dt) - blep(wrap(ph - d + 1), dt) - (2 * d - 1);
    }
    case Wav::Noise:
        return noise.next();
    }
    return 0;
}

// Smooth random wander for voices: random targets at `rate`, eased between.
struct Wander {
    Rng rng;
    double from = 0, to = 0, pos = 1;
    explicit Wander(uint64_t seed) : rng(seed) {}
    double step(double rate) {
        pos += rate / SFX_RATE;
        if (pos >= 1) {
            pos -= std::floor(pos);
            from = to;
            to = rng.next();
        }
        double s = 0.5 - 0.5 * std::cos(PI * pos);
        return from + (to - from) * s;
    }
};

double dbToGain(double db) {
    return std::pow(10.0, db / 20);
}

// One play of a layer, from `start` to the end of the buffer.
void renderPlay(const Layer &l, size_t start, double semis, double gain, uint64_t seed,
                std::vector<double> &mix) {
    Rng noise(seed);
    Wander wander(seed ^ 0xA5A5A5A5ull);
    std::vector<Svf> filters(l.filters.size()), formants(l.formants.size());
    double ph = 0, fmPh = 0, shift = std::pow(2.0, semis / 12);
    for (size_t n = start; n < mix.size(); n++) {
        double t = double(n - start) / SFX_RATE;
        double semi = 0;
        if (l.vibratoRate > 0)
            semi += l.vibratoSemis * std::sin(2 * PI * l.vibratoRate * t);
        if (l.jitterRate > 0)
            semi += l.jitterSemis * wander.step(l.jitterRate);
        double hz = at(l.pitch, t, 440, true) * shift * std::pow(2.0, semi / 12);
        double dt = std::min(hz / SFX_RATE, 0.5);
        double phase = ph;
        if (l.fmRatio > 0) {
            double index = at(l.fmIndex, t, 0, false);
            phase = wrap(ph + index * std::sin(2 * PI * fmPh) / (2 * PI));
            fmPh = wrap(fmPh + dt * l.fmRatio);
        }
        double x = oscillator(l, phase, dt, noise);
        ph = wrap(ph + dt);
        for (size_t i = 0; i < filters.size(); i++)
            x = filters[i].filter(l.filters[i], x, t);
        if (!formants.empty()) {
            double sum = 0;
            for (size_t i = 0; i < formants.size(); i++) {
                const Formant &f = l.formants[i];
                double lp, bp, hp;
                formants[i].run(x, f.freq, f.freq / f.width, lp, bp, hp);
                sum += bp * dbToGain(f.gainDb);
            }
            x = sum;
        }
        double a = at(l.amp, t, 1, false);
        if (l.tremoloRate > 0)
            a *= 1 - l.tremoloDepth * (0.5 - 0.5 * std::cos(2 * PI * l.tremoloRate * t));
        mix[n] += x * a * gain;
    }
}

void renderLayer(const Layer &l, uint64_t seed, std::vector<double> &mix) {
    Rng spread(seed ^ 0x5DEECE66Dull);
    for (int k = 0; k < l.repeat; k++) {
        double semis = l.varySemis * spread.next(), db = l.varyDb * spread.next();
        double start = l.at + k * l.every;
        size_t n = size_t(std::lround(start * SFX_RATE));
        if (n < mix.size())
            renderPlay(l, n, semis, dbToGain(l.gainDb + db), seed + 7919 * uint64_t(k), mix);
    }
}

void applyFilters(const std::vector<Filter> &fs, std::vector<double> &mix) {
    for (const Filter &f : fs) {
        Svf s;
        for (size_t n = 0; n < mix.size(); n++)
            mix[n] = s.filter(f, mix[n], double(n) / SFX_RATE);
    }
}

// Raised-cosine edges: no click where the sound starts or stops.
void fadeEdges(std::vector<double> &mix, double inMs, double outMs) {
    size_t len = mix.size();
    size_t in = std::max<size_t>(1, size_t(inMs * SFX_RATE / 1000));
    size_t out = std::max<size_t>(1, size_t(outMs * SFX_RATE / 1000));
    for (size_t n = 0; n < std::min(in, len); n++)
        mix[n] *= 0.5 - 0.5 * std::cos(PI * double(n) / double(in));
    for (size_t n = 0; n < std::min(out, len); n++)
        mix[len - 1 - n] *= 0.5 - 0.5 * std::cos(PI * double(n) / double(out));
}

// Soft saturation: the loud parts give way, the quiet ones come up, so a
// short tick sounds louder at the same peak.
void saturate(std::vector<double> &mix, double driveDb) {
    if (driveDb <= 0)
        return;
    double peak = 0;
    for (double x : mix)
        peak = std::max(peak, std::fabs(x));
    if (peak == 0)
        return;
    double g = dbToGain(driveDb);
    for (double &x : mix)
        x = std::tanh(g * x / peak);
}

} // namespace

std::vector<int16_t> renderPreset(const Preset &p) {
    std::vector<double> mix(size_t(std::lround(p.length * SFX_RATE)), 0.0);
    for (size_t i = 0; i < p.layers.size(); i++)
        renderLayer(p.layers[i], uint64_t(p.seed) * 1000003u + i, mix);
    saturate(mix, p.driveDb);
    applyFilters(p.master, mix);
    // Nothing here is meant to reach below 20 Hz: a gentle high-pass keeps
    // the sound centred on zero.
    Filter dc;
    dc.type = FilterType::Highpass;
    dc.cutoff.t = {0};
    dc.cutoff.v = {20};
    applyFilters({dc}, mix);
    fadeEdges(mix, p.fadeInMs, p.fadeOutMs);
    double peak = 0;
    for (double x : mix)
        peak = std::max(peak, std::fabs(x));
    double scale = peak > 0 ? dbToGain(p.peakDb) * 32767 / peak : 0;
    std::vector<int16_t> out(mix.size());
    for (size_t n = 0; n < mix.size(); n++)
        out[n] = int16_t(std::clamp(std::lround(mix[n] * scale), -32767l, 32767l));
    return out;
}
