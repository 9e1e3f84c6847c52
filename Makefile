# Thin wrapper around CMake so that the everyday commands are short.
BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
DEB_BUILD_DIR ?= build-deb
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=
# OFF builds the tool and the image builder alone, without GoogleTest.
CMOSCFG_TESTS ?= ON
# `make install` puts the files under $(DESTDIR)$(PREFIX).
PREFIX ?= /usr/local
VERSION := $(shell grep -o -m1 'cmoscfg VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)

.PHONY: all build test test-asan test-hardware test-ansible fuzz demo install deb check-deb clean

all: build

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMOSCFG_TESTS=$(CMOSCFG_TESTS) $(CMAKE_FLAGS)

build: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR)

# The QEMU guests of the hardware suite have their own target.
test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2 -LE hardware

# The Ansible collection (ansible/): one playbook drives three machine images
# as a fleet. Needs ansible-core (.ci/run installs it).
test-ansible: build
	ansible/tests/run.sh $(BUILD_DIR)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan:
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMOSCFG_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD_DIR)
	cd $(ASAN_BUILD_DIR) && ctest --output-on-failure -j2 -LE hardware

# The hardware back end on real firmware: 32-bit and 64-bit static builds run
# in QEMU guests (tests/hardware). Installs QEMU and the rest when missing.
test-hardware: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2 -L hardware

# Every libFuzzer target of tests/fuzz (clang-14) for FUZZ_SECONDS each.
fuzz:
	CMAKE_FLAGS="$(CMAKE_FLAGS)" tests/fuzz/run-fuzzers.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

# Only what the tour needs: the tool, the image builder and the demo image.
demo: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) --target cmoscfg demo-image
	tools/demo.sh $(BUILD_DIR)

install: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) --target cmoscfg cmoscfg-mkimage
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# The Debian package, built from a copy of the work tree so that the build
# leaves nothing behind in it; the .deb lands in $(DEB_BUILD_DIR).
deb:
	rm -rf $(DEB_BUILD_DIR)
	mkdir -p $(DEB_BUILD_DIR)/cmoscfg-$(VERSION)
	tar -c --exclude-vcs --exclude=./build --exclude='./build-*' . | tar -x -C $(DEB_BUILD_DIR)/cmoscfg-$(VERSION)
	cd $(DEB_BUILD_DIR)/cmoscfg-$(VERSION) && dpkg-buildpackage -us -uc -b

# Lintian, the file list, then installed, used and removed again (needs root).
check-deb: deb
	tests/package/check-package.sh $(DEB_BUILD_DIR)/cmoscfg_$(VERSION)_$$(dpkg --print-architecture).deb

# How a settings listing's cost grows with the size of the settings file.
bench: build
	cmake --build $(BUILD_DIR) --target bench_settings_scale
	work=$$(mktemp -d) && $(BUILD_DIR)/bench_settings_scale $(BUILD_DIR)/cmoscfg $$work; status=$$?; rm -rf $$work; exit $$status

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(FUZZ_BUILD_DIR)
