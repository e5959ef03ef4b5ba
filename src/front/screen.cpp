#include "front/screen.h"

#include "front/ondrascreen.h"
#include "front/opensourcescreen.h"
#include "platform/fpshelper.h"
#include "platform/gfx_sdl.h"
#include "platform/keyhelper.h"
#include "platform/replay.h"

#include <cstdio>

const IntroScreen screens[] = {
    {"ondra", ondraInit, ondraShutdown, ondraUpdate, ondraRender},
    {"opensource", opensourceInit, opensourceShutdown, opensourceUpdate, opensourceRender},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

int currentScreen = 0;

static void traceScreen(const char *event, const IntroScreen *row, int frames) {
    if (!replayTracing())
        return;
    char details[64];
    if (frames < 0)
        snprintf(details, sizeof details, "screen=%s", row->name);
    else
        snprintf(details, sizeof details, "screen=%s frames=%d", row->name, frames);
    replayNote(event, details);
}

// Frames of logic until update reports the screen finished.
static int runScreen(const IntroScreen *row) {
    int frames = 0;
    while (!row->update()) {
        if (controlFPS()) {
            row->render(screen);
            flipScreen();
        }
        checkInput();
        frames++;
    }
    return frames;
}

void playScreens(const IntroScreen *table) {
    while (table[currentScreen].name) {
        const IntroScreen *row = &table[currentScreen];
        lastKeyTyped = 0;
        row->init();
        initFPS();
        traceScreen("intro", row, -1);
        int frames = runScreen(row);
        row->shutdown();
        traceScreen("introend", row, frames);
        currentScreen++;
    }
}
