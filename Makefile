# A thin wrapper over CMake: make, make test, make install.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build test install clean

all: build

deps:
	@scripts/install-deps

configure:
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: configure
	@cmake --build $(BUILD_DIR) --parallel $(JOBS)

test: deps build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure --parallel $(JOBS)

install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

clean:
	@rm -rf $(BUILD_DIR)
