#include "script.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <stdexcept>

namespace {

struct Line {
    std::string file;
    int number;
    std::string text;
};

struct Macro {
    std::vector<std::string> params;
    std::vector<Line> body;
};

struct Glyph {
    std::vector<std::string> rows;
};

std::vector<Image> outputs;
std::map<std::string, Image> sprites;
std::map<std::string, uint32_t> colors;
std::map<char, uint32_t> gridKeys;
std::map<std::string, Macro> macros;
std::map<std::string, std::vector<Glyph>> glyphSets;

// Drawing state of the picture being built.
Image *cur = nullptr;
int ox = 0, oy = 0; // origin of coordinates
int clipX = 0, clipY = 0, clipW = 0, clipH = 0;
bool wrapX = false; // horizontal wrap for tiling layers
// Shapes are scaled by `zoom` about a fixed point of the cell, so one drawing
// can be reused small (morph steps, flying pieces).
double zoomF = 1, zoomCx = 0, zoomCy = 0;
// Outlines of lettering also fill the diagonal corners (a closed halo).
bool textCorners = false;
// When not empty, only these pixels may be drawn: those that still showed
// the mask picture when the mask was set (drawing behind a foreground).
std::vector<bool> allowed;

[[noreturn]] void fail(const Line &l, const std::string &why) {
    throw std::runtime_error(l.file + ":" + std::to_string(l.number) + ": " + why);
}

// ---- tokens and expressions ----

std::vector<std::string> tokenize(const std::string &s) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < s.size()) {
        if (isspace((unsigned char)s[i])) {
            i++;
            continue;
        }
        if (s[i] == ';')
            break;
        size_t j = i;
        if (s[i] == '"') {
            j = s.find('"', i + 1);
            if (j == std::string::npos)
                j = s.size() - 1;
            out.push_back(s.substr(i, j - i + 1));
            i = j + 1;
            continue;
        }
        int depth = 0;
        while (j < s.size() && (depth > 0 || !isspace((unsigned char)s[j]))) {
            if (s[j] == '{' || s[j] == '(')
                depth++;
            if (s[j] == '}' || s[j] == ')')
                depth--;
            j++;
        }
        out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

struct Expr {
    const std::string &s;
    size_t p = 0;
    bool ok = true;
    void skip() {
        while (p < s.size() && isspace((unsigned char)s[p]))
            p++;
    }
    double atom() {
        skip();
        if (p < s.size() && (s[p] == '(' || s[p] == '{')) {
            p++;
            double v = sum();
            skip();
            p++;
            return v;
        }
        if (p < s.size() && s[p] == '-') {
            p++;
            return -atom();
        }
        if (s.compare(p, 4, "sin(") == 0 || s.compare(p, 4, "cos(") == 0) {
            bool isSin = s[p] == 's';
            p += 4;
            double v = sum();
            skip();
            p++;
            return isSin ? std::sin(v) : std::cos(v);
        }
        char *end = nullptr;
        double v = strtod(s.c_str() + p, &end);
        if (end == s.c_str() + p)
            ok = false;
        p = end - s.c_str();
        return v;
    }
    double product() {
        double v = atom();
        for (;;) {
            skip();
            if (p < s.size() && (s[p] == '*' || s[p] == '/' || s[p] == '%')) {
                char op = s[p++];
                double r = atom();
                if (op == '*')
                    v *= r;
                else if (op == '/')
                    v /= r;
                else
                    v = std::fmod(v, r);
            } else {
                return v;
            }
        }
    }
    double sum() {
        double v = product();
        for (;;) {
            skip();
            if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
                char op = s[p++];
                double r = product();
                v = op == '+' ? v + r : v - r;
            } else {
                return v;
            }
        }
    }
};

struct Args {
    const Line &line;
    std::vector<std::string> t;
    size_t count() const { return t.size(); }
    double num(size_t i) const {
        if (i >= t.size())
            fail(line, "missing argument " + std::to_string(i));
        Expr e{t[i]};
        double v = e.sum();
        e.skip();
        if (!e.ok || e.p != t[i].size())
            fail(line, "not a number: " + t[i]);
        return v;
    }
    int inum(size_t i) const { return int(std::floor(num(i) + 0.5)); }
    double num(size_t i, double dflt) const { return i < t.size() ? num(i) : dflt; }
    std::string str(size_t i) const {
        if (i >= t.size())
            fail(line, "missing argument " + std::to_string(i));
        std::string s = t[i];
        if (s.size() >= 2 && s.front() == '"')
            s = s.substr(1, s.size() - 2);
        return s;
    }
    uint32_t color(size_t i) const;
};

uint32_t parseColor(const Line &l, const std::string &s) {
    size_t tilde = s.find('~');
    if (tilde != std::string::npos) {
        size_t colon = s.find(':', tilde);
        if (colon == std::string::npos)
            fail(l, "colour mix needs a:b~t form: " + s);
        uint32_t a = parseColor(l, s.substr(0, tilde));
        uint32_t b = parseColor(l, s.substr(tilde + 1, colon - tilde - 1));
        return mix(a, b, atof(s.c_str() + colon + 1));
    }
    if (s == "key")
        return KEY;
    if (s.size() == 7 && s[0] == '#')
        return uint32_t(strtoul(s.c_str() + 1, nullptr, 16));
    auto it = colors.find(s);
    if (it == colors.end())
        fail(l, "unknown colour " + s);
    return it->second;
}

uint32_t Args::color(size_t i) const {
    if (i >= t.size())
        fail(line, "missing colour " + std::to_string(i));
    return parseColor(line, t[i]);
}

// ---- plotting ----

void plot(int x, int y, uint32_t c) {
    x += ox;
    y += oy;
    if (wrapX)
        x = ((x - clipX) % clipW + clipW) % clipW + clipX;
    if (x < clipX || y < clipY || x >= clipX + clipW || y >= clipY + clipH)
        return;
    if (!allowed.empty() && !allowed[size_t(y) * cur->w + x])
        return;
    setPx(*cur, x, y, c);
}

// A coordinate under the zoom: `zoomed` for edges and centres (shapes that
// test pixel centres), `zoomedIndex` for pixel indices (lines and points).
double zoomed(double v, double fixed) {
    return fixed + (v - fixed) * zoomF;
}
double zoomedIndex(double v, double fixed) {
    return zoomed(v + 0.5, fixed) - 0.5;
}

uint32_t peek(int x, int y) {
    x += ox;
    y += oy;
    if (wrapX)
        x = ((x - clipX) % clipW + clipW) % clipW + clipX;
    if (x < clipX || y < clipY || x >= clipX + clipW || y >= clipY + clipH)
        return KEY;
    return getPx(*cur, x, y);
}

const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Colour at fraction t of a gradient quantised to `levels` bands, with the
// step between two bands broken up by an ordered dither.
uint32_t gradientAt(uint32_t a, uint32_t b, double t, int levels, int x, int y) {
    t = std::clamp(t, 0.0, 1.0);
    if (levels < 2)
        return mix(a, b, t);
    double f = t * (levels - 1);
    int base = int(std::floor(f));
    double frac = f - base;
    if (frac * 16 > bayer[y & 3][x & 3] + 0.5)
        base++;
    base = std::min(base, levels - 1);
    return mix(a, b, double(base) / (levels - 1));
}

void fillDisc(double cx, double cy, double rx, double ry, uint32_t c) {
    int x0 = int(std::floor(cx - rx)), x1 = int(std::ceil(cx + rx));
    int y0 = int(std::floor(cy - ry)), y1 = int(std::ceil(cy + ry));
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) {
            double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0)
                plot(x, y, c);
        }
}

void drawLine(double x0, double y0, double x1, double y1, uint32_t c) {
    int n = int(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0))) + 1;
    for (int i = 0; i <= n; i++) {
        double t = double(i) / n;
        plot(int(std::floor(x0 + (x1 - x0) * t + 0.5)), int(std::floor(y0 + (y1 - y0) * t + 0.5)),
             c);
    }
}

void fillTri(double x0, double y0, double x1, double y1, double x2, double y2, uint32_t c) {
    int minX = int(std::floor(std::min({x0, x1, x2}))),
        maxX = int(std::ceil(std::max({x0, x1, x2})));
    int minY = int(std::floor(std::min({y0, y1, y2}))),
        maxY = int(std::ceil(std::max({y0, y1, y2})));
    auto edge = [](double ax, double ay, double bx, double by, double px, double py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    for (int y = minY; y <= maxY; y++)
        for (int x = minX; x <= maxX; x++) {
            double px = x + 0.5, py = y + 0.5;
            double a = edge(x0, y0, x1, y1, px, py), b = edge(x1, y1, x2, y2, px, py),
                   d = edge(x2, y2, x0, y0, px, py);
            if ((a >= 0 && b >= 0 && d >= 0) || (a <= 0 && b <= 0 && d <= 0))
                plot(x, y, c);
        }
}

uint32_t lcgState = 1;
void seedRandom(uint32_t s) {
    lcgState = s * 2654435761u + 12345;
}
int random(int n) {
    lcgState = lcgState * 1103515245u + 12345u;
    return n <= 0 ? 0 : int((lcgState >> 8) % uint32_t(n));
}

const Image &spriteNamed(const Line &l, const std::string &name) {
    auto it = sprites.find(name);
    if (it != sprites.end())
        return it->second;
    for (const Image &img : outputs)
        if (img.name == name)
            return img;
    fail(l, "unknown sprite " + name);
}

void blitSprite(const Image &s, int x, int y, bool flip) {
    for (int j = 0; j < s.h; j++)
        for (int i = 0; i < s.w; i++) {
            uint32_t c = s.px[size_t(j) * s.w + (flip ? s.w - 1 - i : i)];
            if (c != KEY)
                plot(x + i, y + j, c);
        }
}

// ---- sprite shapes ----

bool opaque(const Image &s, int x, int y) {
    return getPx(s, x, y) != KEY;
}

bool edgePixel(const Image &s, int x, int y) {
    return opaque(s, x, y) && (!opaque(s, x - 1, y) || !opaque(s, x + 1, y) ||
                               !opaque(s, x, y - 1) || !opaque(s, x, y + 1));
}

// A sweep of light across the sprite and a twinkle that grows and fades.
Image shineSprite(const Image &s, int phase, uint32_t light) {
    Image out = s;
    int band = phase * 8 - 4;
    for (int y = 0; y < s.h; y++)
        for (int x = 0; x < s.w; x++) {
            if (!opaque(s, x, y) || edgePixel(s, x, y))
                continue;
            int d = x + y - band;
            if (d >= 0 && d < 3)
                setPx(out, x, y, mix(getPx(s, x, y), light, d == 1 ? 0.75 : 0.45));
        }
    // the twinkle stays off the cell's corners, where the board cursor shows
    static const int sx[4] = {5, 10, 11, 5}, sy[4] = {5, 4, 10, 11}, arm[4] = {1, 2, 3, 1};
    int cx = sx[phase], cy = sy[phase];
    for (int k = -arm[phase]; k <= arm[phase]; k++) {
        uint32_t c =
            std::abs(k) == arm[phase] && arm[phase] > 1 ? mix(light, 0xFFE070, 0.5) : light;
        setPx(out, cx + k, cy, c);
        setPx(out, cx, cy + k, c);
    }
    if (arm[phase] >= 2) {
        setPx(out, cx - 1, cy - 1, mix(light, 0xFFE070, 0.6));
        setPx(out, cx + 1, cy + 1, mix(light, 0xFFE070, 0.6));
        setPx(out, cx + 1, cy - 1, mix(light, 0xFFE070, 0.6));
        setPx(out, cx - 1, cy + 1, mix(light, 0xFFE070, 0.6));
    }
    return out;
}

// ---- fonts ----

// EPX: doubles a mask and rounds its diagonal steps.
std::vector<std::string> scale2x(const std::vector<std::string> &m) {
    int h = m.size(), w = h ? m[0].size() : 0;
    auto at = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return '.';
        return m[y][x];
    };
    std::vector<std::string> out(h * 2, std::string(w * 2, '.'));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            char p = at(x, y), a = at(x, y - 1), b = at(x + 1, y), c = at(x - 1, y),
                 d = at(x, y + 1);
            char e0 = p, e1 = p, e2 = p, e3 = p;
            if (c == a && c != d && a != b)
                e0 = a;
            if (a == b && a != c && b != d)
                e1 = b;
            if (d == c && d != b && c != a)
                e2 = c;
            if (b == d && b != a && d != c)
                e3 = d;
            out[y * 2][x * 2] = e0;
            out[y * 2][x * 2 + 1] = e1;
            out[y * 2 + 1][x * 2] = e2;
            out[y * 2 + 1][x * 2 + 1] = e3;
        }
    return out;
}

std::vector<std::string> blockScale(const std::vector<std::string> &m, int f) {
    std::vector<std::string> out;
    for (const std::string &row : m) {
        std::string r;
        for (char c : row)
            r += std::string(f, c);
        for (int i = 0; i < f; i++)
            out.push_back(r);
    }
    return out;
}

struct TextStyle {
    uint32_t top, bottom, highlight, outline, outline2, shadow;
    int outlineWidth = 1;
    int shadowDx = 1, shadowDy = 1;
};

// Draws an ink mask with a vertical gradient, a bright rim on the top edges of
// strokes, a dark outline (optionally a second one) and a drop shadow.
void drawStyledMask(const std::vector<std::string> &m, int x0, int y0, const TextStyle &st,
                    int gradTop, int gradBottom) {
    int h = m.size(), w = h ? m[0].size() : 0;
    auto ink = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && m[y][x] == '#'; };
    auto near = [&](int x, int y, int r) {
        for (int v = -r; v <= r; v++)
            for (int u = -r; u <= r; u++)
                if (std::abs(u) + std::abs(v) <= r + (r > 1 || textCorners ? 1 : 0) &&
                    ink(x + u, y + v))
                    return true;
        return false;
    };
    int ow = st.outlineWidth;
    int pad = ow + std::max(std::abs(st.shadowDx), std::abs(st.shadowDy)) + 1;
    if (st.shadow != KEY)
        for (int y = -pad; y < h + pad; y++)
            for (int x = -pad; x < w + pad; x++)
                if (near(x - st.shadowDx, y - st.shadowDy, ow))
                    plot(x0 + x, y0 + y, st.shadow);
    for (int y = -pad; y < h + pad; y++)
        for (int x = -pad; x < w + pad; x++) {
            if (ink(x, y))
                continue;
            if (near(x, y, ow))
                plot(x0 + x, y0 + y,
                     ow > 1 && st.outline2 != KEY && !near(x, y, ow - 1) ? st.outline2
                                                                         : st.outline);
        }
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            if (!ink(x, y))
                continue;
            double t = gradBottom > gradTop ? double(y0 + y - gradTop) / (gradBottom - gradTop) : 0;
            uint32_t c = gradientAt(st.top, st.bottom, t, 4, x0 + x + ox, y0 + y + oy);
            if (!ink(x, y - 1) && st.highlight != KEY)
                c = st.highlight;
            plot(x0 + x, y0 + y, c);
        }
}

// In glyph rows `=` is ink like `#`; in a font, a run of `=` that reaches the
// glyph's left or right side goes on to the edge of the cell, so dashes and
// arrow shafts join up with the next character.
std::vector<std::string> inkOnly(std::vector<std::string> rows) {
    for (std::string &r : rows)
        for (char &c : r)
            if (c == '=')
                c = '#';
    return rows;
}

const std::vector<Glyph> &glyphSet(const Line &l, const std::string &name) {
    auto it = glyphSets.find(name);
    if (it == glyphSets.end())
        fail(l, "unknown glyph set " + name);
    return it->second;
}

std::vector<std::string> glyphMask(const Line &l, const std::vector<Glyph> &set, char ch) {
    int k = (unsigned char)ch - 32;
    if (k < 0 || k >= int(set.size()))
        fail(l, std::string("no glyph for ") + ch);
    return inkOnly(set[k].rows);
}

// A whole string as one mask, glyphs `advance` source pixels apart.
std::vector<std::string> stringMask(const Line &l, const std::vector<Glyph> &set,
                                    const std::string &s, int advance) {
    int gh = set[0].rows.size();
    std::vector<std::string> m(gh, std::string(std::max<size_t>(1, s.size()) * advance, '.'));
    for (size_t i = 0; i < s.size(); i++) {
        std::vector<std::string> g = glyphMask(l, set, s[i]);
        for (int y = 0; y < gh; y++)
            for (size_t x = 0; x < g[y].size(); x++)
                if (g[y][x] == '#' && i * advance + x < m[y].size())
                    m[y][i * advance + x] = '#';
    }
    return m;
}

std::vector<std::string> scaleMask(std::vector<std::string> m, int scale, bool smooth) {
    if (!smooth)
        return blockScale(m, scale);
    while (scale >= 2 && scale % 2 == 0) {
        m = scale2x(m);
        scale /= 2;
    }
    return scale > 1 ? blockScale(m, scale) : m;
}

// A glyph drawn into a mask the size of its cell, at (dx, dy), scaled.
std::vector<std::string> glyphCell(const std::vector<std::string> &rows, int scale, int dx, int dy,
                                   int cellW, int cellH) {
    std::vector<std::string> m = scaleMask(inkOnly(rows), scale, scale > 1);
    std::vector<std::string> joins = blockScale(rows, scale);
    std::vector<std::string> cell(cellH, std::string(cellW, '.'));
    for (size_t y = 0; y < m.size(); y++) {
        int cy = dy + int(y);
        if (cy < 0 || cy >= cellH)
            continue;
        for (size_t x = 0; x < m[y].size(); x++)
            if (m[y][x] == '#' && dx + int(x) >= 0 && dx + int(x) < cellW)
                cell[cy][dx + x] = '#';
        const std::string &j = joins[y];
        if (!j.empty() && j.front() == '=')
            for (int x = 0; x < dx; x++)
                cell[cy][x] = '#';
        if (!j.empty() && j.back() == '=')
            for (int x = dx + int(j.size()); x < cellW; x++)
                cell[cy][x] = '#';
    }
    return cell;
}

TextStyle styleFrom(const Args &a, size_t i) {
    TextStyle st;
    st.top = a.color(i);
    st.bottom = a.color(i + 1);
    st.highlight = a.color(i + 2);
    st.outline = a.color(i + 3);
    st.outline2 = a.color(i + 4);
    st.shadow = a.color(i + 5);
    st.outlineWidth = a.inum(i + 6);
    st.shadowDx = st.shadowDy = a.count() > i + 7 ? a.inum(i + 7) : 1;
    return st;
}

// ---- procedural scenery ----

void drawHills(const Args &a) {
    double base = a.num(0), a1 = a.num(1), p1 = a.num(2), ph1 = a.num(3), a2 = a.num(4),
           p2 = a.num(5), ph2 = a.num(6);
    uint32_t c = a.color(7);
    uint32_t rim = a.count() > 8 ? a.color(8) : c;
    int rimW = a.count() > 9 ? a.inum(9) : 0;
    uint32_t low = a.count() > 10 ? a.color(10) : c;
    int bottom = clipY + clipH - oy;
    for (int x = clipX - ox; x < clipX + clipW - ox; x++) {
        double y =
            base + a1 * std::sin(2 * M_PI * x / p1 + ph1) + a2 * std::sin(2 * M_PI * x / p2 + ph2);
        int top = int(std::floor(y + 0.5));
        for (int yy = top; yy < bottom; yy++) {
            uint32_t col = yy - top < rimW
                               ? rim
                               : gradientAt(c, low, double(yy - top) / std::max(1, bottom - top), 4,
                                            x + ox, yy + oy);
            plot(x, yy, col);
        }
    }
}

void drawCloud(double cx, double cy, double w, double h, uint32_t c, uint32_t shade,
               uint32_t light) {
    struct P {
        double dx, dy, r;
    } puffs[] = {{-0.32, 0.12, 0.30},
                 {-0.12, -0.10, 0.42},
                 {0.12, -0.18, 0.50},
                 {0.33, 0.05, 0.34},
                 {0.0, 0.15, 0.35}};
    // Shade first, then the lit body shifted up, so the bottom keeps a rim of shade.
    for (const P &p : puffs)
        fillDisc(cx + p.dx * w, cy + p.dy * h + 1, p.r * h * 1.3, p.r * h, shade);
    fillDisc(cx, cy + 0.22 * h, w * 0.48, h * 0.28, shade);
    for (const P &p : puffs)
        fillDisc(cx + p.dx * w, cy + p.dy * h - 1, p.r * h * 1.25 - 0.5, p.r * h - 1, c);
    for (const P &p : puffs)
        if (p.dy < 0)
            fillDisc(cx + p.dx * w - p.r * h * 0.3, cy + p.dy * h - p.r * h * 0.45, p.r * h * 0.5,
                     p.r * h * 0.3, light);
}

void drawAcacia(double x, double base, double s, uint32_t c, uint32_t lit) {
    double top = base - s * 0.75;
    drawLine(x, base, x, base - s * 0.35, c);
    drawLine(x + 1, base, x + 1, base - s * 0.3, c);
    drawLine(x, base - s * 0.35, x - s * 0.35, top + s * 0.05, c);
    drawLine(x + 1, base - s * 0.3, x + s * 0.4, top + s * 0.08, c);
    drawLine(x, base - s * 0.4, x + s * 0.05, top, c);
    fillDisc(x, top, s * 0.75, s * 0.13, c);
    fillDisc(x - s * 0.4, top + s * 0.02, s * 0.35, s * 0.1, c);
    fillDisc(x + s * 0.45, top + s * 0.03, s * 0.32, s * 0.1, c);
    fillDisc(x + s * 0.05, top - s * 0.08, s * 0.45, s * 0.08, lit);
    fillDisc(x - s * 0.4, top - s * 0.04, s * 0.2, s * 0.05, lit);
}

void drawGrass(const Args &a) {
    double base = a.num(0);
    int hmax = a.inum(1);
    seedRandom(a.inum(2));
    int n = a.inum(3);
    uint32_t c1 = a.color(4), c2 = a.color(5);
    double x0 = a.num(6, clipX - ox), w = a.num(7, clipW);
    for (int i = 0; i < n; i++) {
        int x = int(x0 + random(int(w)));
        int h = hmax / 2 + random(hmax / 2 + 1);
        int lean = random(3) - 1;
        uint32_t c = i % 2 ? c1 : c2;
        for (int k = 0; k < h; k++)
            plot(x + (k > h / 2 ? lean : 0), int(base) - k, c);
    }
}

// ---- ops ----

void setClipWhole() {
    clipX = clipY = 0;
    clipW = cur->w;
    clipH = cur->h;
    ox = oy = 0;
}

void selectCell(const Line &l, int n) {
    if (!cur->cellW)
        fail(l, "picture has no cells");
    int cols = cur->w / cur->cellW;
    clipX = ox = (n % cols) * cur->cellW;
    clipY = oy = (n / cols) * cur->cellH;
    clipW = cur->cellW;
    clipH = cur->cellH;
    if (clipY + clipH > cur->h)
        fail(l, "cell " + std::to_string(n) + " outside the sheet");
}

void outlineOp(uint32_t c, bool diagonal) {
    Image before = *cur;
    for (int y = clipY; y < clipY + clipH; y++)
        for (int x = clipX; x < clipX + clipW; x++) {
            if (getPx(before, x, y) != KEY)
                continue;
            bool hit = false;
            for (int v = -1; v <= 1 && !hit; v++)
                for (int u = -1; u <= 1 && !hit; u++) {
                    if ((u == 0 && v == 0) || (!diagonal && u && v))
                        continue;
                    int xx = x + u, yy = y + v;
                    if (xx < clipX || yy < clipY || xx >= clipX + clipW || yy >= clipY + clipH)
                        continue;
                    hit = getPx(before, xx, yy) != KEY;
                }
            if (hit)
                setPx(*cur, x, y, c);
        }
}

// A macro call is replaced by its body, arguments put in for $names; the
// body is then read like any other lines, so macros may hold whole pictures.
void expandMacro(std::vector<Line> &lines, size_t i, const std::vector<std::string> &tok) {
    const Line l = lines[i];
    const Macro &m = macros[tok[0]];
    if (tok.size() - 1 != m.params.size())
        fail(l, "macro " + tok[0] + " takes " + std::to_string(m.params.size()) + " arguments");
    std::vector<size_t> order(m.params.size());
    for (size_t k = 0; k < order.size(); k++)
        order[k] = k;
    // Longest names first, so $ab is not taken for $a.
    std::sort(order.begin(), order.end(),
              [&](size_t x, size_t y) { return m.params[x].size() > m.params[y].size(); });
    std::vector<Line> body;
    for (const Line &b : m.body) {
        std::string text = b.text;
        for (size_t k : order) {
            std::string key = "$" + m.params[k];
            for (size_t p = text.find(key); p != std::string::npos;
                 p = text.find(key, p + tok[k + 1].size()))
                text.replace(p, key.size(), tok[k + 1]);
        }
        body.push_back({b.file, b.number, text});
    }
    if (lines.size() > 2000000)
        fail(l, "macros nest without end");
    lines.erase(lines.begin() + i);
    lines.insert(lines.begin() + i, body.begin(), body.end());
}

// ---- drawing operations: one function per word, each reads its own arguments ----

void opColor(const Args &a) {
    colors[a.str(0)] = a.color(1);
}

void opCell(const Args &a) {
    selectCell(a.line, a.inum(0));
}

void opWhole(const Args &) {
    setClipWhole();
}

void opOrigin(const Args &a) {
    ox = clipX + a.inum(0);
    oy = clipY + a.inum(1);
}

void opTextCorners(const Args &a) {
    textCorners = a.inum(0) != 0;
}

void opWrap(const Args &a) {
    wrapX = a.inum(0) != 0;
}

void opFill(const Args &a) {
    for (int y = 0; y < clipH; y++)
        for (int x = 0; x < clipW; x++)
            setPx(*cur, clipX + x, clipY + y, a.color(0));
}

void opRect(const Args &a) {
    if (zoomF != 1) {
        // the pixels whose centres fall inside the scaled rectangle
        double x0 = zoomed(a.inum(0), zoomCx), y0 = zoomed(a.inum(1), zoomCy);
        double x1 = zoomed(a.inum(0) + a.inum(2), zoomCx),
               y1 = zoomed(a.inum(1) + a.inum(3), zoomCy);
        for (int y = int(std::floor(y0)); y < y1; y++)
            for (int x = int(std::floor(x0)); x < x1; x++)
                if (x + 0.5 >= x0 && x + 0.5 < x1 && y + 0.5 >= y0 && y + 0.5 < y1)
                    plot(x, y, a.color(4));
        return;
    }
    int x = a.inum(0), y = a.inum(1), w = a.inum(2), h = a.inum(3);
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++)
            plot(x + i, y + j, a.color(4));
}

void opFrame(const Args &a) {
    int x = a.inum(0), y = a.inum(1), w = a.inum(2), h = a.inum(3);
    uint32_t c = a.color(4);
    for (int i = 0; i < w; i++) {
        plot(x + i, y, c);
        plot(x + i, y + h - 1, c);
    }
    for (int j = 0; j < h; j++) {
        plot(x, y + j, c);
        plot(x + w - 1, y + j, c);
    }
}

void gradient(const Args &a, bool vertical) {
    int x = a.inum(0), y = a.inum(1), w = a.inum(2), h = a.inum(3);
    uint32_t c1 = a.color(4), c2 = a.color(5);
    int levels = a.count() > 6 ? a.inum(6) : 0;
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            double t =
                vertical ? (h > 1 ? double(j) / (h - 1) : 0) : (w > 1 ? double(i) / (w - 1) : 0);
            plot(x + i, y + j, gradientAt(c1, c2, t, levels, x + i + ox, y + j + oy));
        }
}

void opVGrad(const Args &a) {
    gradient(a, true);
}

void opHGrad(const Args &a) {
    gradient(a, false);
}

void opZoom(const Args &a) {
    zoomF = a.num(0);
    zoomCx = a.num(1, clipW / 2.0);
    zoomCy = a.num(2, clipH / 2.0);
}

void opDisc(const Args &a) {
    fillDisc(zoomed(a.num(0), zoomCx), zoomed(a.num(1), zoomCy), a.num(2) * zoomF, a.num(3) * zoomF,
             a.color(4));
}

void opLine(const Args &a) {
    drawLine(zoomedIndex(a.num(0), zoomCx), zoomedIndex(a.num(1), zoomCy),
             zoomedIndex(a.num(2), zoomCx), zoomedIndex(a.num(3), zoomCy), a.color(4));
}

void opTri(const Args &a) {
    fillTri(zoomed(a.num(0), zoomCx), zoomed(a.num(1), zoomCy), zoomed(a.num(2), zoomCx),
            zoomed(a.num(3), zoomCy), zoomed(a.num(4), zoomCx), zoomed(a.num(5), zoomCy),
            a.color(6));
}

void opCloud(const Args &a) {
    drawCloud(a.num(0), a.num(1), a.num(2), a.num(3), a.color(4), a.color(5),
              a.count() > 6 ? a.color(6) : a.color(4));
}

void opAcacia(const Args &a) {
    drawAcacia(a.num(0), a.num(1), a.num(2), a.color(3), a.color(4));
}

void opStars(const Args &a) {
    seedRandom(a.inum(0));
    int n = a.inum(1), x = a.inum(2), y = a.inum(3), w = a.inum(4), h = a.inum(5);
    for (int i = 0; i < n; i++) {
        int sx = x + random(w), sy = y + random(h);
        bool big = random(6) == 0;
        plot(sx, sy, a.color(6));
        if (big) {
            uint32_t dim = a.count() > 7 ? a.color(7) : a.color(6);
            plot(sx - 1, sy, dim);
            plot(sx + 1, sy, dim);
            plot(sx, sy - 1, dim);
            plot(sx, sy + 1, dim);
        }
    }
}

void opSpeckle(const Args &a) {
    seedRandom(a.inum(0));
    int n = a.inum(1);
    uint32_t c = a.color(2);
    bool only = a.count() > 3;
    uint32_t on = only ? a.color(3) : 0;
    for (int i = 0; i < n; i++) {
        int x = clipX - ox + random(clipW), y = clipY - oy + random(clipH);
        if (!only || peek(x, y) == on)
            plot(x, y, c);
    }
}

void opSprite(const Args &a) {
    blitSprite(spriteNamed(a.line, a.str(0)), a.inum(1), a.inum(2),
               a.count() > 3 && a.str(3) == "flip");
}

void opMask(const Args &a) {
    const Image &m = spriteNamed(a.line, a.str(0));
    int dx = a.inum(1), dy = a.inum(2);
    allowed.assign(cur->px.size(), false);
    for (int y = clipY; y < clipY + clipH; y++)
        for (int x = clipX; x < clipX + clipW; x++)
            allowed[size_t(y) * cur->w + x] =
                getPx(*cur, x, y) == getPx(m, x - clipX + dx, y - clipY + dy);
}

void opNoMask(const Args &) {
    allowed.clear();
}

// x y w h cell colour strength: every other cell tinted
void opChecker(const Args &a) {
    int x = a.inum(0), y = a.inum(1), w = a.inum(2), h = a.inum(3), n = a.inum(4);
    uint32_t c = a.color(5);
    double t = a.num(6);
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++)
            if ((i / n + j / n) % 2) {
                uint32_t p = peek(x + i, y + j);
                plot(x + i, y + j, mix(p, c, t));
            }
}

// sprite NAME x y scale, enlarged without smoothing
void opBigSprite(const Args &a) {
    const Image &src = spriteNamed(a.line, a.str(0));
    int x = a.inum(1), y = a.inum(2), f = a.inum(3);
    bool flip = a.count() > 4 && a.str(4) == "flip";
    for (int j = 0; j < src.h * f; j++)
        for (int i = 0; i < src.w * f; i++) {
            uint32_t c = getPx(src, flip ? src.w - 1 - i / f : i / f, j / f);
            if (c != KEY)
                plot(x + i, y + j, c);
        }
}

void opRecolor(const Args &a) {
    for (size_t i = 0; i + 1 < a.count(); i += 2) {
        uint32_t from = a.color(i), to = a.color(i + 1);
        for (int y = clipY; y < clipY + clipH; y++)
            for (int x = clipX; x < clipX + clipW; x++)
                if (getPx(*cur, x, y) == from)
                    setPx(*cur, x, y, to);
    }
}

void opPx(const Args &a) {
    plot(int(std::floor(zoomedIndex(a.num(0), zoomCx) + 0.5)),
         int(std::floor(zoomedIndex(a.num(1), zoomCy) + 0.5)), a.color(2));
}

// pixels of one colour near the shape's edge in one direction
void opRim(const Args &a) {
    uint32_t from = a.color(0), to = a.color(1);
    int dx = a.inum(2), dy = a.inum(3), depth = a.count() > 4 ? a.inum(4) : 1;
    Image before = *cur;
    for (int y = clipY; y < clipY + clipH; y++)
        for (int x = clipX; x < clipX + clipW; x++) {
            if (getPx(before, x, y) != from)
                continue;
            for (int k = 1; k <= depth; k++) {
                int xx = x + k * dx, yy = y + k * dy;
                bool out = xx < clipX || yy < clipY || xx >= clipX + clipW || yy >= clipY + clipH ||
                           getPx(before, xx, yy) == KEY;
                if (out) {
                    setPx(*cur, x, y, to);
                    break;
                }
            }
        }
}

void opOutline(const Args &a) {
    outlineOp(a.color(0), a.count() > 1 && a.inum(1));
}

void opShine(const Args &a) {
    blitSprite(shineSprite(spriteNamed(a.line, a.str(0)), a.inum(1),
                           a.count() > 2 ? a.color(2) : 0xFFFFFF),
               0, 0, false);
}

void opCopy(const Args &a) {
    const Image &src = spriteNamed(a.line, a.str(0));
    int sx = a.inum(1), sy = a.inum(2), w = a.inum(3), h = a.inum(4), dx = a.inum(5),
        dy = a.inum(6);
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            uint32_t c = getPx(src, sx + i, sy + j);
            if (c != KEY || a.count() > 7)
                plot(dx + i, dy + j, c);
        }
}

void opBlend(const Args &a) {
    int x = a.inum(0), y = a.inum(1), w = a.inum(2), h = a.inum(3);
    uint32_t c = a.color(4);
    double t = a.num(5);
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            uint32_t p = peek(x + i, y + j);
            if (p != KEY)
                plot(x + i, y + j, mix(p, c, t));
        }
}

// glyph set, then text style; glyph k goes to cell k in reading order
void font(const Args &a, int scale) {
    const std::vector<Glyph> &set = glyphSet(a.line, a.str(0));
    TextStyle st = styleFrom(a, 1);
    int dx = a.count() > 9 ? a.inum(9) : 1, dy = a.count() > 10 ? a.inum(10) : 1;
    for (size_t k = 0; k < set.size(); k++) {
        selectCell(a.line, int(k));
        std::vector<std::string> m = glyphCell(set[k].rows, scale, dx, dy, clipW, clipH);
        drawStyledMask(m, 0, 0, st, dy, dy + 6 * scale - 1);
    }
    setClipWhole();
}

void opSmallFont(const Args &a) {
    font(a, 1);
}

void opBigFont(const Args &a) {
    font(a, 2);
}

// glyph set, "text", x (or -1 to centre), y, scale, advance, style
void opTitle(const Args &a) {
    const std::vector<Glyph> &set = glyphSet(a.line, a.str(0));
    std::string s = a.str(1);
    int scale = a.inum(4), advance = a.inum(5);
    TextStyle st = styleFrom(a, 6);
    std::vector<std::string> m = scaleMask(stringMask(a.line, set, s, advance), scale, true);
    // trim the trailing empty columns so centring is exact
    int used = 0;
    for (const std::string &row : m)
        for (int x = int(row.size()) - 1; x >= 0; x--)
            if (row[x] == '#') {
                used = std::max(used, x + 1);
                break;
            }
    for (std::string &row : m)
        row.resize(used);
    int x = a.inum(2);
    if (x < 0)
        x = (clipW - used) / 2;
    int y = a.inum(3);
    drawStyledMask(m, x, y, st, y, y + 6 * scale - 1);
}

struct Op {
    const char *name;
    void (*run)(const Args &a);
};

const Op ops[] = {
    {"color", opColor},
    {"cell", opCell},
    {"whole", opWhole},
    {"origin", opOrigin},
    {"textcorners", opTextCorners},
    {"wrap", opWrap},
    {"fill", opFill},
    {"rect", opRect},
    {"frame", opFrame},
    {"vgrad", opVGrad},
    {"hgrad", opHGrad},
    {"zoom", opZoom},
    {"disc", opDisc},
    {"line", opLine},
    {"tri", opTri},
    {"hills", drawHills},
    {"cloud", opCloud},
    {"acacia", opAcacia},
    {"grass", drawGrass},
    {"stars", opStars},
    {"speckle", opSpeckle},
    {"sprite", opSprite},
    {"mask", opMask},
    {"nomask", opNoMask},
    {"checker", opChecker},
    {"bigsprite", opBigSprite},
    {"recolor", opRecolor},
    {"px", opPx},
    {"rim", opRim},
    {"outline", opOutline},
    {"shine", opShine},
    {"copy", opCopy},
    {"blend", opBlend},
    {"smallfont", opSmallFont},
    {"bigfont", opBigFont},
    {"title", opTitle},
};

void runOp(const Line &l, const std::vector<std::string> &tok) {
    if (tok.empty())
        return;
    Args a{l, std::vector<std::string>(tok.begin() + 1, tok.end())};
    for (const Op &op : ops)
        if (tok[0] == op.name) {
            op.run(a);
            return;
        }
    fail(l, "unknown operation " + tok[0]);
}

// ---- reading the sources ----

std::vector<Line> readAll(const std::string &folder) {
    std::vector<std::string> names;
    if (DIR *d = opendir(folder.c_str())) {
        while (dirent *e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".gfx") == 0)
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::vector<Line> lines;
    for (const std::string &n : names) {
        std::ifstream in(folder + "/" + n);
        std::string s;
        int number = 0;
        while (std::getline(in, s)) {
            if (!s.empty() && s.back() == '\r')
                s.pop_back();
            lines.push_back({n, ++number, s});
        }
    }
    return lines;
}

std::string gridRow(const Line &l, size_t w) {
    std::string s = l.text;
    size_t start = s.find_first_not_of(' ');
    s = start == std::string::npos ? "" : s.substr(start);
    size_t end = s.find(' ');
    if (end != std::string::npos)
        s = s.substr(0, end);
    if (s.size() != w)
        fail(l, "grid row must be " + std::to_string(w) + " wide");
    return s;
}

void readSprite(const std::vector<Line> &lines, size_t &i, const Args &a) {
    std::string name = a.str(0);
    int w = a.inum(1), h = a.inum(2);
    Image img = makeImage(name, w, h, KEY);
    for (int y = 0; y < h; y++) {
        if (++i >= lines.size())
            fail(a.line, "sprite ends early");
        std::string row = gridRow(lines[i], w);
        for (int x = 0; x < w; x++) {
            if (row[x] == '.')
                continue;
            auto it = gridKeys.find(row[x]);
            if (it == gridKeys.end())
                fail(lines[i], std::string("no colour for key ") + row[x]);
            img.px[size_t(y) * w + x] = it->second;
        }
    }
    sprites[name] = img;
}

void readGlyphs(const std::vector<Line> &lines, size_t &i, const Args &a) {
    std::vector<Glyph> set(95);
    std::vector<bool> seen(95);
    int w = a.inum(1), h = a.inum(2);
    while (++i < lines.size()) {
        std::vector<std::string> t = tokenize(lines[i].text);
        if (t.empty())
            continue;
        if (t[0] == "end")
            break;
        if (t[0] != "=" || t.size() != 2)
            fail(lines[i], "expected = CHAR");
        int code = t[1] == "space" ? 32 : t[1] == "semicolon" ? ';' : (unsigned char)t[1][0];
        if (code < 32 || code > 126)
            fail(lines[i], "glyph outside 32..126");
        Glyph g;
        for (int y = 0; y < h; y++) {
            if (++i >= lines.size())
                fail(lines[i - 1], "glyph ends early");
            g.rows.push_back(gridRow(lines[i], w));
        }
        set[code - 32] = g;
        seen[code - 32] = true;
    }
    for (int k = 0; k < 95; k++)
        if (!seen[k])
            fail(a.line, std::string("glyph set lacks ") + char(32 + k));
    glyphSets[a.str(0)] = set;
}

void readImage(std::vector<Line> &lines, size_t &i, const Args &a) {
    bool keyed = (a.count() > 3 && a.str(3) == "keyed") || a.line.text.find("draft") == 0;
    Image img = makeImage(a.str(0), a.inum(1), a.inum(2), keyed ? KEY : 0);
    img.keyed = keyed;
    for (size_t k = 3; k + 2 < a.count() + 0; k++)
        if (a.str(k) == "cells") {
            img.cellW = a.inum(k + 1);
            img.cellH = a.inum(k + 2);
        }
    Image *previous = cur;
    outputs.push_back(img);
    cur = &outputs.back();
    setClipWhole();
    wrapX = false;
    zoomF = 1;
    textCorners = false;
    while (++i < lines.size()) {
        std::vector<std::string> t = tokenize(lines[i].text);
        if (!t.empty() && t[0] == "end")
            break;
        if (!t.empty() && macros.count(t[0])) {
            expandMacro(lines, i, t);
            i--;
            continue;
        }
        runOp(lines[i], t);
    }
    wrapX = false;
    zoomF = 1;
    textCorners = false;
    allowed.clear();
    cur = previous;
}

// ---- statements outside pictures ----

void statementColor(std::vector<Line> &, size_t &, const Args &a) {
    colors[a.str(0)] = a.color(1);
}

void statementKey(std::vector<Line> &, size_t &, const Args &a) {
    if (a.str(0).size() != 1 || a.str(0) == ".")
        fail(a.line, "grid keys are single characters other than .");
    gridKeys[a.str(0)[0]] = a.color(1);
}

void statementSprite(std::vector<Line> &lines, size_t &i, const Args &a) {
    readSprite(lines, i, a);
}

void statementGlyphs(std::vector<Line> &lines, size_t &i, const Args &a) {
    readGlyphs(lines, i, a);
}

void statementMacro(std::vector<Line> &lines, size_t &i, const Args &a) {
    Macro m;
    for (size_t k = 1; k < a.count(); k++)
        m.params.push_back(a.str(k));
    while (++i < lines.size() && tokenize(lines[i].text) != std::vector<std::string>{"endmacro"})
        m.body.push_back(lines[i]);
    macros[a.str(0)] = m;
}

void statementImage(std::vector<Line> &lines, size_t &i, const Args &a) {
    if (outputs.size() == outputs.capacity())
        fail(a.line, "too many pictures");
    readImage(lines, i, a);
}

// drawn like a picture, kept as a sprite and never written out
void statementDraft(std::vector<Line> &lines, size_t &i, const Args &a) {
    readImage(lines, i, a);
    Image img = outputs.back();
    outputs.pop_back();
    sprites[img.name] = img;
}

struct Statement {
    const char *name;
    void (*read)(std::vector<Line> &lines, size_t &i, const Args &a);
};

const Statement statements[] = {
    {"color", statementColor},   {"key", statementKey},     {"sprite", statementSprite},
    {"glyphs", statementGlyphs}, {"macro", statementMacro}, {"image", statementImage},
    {"draft", statementDraft},
};

// One statement at line i; i ends on its last line.
void readStatement(std::vector<Line> &lines, size_t &i, const std::vector<std::string> &t) {
    const Line l = lines[i];
    Args a{l, std::vector<std::string>(t.begin() + 1, t.end())};
    for (const Statement &s : statements)
        if (t[0] == s.name) {
            s.read(lines, i, a);
            return;
        }
    fail(l, "unknown statement " + t[0]);
}

} // namespace

bool runSources(const std::string &folder) {
    outputs.clear();
    outputs.reserve(256); // pictures refer to earlier ones while being drawn
    try {
        std::vector<Line> lines = readAll(folder);
        if (lines.empty())
            throw std::runtime_error("no .gfx sources in " + folder);
        for (size_t i = 0; i < lines.size(); i++) {
            std::vector<std::string> t = tokenize(lines[i].text);
            if (t.empty())
                continue;
            if (macros.count(t[0])) {
                expandMacro(lines, i, t);
                i--;
                continue;
            }
            readStatement(lines, i, t);
        }
    } catch (const std::exception &e) {
        fprintf(stderr, "gfxtool: %s\n", e.what());
        return false;
    }
    return true;
}

const std::vector<Image> &pictures() {
    return outputs;
}

const Image *findPicture(const std::string &name) {
    for (const Image &img : outputs)
        if (img.name == name)
            return &img;
    return nullptr;
}
