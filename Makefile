# Thin wrapper around the CMake build; see README.md.
BUILD      ?= build
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
DESTDIR    ?=
CMAKE_ARGS ?=
DEMO       ?= vimora-demo
# Seconds each fuzz target runs: FUZZ_SECONDS in `make fuzz`, FUZZ_CHECK_SECONDS in `make check`
# (14 targets, two at a time, keep that run near four minutes).
FUZZ_SECONDS       ?= 300
FUZZ_CHECK_SECONDS ?= 30
FUZZ_JOBS          ?= 2

.PHONY: all build deps deps-deb deb test check check-address check-thread check-fuzz fuzz fuzz-build demo bench install clean vdr vdr-install vdr-i18n vdr-demo

all: build

deps:
	scripts/install-deps

build:
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

deps-deb:
	scripts/install-deps --deb

# The test suite checks the Debian packages too (label vdr), so it needs the packaging tools.
test: deps-deb
	$(MAKE) build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

check: deps
	$(MAKE) check-address
	$(MAKE) check-thread
	$(MAKE) check-fuzz

# The recorder binary has no sanitizers: the tests in it (label vdr) stay out of these runs.
check-address:
	ASAN_OPTIONS=detect_leaks=1 $(MAKE) build test-only BUILD=$(BUILD)-asan CMAKE_ARGS="-DSANITIZE=address -DCMAKE_BUILD_TYPE=Debug" CTEST_ARGS="-LE vdr"

check-thread:
	$(MAKE) build test-only BUILD=$(BUILD)-tsan CMAKE_ARGS="-DSANITIZE=thread -DCMAKE_BUILD_TYPE=Debug" CTEST_ARGS="-LE vdr"

# The fuzz targets (fuzz/) in a clang build of their own, ASan+UBSan with libFuzzer.
fuzz-build:
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DVIMORA_FUZZ=ON -DVIMORA_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzz-targets

fuzz: deps
	$(MAKE) fuzz-build
	scripts/run-fuzz $(BUILD)-fuzz $(FUZZ_SECONDS) $(FUZZ_JOBS)

check-fuzz:
	$(MAKE) fuzz-build
	scripts/run-fuzz $(BUILD)-fuzz $(FUZZ_CHECK_SECONDS) $(FUZZ_JOBS)

.PHONY: test-only
test-only:
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# The demo needs the program and the plug-ins only, not the tests.
demo: deps
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target vimora-host vdr-vimora vdr-rozerez
	$(BUILD)/bin/vimora-host -L $(BUILD)/plugins --demo $(DEMO)

bench: deps
	$(MAKE) build BUILD=$(BUILD)-bench CMAKE_ARGS="-DVIMORA_BENCH=ON -DVIMORA_TESTS=OFF -DCMAKE_BUILD_TYPE=Release"
	cmake --build $(BUILD)-bench --target bench-run

install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD)

# The plug-ins for the installed recorder, built the way the recorder builds plug-ins
# (plugins/vdrplugin.mk: flags and folders from `pkg-config vdr`) into $(VDRBUILD):
# $(VDRBUILD)/plugins/libvdr-NAME.so.<API version>, so `vdr -L $(VDRBUILD)/plugins` loads them.
VDRBUILD   ?= build-vdr
VDRPLUGINS  = src plugins/rozerez plugins/vimoradevice
# What a recorder gets: the device plug-in only stands in for a DVB card in the tests.
VDRINSTALL  = src plugins/rozerez

vdr: vdr-i18n
	@for d in $(VDRPLUGINS); do $(MAKE) -C $$d OUT=$(abspath $(VDRBUILD)) || exit 1; done

# The demo's road in the real recorder (scripts/vdr-demo), about five minutes: into
# vimora-vdr-demo, or into DEMO when it is given as for `make demo DEMO=DIR`.
vdr-demo: deps
	$(MAKE) vdr
	scripts/vdr-demo $(if $(filter file default,$(origin DEMO)),vimora-vdr-demo,$(DEMO))

# Into the recorder's plug-in folder (libdir) and locale folder (locdir), the conversion
# scripts into $(PREFIX)/bin; DESTDIR is honoured.
vdr-install: vdr
	@for d in $(VDRINSTALL); do $(MAKE) -C $$d OUT=$(abspath $(VDRBUILD)) DESTDIR=$(abspath $(DESTDIR)) install || exit 1; done
	install -d $(DESTDIR)$(PREFIX)/bin
	install -m 755 scripts/vimora2mp3.sh scripts/vimora2ogg.sh scripts/vimora2audio.sh $(DESTDIR)$(PREFIX)/bin

# The plug-in's message catalogues from its translation table:
# $(VDRBUILD)/po/<locale>.po and $(VDRBUILD)/locale/<locale>/LC_MESSAGES/vdr-vimora.mo.
vdr-i18n:
	scripts/make-po $(VDRBUILD)

# The Debian packages vdr-plugin-vimora, vdr-plugin-rozerez and vimora-host (debian/) into
# $(DEBBUILD). They are built from a copy of the tree's files (those git would keep), so the
# tree stays clean and dpkg-buildpackage's results land beside the copy; lintian must find
# no error in them.
DEBBUILD ?= build-deb

deb: deps-deb
	rm -rf $(DEBBUILD)
	mkdir -p $(DEBBUILD)/vimora
	git ls-files -z --cached --others --exclude-standard | tar --null -T - --ignore-failed-read -cf - | tar -xf - -C $(DEBBUILD)/vimora
	cd $(DEBBUILD)/vimora && dpkg-buildpackage -b -us -uc -j$(JOBS)
	rm -rf $(DEBBUILD)/vimora
	lintian $(DEBBUILD)/*.changes

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-bench $(BUILD)-fuzz $(VDRBUILD) $(DEBBUILD)
