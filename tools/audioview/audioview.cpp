// audioview: pictures and figures of WAV files, for reviewing the sounds
// without playing the game.
//
//   audioview draw IN.wav OUT.png         waveform and spectrogram
//   audioview sheet OUT.png IN.wav...     all of them side by side, named
//   audioview stats IN.wav...             one line of figures per file
//   audioview over MUSIC.wav VOLUME EFFECT.wav...
//                                         how much of each effect the music
//                                         leaves audible at that mixer volume
#include "analysis.h"
#include "font.h"
#include "gfxtool/image.h"
#include "sfxtool/wav.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

const uint32_t BACK = 0x1B1D23, PANEL = 0x000004, GRID = 0x3A3F4B, LABEL = 0xC8CCD4,
               TITLE = 0xFFFFFF, WAVE = 0x7FD3FF, WAVE_DIM = 0x2F5A78, GUIDE = 0x8A7A2A;
const double DB_FLOOR = -100, F_LOW = 40;

struct Sound {
    std::string name; // the file's base name without ".wav"
    Wave wave;
    std::vector<double> mono;
    Stats stats;
};

bool load(const char *path, Sound &s) {
    std::string why;
    if (!readWAV(path, s.wave, why)) {
        fprintf(stderr, "audioview: %s: %s\n", path, why.c_str());
        return false;
    }
    const char *slash = strrchr(path, '/');
    s.name = slash ? slash + 1 : path;
    if (s.name.size() > 4 && s.name.compare(s.name.size() - 4, 4, ".wav") == 0)
        s.name.resize(s.name.size() - 4);
    s.mono = monoOf(s.wave);
    s.stats = measure(s.wave);
    return true;
}

std::string fmt(const char *f, double v) {
    char buf[64];
    snprintf(buf, sizeof buf, f, v);
    return buf;
}

// Dark violet through red and orange to pale yellow: loud is bright.
uint32_t heat(double db) {
    static const uint32_t stops[] = {0x000004, 0x2C115F, 0x721F81, 0xB73779,
                                     0xF1605D, 0xFEAF77, 0xFCFDBF};
    double x = std::clamp((db - DB_FLOOR) / -DB_FLOOR, 0.0, 1.0) * 6;
    int i = std::min(int(x), 5);
    return mix(stops[i], stops[i + 1], x - i);
}

void fill(Image &img, int x, int y, int w, int h, uint32_t c) {
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++)
            setPx(img, i, j, c);
}

// Min and max of each column's samples, with the -3 dB marks and zero.
void drawWave(Image &img, const Sound &s, int x, int y, int w, int h, double span) {
    fill(img, x, y, w, h, PANEL);
    int mid = y + h / 2;
    double guide = std::pow(10.0, -3.0 / 20) * (h / 2 - 1);
    for (int i = 0; i < w; i += 4) {
        setPx(img, x + i, mid - int(guide), GUIDE);
        setPx(img, x + i, mid + int(guide), GUIDE);
        setPx(img, x + i, mid, GRID);
    }
    long n = long(s.mono.size());
    // A column shorter than a period would miss its peaks and draw a false
    // pattern: the dim band spans at least 4 ms around the column.
    long reach = long(s.wave.rate * 0.004);
    for (int i = 0; i < w; i++) {
        long a = long(span * i / w * s.wave.rate), b = long(span * (i + 1) / w * s.wave.rate);
        if (a >= n)
            break;
        b = std::clamp(b, a + 1, n);
        long pad = std::max(0L, (reach - (b - a)) / 2);
        for (auto [from, to, colour] :
             {std::tuple{std::max(0L, a - pad), std::min(n, b + pad), WAVE_DIM},
              std::tuple{a, b, WAVE}}) {
            auto [lo, hi] = std::minmax_element(s.mono.begin() + from, s.mono.begin() + to);
            int top = mid - int(std::lround(*hi * (h / 2 - 1)));
            int bottom = mid - int(std::lround(*lo * (h / 2 - 1)));
            for (int j = top; j <= bottom; j++)
                setPx(img, x + i, j, colour);
        }
    }
}

double fHigh(const Sound &s) {
    return s.wave.rate / 2.0;
}

int rowOf(double hz, double fTop, int h) {
    return int(std::lround(h * std::log(hz / F_LOW) / std::log(fTop / F_LOW)));
}

void drawSpectrum(Image &img, const Sound &s, int x, int y, int w, int h, double span) {
    fill(img, x, y, w, h, PANEL);
    auto gram = spectrogram(s.mono, s.wave.rate, span, w, h, F_LOW, fHigh(s));
    for (int i = 0; i < w; i++)
        for (int r = 0; r < h; r++)
            if (!std::isnan(gram[i][r]))
                setPx(img, x + i, y + h - 1 - r, heat(gram[i][r]));
}

// Frequency marks on the left of a spectrogram.
void frequencyAxis(Image &img, const Sound &s, int x, int y, int h, bool all) {
    static const struct {
        double hz;
        const char *label;
    } marks[] = {{100, "100"}, {200, "200"}, {500, "500"},   {1000, "1K"},
                 {2000, "2K"}, {5000, "5K"}, {10000, "10K"}, {20000, "20K"}};
    for (const auto &m : marks) {
        if (m.hz >= fHigh(s) || (!all && m.label[0] != '1'))
            continue;
        int row = y + h - 1 - rowOf(m.hz, fHigh(s), h);
        fill(img, x - 4, row, 3, 1, LABEL);
        drawText(img, m.label, x - 6 - textWidth(m.label), row - 3, LABEL);
    }
}

// A tick every 1, 2 or 5 times a power of ten seconds, 4 to 10 of them.
double tickStep(double span) {
    double step = std::pow(10.0, std::floor(std::log10(span)));
    for (double f : {0.1, 0.2, 0.5, 1.0})
        if (span / (step * f) <= 10)
            return step * f;
    return step;
}

void timeAxis(Image &img, int x, int y, int w, double span) {
    double step = tickStep(span);
    for (int k = 0; k * step <= span + 1e-9; k++) {
        int px = x + int(std::lround(k * step / span * (w - 1)));
        fill(img, px, y, 1, 3, LABEL);
        std::string label = fmt(step < 0.1 ? "%.2f" : step < 1 ? "%.1f" : "%.0f", k * step);
        drawText(img, label, std::min(px - textWidth(label) / 2, x + w - textWidth(label)), y + 5,
                 LABEL);
    }
    drawText(img, "S", x + w + 6, y + 5, LABEL);
}

void colourBar(Image &img, int x, int y, int h) {
    for (int r = 0; r < h; r++)
        fill(img, x, y + r, 10, 1, heat(DB_FLOOR * r / (h - 1)));
    for (int db = 0; db >= DB_FLOOR; db -= 20) {
        int row = y + int(std::lround(db / DB_FLOOR * (h - 1)));
        fill(img, x + 11, row, 3, 1, LABEL);
        drawText(img, std::to_string(db), x + 16, row - 3, LABEL);
    }
    drawText(img, "DB", x + 16, y + h + 6, LABEL);
}

std::string figures(const Sound &s) {
    const Stats &t = s.stats;
    return fmt("%.3f S", t.seconds) + "   " + std::to_string(s.wave.rate) + " HZ   " +
           (s.wave.channels == 1 ? "MONO" : "STEREO") + "   PEAK " + fmt("%.1f DB", t.peakDb) +
           "   RMS " + fmt("%.1f DB", t.rmsDb) + "   ATTACK " + fmt("%.1f MS", t.attackMs) +
           "   CENTROID " + fmt("%.0f HZ", t.centroidHz);
}

bool save(const Image &img, const char *path) {
    if (writeFile(path, encodePNG(img)))
        return true;
    fprintf(stderr, "audioview: cannot write %s\n", path);
    return false;
}

int draw(const char *in, const char *out) {
    Sound s;
    if (!load(in, s))
        return 1;
    const int X = 56, W = 720, WAVE_Y = 46, WAVE_H = 120, GRAM_Y = 182, GRAM_H = 256;
    Image img = makeImage(s.name, 880, GRAM_Y + GRAM_H + 24, BACK);
    drawText(img, s.name, X, 6, TITLE, 2);
    drawText(img, figures(s), X, 28, LABEL);
    double span = std::max(s.stats.seconds, 1e-3);
    drawWave(img, s, X, WAVE_Y, W, WAVE_H, span);
    drawText(img, "+1", X - 6 - textWidth("+1"), WAVE_Y, LABEL);
    drawText(img, "0", X - 6 - textWidth("0"), WAVE_Y + WAVE_H / 2 - 3, LABEL);
    drawText(img, "-1", X - 6 - textWidth("-1"), WAVE_Y + WAVE_H - 7, LABEL);
    drawSpectrum(img, s, X, GRAM_Y, W, GRAM_H, span);
    frequencyAxis(img, s, X, GRAM_Y, GRAM_H, true);
    drawText(img, "HZ", X - 6 - textWidth("HZ"), GRAM_Y - 10, LABEL);
    timeAxis(img, X, GRAM_Y + GRAM_H + 2, W, span);
    colourBar(img, X + W + 16, GRAM_Y, GRAM_H);
    return save(img, out) ? 0 : 1;
}

// Every sound on one time scale, so their lengths compare at a glance.
int sheet(const char *out, int count, char **in) {
    std::vector<Sound> sounds(count);
    double span = 1e-3;
    for (int i = 0; i < count; i++) {
        if (!load(in[i], sounds[i]))
            return 1;
        span = std::max(span, sounds[i].stats.seconds);
    }
    const int COLS = std::min(count, 4), ROWS = (count + COLS - 1) / COLS;
    const int PW = 300, PH = 184, WAVE_H = 44, GRAM_H = 96, LEFT = 30, GAP = 16;
    const int W = COLS * (LEFT + PW + GAP) + 60, H = ROWS * PH + 40;
    Image img = makeImage("sheet", W, H, BACK);
    for (int i = 0; i < count; i++) {
        const Sound &s = sounds[i];
        int x = LEFT + (i % COLS) * (LEFT + PW + GAP), y = 8 + (i / COLS) * PH;
        drawText(img, s.name, x, y, TITLE);
        drawText(img,
                 fmt("%.2f S", s.stats.seconds) + "  PEAK " + fmt("%.1f", s.stats.peakDb) +
                     "  RMS " + fmt("%.1f DB", s.stats.rmsDb),
                 x, y + 10, LABEL);
        drawWave(img, s, x, y + 22, PW, WAVE_H, span);
        drawSpectrum(img, s, x, y + 26 + WAVE_H, PW, GRAM_H, span);
        frequencyAxis(img, s, x, y + 26 + WAVE_H, GRAM_H, false);
        timeAxis(img, x, y + 28 + WAVE_H + GRAM_H, PW, span);
    }
    colourBar(img, W - 44, 8, H - 40);
    return save(img, out) ? 0 : 1;
}

int stats(int count, char **in) {
    const char *head = "%-22s %7s %6s %6s %6s %6s %6s %7s %7s %7s %7s %5s\n";
    printf(head, "name", "seconds", "peak", "rms", "clip", "first", "last", "dc", "attack", "tail",
           "centre", "high");
    printf(head, "", "s", "dB", "dB", "", "", "", "", "ms", "dB", "Hz", "%");
    for (int i = 0; i < count; i++) {
        Sound s;
        if (!load(in[i], s))
            return 1;
        const Stats &t = s.stats;
        printf("%-22s %7.3f %6.1f %6.1f %6ld %6d %6d %7.2f %7.1f %7.1f %7.0f %5.1f\n",
               s.name.c_str(), t.seconds, t.peakDb, t.rmsDb, t.clipped, t.first, t.last, t.dc,
               t.attackMs, t.tailDb, t.centroidHz, 100 * t.highShare);
    }
    return 0;
}

// Each effect at the mixer volume the game gives it, over the music at
// eight places spread through the piece.
int over(const char *musicPath, const char *volume, int count, char **in) {
    Sound music;
    if (!load(musicPath, music))
        return 1;
    char *end = nullptr;
    double v = strtod(volume, &end);
    if (*end || v < 0 || v > 128) {
        fprintf(stderr, "audioview: a volume lies within 0 ... 128, got %s\n", volume);
        return 2;
    }
    printf("%-22s %9s %9s   over %s at volume %g/128\n", "name", "median %", "lowest %",
           music.name.c_str(), v);
    for (int i = 0; i < count; i++) {
        Sound s;
        if (!load(in[i], s))
            return 1;
        if (s.wave.rate != music.wave.rate || s.mono.size() > music.mono.size()) {
            fprintf(stderr, "audioview: %s: needs the music's rate and to be shorter\n", in[i]);
            return 1;
        }
        std::vector<double> share;
        long room = long(music.mono.size() - s.mono.size());
        for (int k = 0; k < 8; k++)
            share.push_back(
                standsOut(s.mono, v / 128, music.mono, long(room * (k + 0.5) / 8), s.wave.rate));
        std::sort(share.begin(), share.end());
        printf("%-22s %9.1f %9.1f\n", s.name.c_str(), 100 * (share[3] + share[4]) / 2,
               100 * share[0]);
    }
    return 0;
}

int usage() {
    fputs("usage: audioview draw IN.wav OUT.png\n"
          "       audioview sheet OUT.png IN.wav...\n"
          "       audioview stats IN.wav...\n"
          "       audioview over MUSIC.wav VOLUME EFFECT.wav...\n",
          stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "draw" && argc == 4)
        return draw(argv[2], argv[3]);
    if (cmd == "sheet" && argc >= 4)
        return sheet(argv[2], argc - 3, argv + 3);
    if (cmd == "stats" && argc >= 3)
        return stats(argc - 2, argv + 2);
    if (cmd == "over" && argc >= 5)
        return over(argv[2], argv[3], argc - 4, argv + 4);
    return usage();
}
