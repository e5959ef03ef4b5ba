# Two commands do everything on a fresh Debian 12 machine:
#   make run    installs what is missing, builds the game and its data, plays
#   make test   the same set-up, then the whole test suite (headless)

BUILD    ?= build
ARGS     ?=
SANITIZE ?= OFF

# Debian 12 packages the build, the content tools and the tests need (the
# X11 window test: a virtual X server, real key presses, screenshots; the
# fuzz targets: clang and its libFuzzer).
PACKAGES := build-essential cmake pkg-config libsdl1.2-dev libsdl-mixer1.2-dev \
            libmodplug-dev zlib1g-dev libgtest-dev libbenchmark-dev \
            xvfb xdotool x11-apps x11-utils imagemagick \
            clang libclang-rt-14-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Fuzzing (make fuzz): each target in turn for FUZZ_TIME seconds, in
# build-fuzz/ (clang, libFuzzer, ASan, UBSan). FUZZ_ARGS adds libFuzzer
# options, such as -runs=10000000.
FUZZ_BUILD   ?= build-fuzz
FUZZ_TIME    ?= 60
FUZZ_TARGETS ?= levels testboard archive config hiscores savegame
FUZZ_ARGS    ?=

# The browser build (make web), in build-web/; see web/web.mk.
WEB_BUILD    ?= build-web
WEB_PORT     ?= 8080
WEB_PACKAGES := emscripten nodejs chromium python3 dpkg-dev

.PHONY: run test deps build sanitize fuzz soak bench clean web web-deps web-run web-node web-test

run: build
	cd $(BUILD) && ./quenzy $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

# Installs only the packages that are not there yet.
deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update -q && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q $$missing; \
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DQUENZY_SANITIZE=$(SANITIZE)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2

# Everything, tests included, with AddressSanitizer and UBSan.
sanitize:
	$(MAKE) test BUILD=build-asan SANITIZE=ON

# New inputs go on growing in build-fuzz/corpus/, findings land in
# build-fuzz/findings/; the first target with a finding stops the run.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DQUENZY_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j2
	@for t in $(FUZZ_TARGETS); do \
	    echo "== fuzz_$$t"; \
	    sh tests/fuzz/run.sh $$t $(FUZZ_BUILD)/fuzz_$$t $(FUZZ_BUILD)/findings/$$t \
	        $(FUZZ_BUILD)/corpus/$$t -max_total_time=$(FUZZ_TIME) $(FUZZ_ARGS) || exit 1; \
	done

# Long random play of the real game under the sanitizers (tools/soak), in
# the background of a shared machine: make soak SEEDS=1-200 MINUTES=30.
SEEDS   ?= 1-4
MINUTES ?= 30
JOBS    ?= 1
soak:
	$(MAKE) build BUILD=build-asan SANITIZE=ON
	nice -n 10 build-asan/soak run --seeds $(SEEDS) --minutes $(MINUTES) --jobs $(JOBS)

clean:
	rm -rf $(BUILD) build-asan $(FUZZ_BUILD) $(WEB_BUILD)

# Debian's npm only where no npm came with node already.
web-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WEB_PACKAGES)"
	@command -v npm >/dev/null || $(MAKE) --no-print-directory deps PACKAGES=npm

# The data comes from the native build's content tools.
web: deps web-deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2 --target data
	$(MAKE) -f web/web.mk -j2 WEB=$(WEB_BUILD) NATIVE=$(BUILD)

web-run: web
	@echo "Quenzy is at http://127.0.0.1:$(WEB_PORT)/ (Ctrl-C stops the server)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)

# puppeteer-core for the headless browser, as the lock file pins it.
web-node: $(WEB_BUILD)/node/node_modules/.package-lock.json
$(WEB_BUILD)/node/node_modules/.package-lock.json: web/package.json web/package-lock.json | web-deps
	mkdir -p $(WEB_BUILD)/node
	cp web/package.json web/package-lock.json $(WEB_BUILD)/node/
	cd $(WEB_BUILD)/node && npm ci --no-audit --no-fund

# The browser build against the native one, in headless Chromium.
web-test: web web-node build
	sh tests/web/run.sh $(BUILD) $(WEB_BUILD)
