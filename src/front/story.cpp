#include "front/story.h"

#include "core/playscreen.h"
#include "front/i18n.h"
#include "front/scenery.h"
#include "front/stuff.h"
#include "platform/fpshelper.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"
#include "sound/sound.h"

#include <cstdio>

enum {
    RULES_X = 72, // the tutorial's texts, beside the hippo
    HOW_TO_PLAY_Y = 50,
    CONGRAT_TITLE_Y = 64,
    TITLE_MUSIC = 0,
    MUSIC_FADE_MS = 300,
};

struct TextRow {
    int entry; // of the interface text table
    int y;
};

// The rules, then "LEVEL ONE AHEAD..." and the key to press.
static const TextRow tutorialLines[] = {
    {TEXT_RULES, 90},      {TEXT_RULES + 1, 102},       {TEXT_RULES + 2, 114},
    {TEXT_RULES + 3, 126}, {TEXT_RULES + 4, 138},       {TEXT_RULES + 5, 150},
    {TEXT_RULES + 6, 162}, {TEXT_LEVEL_ONE_AHEAD, 182}, {TEXT_HIT_ANY_KEY, 202},
};

// The closing story, then the key to press; centred.
static const TextRow congratLines[] = {{TEXT_STORY_END, 104},
                                       {TEXT_STORY_END + 1, 116},
                                       {TEXT_STORY_END + 2, 128},
                                       {TEXT_HIT_ANY_KEY, 152}};

static void traceStory(const char *event, const char *format, int a, int b) {
    if (!replayTracing())
        return;
    char details[64];
    snprintf(details, sizeof details, format, a, b);
    replayNote(event, details);
}

// The directions only move things on other screens; anything else typed (a
// click counts as ACTION) leaves these pages.
static int leavesPage(int typed) {
    return typed == INPUT_START || typed == INPUT_ACTION || typed == INPUT_OTHER;
}

void tutorialDraw(Tutorial *t) {
    // The title's two far layers only: the front one would cover the rules.
    drawLoop(menubkg[0], t->frameA >> 1);
    drawLoop(menubkg[1], t->frameB >> 1);
    t->drawn++;
    Uint16 half = Uint16(t->hippo->w / 2);
    SDL_Rect pose = {0, 0, half, Uint16(t->hippo->h)};
    if ((t->drawn & HIPPO_POSE_FRAMES) == 0) {
        pose.x = Sint16(half);
        t->rightShown = 1;
    } else if (t->rightShown) {
        playSFX(SFX_HIPPO); // as it turns to the left pose
        t->rightShown = 0;
    }
    SDL_Rect at = {HIPPO_X, HIPPO_Y, 0, 0};
    blitSurface(t->hippo, &pose, screen, &at);
    drawTextAt(screen, text(TEXT_HOW_TO_PLAY), RULES_X, HOW_TO_PLAY_Y, fontbig);
    for (const TextRow &line : tutorialLines)
        drawTextAt(screen, text(line.entry), RULES_X, line.y, font);
}

int tutorialPass(Tutorial *t) {
    if (done)
        return 1;
    if (controlFPS()) {
        tutorialDraw(t);
        flipScreen();
    }
    t->frameA += 1;
    t->frameB += 2;
    checkInput();
    return leavesPage(lastKeyTyped);
}

void tutorialScreen(int frameA, int frameB) {
    Tutorial t = {loadGFX("hippo", 1, 255, 0, 255), frameA, frameB, 0, 1};
    initFPS();
    traceStory("tutorial", "frameA=%d frameB=%d", frameA, frameB);
    while (!tutorialPass(&t)) {
    }
    freeSurface(t.hippo);
    traceStory("tutorialend", "drawn=%d frameA=%d", t.drawn, t.frameA);
}

void congratStart(Congrat *c, SDL_Surface *picture) {
    c->picture = picture;
    c->baseX = -butterflyBlocks[0]->w; // wholly off the left edge
    c->t = c->phase = 0;
    c->wing = 0;
    c->wingCount = WING_FRAMES;
}

// It wobbles up to 8 pixels each way, three times as fast up and down.
void butterflyAt(const Congrat *c, int *x, int *y) {
    *x = c->baseX + (tcos[c->t & 511] >> 7);
    *y = BUTTERFLY_Y + (tsin[c->phase & 511] >> 7);
}

void congratDraw(const Congrat *c) {
    blitImage(c->picture, 0, (screen->h - c->picture->h) / 2, screen);
    int x, y;
    butterflyAt(c, &x, &y);
    blitImage(butterflyBlocks[c->wing], x, y, screen);
    drawTextCenterAt(screen, text(TEXT_CONGRATULATIONS), CONGRAT_TITLE_Y, fontbig);
    for (const TextRow &line : congratLines)
        drawTextCenterAt(screen, text(line.entry), line.y, font);
}

void congratStep(Congrat *c) {
    if (--c->wingCount == 0) {
        c->wing ^= 1;
        c->wingCount = WING_FRAMES;
    }
    c->t += 1;
    c->phase += 3;
    if (c->baseX < BUTTERFLY_REST_X)
        c->baseX++; // one pixel a pass until it settles
}

int congratPass(Congrat *c) {
    if (controlFPS()) {
        congratDraw(c);
        flipScreen();
    }
    checkInput();
    if (leavesPage(lastKeyTyped))
        return 1;
    congratStep(c);
    return done != 0;
}

void congratScreen() {
    Congrat c;
    congratStart(&c, loadGFX("creditsend", 0, 255, 0, 255));
    ModPlugFile *track = loadMusic(TITLE_MUSIC);
    if (track)
        MP_FadeInMusic(track, -1, MUSIC_FADE_MS);
    initFPS();
    traceStory("congrat", "music=%d done=%d", track != nullptr, done);
    int passes = 0;
    if (!done) {
        while (!congratPass(&c))
            passes++;
    }
    if (track)
        stopMusic(track);
    freeSurface(c.picture);
    traceStory("congratend", "passes=%d x=%d", passes, c.baseX);
}
