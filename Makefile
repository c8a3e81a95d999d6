# A thin wrapper over CMake: make, make test, make install.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CTEST = ctest --output-on-failure --parallel $(JOBS)

.PHONY: all deps configure build check test test-sanitizers bench install clean

all: build

deps:
	@scripts/install-deps

configure:
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: configure
	@cmake --build $(BUILD_DIR) --parallel $(JOBS)

# Every test of the main build.
check: build
	@$(CTEST) --test-dir $(BUILD_DIR)

# The discovery tests again under AddressSanitizer with UndefinedBehaviorSanitizer, and under
# ThreadSanitizer.
test-sanitizers:
	@cmake -S . -B $(BUILD_DIR)-asan -DCMAKE_BUILD_TYPE=Debug -DQUENLO_SANITIZE=address,undefined \
		-DQUENLO_BUILD_UI=OFF
	@cmake --build $(BUILD_DIR)-asan --parallel $(JOBS)
	@$(CTEST) --test-dir $(BUILD_DIR)-asan --exclude-regex '^bench_'
	@cmake -S . -B $(BUILD_DIR)-tsan -DCMAKE_BUILD_TYPE=Debug -DQUENLO_SANITIZE=thread \
		-DQUENLO_BUILD_UI=OFF
	@cmake --build $(BUILD_DIR)-tsan --parallel $(JOBS)
	@$(CTEST) --test-dir $(BUILD_DIR)-tsan --exclude-regex '^bench_'

test: deps
	@$(MAKE) --no-print-directory check
	@$(MAKE) --no-print-directory test-sanitizers

# The search benchmark in a private test network; its table goes into the README.
bench: build
	@tests/testnet/testnet.sh $(BUILD_DIR)/bench/bench_search

install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

clean:
	@rm -rf $(BUILD_DIR) $(BUILD_DIR)-asan $(BUILD_DIR)-tsan
