#include "contact.h"

#include "image.h"
#include "script.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const Image *need(const char *name) {
    const Image *img = findPicture(name);
    if (!img) {
        fprintf(stderr, "gfxtool: no picture %s for the review sheets\n", name);
        exit(1);
    }
    return img;
}

// Copies a part of a picture, skipping magenta when keyed.
void blit(Image &dst, const Image &src, int sx, int sy, int w, int h, int dx, int dy, bool keyed) {
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint32_t c = getPx(src, sx + x, sy + y);
            if (keyed && c == KEY)
                continue;
            setPx(dst, dx + x, dy + y, c);
        }
}

void blitCell(Image &dst, const Image &sheet, int cw, int ch, int cell, int dx, int dy,
              bool keyed = true) {
    int cols = sheet.w / cw;
    blit(dst, sheet, cell % cols * cw, cell / cols * ch, cw, ch, dx, dy, keyed);
}

void text(Image &dst, const char *font, const std::string &s, int x, int y) {
    const Image *f = need(font);
    int cw = f->cellW ? f->cellW : 8, ch = f->cellH ? f->cellH : 8;
    for (size_t i = 0; i < s.size(); i++)
        blitCell(dst, *f, cw, ch, (unsigned char)s[i] - 32, x + int(i) * cw, y);
}

void centred(Image &dst, const char *font, const std::string &s, int y) {
    const Image *f = need(font);
    int cw = f->cellW ? f->cellW : 8;
    text(dst, font, s, 160 - (cw >> 1) * int(s.size()), y);
}

void number(Image &dst, const char *font, int value, int digits, int x, int y) {
    char buf[16];
    snprintf(buf, sizeof buf, "%0*d", digits, value);
    text(dst, font, buf, x, y);
}

void darken(Image &img) {
    for (uint32_t &c : img.px)
        c = mix(c, 0, 0.5);
}

Image scaled(const Image &src, int f) {
    Image out = makeImage(src.name, src.w * f, src.h * f, 0);
    for (int y = 0; y < out.h; y++)
        for (int x = 0; x < out.w; x++)
            setPx(out, x, y, getPx(src, x / f, y / f));
    return out;
}

bool save(const std::string &dir, const std::string &name, const Image &img) {
    std::string path = dir + "/" + name + ".png";
    if (!writeFile(path, encodePNG(img))) {
        fprintf(stderr, "gfxtool: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// One picture, enlarged, cells apart by a one-pixel cyan rule, transparent
// pixels as a grey checkerboard, each cell numbered in a band above it.
Image contactSheet(const Image &img) {
    int f = img.w <= 240 ? 3 : img.w <= 330 ? 2 : 1;
    int cw = img.cellW ? img.cellW : img.w, ch = img.cellH ? img.cellH : img.h;
    int cols = img.w / cw, rows = img.h / ch;
    int gap = img.cellW ? 1 : 0, band = img.cellW ? 9 : 0;
    int top = 14;
    Image out = makeImage(img.name, 8 + cols * (cw * f + gap) + 8,
                          top + rows * (ch * f + gap + band) + 8, 0x202830);
    char label[128];
    snprintf(label, sizeof label, "%s %dx%d%s", img.name.c_str(), img.w, img.h,
             img.keyed ? " keyed" : "");
    text(out, "font", label, 8, 3);
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < cols; c++) {
            int x0 = 8 + c * (cw * f + gap), y0 = top + band + r * (ch * f + gap + band);
            for (int y = 0; y < ch * f; y++)
                for (int x = 0; x < cw * f; x++) {
                    uint32_t p = getPx(img, c * cw + x / f, r * ch + y / f);
                    if (p == KEY)
                        p = ((x / 4 + y / 4) & 1) ? 0x8a8a8a : 0x6e6e6e;
                    setPx(out, x0 + x, y0 + y, p);
                }
            if (gap) {
                for (int x = -1; x <= cw * f; x++)
                    setPx(out, x0 + x, y0 - 1, 0x00c8ff);
                for (int y = -1; y <= ch * f; y++)
                    setPx(out, x0 - 1, y0 + y, 0x00c8ff);
                text(out, "font", std::to_string(r * cols + c), x0, y0 - band);
            }
        }
    return out;
}

const int level[80] = {3, 1, 4, 1, 5, 2, 2, 3, 5, 3, 2, 4, 1, 4, 3, 1, 2, 5, 1, 3,
                       3, 5, 4, 2, 4, 2, 2, 5, 1, 1, 5, 3, 1, 3, 4, 2, 5, 4, 1, 4,
                       5, 1, 3, 5, 2, 3, 2, 1, 2, 4, 5, 1, 4, 5, 3, 2, 4, 3, 2, 3,
                       1, 2, 4, 5, 1, 5, 2, 4, 3, 1, 5, 3, 3, 2, 1, 2, 5, 4, 3, 1};

// The play screen as the game composes it, with a full board of fruit and a
// few running animations, so the tiles can be judged on their background.
Image playScreen(int bkg, int set, bool boards) {
    const Image *bg = need(("ingamebkg" + std::to_string(bkg + 1)).c_str());
    Image s = makeImage("play", 320, 240, 0);
    blit(s, *bg, 0, 0, 320, 240, 0, 0, false);
    if (bkg == 0)
        blitCell(s, *need("sunanim"), 64, 64, 1, 192, 0, false);
    const Image *tb = need("timebar"), *tf = need("timebar2");
    blit(s, *tb, 0, 0, tb->w, tb->h, 8, 8, true);
    blit(s, *tf, 0, 0, tf->w * 3 / 5, tf->h, 20, 20, false);
    int H = tb->h, W = tb->w;
    text(s, "font", "MOVE", 8, H + 8);
    number(s, "font", 7, 2, 48, H + 8);
    text(s, "font", "/", 64, H + 8);
    number(s, "font", 15, 2, 72, H + 8);
    const Image *kitty = need("kitty");
    blit(s, *kitty, 0, 0, kitty->w, kitty->h, W - 24 - 40, H + 8, true);
    number(s, "font", 3, 1, W - 8 - 40, H + 8);
    text(s, "font", "LIVES", W + 8 - 40, H + 8);
    text(s, "font", "SCORE", 320 - 8 - 40, H + 8);
    text(s, "font", "AT STAGE", 320 - 40 - 64, 6);
    number(s, "font", bkg + 1, 3, 320 - 32, 6);
    number(s, "fontbig", 12340 + bkg * 2500, 6, 320 - 104, 15);
    blitCell(s, *need("totem"), 32, 48, 1 * 5 + (bkg % 5), 144, 192, false);
    blitCell(s, *need("lionanim"), 32, 32, (bkg == 3 ? 4 * 7 + 5 : 1 * 7 + 4), 144, 175);
    const Image *fl = need(set ? "flowers2" : "flowers");
    // two flowers in empty columns of the target board: one open, one budding
    int heights[2] = {44, 20}, slots[2] = {9, 14}, heads[2] = {4, 0};
    for (int k = 0; k < 2; k++) {
        int x = 48 + 16 * slots[k], hgt = heights[k];
        int rows = hgt < 16 ? hgt : 16;
        blit(s, *fl, heads[k] * 16, 0, 16, rows, x, 224 - hgt, true);
        int piece = 5;
        for (int r = hgt - 16; r > 0; r -= 16) {
            blit(s, *fl, piece * 16, 0, 16, r < 16 ? r : 16, x, 224 - r, true);
            piece = piece == 5 ? 6 : 5;
        }
    }
    const Image *birds = need(set ? "birds2" : "birds");
    blitCell(s, *birds, 16, 16, 2, 192, 36);
    blitCell(s, *birds, 16, 16, 8, 224, 34);
    blitCell(s, *birds, 16, 16, 3, 240, 34);
    if (!boards)
        return s;
    const Image *tiles = need(set ? "fruitanim2" : "fruitanim");
    blitCell(s, *tiles, 16, 16, 64 + bkg % 4, 16 + 16 * 3, 64 + 16 * 5);
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 8; x++) {
            int v = level[x + 8 * y];
            int frame = v - 1;
            if (x == 6 && y == 2)
                frame = 45; // mid-morph 3 -> 2, kind 2 growing
            if (x == 1 && y == 8)
                frame = 22; // mid-morph 4 -> 3, kind 4 shrunk
            if (x == 5 && y == 6)
                frame = v + 7 + 8 * 2; // shining
            blitCell(s, *tiles, 16, 16, frame, 16 + 16 * x, 64 + 16 * y);
            int t = y < 3 ? 0 : level[(7 - x) + 8 * (9 - y)];
            if (y == 9 && (x == 1 || x == 6))
                t = 0;
            if (t)
                blitCell(s, *tiles, 16, 16, t - 1, 176 + 16 * x, 64 + 16 * y);
        }
    blitCell(s, *tiles, 16, 16, 21, 90, 40); // an eject in the air
    blitCell(s, *tiles, 16, 16, 58, 16 * 3 + 12, 16 * 5 + 68);
    for (int i = 0; i < 5; i++)
        blitCell(s, *tiles, 16, 16, 4 - i, 152, 62 + 24 * i);
    blitCell(s, *birds, 16, 16, 5, 120, 30 + 9);
    return s;
}

Image titleScreen(int frame) {
    Image s = makeImage("title", 320, 240, 0);
    const char *layers[3] = {"titbkgl0", "titbkgl1", "titbkgl2"};
    for (int l = 0; l < 3; l++) {
        const Image *img = need(layers[l]);
        int pos = (frame * (l + 1)) / 2;
        int r = pos % img->w;
        for (int x = -r; x < 320; x += img->w)
            blit(s, *img, 0, 0, img->w, img->h, x, 0, l > 0);
    }
    const Image *logo = need("logo");
    blit(s, *logo, 0, 0, logo->w, logo->h, (320 - logo->w) / 2, (240 - logo->h) / 2 - 56, true);
    const char *items[5] = {"NEW GAME", "CONTINUE", "HISCORES", "OPTIONS", "EXIT"};
    for (int i = 0; i < 5; i++)
        centred(s, "fontbig", items[i], 104 + 18 * i);
    for (int x = 0; x < 320; x++) {
        setPx(s, x, 194, 0);
        setPx(s, x, 205, 0);
        for (int y = 195; y < 205; y++)
            setPx(s, x, y, mix(getPx(s, x, y), 0x408040, 0.5));
    }
    text(s, "font", "QUENZY - MARUK THE LION IS HUNGRY! - 0123456789 ()'?:", -3, 196);
    centred(s, "fontbig", "QUENZY V1.00.2", 208);
    return s;
}

Image pauseScreen() {
    Image s = playScreen(1, 0, false);
    const Image *title = need("pause"), *icons = need("options_vert");
    int h = title->h;
    const char *entries[5] = {"BACK TO GAME", "UNDO LAST MOVE", "RESTART LEVEL", "AUTO RESOLVE",
                              "EXIT"};
    int sel = 1;
    for (int i = 0; i < 5; i++) {
        if (i == sel)
            continue;
        text(s, "fontbig", entries[i], 56, h + 24 + 32 * i);
        if (i != 3)
            blitCell(s, *icons, 32, 32, i, 16, h + 16 + 32 * i);
    }
    darken(s);
    blit(s, *title, 0, 0, title->w, h, (320 - title->w) / 2, 8, true);
    text(s, "fontbig", ">", 0, h + 24 + 32 * sel);
    blitCell(s, *icons, 32, 32, sel, 16, h + 16 + 32 * sel);
    text(s, "fontbig", entries[sel], 56, h + 24 + 32 * sel);
    return s;
}

Image gameOverScreen() {
    Image s = playScreen(2, 1, true);
    darken(s);
    const Image *go = need("gameover");
    blit(s, *go, 0, 0, go->w, go->h, (320 - go->w) / 2, 48, true);
    centred(s, "fontbig", "SCORE: 17340", 160);
    centred(s, "font", "HIT ACTION BUTTON OR ANY KEY", 192);
    return s;
}

Image tutorialScreen() {
    Image s = makeImage("tutorial", 320, 240, 0);
    for (int l = 0; l < 2; l++) {
        const Image *img = need(l ? "titbkgl1" : "titbkgl0");
        for (int x = 0; x < 320; x += img->w)
            blit(s, *img, 0, 0, img->w, img->h, x, 0, l > 0);
    }
    const Image *hippo = need("hippo");
    blit(s, *hippo, hippo->w / 2, 0, hippo->w / 2, hippo->h, 4, 80, true);
    text(s, "fontbig", "HOW TO PLAY", 72, 50);
    const char *lines[7] = {"REPRODUCE THE RIGHT SCREEN BY",  "PICKING FRUITS. CHOSEN FRUITS",
                            "CHANGE INTO OTHER FRUITS WHILE", "THE CENTERED ONE MORPHS BY TWO",
                            "STEPS. THE ONE LOCATED ABOVE,",  "BELOW, TO THE LEFT and TO THE",
                            "RIGHT MORPHS ONE STEP."};
    for (int i = 0; i < 7; i++)
        text(s, "font", lines[i], 72, 90 + 12 * i);
    text(s, "font", "LEVEL ONE AHEAD...", 72, 182);
    text(s, "font", "HIT ACTION BUTTON OR ANY KEY", 72, 202);
    return s;
}

Image congratScreen() {
    Image s = makeImage("congrats", 320, 240, 0);
    const Image *pic = need("creditsend");
    blit(s, *pic, 0, 0, pic->w, pic->h, 0, (240 - pic->h) / 2, false);
    blitCell(s, *need("butterfly"), 16, 16, 0, 176, 176 + 4);
    blitCell(s, *need("butterfly"), 16, 16, 1, 60, 170);
    centred(s, "fontbig", "CONGRATULATIONS", 64);
    centred(s, "font", "MARUK HAD ENOUGH FRUITS FOR SURE NOW.", 104);
    centred(s, "font", "THANK YOU VERY MUCH FOR GUIDING HIM.", 116);
    centred(s, "font", "WHAT ADVENTURES MIGHT BE UP NEXT?", 128);
    centred(s, "font", "HIT ACTION BUTTON OR ANY KEY", 152);
    return s;
}

Image splashScreen() {
    Image s = makeImage("splash", 320, 240, 0);
    const Image *m = need("ov-ondra"), *l = need("ov-logo");
    blit(s, *m, 0, 0, m->w, m->h, 160 - m->w / 2, 100 - m->h / 2, true);
    blit(s, *l, 0, 0, l->w, l->h, (320 - l->w) >> 1, 180 - l->h, true);
    return s;
}

// Both morph strips of both sets in the order a fruit runs through them,
// kind 5 down to kind 1, with the eject frames marked underneath.
Image morphStrips() {
    const int order[17] = {70, 62, 54, 46, 38, 30, 22, 14, 6, 61, 53, 45, 37, 29, 21, 13, 5};
    Image s = makeImage("morphs", 8 + 17 * 18, 8 + 2 * 30, 0x303848);
    const char *sets[2] = {"fruitanim", "fruitanim2"};
    for (int k = 0; k < 2; k++)
        for (int i = 0; i < 17; i++) {
            int cell = order[i];
            blitCell(s, *need(sets[k]), 16, 16, cell, 8 + i * 18, 8 + k * 30);
            bool eject = cell == 5 || cell == 21 || cell == 53 || cell == 22 || cell == 54;
            if (eject)
                for (int x = 0; x < 16; x++)
                    setPx(s, 8 + i * 18 + x, 8 + k * 30 + 18, 0xffd040);
        }
    return s;
}

} // namespace

int renderContactSheets(const std::string &outDir) {
    bool ok = true;
    for (const Image &img : pictures())
        ok = save(outDir, "sheet-" + img.name, contactSheet(img)) && ok;
    for (int b = 0; b < 4; b++)
        ok = save(outDir, "screen-play" + std::to_string(b + 1),
                  scaled(playScreen(b, b & 1, true), 2)) &&
             ok;
    ok = save(outDir, "screen-morphs", scaled(morphStrips(), 3)) && ok;
    ok = save(outDir, "screen-title", scaled(titleScreen(200), 2)) && ok;
    ok = save(outDir, "screen-pause", scaled(pauseScreen(), 2)) && ok;
    ok = save(outDir, "screen-gameover", scaled(gameOverScreen(), 2)) && ok;
    ok = save(outDir, "screen-tutorial", scaled(tutorialScreen(), 2)) && ok;
    ok = save(outDir, "screen-congrats", scaled(congratScreen(), 2)) && ok;
    ok = save(outDir, "screen-splash", scaled(splashScreen(), 2)) && ok;
    return ok ? 0 : 1;
}
