#include "synth.h"

#include <algorithm>
#include <cmath>

namespace {

const double PI = 3.14159265358979323846;
const double TOP_HZ = 9000;     // highest harmonic kept at the top note of a zone
const double ZONE_RATE = 26000; // sample rate at a zone's lowest note
const double DRUM_RATE = 22050; // drums play at the output rate at C-4
const int C4 = 48;
const int CONTROL = 32;          // frames between two evaluations of the moving parameters
const double SAMPLE_PEAK = 0.95; // of full scale, at level 1 and gain 1

// Deterministic noise, the same on every machine.
struct Noise {
    uint32_t s;
    explicit Noise(uint32_t seed) : s(seed ? seed : 1) {}
    double next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return double(s) / 2147483648.0 - 1.0;
    }
};

uint32_t seedOf(const std::string &name) {
    uint32_t h = 2166136261u;
    for (char c : name)
        h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

// Amplitudes of the wave's harmonics 1 ... k (sine phase).
double waveHarmonic(const Osc &o, int k) {
    switch (o.wave) {
    case WAVE_SINE:
        return k == 1 ? 1 : 0;
    case WAVE_TRIANGLE:
        return k % 2 ? 8 / (PI * PI) / (double(k) * k) * ((k / 2) % 2 ? -1 : 1) : 0;
    case WAVE_SAW:
        return 2 / PI / k * (k % 2 ? 1 : -1);
    case WAVE_SQUARE:
        return k % 2 ? 4 / PI / k : 0;
    case WAVE_PULSE:
        return 2 / (PI * k) * std::sin(PI * k * o.width);
    case WAVE_PARTIALS:
        return k <= int(o.partials.size()) ? o.partials[k - 1] : 0;
    case WAVE_FM:
        break;
    }
    return 0;
}

// A resonant low-pass of `poles` poles, its gain at x = frequency / cutoff.
double lowpassGain(double x, double q, int poles) {
    double g = 1 / std::sqrt((1 - x * x) * (1 - x * x) + (x / q) * (x / q));
    return poles == 4 ? g * g : g;
}

// How far a moving parameter still is from its resting value: 1 at the start,
// exactly 0 from `end` on, so the loop sees constant parameters.
double settle(double t, double tau, double end) {
    if (t >= end || tau <= 0)
        return 0;
    double e = std::exp(-end / tau);
    return (std::exp(-t / tau) - e) / (1 - e);
}

struct Zone {
    int low, high; // notes played from this sample
    int cycles;    // note cycles in `frames` frames
    int frames;    // loop length; the sample holds `pre` frames before it
    int pre;       // frames before the loop: attack and changes of timbre
    double rate;   // sample rate at the zone's lowest note
    int harmonics; // highest note harmonic kept
};

// Amplitude of every note harmonic 0 ... K for one oscillator at time t.
void oscAmplitudes(const Preset &p, const Osc &o, double t, double end, int K,
                   std::vector<double> &amp) {
    std::fill(amp.begin(), amp.end(), 0.0);
    if (o.wave == WAVE_FM) {
        double index = o.indexEnd + (o.index - o.indexEnd) * settle(t, o.indexTime, end);
        int reach = int(index) + 12;
        for (int n = -reach; n <= reach; n++) {
            int h = o.ratio + n * o.mod;
            double a = std::cyl_bessel_j(double(std::abs(n)), index);
            if (n < 0 && (n % 2))
                a = -a; // J(-n) = (-1)^n J(n)
            if (h < 0) {
                h = -h;
                a = -a;
            }
            if (h >= 1 && h <= K)
                amp[h] += a * o.level;
        }
    } else {
        for (int k = 1; k * o.ratio <= K; k++)
            amp[k * o.ratio] = waveHarmonic(o, k) * o.level;
    }
    double cutoff = p.cutoff;
    if (p.cutoffStart > 0)
        cutoff = p.cutoff + (p.cutoffStart - p.cutoff) * settle(t, p.cutoffTime, end);
    const double shift = std::pow(2.0, o.detune / 1200);
    for (int h = 1; h <= K; h++)
        if (amp[h] != 0)
            amp[h] *= lowpassGain(h * shift / cutoff, p.q, p.poles);
}

// Only the attack is drawn into the sample; the instrument's volume
// envelope does the decay, so samples stay short.
double attackAt(const Preset &p, double t) {
    return p.attack > 0 && t < p.attack ? t / p.attack : 1;
}

std::vector<double> renderZone(const Preset &p, const Zone &z) {
    const int total = z.pre + z.frames;
    const double end = double(z.pre) / z.rate;
    const int K = z.harmonics;
    std::vector<double> out(total, 0.0);
    std::vector<double> table(z.frames);
    for (int i = 0; i < z.frames; i++)
        table[i] = std::sin(2 * PI * i / z.frames);
    std::vector<double> a0(K + 1), a1(K + 1);
    for (const Osc &o : p.oscs) {
        // Whole cycles per loop keep the loop seamless; detune rounds to them.
        const int64_t cycles =
            std::max<int64_t>(1, std::llround(z.cycles * std::pow(2.0, o.detune / 1200)));
        for (int c0 = 0; c0 < total; c0 += CONTROL) {
            int c1 = std::min(c0 + CONTROL, total);
            oscAmplitudes(p, o, c0 / z.rate, end, K, a0);
            oscAmplitudes(p, o, c1 / z.rate, end, K, a1);
            for (int h = 1; h <= K; h++) {
                if (a0[h] == 0 && a1[h] == 0)
                    continue;
                const int64_t step = (h * cycles) % z.frames;
                int64_t phase = (step * c0) % z.frames;
                for (int i = c0; i < c1; i++) {
                    double f = double(i - c0) / CONTROL;
                    out[i] += (a0[h] + (a1[h] - a0[h]) * f) * table[phase];
                    phase += step;
                    if (phase >= z.frames)
                        phase -= z.frames;
                }
            }
        }
    }
    Noise noise(seedOf(p.name) + z.low);
    double lp = 0;
    for (int i = 0; i < total; i++) {
        double t = i / z.rate;
        out[i] *= attackAt(p, t);
        if (p.chiff > 0) {
            lp += p.chiffTone * (noise.next() - lp);
            out[i] += p.chiff * lp * settle(t, p.chiffDecay, end) * attackAt(p, t);
        }
    }
    return out;
}

// A two-pole filter (RBJ cookbook), for the drums.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    Biquad(bool high, double hz, double rate) {
        double w = 2 * PI * hz / rate, c = std::cos(w), alpha = std::sin(w) / (2 * 0.7071);
        double a0 = 1 + alpha;
        b1 = (high ? -(1 + c) : (1 - c)) / a0;
        b0 = b2 = (high ? (1 + c) / 2 : (1 - c) / 2) / a0;
        a1 = -2 * c / a0;
        a2 = (1 - alpha) / a0;
    }
    double run(double x) {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

std::vector<double> renderLayer(const Layer &l, int frames, Noise &noise) {
    static const double metalRatios[6] = {1, 1.4836, 1.8004, 2.5465, 2.6302, 3.8956};
    std::vector<double> out(frames);
    double phase[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < frames; i++) {
        double t = i / DRUM_RATE;
        double f = l.freqEnd + (l.freq - l.freqEnd) * std::exp(-t / std::max(l.glide, 1e-4));
        double v = 0;
        switch (l.kind) {
        case LAYER_TONE:
            v = std::sin(2 * PI * phase[0]);
            phase[0] += f / DRUM_RATE;
            break;
        case LAYER_NOISE:
            v = noise.next();
            break;
        case LAYER_METAL:
            for (int k = 0; k < 6; k++) {
                v += (phase[k] < 0.5 ? 1 : -1) / 6.0;
                phase[k] += f * metalRatios[k] / DRUM_RATE;
                phase[k] -= std::floor(phase[k]);
            }
            break;
        }
        out[i] = v;
    }
    if (l.highpass > 0) {
        Biquad hp(true, l.highpass, DRUM_RATE), hp2(true, l.highpass, DRUM_RATE);
        for (double &v : out)
            v = hp2.run(hp.run(v));
    }
    if (l.lowpass > 0) {
        Biquad lp(false, l.lowpass, DRUM_RATE);
        for (double &v : out)
            v = lp.run(v);
    }
    for (int i = 0; i < frames; i++) {
        double t = i / DRUM_RATE;
        double a = l.attack > 0 && t < l.attack ? t / l.attack : 1;
        out[i] *= l.level * a * std::exp(-t / l.decay);
    }
    return out;
}

std::vector<double> renderDrum(const Preset &p) {
    const int frames = std::max(16, int(p.length * DRUM_RATE));
    std::vector<double> out(frames, 0.0);
    Noise noise(seedOf(p.name));
    for (const Layer &l : p.layers) {
        std::vector<double> v = renderLayer(l, frames, noise);
        for (int i = 0; i < frames; i++)
            out[i] += v[i];
    }
    if (p.drive > 0)
        for (double &v : out)
            v = std::tanh(p.drive * v) / std::tanh(p.drive);
    const int tail = std::min(frames, int(0.004 * DRUM_RATE));
    for (int i = 0; i < tail; i++)
        out[frames - 1 - i] *= double(i) / tail;
    return out;
}

// Relative note and finetune that make the sample sound at `rate` per frame
// for C-4.
void tune(Sample &s, double rate) {
    double x = 12 * std::log2(rate / 8363.0);
    int rel = int(std::floor(x));
    int fine = int(std::lround((x - rel) * 128));
    if (fine >= 128) {
        rel++;
        fine -= 128;
    }
    s.relnote = rel;
    s.finetune = fine;
}

// The highest note harmonic still above -70 dB at the start or at rest:
// the sample rate need not carry more.
int audibleHarmonics(const Preset &p, int K, double end) {
    std::vector<double> amp(K + 1), sum0(K + 1, 0.0), sum1(K + 1, 0.0);
    for (const Osc &o : p.oscs) {
        oscAmplitudes(p, o, 0, end, K, amp);
        for (int h = 1; h <= K; h++)
            sum0[h] += amp[h];
        oscAmplitudes(p, o, end, end, K, amp);
        for (int h = 1; h <= K; h++)
            sum1[h] += amp[h];
    }
    double top = 0;
    for (int h = 1; h <= K; h++)
        top = std::max({top, std::fabs(sum0[h]), std::fabs(sum1[h])});
    int audible = 1;
    for (int h = 1; h <= K; h++)
        if (std::max(std::fabs(sum0[h]), std::fabs(sum1[h])) > top * 3e-4)
            audible = h;
    return audible;
}

// Octave zones; a last zone of up to three notes joins the one below.
std::vector<Zone> zonesOf(const Preset &p) {
    std::vector<Zone> zones;
    for (int low = p.low; low <= p.high;) {
        Zone z;
        z.low = low;
        z.high = p.high - low <= 14 ? p.high : low + 11;
        low = z.high + 1;
        double settleTime = 0.01;
        if (p.cutoffStart > 0)
            settleTime = std::max(settleTime, 4 * p.cutoffTime);
        if (p.chiff > 0)
            settleTime = std::max(settleTime, 4 * p.chiffDecay);
        for (const Osc &o : p.oscs)
            if (o.wave == WAVE_FM && o.index != o.indexEnd)
                settleTime = std::max(settleTime, 4 * o.indexTime);
        const double preTime = p.attack + settleTime;
        // Harmonics count from the synthesis fundamental, `sub` times below
        // the note.
        const double f = noteFrequency(z.low) / p.sub;
        z.harmonics = std::max(1, int(TOP_HZ * p.sub / noteFrequency(z.high)));
        z.harmonics = audibleHarmonics(p, z.harmonics, preTime);
        // Keep the highest harmonic below a third of the sample rate, so
        // linear interpolation in the player leaves little mirror noise.
        const double rate = std::clamp(3.5 * z.harmonics * f, 8000.0, ZONE_RATE);
        z.cycles = std::max(1, int(std::lround(p.loopSeconds * f)));
        z.frames = int(std::lround(z.cycles * rate / f));
        z.rate = z.frames * f / z.cycles;
        z.pre = int(std::ceil(preTime * z.rate));
        zones.push_back(z);
    }
    return zones;
}

// Decay to the sustain level in a few straight steps that follow the
// exponential, held there; with no sustain the note dies away by itself.
// The release is the fadeout, not envelope points: a key-off during the
// decay would otherwise wait for the decay to finish before releasing.
Envelope volumeEnvelope(const Preset &p, double tick) {
    Envelope e;
    auto add = [&](double seconds, double level) {
        int x = int(std::lround(seconds / tick));
        if (!e.points.empty())
            x = std::max(x, e.points.back().first + 1);
        e.points.push_back({x, std::clamp(int(std::lround(64 * level)), 0, 64)});
    };
    const double s = p.drum ? 1 : p.sustain;
    add(0, 1);
    if (s < 1)
        for (double k : {0.5, 1.0, 2.0, 3.0, 4.5})
            add(p.attack + k * p.decay, s + (1 - s) * std::exp(-k));
    if (s > 0)
        e.sustain = int(e.points.size()) - 1;
    else
        add(p.attack + 6 * p.decay, 0);
    return e;
}

int16_t toPCM(double v) {
    return int16_t(std::clamp(std::lround(v * 32767), -32767L, 32767L));
}

} // namespace

double noteFrequency(double n) {
    return 440.0 * std::pow(2.0, (n - 57) / 12);
}

Instrument renderInstrument(const Preset &p, double gain, double tick) {
    Instrument in;
    in.name = p.name;
    std::vector<std::vector<double>> waves;
    std::vector<Zone> zones;
    if (p.drum) {
        waves.push_back(renderDrum(p));
    } else {
        zones = zonesOf(p);
        for (const Zone &z : zones)
            waves.push_back(renderZone(p, z));
    }
    double peak = 1e-9;
    for (const auto &w : waves)
        for (double v : w)
            peak = std::max(peak, std::fabs(v));
    const double scale = SAMPLE_PEAK * p.level * gain / peak;
    for (size_t i = 0; i < waves.size(); i++) {
        Sample s;
        s.name = p.name;
        for (double v : waves[i])
            s.pcm.push_back(toPCM(v * scale));
        s.volume = p.volume;
        s.pan = std::clamp(int(std::lround(128 + p.pan * 127)), 0, 255);
        if (p.drum) {
            tune(s, DRUM_RATE);
        } else {
            const Zone &z = zones[i];
            // z.rate plays the zone's lowest note; scale it to C-4.
            tune(s, z.rate * noteFrequency(C4) / noteFrequency(z.low));
            s.loop = true;
            s.loopStart = z.pre;
            s.loopLength = z.frames;
            for (int n = z.low; n <= z.high; n++)
                if (n >= 0 && n < XM_NOTES)
                    in.keymap[n] = uint8_t(i);
        }
        in.samples.push_back(s);
    }
    if (!p.drum) {
        // Notes outside the range use the nearest zone.
        for (int n = 0; n < XM_NOTES; n++)
            if (n > p.high)
                in.keymap[n] = uint8_t(zones.size() - 1);
    }
    in.vol = volumeEnvelope(p, tick);
    // The fadeout takes 32768 / fadeout ticks from key-off to silence.
    int releaseTicks = std::max(1, int(std::lround(p.release / tick)));
    in.fadeout = std::clamp(32768 / releaseTicks, 1, 4095);
    in.vibType = 0;
    in.vibSweep = p.vibSweep;
    in.vibDepth = p.vibDepth;
    in.vibRate = p.vibRate;
    return in;
}
