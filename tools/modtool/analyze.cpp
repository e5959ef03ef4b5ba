#include "analyze.h"
#include "xm.h"

#include <algorithm>
#include <cmath>

namespace {

const double PI = 3.14159265358979323846;

struct OnePole {
    double a, y = 0;
    OnePole(double hz) : a(1 - std::exp(-2 * PI * hz / OUT_RATE)) {}
    double run(double x) { return y += a * (x - y); }
};

double db(double v) {
    return v > 0 ? 20 * std::log10(v) : -200;
}

double rms(const std::vector<int16_t> &pcm, int64_t from, int64_t to) {
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, int64_t(pcm.size() / 2));
    double sum = 0;
    for (int64_t i = from; i < to; i++) {
        double m = (pcm[2 * i] + pcm[2 * i + 1]) / 65536.0;
        sum += m * m;
    }
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// Normalised autocorrelation of x at a (fractional) lag.
double correlation(const std::vector<double> &x, double lag) {
    const int n = int(x.size()) - int(lag) - 2;
    double s = 0, e0 = 0, e1 = 0;
    for (int i = 0; i < n; i++) {
        double j = i + lag;
        int k = int(j);
        double y = x[k] + (x[k + 1] - x[k]) * (j - k);
        s += x[i] * y;
        e0 += x[i] * x[i];
        e1 += y * y;
    }
    return e0 > 0 && e1 > 0 ? s / std::sqrt(e0 * e1) : 0;
}

// Best lag near `around`, searched in steps of 1/8 frame.
double bestLag(const std::vector<double> &x, double from, double to) {
    double best = from, bestValue = -2;
    for (double lag = from; lag <= to; lag += 0.125) {
        double c = correlation(x, lag);
        if (c > bestValue)
            bestValue = c, best = lag;
    }
    return best;
}

} // namespace

Stats analyze(const Render &r) {
    Stats s;
    const int64_t frames = int64_t(r.pcm.size() / 2);
    const int64_t pass = r.passEnd.empty() ? frames : std::min(frames, r.passEnd[0]);
    s.seconds = double(pass) / OUT_RATE;
    int peak = 0;
    for (int64_t i = 0; i < pass * 2; i++)
        peak = std::max(peak, std::abs(int(r.pcm[i])));
    s.peakDb = db(peak / 32768.0);
    s.rmsDb = db(rms(r.pcm, 0, pass));
    OnePole l1(250), l2(250), m1(1000), m2(1000), h1(4000), h2(4000);
    double energy[4] = {};
    for (int64_t i = 0; i < pass; i++) {
        double x = (r.pcm[2 * i] + r.pcm[2 * i + 1]) / 65536.0;
        double low = l2.run(l1.run(x)), mid = m2.run(m1.run(x)), high = h2.run(h1.run(x));
        double parts[4] = {low, mid - low, high - mid, x - high};
        for (int b = 0; b < 4; b++)
            energy[b] += parts[b] * parts[b];
    }
    double total = energy[0] + energy[1] + energy[2] + energy[3];
    for (int b = 0; b < 4; b++)
        s.bands[b] = total > 0 ? 100 * energy[b] / total : 0;
    if (r.passEnd.size() >= 2 || (r.passEnd.size() == 1 && frames > pass)) {
        // The join: how long it stays near silent, and whether the level jumps.
        const int64_t from = std::max<int64_t>(0, pass - OUT_RATE / 2);
        const int64_t to = std::min(frames, pass + OUT_RATE / 4);
        int64_t run = 0, longest = 0;
        for (int64_t i = from; i < to; i++) {
            bool quiet = std::abs(int(r.pcm[2 * i])) < 33 && std::abs(int(r.pcm[2 * i + 1])) < 33;
            run = quiet ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        s.joinGapMs = 1000.0 * double(longest) / OUT_RATE;
        double before = rms(r.pcm, pass - OUT_RATE * 3 / 2, pass - OUT_RATE / 4);
        double after = rms(r.pcm, pass, pass + OUT_RATE * 5 / 4);
        s.joinJumpDb = db(after) - db(before);
    }
    return s;
}

double measurePitch(const std::vector<double> &mono, double expected) {
    const double period = OUT_RATE / expected;
    // First the period itself, within a fifth either way...
    double p = bestLag(mono, std::max(2.0, period / 1.5), period * 1.5);
    // ...then many periods at once for a fine reading.
    int many = std::max(1, int(800 / p));
    double lag = bestLag(mono, many * p - 2, many * p + 2);
    return OUT_RATE * many / lag;
}

std::vector<TuneResult> tuneInstruments(const SongBuild &song) {
    std::vector<TuneResult> results;
    for (size_t i = 0; i < song.presets.size(); i++) {
        const Preset &p = song.presets[i];
        if (p.drum)
            continue;
        // The lowest and highest note of every zone.
        const Instrument &in = song.module.instruments[i];
        std::vector<int> notes;
        for (int n = p.low; n <= p.high; n++)
            if (n == p.low || n == p.high || in.keymap[n] != in.keymap[n - 1] ||
                in.keymap[n] != in.keymap[n + 1])
                notes.push_back(n);
        for (int n : notes) {
            Module m;
            m.title = "tune";
            m.channels = 2;
            m.order = {0};
            m.instruments.push_back(song.module.instruments[i]);
            m.instruments[0].vibDepth = 0;
            Pattern pat;
            pat.rows = 32;
            pat.cells.resize(64);
            pat.cells[0].note = uint8_t(n + 1);
            pat.cells[0].inst = 1;
            pat.cells[0].vol = 0x50;
            m.patterns.push_back(pat);
            Render r;
            if (!renderModule(encodeXM(m), 1, 0.75, r))
                continue;
            // The held part of the note, past its attack.
            std::vector<double> mono;
            for (size_t k = size_t(OUT_RATE * 0.12); k + 1 < r.pcm.size() / 2; k++)
                mono.push_back(r.pcm[2 * k] + r.pcm[2 * k + 1]);
            double expected = noteFrequency(n);
            double f = measurePitch(mono, expected);
            results.push_back({p.name, n, 1200 * std::log2(f / expected)});
        }
    }
    return results;
}
