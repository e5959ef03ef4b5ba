# Two commands do everything on a fresh Debian 12 machine:
#   make run    installs what is missing, builds the game and its data, plays
#   make test   the same set-up, then the whole test suite (headless)

BUILD    ?= build
ARGS     ?=
SANITIZE ?= OFF

# Debian 12 packages the build, the content tools and the tests need (the
# X11 window test: a virtual X server, real key presses, screenshots; the
# fuzz targets: clang and its libFuzzer; the Debian package and its checks:
# debhelper, lintian, appstream).
PACKAGES := build-essential cmake pkg-config libsdl1.2-dev libsdl-mixer1.2-dev \
            libmodplug-dev zlib1g-dev libgtest-dev libbenchmark-dev \
            xvfb xdotool x11-apps x11-utils imagemagick \
            clang libclang-rt-14-dev \
            debhelper dpkg-dev lintian appstream

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Fuzzing (make fuzz): each target in turn for FUZZ_TIME seconds, in
# build-fuzz/ (clang, libFuzzer, ASan, UBSan). FUZZ_ARGS adds libFuzzer
# options, such as -runs=10000000.
FUZZ_BUILD   ?= build-fuzz
FUZZ_TIME    ?= 60
FUZZ_TARGETS ?= levels testboard archive config hiscores savegame
FUZZ_ARGS    ?=

# Cross builds for other Debian architectures (arm64, armhf, s390x), each in
# build-ARCH/ with a sysroot of Debian's packages for it in build-cross/ARCH/
# (cmake/toolchains): make cross-build ARCH=arm64 builds everything,
# make cross-test ARCHES="arm64 s390x" also runs the whole suite under qemu.
# The data is made by the native tools of HOST_TOOLS (the same bytes, which
# the suite checks against the target's tools); HOST_TOOLS= leaves it to
# the target's tools under the emulator.
ARCH       ?= arm64
ARCHES     ?= $(ARCH)
HOST_TOOLS ?= $(BUILD)
CROSS_PACKAGES_arm64 := crossbuild-essential-arm64
CROSS_PACKAGES_armhf := crossbuild-essential-armhf
CROSS_PACKAGES_s390x := g++-s390x-linux-gnu
CROSS_PACKAGES := cmake pkg-config qemu-user $(foreach a,$(ARCHES),$(CROSS_PACKAGES_$(a)))

# The browser build (make web), in build-web/; see web/web.mk.
WEB_BUILD    ?= build-web
WEB_PORT     ?= 8080
WEB_PACKAGES := emscripten nodejs chromium python3 dpkg-dev

.PHONY: run test native-test deps build sanitize fuzz soak bench clean web web-deps web-run web-node web-test web-bench \
        cross-deps cross-sysroot host-tools cross-build cross-test

run: build
	cd $(BUILD) && ./quenzy $(ARGS)

# Every test, as CI runs it: the native suite, the browser build against
# it in headless Chromium (TEST_WEB=no leaves it out), then the whole suite
# again for each of TEST_ARCHES under emulation (a little-endian ARM and a
# big-endian machine; TEST_ARCHES= leaves them out). Where apt is missing
# Emscripten and the cross compilers cannot be set up, and only the native
# suite runs.
TEST_WEB    ?= yes
TEST_ARCHES ?= arm64 s390x
test: native-test
	@if ! command -v apt-get >/dev/null 2>&1; then \
	    echo "No apt here: the browser and emulated suites are left out (see HACKING.md)"; \
	    exit 0; \
	fi; \
	if [ "$(TEST_WEB)" = yes ]; then $(MAKE) --no-print-directory web-test || exit 1; fi; \
	if [ -n "$(TEST_ARCHES)" ]; then \
	    $(MAKE) --no-print-directory cross-test ARCHES="$(TEST_ARCHES)" || exit 1; \
	fi

# The native suite alone.
native-test: build
	cd $(BUILD) && ctest --output-on-failure -j2

# The native suite built with clang++ in build-clang/: what the language
# leaves open (the order of a call's arguments, say) g++ and clang++ may
# settle differently, and the game must not care.
CLANG_BUILD ?= build-clang
.PHONY: clang-test
clang-test: deps
	[ -f $(CLANG_BUILD)/CMakeCache.txt ] || \
	    cmake -S . -B $(CLANG_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(CLANG_BUILD) -j2
	cd $(CLANG_BUILD) && ctest --output-on-failure -j2

# The quick loop while working: everything but the tests labelled slow.
.PHONY: check
check: build
	cd $(BUILD) && ctest --output-on-failure -j2 -LE slow

# Records the golden traces (tests/golden/) anew, after an intended change
# of play; `git diff tests/golden` then shows what changed.
.PHONY: golden
golden: build
	cd $(BUILD) && QUENZY_GOLDEN_RECORD=1 ctest --output-on-failure -j2 -R '^Golden/'

# Installs only the packages that are not there yet. Without apt and dpkg
# (not Debian) it says what to install and leaves the rest to cmake.
deps:
	@if ! command -v apt-get >/dev/null 2>&1 || ! command -v dpkg-query >/dev/null 2>&1; then \
	    echo "No apt here: install these with your system's package manager (the build goes on):"; \
	    echo "  a C++17 compiler (g++ or clang++), cmake 3.22 or newer, pkg-config,"; \
	    echo "  the development files of SDL 1.2, SDL_mixer 1.2, libmodplug and zlib;"; \
	    echo "  for the tests GoogleTest (Google Benchmark for the benchmarks), and for the"; \
	    echo "  window and fuzz tests Xvfb, xdotool, xwd, ImageMagick and clang with libFuzzer."; \
	    echo "  (Their Debian names: $(PACKAGES))"; \
	    exit 0; \
	fi; \
	missing=$$(for p in $(PACKAGES); do \
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
# the background of a shared machine: make soak SEEDS=1-200 MINUTES=30,
# then the game killed KILLS times while it saves (the suite kills it 24).
SEEDS   ?= 1-4
MINUTES ?= 30
JOBS    ?= 1
KILLS   ?= 100
soak:
	$(MAKE) build BUILD=build-asan SANITIZE=ON
	nice -n 10 build-asan/soak run --seeds $(SEEDS) --minutes $(MINUTES) --jobs $(JOBS)
	cd build-asan && QUENZY_KILLS=$(KILLS) nice -n 10 ./quenzy_tests \
	    --gtest_filter=KilledWhileSaving.EveryFileIsTheOldOrTheNewOne

# Every allocation from start-up to the end of the first level failed in
# turn, one run of the real game each (tools/allocfail), JOBS at a time;
# ALLOCFAIL_ARGS narrows it, e.g. "--from 1 --to 500" or "--sample 50 --seed 7".
ALLOCFAIL_ARGS ?=
.PHONY: allocfail
allocfail: build
	nice -n 10 $(BUILD)/allocfail run --jobs $(JOBS) $(ALLOCFAIL_ARGS)

# Seeded mutants of src/, each built in a scratch copy and run against the
# quick suite (tools/mutate/mutate.py); the survivors are printed.
# MUTATE_ARGS adds options, such as "--timeout 120" or "--only PLACE".
SEED  ?= 1
COUNT ?= 10
MUTATE_ARGS ?=
.PHONY: mutate
mutate: deps
	nice -n 10 python3 tools/mutate/mutate.py --seed $(SEED) --count $(COUNT) $(MUTATE_ARGS)

# Line and branch coverage of src/ over the whole suite, in build-coverage/:
# an HTML report in build-coverage/coverage/index.html and a summary on the
# screen. Branches only an exception could take are not counted. Counters
# left by the data tools during the build are cleared first, so the figures
# are the tests' own.
# The build folder is a search path, not --object-directory: gcov must run
# in each object's own build folder (ccache's base_dir leaves relative paths
# in the test program's objects), or the counts of src/'s inline functions
# whose copy the linker took from a test's object are lost.
COVERAGE_BUILD ?= build-coverage
GCOVR := gcovr -r . --filter 'src/' -b --exclude-throw-branches

.PHONY: coverage
coverage: PACKAGES += gcovr
coverage: deps
	cmake -S . -B $(COVERAGE_BUILD) -DQUENZY_COVERAGE=ON -DCMAKE_BUILD_TYPE=Debug
	nice -n 10 cmake --build $(COVERAGE_BUILD) -j2
	find $(COVERAGE_BUILD) -name '*.gcda' -delete
	cd $(COVERAGE_BUILD) && nice -n 10 ctest -j2 --output-on-failure; echo $$? > ctest-status
	mkdir -p $(COVERAGE_BUILD)/coverage
	$(GCOVR) --html-details $(COVERAGE_BUILD)/coverage/index.html \
	    --json-summary $(COVERAGE_BUILD)/coverage/summary.json $(COVERAGE_BUILD)
	python3 tools/coverage-summary.py $(COVERAGE_BUILD)/coverage/summary.json
	@status=$$(cat $(COVERAGE_BUILD)/ctest-status); [ "$$status" = 0 ] || \
	    { echo "coverage: the suite failed, figures above are partial"; exit 1; }

# The cross compilers and qemu; not what qemu recommends, which registers it
# with the kernel.
cross-deps:
	@missing=$$(for p in $(CROSS_PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update -q && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	fi

cross-sysroot: cross-deps
	@for a in $(ARCHES); do sh cmake/toolchains/sysroot.sh $$a build-cross/$$a || exit 1; done

host-tools: deps
	@if [ -n "$(HOST_TOOLS)" ]; then \
	    [ -f $(HOST_TOOLS)/CMakeCache.txt ] || cmake -S . -B $(HOST_TOOLS) || exit 1; \
	    cmake --build $(HOST_TOOLS) -j2 --target gfxtool leveltool modtool sfxtool ova; \
	fi

cross-build: cross-sysroot host-tools
	@for a in $(ARCHES); do \
	    [ -f build-$$a/CMakeCache.txt ] || \
	        cmake -S . -B build-$$a -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/$$a.cmake \
	            -DQUENZY_HOST_TOOLS=$(if $(HOST_TOOLS),$(abspath $(HOST_TOOLS))) || exit 1; \
	    cmake --build build-$$a -j2 || exit 1; \
	done

# One architecture after the other: emulated suites are slow.
cross-test: cross-build
	@for a in $(ARCHES); do \
	    echo "== $$a"; \
	    (cd build-$$a && ctest --output-on-failure -j2) || exit 1; \
	done

# Debian packages (make package): one .deb for each architecture of
# PACKAGE_ARCHES in PACKAGE_DIR, each built from a copy of the sources and
# checked with lintian (tools/package/deb).
PACKAGE_DIR    ?= build-deb
PACKAGE_ARCHES ?= $(shell dpkg --print-architecture)

.PHONY: package
package: deps
	@for arch in $(PACKAGE_ARCHES); do \
	    nice -n 10 tools/package/deb $$arch $(PACKAGE_DIR) || exit 1; \
	done
	@ls -l $(PACKAGE_DIR)/*.deb

clean:
	rm -rf $(BUILD) build-asan $(CLANG_BUILD) $(FUZZ_BUILD) $(WEB_BUILD) $(PACKAGE_DIR) $(COVERAGE_BUILD)

# Debian's npm only where no npm came with node already.
web-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WEB_PACKAGES)"
	@command -v npm >/dev/null || $(MAKE) --no-print-directory deps PACKAGES=npm

# The data comes from the native build's content tools.
web: deps web-deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2 --target data icon
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

# The doubled play frame timed natively and in headless Chromium, one after
# the other (tools/web-bench; a measurement, not a test).
web-bench: web web-node
	cmake --build $(BUILD) -j2 --target bench_web_frame
	$(MAKE) -f web/web.mk -j2 WEB=$(WEB_BUILD) NATIVE=$(BUILD) bench
	tools/web-bench $(BUILD) $(WEB_BUILD)
