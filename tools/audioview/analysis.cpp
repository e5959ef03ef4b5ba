#include "analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

const double PI = 3.14159265358979323846;

double toDb(double power) {
    return power > 1e-20 ? 10 * std::log10(power) : -200;
}

void fft(std::vector<std::complex<double>> &a) {
    size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        std::complex<double> w1 = std::polar(1.0, -2 * PI / double(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < len / 2; k++, w *= w1) {
                std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

// About 23 ms of sound per frame whatever the rate.
size_t frameSize(int rate) {
    size_t n = 256;
    while (n * 44100 < size_t(rate) * 1024)
        n <<= 1;
    return n;
}

// Power of each bin of a Hann-windowed frame centred at `centre`, scaled so
// that a full-scale sine peaks at 1.
std::vector<double> framePower(const std::vector<double> &x, long centre, size_t n) {
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < n; i++) {
        long at = centre - long(n / 2) + long(i);
        double s = at >= 0 && at < long(x.size()) ? x[size_t(at)] : 0;
        a[i] = s * (0.5 - 0.5 * std::cos(2 * PI * double(i) / double(n)));
    }
    fft(a);
    std::vector<double> p(n / 2 + 1);
    for (size_t k = 0; k <= n / 2; k++)
        p[k] = std::norm(a[k]) / (double(n) * n / 16);
    return p;
}

} // namespace

std::vector<double> monoOf(const Wave &w) {
    std::vector<double> m(w.samples.size() / w.channels);
    for (size_t i = 0; i < m.size(); i++) {
        double sum = 0;
        for (int c = 0; c < w.channels; c++)
            sum += w.samples[i * w.channels + c];
        m[i] = sum / w.channels / 32768.0;
    }
    return m;
}

Stats measure(const Wave &w) {
    Stats s;
    std::vector<double> x = monoOf(w);
    if (x.empty())
        return s;
    s.seconds = double(x.size()) / w.rate;
    s.first = w.samples.front();
    s.last = w.samples[w.samples.size() - w.channels];
    // Level and clipping per channel sample: a mix-down would hide a peak
    // that only one channel has.
    double peak = 0, sum = 0, sq = 0;
    for (int16_t v : w.samples) {
        double a = v / 32768.0;
        peak = std::max(peak, std::fabs(a));
        sum += a;
        sq += a * a;
        s.clipped += v >= 32767 || v <= -32767;
    }
    s.peakDb = toDb(peak * peak);
    s.rmsDb = toDb(sq / double(w.samples.size()));
    s.dc = sum / double(w.samples.size()) * 32768;
    peak = 0;
    for (double v : x)
        peak = std::max(peak, std::fabs(v));
    for (size_t i = 0; i < x.size(); i++)
        if (std::fabs(x[i]) >= peak / 2) {
            s.attackMs = 1000.0 * double(i) / w.rate;
            break;
        }
    size_t tail = std::min(x.size(), size_t(w.rate / 100));
    double tailSq = 0;
    for (size_t i = x.size() - tail; i < x.size(); i++)
        tailSq += x[i] * x[i];
    s.tailDb = toDb(tailSq / double(tail));
    size_t n = frameSize(w.rate);
    double total = 0, weighted = 0, high = 0;
    for (size_t c = 0; c < x.size(); c += n / 2) {
        std::vector<double> p = framePower(x, long(c), n);
        for (size_t k = 1; k < p.size(); k++) {
            double hz = double(k) * w.rate / double(n);
            total += p[k];
            weighted += p[k] * hz;
            if (hz > 5000)
                high += p[k];
        }
    }
    if (total > 0) {
        s.centroidHz = weighted / total;
        s.highShare = high / total;
    }
    return s;
}

std::vector<std::vector<double>> spectrogram(const std::vector<double> &x, int rate, double span,
                                             int columns, int rows, double fLow, double fHigh) {
    size_t n = frameSize(rate);
    double binHz = double(rate) / double(n);
    std::vector<std::vector<double>> out(columns, std::vector<double>(rows, NAN));
    for (int c = 0; c < columns; c++) {
        double t0 = span * c / columns, t1 = span * (c + 1) / columns;
        if (t0 * rate >= double(x.size()))
            continue;
        // Long sounds: average every frame a quarter frame apart in the slice.
        std::vector<double> power(n / 2 + 1, 0.0);
        int frames = 0;
        long from = long(t0 * rate), to = std::max(from + 1, long(t1 * rate));
        for (long at = from; at < to && at < long(x.size()); at += long(n / 4), frames++) {
            std::vector<double> p = framePower(x, at, n);
            for (size_t k = 0; k < p.size(); k++)
                power[k] += p[k];
        }
        for (double &p : power)
            p /= std::max(frames, 1);
        for (int r = 0; r < rows; r++) {
            double lo = fLow * std::pow(fHigh / fLow, double(r) / rows);
            double hi = fLow * std::pow(fHigh / fLow, double(r + 1) / rows);
            size_t k0 = size_t(std::ceil(lo / binHz)), k1 = size_t(std::floor(hi / binHz));
            double p = 0;
            if (k0 <= k1) {
                for (size_t k = k0; k <= k1 && k < power.size(); k++)
                    p = std::max(p, power[k]);
            } else {
                // Narrower than a bin: read between the two nearest bins.
                double f = (lo + hi) / 2 / binHz;
                size_t k = std::min(size_t(f), power.size() - 2);
                double frac = f - double(k);
                p = power[k] * (1 - frac) + power[k + 1] * frac;
            }
            out[c][r] = toDb(p);
        }
    }
    return out;
}

double standsOut(const std::vector<double> &effect, double gain, const std::vector<double> &music,
                 long offset, int rate) {
    // The ear hears in bands about a third of an octave wide: within one,
    // the louder sound covers the softer.
    size_t n = frameSize(rate);
    double binHz = double(rate) / double(n);
    std::vector<size_t> edges;
    for (double hz = 200; hz < rate / 2.0; hz *= std::pow(2.0, 1.0 / 3))
        edges.push_back(size_t(hz / binHz));
    edges.push_back(n / 2 + 1);
    double total = 0, above = 0;
    for (size_t c = 0; c < effect.size(); c += n / 2) {
        std::vector<double> e = framePower(effect, long(c), n);
        std::vector<double> m = framePower(music, offset + long(c), n);
        for (size_t b = 0; b + 1 < edges.size(); b++) {
            double pe = 0, pm = 0;
            for (size_t k = edges[b]; k < edges[b + 1]; k++) {
                pe += e[k] * gain * gain;
                pm += m[k];
            }
            total += pe;
            if (pe > pm)
                above += pe;
        }
    }
    return total > 0 ? above / total : 0;
}
