# SPDX-License-Identifier: GPL-2.0-or-later
# Thin wrapper around CMake so that the everyday commands are short. Each
# target first installs the Debian packages it lacks (tools/install-deps).
BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
DEB_BUILD_DIR ?= build-deb
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=
# OFF builds the tool and the image builder alone, without GoogleTest.
CMOSCFG_TESTS ?= ON
# `make install` puts the files under $(DESTDIR)$(PREFIX).
PREFIX ?= /usr/local
VERSION := $(shell grep -o -m1 'cmoscfg VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)

DEPS := tools/install-deps
# What the build directory is configured with. When this differs from what it
# was made with, CMake configures it afresh (without the old cache, so no
# option is silently kept; the objects stay and are rebuilt only as needed).
CONFIGURATION = -G Ninja -DCMOSCFG_TESTS=$(CMOSCFG_TESTS) $(CMAKE_FLAGS)
export CONFIGURATION

.PHONY: all build configure test test-asan test-hardware test-ansible fuzz demo install deb check-deb bench clean

all: build

configure:
	@$(DEPS) $(if $(filter ON,$(CMOSCFG_TESTS)),test,demo)
	@if [ ! -f $(BUILD_DIR)/build.ninja ] || [ "$$(cat $(BUILD_DIR)/make-configuration 2>/dev/null)" != "$$CONFIGURATION" ]; then \
	    rm -f $(BUILD_DIR)/CMakeCache.txt; \
	    echo "cmake -S . -B $(BUILD_DIR) $$CONFIGURATION"; \
	    cmake -S . -B $(BUILD_DIR) $(CONFIGURATION) && \
	    printf '%s\n' "$$CONFIGURATION" >$(BUILD_DIR)/make-configuration; \
	fi

build: configure
	cmake --build $(BUILD_DIR)

# The QEMU guests of the hardware suite have their own target.
# Tests that cannot run here (no pseudo-terminal in a chroot, a program
# missing) are skipped and named with their reasons.
test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2 -LE hardware; status=$$?; \
	    $(CURDIR)/tests/skip-reasons.sh .; exit $$status

# The Ansible collection (ansible/): one playbook drives three machine images
# as a fleet. Needs ansible-core (.ci/run installs it).
test-ansible: build
	@$(DEPS) ansible
	ansible/tests/run.sh $(BUILD_DIR)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang-14), the test code unoptimised. The build also makes the libFuzzer
# targets, so that `make fuzz` after it compiles nothing again.
SANITIZED_CONFIGURE = cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
	-DCMOSCFG_SANITIZE=ON -DCMOSCFG_FUZZ=ON $(CMAKE_FLAGS)
test-asan:
	@$(DEPS) test fuzz
	rm -f $(ASAN_BUILD_DIR)/CMakeCache.txt
	$(SANITIZED_CONFIGURE)
	cmake --build $(ASAN_BUILD_DIR)
	cd $(ASAN_BUILD_DIR) && ctest --output-on-failure -j2 -LE hardware; status=$$?; \
	    $(CURDIR)/tests/skip-reasons.sh .; exit $$status

# The hardware back end on real firmware: 32-bit and 64-bit static builds run
# in QEMU guests (tests/hardware). QEMU and the rest are installed, and the
# guests' kernel fetched, here, before the tests: the tests only use them.
# Three slots on two processors: a guest is one emulated processor, the
# Ansible test's two guests take two slots, and with two slots that test
# waited for both to be free while one stood idle.
test-hardware: build
	@$(DEPS) hardware
	tests/hardware/provision.sh $(BUILD_DIR)/hardware/kernel
	cd $(BUILD_DIR) && ctest --output-on-failure -j3 -L hardware; status=$$?; \
	    $(CURDIR)/tests/skip-reasons.sh .; exit $$status

# Every libFuzzer target of tests/fuzz for FUZZ_SECONDS each, in the build of
# test-asan (configured here when it is not there yet, or was made without
# the fuzz targets).
fuzz:
	@$(DEPS) test fuzz
	grep -qsx 'CMOSCFG_FUZZ:BOOL=ON' $(ASAN_BUILD_DIR)/CMakeCache.txt || \
	    { rm -f $(ASAN_BUILD_DIR)/CMakeCache.txt && $(SANITIZED_CONFIGURE); }
	tests/fuzz/run-fuzzers.sh $(ASAN_BUILD_DIR) $(FUZZ_SECONDS)

# Only what the tour needs: the tool, the image builder and the demo image.
# The demo and the install need no GoogleTest: a build directory not yet made
# is made without the tests, one that exists is used as it was made.
MADE_WITH_TESTS = $(shell sed -n 's/.*-DCMOSCFG_TESTS=\([^ ]*\).*/\1/p' $(BUILD_DIR)/make-configuration 2>/dev/null)
TESTS_UNLESS_MADE := $(if $(filter command line environment,$(origin CMOSCFG_TESTS)),$(CMOSCFG_TESTS),$(or $(MADE_WITH_TESTS),OFF))
demo install: CMOSCFG_TESTS := $(TESTS_UNLESS_MADE)

demo: configure
	cmake --build $(BUILD_DIR) --target cmoscfg demo-image
	tools/demo.sh $(BUILD_DIR)

install: configure
	cmake --build $(BUILD_DIR) --target cmoscfg cmoscfg-mkimage
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# The Debian package, built from a copy of the work tree so that the build
# leaves nothing behind in it; the .deb lands in $(DEB_BUILD_DIR), beside the
# source package (.dsc and .tar.xz) that lintian checks too.
# debhelper gives the build a HOME of its own: ccache, where installed, is
# pointed at the user's cache, not at an empty one in the copy.
CCACHE_DIR_OF_USER = $(if $(shell command -v ccache),CCACHE_DIR="$$(ccache -k cache_dir)")
deb:
	@$(DEPS) deb
	rm -rf $(DEB_BUILD_DIR)
	mkdir -p $(DEB_BUILD_DIR)/cmoscfg-$(VERSION)
	tar -c --exclude-vcs --exclude=./build --exclude='./build-*' . | tar -x -C $(DEB_BUILD_DIR)/cmoscfg-$(VERSION)
	cd $(DEB_BUILD_DIR)/cmoscfg-$(VERSION) && $(CCACHE_DIR_OF_USER) dpkg-buildpackage -us -uc

# Lintian on the source and binary packages, the file list, then installed,
# its boot unit seen enabled, tried by its autopkgtest (debian/tests) and
# purged again (needs root).
check-deb: deb
	tests/package/check-package.sh $(DEB_BUILD_DIR)/cmoscfg_$(VERSION).dsc \
	    $(DEB_BUILD_DIR)/cmoscfg_$(VERSION)_$$(dpkg --print-architecture).deb

# Start-up against the floor of its one shell command, in STARTUP_ROUNDS
# rounds (BASELINE=path/to/an/older/cmoscfg adds that build to the same run),
# what killed runs leave (KILL_RUNS applies per update method), then how a
# settings listing's cost grows with the size of the settings file, and how
# big and slow the collection's drift report of 500 hosts is. Needs the
# build with the tests (the default), which builds the benchmarks' helpers.
STARTUP_ROUNDS ?= 400
KILL_RUNS ?= 1000
bench: build
	cmake --build $(BUILD_DIR) --target bench_settings_scale bench_peak_memory bench_startup bench_startup_static_c_floor bench_startup_cxx_floor
	$(BUILD_DIR)/bench/bench_startup $(STARTUP_ROUNDS) $(BUILD_DIR)/demo-image $(BUILD_DIR)/bench/bench_startup_static_c_floor \
	    $(BUILD_DIR)/bench/bench_startup_cxx_floor $(BUILD_DIR)/cmoscfg $(BASELINE)
	bench/kill_during_writes.sh $(BUILD_DIR)/cmoscfg $(BUILD_DIR)/tools/cmoscfg-mkimage $(BUILD_DIR)/tests/libkill_at_event.so 100 readfile
	bench/kill_during_writes.sh $(BUILD_DIR)/cmoscfg $(BUILD_DIR)/tools/cmoscfg-mkimage $(BUILD_DIR)/tests/libkill_at_event.so $(KILL_RUNS) apply
	work=$$(mktemp -d) && $(BUILD_DIR)/bench/bench_settings_scale $(BUILD_DIR)/cmoscfg $(BUILD_DIR)/bench/bench_peak_memory $$work $(BUILD_DIR)/tests/libkill_at_event.so; \
	    status=$$?; rm -rf $$work; exit $$status
	cmake --build $(BUILD_DIR) --target bench_metrics_cost demo-image && work=$$(mktemp -d) && $(BUILD_DIR)/bench/bench_metrics_cost $(BUILD_DIR)/cmoscfg $(BUILD_DIR)/demo-image $(CURDIR)/examples/bios_settings.k2a07 $$work; status=$$?; rm -rf $$work; exit $$status
	@$(DEPS) bench
	timeout 900 bench/report_scale.py

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR)
