#pragma once

// Shared by the tests of the intro and story screens: a headless display on
// the virtual clock (so every frame is drawn, and at once), solid made-up
// fonts, and typed input through SDL's own event queue.

#include "media_helpers.h"
#include "platform/keyhelper.h"
#include "platform/sys.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

namespace screentest {

const SDL_Color GLYPH = {250, 250, 0, 0};

class ScreenTest : public testing::Test {
  protected:
    void SetUp() override {
        media::startVideo(0, 0, 16);
        font = media::solidFont(8, GLYPH);
        fontbig = media::solidFont(16, GLYPH);
        sysVirtualClock = 1;
        sysVirtualNow = 1000;
        drain();
        resetDefaultControls();
        lastKey = lastKeyTyped = 0;
        mouseX = mouseY = -1;
        done = 0;
        joystick = nullptr;
    }
    void TearDown() override {
        drain();
        sysVirtualClock = 0;
        lastKey = lastKeyTyped = 0;
        done = 0;
        media::stopVideo();
    }
    static void drain() {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }
    static void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 0); }
    // A key pressed and let go before the next poll.
    static void typeKey(SDLKey sym) {
        SDL_Event e = {};
        e.type = e.key.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = sym;
        push(e);
        e.type = e.key.type = SDL_KEYUP;
        e.key.state = SDL_RELEASED;
        push(e);
    }
    static void click(int x, int y) {
        SDL_Event e = {};
        e.type = e.button.type = SDL_MOUSEBUTTONDOWN;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = Uint16(x);
        e.button.y = Uint16(y);
        push(e);
    }
    static void closeWindow() {
        SDL_Event e = {};
        e.type = SDL_QUIT;
        push(e);
    }
    static Uint32 colour(SDL_Color c) { return SDL_MapRGB(screen->format, c.r, c.g, c.b); }
    static Uint32 at(int x, int y) { return media::getPixel(screen, x, y); }
    // Some pixel of row y has the glyphs' colour.
    static int rowHasText(int y) {
        for (int x = 0; x < screen->w; x++)
            if (at(x, y) == colour(GLYPH))
                return 1;
        return 0;
    }
};

} // namespace screentest
