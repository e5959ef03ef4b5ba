# The browser build, run from the top Makefile (make web): SDL 1.2,
# SDL_mixer 1.2, libmodplug and zlib from Debian's source packages, our two
# SDL drivers (web/sdl-drivers) and the game's own sources, compiled with
# Debian's Emscripten into one self-contained page, build-web/index.html.
# The game's data comes from the native build (NATIVE), whose tools make it.

WEB    ?= build-web
NATIVE ?= build

SRC     := $(WEB)/src
OBJ     := $(WEB)/obj
LIB     := $(WEB)/lib
INC     := $(WEB)/include
SDLSRC  := $(SRC)/libsdl1.2-1.2.15+dfsg2
MIXSRC  := $(SRC)/sdl-mixer1.2-1.2.12
MODSRC  := $(SRC)/libmodplug-0.8.9.0
ZSRC    := $(SRC)/zlib-1.2.13.dfsg
FETCHED := $(SRC)/.fetched
HEADERS := $(INC)/.installed

# Debian's emcc with a cache of its own: the packaged one is read-only and
# frozen, so it is copied in and unfrozen (nothing is ever downloaded).
export EM_CACHE := $(abspath $(WEB))/emcache
export EM_FROZEN_CACHE :=
# Debian's node modules (acorn, for the optimiser), whatever node is first.
export NODE_PATH := /usr/share/nodejs
# Debian's python, which Debian's emcc is made for (not the first on the PATH).
export EMSDK_PYTHON := /usr/bin/python3
EMCC := emcc
EMXX := em++

# Built as Debian builds them, so the mixed sound matches the desktop's.
SDL_CFLAGS := -O2 -I$(INC)/SDL -I$(SDLSRC)/src -I$(SDLSRC)/src/video -I$(SDLSRC)/src/events \
              -I$(SDLSRC)/src/audio -I$(SDLSRC)/src/joystick -I$(SDLSRC)/src/thread \
              -I$(SDLSRC)/src/thread/generic -I$(SDLSRC)/src/timer
MIX_CFLAGS := -O2 -I$(INC)/SDL -DWAV_MUSIC
MOD_CFLAGS := -O2 -DHAVE_CONFIG_H -DMODPLUG_BUILD=1 -fno-exceptions -ffast-math -fno-common \
              -I$(OBJ)/modplug -I$(MODSRC)/src -I$(MODSRC)/src/libmodplug -Wno-everything
Z_CFLAGS   := -O3 -DUNALIGNED_OK -D_REENTRANT -DHAVE_UNISTD_H -DHAVE_STDARG_H -I$(ZSRC)
# SIMD for the scalers' frames written with its intrinsics; the compiler's
# own vectors of the plain loops came out slower (src/platform/Scaling.h).
GAME_FLAGS := -std=c++17 -O2 -DNDEBUG -Wall -Wextra -Isrc -I$(INC) \
  -msimd128 -fno-vectorize -fno-slp-vectorize

SDL_FILES := SDL.c SDL_error.c SDL_fatal.c \
  audio/SDL_audio.c audio/SDL_audiocvt.c audio/SDL_mixer.c audio/SDL_wave.c \
  cpuinfo/SDL_cpuinfo.c \
  events/SDL_active.c events/SDL_events.c events/SDL_expose.c events/SDL_keyboard.c \
  events/SDL_mouse.c events/SDL_quit.c events/SDL_resize.c \
  file/SDL_rwops.c \
  joystick/SDL_joystick.c joystick/dummy/SDL_sysjoystick.c \
  stdlib/SDL_getenv.c stdlib/SDL_iconv.c stdlib/SDL_malloc.c stdlib/SDL_qsort.c \
  stdlib/SDL_stdlib.c stdlib/SDL_string.c \
  thread/SDL_thread.c thread/generic/SDL_syscond.c thread/generic/SDL_sysmutex.c \
  thread/generic/SDL_syssem.c thread/generic/SDL_systhread.c \
  timer/SDL_timer.c timer/unix/SDL_systimer.c \
  video/SDL_RLEaccel.c video/SDL_blit.c video/SDL_blit_0.c video/SDL_blit_1.c \
  video/SDL_blit_A.c video/SDL_blit_N.c video/SDL_bmp.c video/SDL_cursor.c \
  video/SDL_gamma.c video/SDL_pixels.c video/SDL_stretch.c video/SDL_surface.c \
  video/SDL_video.c video/SDL_yuv.c video/SDL_yuv_sw.c
DRIVERS   := SDL_webvideo.c SDL_webaudio.c
MIX_FILES := mixer.c music.c effect_position.c effect_stereoreverse.c effects_internal.c \
             load_aiff.c load_voc.c wavestream.c
MOD_FILES := fastmix.cpp load_669.cpp load_abc.cpp load_amf.cpp load_ams.cpp load_dbm.cpp \
  load_dmf.cpp load_dsm.cpp load_far.cpp load_it.cpp load_j2b.cpp load_mdl.cpp load_med.cpp \
  load_mid.cpp load_mod.cpp load_mt2.cpp load_mtm.cpp load_okt.cpp load_pat.cpp load_psm.cpp \
  load_ptm.cpp load_s3m.cpp load_stm.cpp load_ult.cpp load_umx.cpp load_wav.cpp load_xm.cpp \
  mmcmp.cpp modplug.cpp snd_dsp.cpp snd_flt.cpp snd_fx.cpp sndfile.cpp sndmix.cpp
Z_FILES   := adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c \
             infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c

GAME_SOURCES := $(sort $(wildcard src/*/*.cpp))
# The pixel loops are written for -O3, as on the desktop.
GAME_O3      := src/platform/Scaling.cpp src/platform/gfx_sdl.cpp
DATA_FILES   := gfx.ova music.ova sound.ova levels.bin

SDL_OBJS  := $(SDL_FILES:%.c=$(OBJ)/sdl/%.o) $(DRIVERS:%.c=$(OBJ)/sdl/web/%.o)
MIX_OBJS  := $(MIX_FILES:%.c=$(OBJ)/mixer/%.o)
MOD_OBJS  := $(MOD_FILES:%.cpp=$(OBJ)/modplug/%.o)
Z_OBJS    := $(Z_FILES:%.c=$(OBJ)/zlib/%.o)
GAME_OBJS := $(GAME_SOURCES:%.cpp=$(OBJ)/game/%.o)
LIBS      := $(LIB)/libSDL_mixer.a $(LIB)/libSDL.a $(LIB)/libmodplug.a $(LIB)/libz.a

# Kept on the page: the file system (the replay tool reads its results
# through it) and the persistent store of the user folder.
# webQuickTurn (src/platform/sys.cpp) is a wait of the program's own.
LINK_FLAGS := -O2 -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sASYNCIFY_IMPORTS=webQuickTurn \
  -sEXIT_RUNTIME=1 \
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=33554432 -sFORCE_FILESYSTEM=1 -lidbfs.js \
  -sEXPORTED_RUNTIME_METHODS=FS \
  -sSINGLE_FILE=1 -sMINIFY_HTML=0 --shell-file web/shell.html --pre-js web/page.js \
  $(foreach f,$(DATA_FILES),--embed-file $(NATIVE)/data/$(f)@/data/$(f))

# The play frame's benchmark (make web-bench, tools/web-bench): the game's
# code but its main, and the benchmark's, linked as the game is.
BENCH_OBJS := $(filter-out $(OBJ)/game/src/front/main.o,$(GAME_OBJS)) $(OBJ)/bench/bench_web_frame.o
BENCH_LINK_FLAGS := $(filter-out --shell-file web/shell.html --pre-js web/page.js,$(LINK_FLAGS)) \
  --shell-file web/bench.html

# What makes the page an installable app that plays offline: its manifest,
# the game's icon (drawn by the native build; the SVG only scales it up
# with crisp pixels) and the service worker that keeps the files.
APP_FILES := $(WEB)/manifest.webmanifest $(WEB)/icon.png $(WEB)/icon.svg $(WEB)/sw.js

# What the page links to: the licence, the notice of the libraries and
# their licences, and the source of the program: the game's own (the
# tracked files of this tree, as they are now) and the Debian source
# packages of the libraries linked into it, as the LGPL of SDL asks.
LEGAL_FILES := $(WEB)/LICENSE.txt $(WEB)/NOTICE.txt $(WEB)/source/index.html
DEB_SOURCES  = $(notdir $(wildcard $(SRC)/*.dsc $(SRC)/*.tar.*))

.PHONY: all libs data bench
all: $(WEB)/index.html $(APP_FILES) $(LEGAL_FILES)

$(WEB)/LICENSE.txt: LICENSE
	cp $< $@

$(WEB)/NOTICE.txt: NOTICE
	cp $< $@

# Made anew at each build: the game's sources may have changed.
.PHONY: $(WEB)/source/quenzy-source.tar.gz
$(WEB)/source/quenzy-source.tar.gz:
	@mkdir -p $(dir $@)
	if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then \
	    git ls-files -z | tar --null -T - --transform 's,^,quenzy/,' -czf $@; \
	else \
	    tar --exclude='./build*' --transform 's,^\.,quenzy,' -czf $@ .; \
	fi

$(WEB)/source/index.html: $(WEB)/source/quenzy-source.tar.gz $(FETCHED)
	cp $(addprefix $(SRC)/,$(DEB_SOURCES)) $(dir $@)
	{ echo '<!doctype html><meta charset="utf-8"><title>Quenzy: the source</title>'; \
	  echo '<p>The source of the browser build of Quenzy (see <a href="../NOTICE.txt">NOTICE</a>):'; \
	  echo '<ul><li><a href="quenzy-source.tar.gz">quenzy-source.tar.gz</a>: the game, the SDL drivers and the build (MIT, <a href="../LICENSE.txt">LICENSE</a>)</li>'; \
	  for f in $(DEB_SOURCES); do echo "<li><a href=\"$$f\">$$f</a></li>"; done; \
	  echo '</ul><p>The four libraries as Debian 12 ships their sources: <code>dpkg-source -x</code> on a <code>.dsc</code> unpacks one.'; \
	} >$@

libs: $(LIBS)

$(WEB)/index.html: $(GAME_OBJS) $(LIBS) web/shell.html web/page.js web/web.mk \
                   $(DATA_FILES:%=$(NATIVE)/data/%)
	$(EMXX) $(LINK_FLAGS) -o $@ $(GAME_OBJS) $(LIBS)
	@echo "Built $@ ($$(du -k $@ | cut -f1) KB, $$(gzip -9c $@ | wc -c | awk '{print int($$1/1024)}') KB gzipped)"

bench: $(WEB)/bench.html
$(WEB)/bench.html: $(BENCH_OBJS) $(LIBS) web/bench.html web/web.mk $(DATA_FILES:%=$(NATIVE)/data/%)
	$(EMXX) $(BENCH_LINK_FLAGS) -o $@ $(BENCH_OBJS) $(LIBS)

$(OBJ)/bench/%.o: tests/bench/%.cpp $(HEADERS)
	@mkdir -p $(dir $@)
	$(EMXX) $(GAME_FLAGS) -MMD -MP -c $< -o $@

$(WEB)/manifest.webmanifest: web/manifest.webmanifest
	cp $< $@

$(WEB)/icon.png: $(NATIVE)/icon/quenzy.png
	cp $< $@

$(WEB)/icon.svg: $(WEB)/icon.png
	printf '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64"><image width="64" height="64" style="image-rendering:pixelated" href="data:image/png;base64,%s"/></svg>\n' \
	  "$$(base64 -w0 $<)" >$@

# Named after what it keeps, so that a new build is a new copy.
$(WEB)/sw.js: web/sw.js $(WEB)/index.html $(WEB)/icon.png web/manifest.webmanifest LICENSE NOTICE
	sed "s/@BUILD@/$$(cat $(WEB)/index.html $(WEB)/icon.png web/manifest.webmanifest LICENSE NOTICE | sha256sum | cut -c1-16)/" $< >$@

$(FETCHED):
	sh web/fetch-sources.sh $(SRC)
	touch $@

# The libraries' sources appear with the fetch.
$(addprefix $(SDLSRC)/src/,$(SDL_FILES)) $(addprefix $(MIXSRC)/,$(MIX_FILES)) \
$(addprefix $(MODSRC)/src/,$(MOD_FILES)) $(addprefix $(ZSRC)/,$(Z_FILES)): $(FETCHED) ;

$(EM_CACHE)/.copied:
	rm -rf $(EM_CACHE)
	mkdir -p $(dir $(EM_CACHE))
	cp -r /usr/share/emscripten/cache $(EM_CACHE)
	touch $@

# The libraries' headers where the game looks for them, SDL's with our
# configuration in place of the one its configure script would write.
$(HEADERS): $(FETCHED) web/sdl-drivers/SDL_config.h $(EM_CACHE)/.copied
	mkdir -p $(INC)/SDL $(INC)/libmodplug
	cp $(SDLSRC)/include/*.h $(INC)/SDL/
	cp web/sdl-drivers/SDL_config.h $(INC)/SDL/SDL_config.h
	cp $(MIXSRC)/SDL_mixer.h $(INC)/SDL/
	cp $(MODSRC)/src/modplug.h $(INC)/libmodplug/
	cp $(ZSRC)/zlib.h $(INC)/
	sed 's/^#ifdef HAVE_\(UNISTD\|STDARG\)_H\b/#if 1/' $(ZSRC)/zconf.h >$(INC)/zconf.h
	mkdir -p $(OBJ)/modplug
	cp web/modplug-config.h $(OBJ)/modplug/config.h
	touch $@

# The desktop's SDL_mixer opens its device through SDL_OpenAudio, which the
# game's virtual audio device defines; SDL's own pair takes another name.
$(OBJ)/sdl/audio/SDL_audio.o: SDL_CFLAGS += -DSDL_OpenAudio=SDL_web_OpenAudio \
                                           -DSDL_CloseAudio=SDL_web_CloseAudio

$(OBJ)/sdl/%.o: $(SDLSRC)/src/%.c $(HEADERS)
	@mkdir -p $(dir $@)
	$(EMCC) $(SDL_CFLAGS) -c $< -o $@

# Our drivers, the video one's frame check in SIMD.
$(OBJ)/sdl/web/%.o: web/sdl-drivers/%.c $(HEADERS)
	@mkdir -p $(dir $@)
	$(EMCC) $(SDL_CFLAGS) -msimd128 -Wall -c $< -o $@

$(OBJ)/mixer/%.o: $(MIXSRC)/%.c $(HEADERS)
	@mkdir -p $(dir $@)
	$(EMCC) $(MIX_CFLAGS) -c $< -o $@

$(OBJ)/modplug/%.o: $(MODSRC)/src/%.cpp $(HEADERS)
	@mkdir -p $(dir $@)
	$(EMXX) $(MOD_CFLAGS) -c $< -o $@

$(OBJ)/zlib/%.o: $(ZSRC)/%.c $(HEADERS)
	@mkdir -p $(dir $@)
	$(EMCC) $(Z_CFLAGS) -c $< -o $@

$(OBJ)/game/%.o: %.cpp $(HEADERS)
	@mkdir -p $(dir $@)
	$(EMXX) $(GAME_FLAGS) $(if $(filter $<,$(GAME_O3)),-O3) -MMD -MP -c $< -o $@

-include $(GAME_OBJS:.o=.d) $(OBJ)/bench/bench_web_frame.d

$(LIB)/libSDL.a: $(SDL_OBJS)
$(LIB)/libSDL_mixer.a: $(MIX_OBJS)
$(LIB)/libmodplug.a: $(MOD_OBJS)
$(LIB)/libz.a: $(Z_OBJS)
$(LIBS):
	@mkdir -p $(dir $@)
	rm -f $@
	emar rcs $@ $^
