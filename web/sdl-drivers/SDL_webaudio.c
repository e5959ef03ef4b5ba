/* SDL 1.2 audio for a web page.
 *
 * SDL 1.2 has no audio driver for a browser, and a page has no threads to
 * run SDL's audio loop on. Here Web Audio asks for each buffer: a
 * ScriptProcessorNode pulls the program's callback (SDL_mixer's mixer)
 * one buffer at a time, on the page's own thread, between the program's
 * waits. The driver takes the slot of SDL's dummy one. Browsers start a
 * page's audio only after a key or a click, so the context is resumed on
 * the first of those. */

#include "SDL_config.h"

#include "SDL_audio.h"
#include "SDL_audio_c.h"
#include "SDL_sysaudio.h"

#include <emscripten.h>

#define WEBAUD_DRIVER_NAME "web"
#define _THIS SDL_AudioDevice *this

struct SDL_PrivateAudioData {
	Uint8 *mixbuf;
};

static SDL_AudioDevice *opened = NULL;
/* The format SDL keeps in the open device, callback included. */
static SDL_AudioSpec *fmt = NULL;

/* Opens a context at `freq` if the browser allows that rate (its own rate
 * otherwise) and a node that pulls `samples` frames per turn; the rate it
 * runs at, or 0 without Web Audio. */
EM_JS(int, web_audio_open, (int freq, int channels, int samples), {
	var Context = window.AudioContext || window.webkitAudioContext;
	if (!Context) return 0;
	var ctx;
	try { ctx = new Context({sampleRate: freq}); } catch (e) { ctx = new Context(); }
	var node = ctx.createScriptProcessor(samples, 0, channels);
	node.onaudioprocess = function(ev) {
		var out = ev.outputBuffer, n = out.length, ch = out.numberOfChannels;
		var at = Module['_SDL_web_audio_pull'](n) >> 1;
		if (at) Module.webAudio.pulls++; /* seen by the tests */
		for (var c = 0; c < ch; c++) {
			var data = out.getChannelData(c);
			for (var i = 0; i < n; i++) data[i] = at ? HEAP16[at + i * ch + c] / 32768 : 0;
		}
	};
	node.connect(ctx.destination);
	Module.webAudio = {ctx: ctx, node: node, pulls: 0};
	function resume() {
		if (ctx.state === 'suspended') ctx.resume();
	}
	/* The events a browser counts as the user's go-ahead (a tap's is its end). */
	['keydown', 'mousedown', 'pointerup', 'touchend'].forEach(function(type) {
		document.addEventListener(type, resume, {capture: true});
	});
	resume();
	return ctx.sampleRate;
});

EM_JS(void, web_audio_close, (void), {
	var a = Module.webAudio;
	if (!a) return;
	a.node.disconnect();
	a.node.onaudioprocess = null;
	a.ctx.close();
	Module.webAudio = null;
});

/* One buffer of `frames` frames for the page: the callback's mix, or
 * silence while paused; null when the device is closed. */
EMSCRIPTEN_KEEPALIVE Uint8 *SDL_web_audio_pull(int frames)
{
	SDL_AudioDevice *audio = opened;
	Uint8 *buf;
	if (!audio || frames != fmt->samples)
		return NULL;
	buf = audio->hidden->mixbuf;
	SDL_memset(buf, fmt->silence, fmt->size);
	/* No lock: without threads the program is never inside the mixer now. */
	if (!audio->paused && audio->enabled)
		fmt->callback(fmt->userdata, buf, (int)fmt->size);
	return buf;
}

static int WEBAUD_Available(void)
{
	return 1;
}

static void WEBAUD_CloseAudio(_THIS)
{
	web_audio_close();
	opened = NULL;
	SDL_free(this->hidden->mixbuf);
	this->hidden->mixbuf = NULL;
}

static int WEBAUD_OpenAudio(_THIS, SDL_AudioSpec *want)
{
	int rate;
	Uint16 samples = 256;
	/* Web Audio's node takes a power of two from 256 to 16384. */
	while (samples < want->samples && samples < 16384)
		samples *= 2;
	rate = web_audio_open(want->freq, want->channels, samples);
	if (rate <= 0) {
		SDL_SetError("No Web Audio in this browser");
		return -1;
	}
	want->freq = rate;
	want->format = AUDIO_S16SYS;
	want->samples = samples;
	SDL_CalculateAudioSpec(want);
	this->hidden->mixbuf = SDL_malloc(want->size);
	if (!this->hidden->mixbuf) {
		web_audio_close();
		SDL_OutOfMemory();
		return -1;
	}
	fmt = want;
	opened = this;
	return 1; /* no audio thread: the page pulls */
}

static void WEBAUD_DeleteDevice(SDL_AudioDevice *device)
{
	SDL_free(device->hidden);
	SDL_free(device);
}

static SDL_AudioDevice *WEBAUD_CreateDevice(int devindex)
{
	SDL_AudioDevice *this = SDL_calloc(1, sizeof *this);
	if (this)
		this->hidden = SDL_calloc(1, sizeof *this->hidden);
	if (!this || !this->hidden) {
		SDL_free(this);
		SDL_OutOfMemory();
		return NULL;
	}
	this->OpenAudio = WEBAUD_OpenAudio;
	this->CloseAudio = WEBAUD_CloseAudio;
	this->free = WEBAUD_DeleteDevice;
	return this;
}

/* Under the dummy driver's name, which SDL_audio.c lists without a patch. */
AudioBootStrap DUMMYAUD_bootstrap = {
	WEBAUD_DRIVER_NAME, "SDL audio through Web Audio",
	WEBAUD_Available, WEBAUD_CreateDevice
};
