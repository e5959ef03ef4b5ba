#pragma once

#include <SDL/SDL.h>

// The credits page, the second intro screen: the open-source libraries the
// game is built on. It stays until a key, a button or a click.

int opensourceInit();
int opensourceShutdown();
// Non-zero once anything was typed or clicked, or the window was closed.
int opensourceUpdate();
int opensourceRender(SDL_Surface *surface);
