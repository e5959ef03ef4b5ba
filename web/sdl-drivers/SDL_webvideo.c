/* SDL 1.2 video and events for a web page.
 *
 * SDL 1.2 has no driver for a browser, and Emscripten's own JavaScript SDL
 * behaves unlike the real one (a 16-bit mode comes back as 32-bit RGBA,
 * colour keys do nothing), so the real SDL runs here with this small driver
 * in the slot of its dummy one. The screen is a plain buffer in the depth
 * the program asks for, as on the desktop; each update converts it to RGBA
 * and puts it on the page's canvas (a doubled frame at half its size). Keys and mouse come from the page's
 * listeners, queued in JavaScript and drained at each pump, as the same
 * SDLK_* codes and in the screen's own pixel coordinates; a tap on a
 * touch screen is a click. */

#include "SDL_config.h"

#include "SDL_video.h"
#include "SDL_mouse.h"
#include "SDL_sysvideo.h"
#include "SDL_pixels_c.h"
#include "SDL_sysevents.h"
#include "SDL_events_c.h"

#include <emscripten.h>
#include <wasm_simd128.h>

#define WEBVID_DRIVER_NAME "web"
#define _THIS SDL_VideoDevice *this

struct SDL_PrivateVideoData {
	int w, h;
	void *buffer;  /* the screen, in the program's depth */
	Uint32 *rgba;  /* the same frame for the canvas */
	Uint32 *lut;   /* at 16 bits: the RGBA of each pixel value, or null until needed */
};

/* One page event: kind, then key (sym, mod) or mouse (button, x, y). */
enum { WEB_KEYDOWN = 1, WEB_KEYUP, WEB_MOTION, WEB_BUTTONDOWN, WEB_BUTTONUP };

/* Sets up the canvas at the mode's size and the listeners (once). Keys go
 * by KeyboardEvent.code, so a layout's shifted characters do not change
 * which key the game sees; letters and digits give their lower-case
 * ASCII, as SDL's X11 driver does. */
EM_JS(void, web_video_open, (int w, int h), {
	var canvas = Module['canvas'];
	canvas.width = w;
	canvas.height = h;
	/* The screen's size: the canvas may hold a doubled frame at half of it. */
	Module.webScreen = [w, h];
	/* Opaque, as the frame is: putImageData then takes the pixels as they
	 * are, a third of the time it takes onto a canvas that may be
	 * transparent (tools/web-present). */
	Module.webContext = canvas.getContext('2d', {alpha: false});
	Module.webImage = null;
	if (Module.webEvents)
		return;
	Module.webEvents = [];
	var named = {
		Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 271, Pause: 19, Escape: 27, Space: 32,
		Quote: 39, Comma: 44, Minus: 45, Period: 46, Slash: 47, Semicolon: 59, Equal: 61,
		BracketLeft: 91, Backslash: 92, BracketRight: 93, Backquote: 96, Delete: 127,
		ArrowUp: 273, ArrowDown: 274, ArrowRight: 275, ArrowLeft: 276, Insert: 277, Home: 278,
		End: 279, PageUp: 280, PageDown: 281, NumLock: 300, CapsLock: 301, ScrollLock: 302,
		ShiftRight: 303, ShiftLeft: 304, ControlRight: 305, ControlLeft: 306, AltRight: 307,
		AltLeft: 308, MetaRight: 309, MetaLeft: 310, NumpadDecimal: 266, NumpadDivide: 267,
		NumpadMultiply: 268, NumpadSubtract: 269, NumpadAdd: 270, NumpadEqual: 272
	};
	function sym(code) {
		if (code in named) return named[code];
		var m;
		if ((m = /^Key([A-Z])$/.exec(code))) return m[1].toLowerCase().charCodeAt(0);
		if ((m = /^Digit([0-9])$/.exec(code))) return 48 + Number(m[1]);
		if ((m = /^Numpad([0-9])$/.exec(code))) return 256 + Number(m[1]);
		if ((m = /^F([0-9]+)$/.exec(code)) && m[1] >= 1 && m[1] <= 15) return 281 + Number(m[1]);
		return 0;
	}
	function mods(e) {
		return (e.shiftKey ? 0x0001 : 0) | (e.ctrlKey ? 0x0040 : 0) | (e.altKey ? 0x0100 : 0);
	}
	function key(kind) {
		return function(e) {
			var s = sym(e.code);
			if (!s) return;
			e.preventDefault(); /* arrows and space must not scroll the page */
			if (!e.repeat) Module.webEvents.push([kind, s, mods(e), 0]);
		};
	}
	document.addEventListener('keydown', key(1));
	document.addEventListener('keyup', key(2));
	/* Page pixels to the screen's: the canvas may be scaled to any size. */
	function at(e) {
		var r = Module['canvas'].getBoundingClientRect(), w = Module.webScreen[0], h = Module.webScreen[1];
		var x = Math.floor((e.clientX - r.left) * w / r.width);
		var y = Math.floor((e.clientY - r.top) * h / r.height);
		return [Math.max(0, Math.min(w - 1, x)), Math.max(0, Math.min(h - 1, y))];
	}
	function mouse(kind) {
		return function(e) {
			var p = at(e);
			if (kind !== 3) e.preventDefault();
			Module.webEvents.push([kind, e.button + 1, p[0], p[1]]);
		};
	}
	canvas.addEventListener('mousedown', mouse(4));
	canvas.addEventListener('mousemove', mouse(3));
	document.addEventListener('mouseup', mouse(5));
	canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
	/* A tap is a click where the finger lands, as the left button; taken
	 * here so the browser's own late mouse events for it never come. */
	function touch(kind) {
		return function(e) {
			var t = e.changedTouches[0];
			if (!t) return;
			e.preventDefault();
			var p = at(t);
			if (kind === 4) Module.webEvents.push([3, 0, p[0], p[1]]);
			Module.webEvents.push([kind, 1, p[0], p[1]]);
		};
	}
	canvas.addEventListener('touchstart', touch(4));
	canvas.addEventListener('touchend', touch(5));
	canvas.addEventListener('touchcancel', touch(5));
});

/* Takes the oldest page event into out[0..3]; 0 when there is none. */
EM_JS(int, web_next_event, (int *out), {
	var e = Module.webEvents && Module.webEvents.shift();
	if (!e) return 0;
	for (var i = 0; i < 4; i++) HEAP32[(out >> 2) + i] = e[i];
	return 1;
});

/* The canvas's image is a view of the frame in the program's memory (no
 * copy), made anew when the memory has grown and so moved. The canvas
 * takes the image's size: the page scales it to the screen's. */
EM_JS(void, web_video_show, (const Uint32 *rgba, int w, int h), {
	var image = Module.webImage, canvas = Module['canvas'];
	if (!image || image.data.buffer !== HEAPU8.buffer || image.data.byteOffset !== rgba ||
	    image.width !== w || image.height !== h)
		image = Module.webImage = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4), w, h);
	if (canvas.width !== w || canvas.height !== h) {
		canvas.width = w;
		canvas.height = h;
	}
	Module.webContext.putImageData(image, 0, 0);
	if (Module['onFrame']) Module['onFrame']();
});

static int WEB_Available(void)
{
	return 1;
}

static int WEB_VideoInit(_THIS, SDL_PixelFormat *vformat)
{
	vformat->BitsPerPixel = 16;
	vformat->BytesPerPixel = 2;
	return 0;
}

static SDL_Rect **WEB_ListModes(_THIS, SDL_PixelFormat *format, Uint32 flags)
{
	return (SDL_Rect **)-1; /* any size: the page scales it */
}

static void WEB_FreeBuffers(_THIS)
{
	SDL_free(this->hidden->buffer);
	SDL_free(this->hidden->rgba);
	SDL_free(this->hidden->lut);
	this->hidden->buffer = NULL;
	this->hidden->rgba = NULL;
	this->hidden->lut = NULL;
}

static SDL_Surface *WEB_SetVideoMode(_THIS, SDL_Surface *current, int width, int height,
                                     int bpp, Uint32 flags)
{
	int bytes = (bpp + 7) / 8;
	WEB_FreeBuffers(this);
	this->hidden->buffer = SDL_calloc(1, (size_t)width * height * bytes);
	this->hidden->rgba = SDL_calloc(1, (size_t)width * height * 4);
	if (!this->hidden->buffer || !this->hidden->rgba) {
		WEB_FreeBuffers(this);
		SDL_OutOfMemory();
		return NULL;
	}
	if (!SDL_ReallocFormat(current, bpp, 0, 0, 0, 0)) {
		WEB_FreeBuffers(this);
		return NULL;
	}
	current->flags = flags & SDL_FULLSCREEN;
	this->hidden->w = current->w = width;
	this->hidden->h = current->h = height;
	current->pitch = (Uint16)(width * bytes);
	current->pixels = this->hidden->buffer;
	web_video_open(width, height);
	return current;
}

static int WEB_AllocHWSurface(_THIS, SDL_Surface *surface)
{
	return -1;
}

static void WEB_FreeHWSurface(_THIS, SDL_Surface *surface)
{
}

static int WEB_LockHWSurface(_THIS, SDL_Surface *surface)
{
	return 0;
}

static void WEB_UnlockHWSurface(_THIS, SDL_Surface *surface)
{
}

/* A channel of `bits` bits widened to 8, its top bits repeated below. */
static Uint8 widen(Uint32 value, Uint8 loss)
{
	Uint32 v = value << loss;
	return (Uint8)(loss ? v | (v >> (8 - loss)) : v);
}

static Uint32 rgbaOf(const SDL_PixelFormat *f, Uint32 p)
{
	Uint8 r, g, b;
	if (f->palette) {
		const SDL_Color *c = &f->palette->colors[p & 0xFF];
		r = c->r, g = c->g, b = c->b;
	} else {
		r = widen((p & f->Rmask) >> f->Rshift, f->Rloss);
		g = widen((p & f->Gmask) >> f->Gshift, f->Gloss);
		b = widen((p & f->Bmask) >> f->Bshift, f->Bloss);
	}
	return 0xFF000000u | ((Uint32)b << 16) | ((Uint32)g << 8) | r;
}

static Uint32 pixelAt(const Uint8 *at, int bytes)
{
	switch (bytes) {
	case 1: return *at;
	case 2: return *(const Uint16 *)at;
	case 3: return at[0] | (at[1] << 8) | ((Uint32)at[2] << 16);
	default: return *(const Uint32 *)at;
	}
}

/* At 16 bits, the game's own depth, every pixel value's RGBA is worked
 * out once (256 KB): a frame is then one look-up a pixel, where the
 * general conversion below takes several times as long. */
static const Uint32 *lutOf(_THIS, const SDL_PixelFormat *f)
{
	Uint32 p;
	if (!this->hidden->lut) {
		this->hidden->lut = SDL_malloc(65536 * sizeof(Uint32));
		if (!this->hidden->lut)
			return NULL;
		for (p = 0; p < 65536; p++)
			this->hidden->lut[p] = rgbaOf(f, p);
	}
	return this->hidden->lut;
}

/* One 16-bit row through the table. The other 2x scalers' frames still
 * repeat many pixels and rows: a pair of equal pixels takes one look-up,
 * a row equal to the one above is a copy of its RGBA. */
static void convertRow16(const Uint32 *lut, const Uint16 *in, const Uint16 *above,
                         Uint32 *out, int w)
{
	int x;
	if (above && SDL_memcmp(in, above, (size_t)w * 2) == 0) {
		SDL_memcpy(out, out - w, (size_t)w * 4);
		return;
	}
	for (x = 0; x + 1 < w; x += 2) {
		Uint32 a = lut[in[x]];
		out[x] = a;
		out[x + 1] = in[x + 1] == in[x] ? a : lut[in[x + 1]];
	}
	if (x < w)
		out[x] = lut[in[x]];
}

/* A doubled frame (the game's plain 2x scaler) is every pixel of a half
 * size picture as a 2 x 2 square: that picture, a quarter of the pixels to
 * convert and to put on the page, goes out instead and the page's scaling
 * doubles it again. Gives up (0) at the first square that is not one
 * colour, leaving the rest of out unwritten. */
static int convertHalf16(const Uint32 *lut, const Uint8 *pixels, int pitch, int w, int h,
                         Uint32 *out)
{
	int x, y;
	if (w % 8)
		return 0;
	for (y = 0; y + 1 < h; y += 2) {
		const Uint8 *a = pixels + y * pitch, *b = a + pitch;
		/* Eight pixels of two rows at a time: the rows equal, and each
		 * pixel equal to its neighbour in the pair. */
		for (x = 0; x < w * 2; x += 16, out += 4) {
			v128_t p = wasm_v128_load(a + x), q = wasm_v128_load(b + x);
			v128_t swapped = wasm_i16x8_shuffle(p, p, 1, 0, 3, 2, 5, 4, 7, 6);
			if (wasm_v128_any_true(wasm_v128_or(wasm_v128_xor(p, q), wasm_v128_xor(p, swapped))))
				return 0;
			out[0] = lut[wasm_u16x8_extract_lane(p, 0)];
			out[1] = lut[wasm_u16x8_extract_lane(p, 2)];
			out[2] = lut[wasm_u16x8_extract_lane(p, 4)];
			out[3] = lut[wasm_u16x8_extract_lane(p, 6)];
		}
	}
	return 1;
}

/* The whole frame each time: at 320 x 240 that costs less than tracking
 * which rectangles changed. */
static void WEB_UpdateRects(_THIS, int numrects, SDL_Rect *rects)
{
	SDL_Surface *s = this->screen;
	const SDL_PixelFormat *f = s->format;
	int bytes = f->BytesPerPixel, x, y;
	Uint32 *out = this->hidden->rgba;
	const Uint32 *lut = bytes == 2 && !f->palette ? lutOf(this, f) : NULL;
	if (!out || numrects == 0)
		return;
	if (lut && s->w % 2 == 0 && s->h % 2 == 0 &&
	    convertHalf16(lut, (const Uint8 *)s->pixels, s->pitch, s->w, s->h, out)) {
		web_video_show(out, s->w / 2, s->h / 2);
		return;
	}
	for (y = 0; y < s->h; y++) {
		const Uint8 *row = (const Uint8 *)s->pixels + y * s->pitch;
		if (lut) {
			const Uint16 *above = y ? (const Uint16 *)(row - s->pitch) : NULL;
			convertRow16(lut, (const Uint16 *)row, above, out, s->w);
			out += s->w;
		} else {
			for (x = 0; x < s->w; x++)
				*out++ = rgbaOf(f, pixelAt(row + x * bytes, bytes));
		}
	}
	web_video_show(this->hidden->rgba, s->w, s->h);
}

static int WEB_SetColors(_THIS, int firstcolor, int ncolors, SDL_Color *colors)
{
	return 1;
}

static void WEB_VideoQuit(_THIS)
{
	if (this->screen)
		this->screen->pixels = NULL;
	WEB_FreeBuffers(this);
}

static void WEB_PumpEvents(_THIS)
{
	int e[4];
	while (web_next_event(e)) {
		if (e[0] == WEB_KEYDOWN || e[0] == WEB_KEYUP) {
			SDL_keysym k;
			SDL_memset(&k, 0, sizeof k);
			k.sym = (SDLKey)e[1];
			k.mod = (SDLMod)e[2];
			SDL_PrivateKeyboard(e[0] == WEB_KEYDOWN ? SDL_PRESSED : SDL_RELEASED, &k);
		} else if (e[0] == WEB_MOTION) {
			SDL_PrivateMouseMotion(0, 0, (Sint16)e[2], (Sint16)e[3]);
		} else {
			SDL_PrivateMouseButton(e[0] == WEB_BUTTONDOWN ? SDL_PRESSED : SDL_RELEASED,
			                       (Uint8)e[1], (Sint16)e[2], (Sint16)e[3]);
		}
	}
}

static void WEB_InitOSKeymap(_THIS)
{
}

static void WEB_DeleteDevice(SDL_VideoDevice *device)
{
	SDL_free(device->hidden);
	SDL_free(device);
}

static SDL_VideoDevice *WEB_CreateDevice(int devindex)
{
	SDL_VideoDevice *device = SDL_calloc(1, sizeof *device);
	if (device)
		device->hidden = SDL_calloc(1, sizeof *device->hidden);
	if (!device || !device->hidden) {
		SDL_free(device);
		SDL_OutOfMemory();
		return NULL;
	}
	device->VideoInit = WEB_VideoInit;
	device->ListModes = WEB_ListModes;
	device->SetVideoMode = WEB_SetVideoMode;
	device->SetColors = WEB_SetColors;
	device->UpdateRects = WEB_UpdateRects;
	device->VideoQuit = WEB_VideoQuit;
	device->AllocHWSurface = WEB_AllocHWSurface;
	device->LockHWSurface = WEB_LockHWSurface;
	device->UnlockHWSurface = WEB_UnlockHWSurface;
	device->FreeHWSurface = WEB_FreeHWSurface;
	device->InitOSKeymap = WEB_InitOSKeymap;
	device->PumpEvents = WEB_PumpEvents;
	device->free = WEB_DeleteDevice;
	return device;
}

/* Under the dummy driver's name, which SDL_video.c lists without a patch. */
VideoBootStrap DUMMY_bootstrap = {
	WEBVID_DRIVER_NAME, "SDL video on a web page's canvas",
	WEB_Available, WEB_CreateDevice
};
