# Thin wrapper around CMake so that the everyday commands are short.
BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
CMAKE_FLAGS ?=

.PHONY: all build test test-asan test-hardware demo clean

all: build

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

build: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR)

# The QEMU guests of the hardware suite have their own target.
test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2 -LE hardware

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan:
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMOSCFG_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD_DIR)
	cd $(ASAN_BUILD_DIR) && ctest --output-on-failure -j2 -LE hardware

# The hardware back end on real firmware: 32-bit and 64-bit static builds run
# in QEMU guests (tests/hardware). Installs QEMU and the rest when missing.
test-hardware: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2 -L hardware

demo: build
	cmake --build $(BUILD_DIR) --target demo-image
	tools/demo.sh $(BUILD_DIR)

# How a settings listing's cost grows with the size of the settings file.
bench: build
	cmake --build $(BUILD_DIR) --target bench_settings_scale
	work=$$(mktemp -d) && $(BUILD_DIR)/bench_settings_scale $(BUILD_DIR)/cmoscfg $$work; status=$$?; rm -rf $$work; exit $$status

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR)
