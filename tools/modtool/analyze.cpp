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

// The A-weighting curve from one-pole sections at its corner frequencies
// (20.6 Hz twice, 107.7 Hz and 737.9 Hz up; 12.2 kHz twice down): the ear's
// lesser sensitivity to low notes. `scale` brings 1 kHz to 0 dB.
struct AWeight {
    OnePole h1{20.6}, h2{20.6}, h3{107.7}, h4{737.9}, l1{12194}, l2{12194};
    double scale = 1;
    double run(double x) {
        x -= h1.run(x);
        x -= h2.run(x);
        x -= h3.run(x);
        x -= h4.run(x);
        return scale * l2.run(l1.run(x));
    }
};

AWeight aWeight() {
    AWeight probe;
    double in = 0, out = 0;
    for (int i = 0; i < OUT_RATE; i++) {
        double x = std::sin(2 * PI * 1000 * i / OUT_RATE), y = probe.run(x);
        if (i >= OUT_RATE / 2)
            in += x * x, out += y * y;
    }
    AWeight w;
    w.scale = std::sqrt(in / out);
    return w;
}

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

// Power of the tone `hz` in a Hann-windowed signal: one DFT bin anywhere on
// the axis, not only on the FFT's grid.
double powerAt(const std::vector<double> &x, double hz) {
    const double n = double(x.size()), step = 2 * PI * hz / OUT_RATE;
    const double dc = std::cos(step), ds = std::sin(step);
    double c = 1, s = 0, re = 0, im = 0;
    for (size_t i = 0; i < x.size(); i++) {
        double w = 0.5 - 0.5 * std::cos(2 * PI * double(i) / n);
        re += w * x[i] * c;
        im += w * x[i] * s;
        double c2 = c * dc - s * ds;
        s = s * dc + c * ds;
        c = c2;
    }
    return re * re + im * im;
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
    AWeight weight = aWeight();
    double energy[4] = {}, weighted = 0;
    for (int64_t i = 0; i < pass; i++) {
        double x = (r.pcm[2 * i] + r.pcm[2 * i + 1]) / 65536.0;
        double a = weight.run(x);
        weighted += a * a;
        double low = l2.run(l1.run(x)), mid = m2.run(m1.run(x)), high = h2.run(h1.run(x));
        double parts[4] = {low, mid - low, high - mid, x - high};
        for (int b = 0; b < 4; b++)
            energy[b] += parts[b] * parts[b];
    }
    s.loudDb = db(std::sqrt(weighted / double(std::max<int64_t>(pass, 1))));
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
    // The strongest partial within half a semitone of the note: coarse,
    // then in tenths of a cent around the best.
    double best = 0, bestPower = -1;
    for (double c = -50; c <= 50; c += 1) {
        double p = powerAt(mono, expected * std::pow(2.0, c / 1200));
        if (p > bestPower)
            bestPower = p, best = c;
    }
    const double coarse = best;
    for (double c = coarse - 1; c <= coarse + 1; c += 0.1) {
        double p = powerAt(mono, expected * std::pow(2.0, c / 1200));
        if (p > bestPower)
            bestPower = p, best = c;
    }
    return expected * std::pow(2.0, best / 1200);
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

std::vector<ChannelLevel> channelLevels(const SongBuild &song) {
    std::vector<ChannelLevel> levels;
    const Module &m = song.module;
    for (int ch = 0; ch < m.channels; ch++) {
        Module solo = m;
        std::vector<bool> plays(m.instruments.size() + 1, false);
        for (Pattern &p : solo.patterns)
            for (size_t i = 0; i < p.cells.size(); i++) {
                Cell &c = p.cells[i];
                if (int(i % size_t(m.channels)) == ch) {
                    plays[c.inst] = true;
                } else if (c.fx != 15) { // keep the speed of the loop's last row
                    c = Cell();
                }
            }
        ChannelLevel level{ch + 1, "", -200, -200, -200};
        for (size_t i = 1; i < plays.size(); i++)
            if (plays[i])
                level.instruments +=
                    (level.instruments.empty() ? "" : " ") + m.instruments[i - 1].name;
        Render r;
        if (renderModule(encodeXM(solo), 1, 0, r)) {
            Stats s = analyze(r);
            level.rmsDb = s.rmsDb;
            level.loudDb = s.loudDb;
            level.peakDb = s.peakDb;
        }
        levels.push_back(level);
    }
    return levels;
}
