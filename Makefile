# A thin wrapper over CMake: make, make test, make install.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# The builds' own makes need not say which folder they enter.
MAKEFLAGS += --no-print-directory
# Runs the tests of the build folder $(1) (ctest options in $(2)), then names every test that did
# not run, and why; a test that did not run fails the run, or under make test its summary at the
# end.
RUN_TESTS = rm -f $(1)/tests.xml; ctest --test-dir $(1) --output-on-failure --parallel $(JOBS) \
	--output-junit tests.xml $(2); status=$$?; \
	tests/run_summary.py $(if $(SUMMARY_AT_END),--later) $(1)/tests.xml || status=1; exit $$status
# The build folders whose tests make test runs.
TEST_BUILDS = $(BUILD_DIR) $(BUILD_DIR)-asan $(BUILD_DIR)-tsan $(BUILD_DIR)-windows \
	$(BUILD_DIR)-windows32

FUZZ_SECONDS ?= 300
FUZZ_RUNS ?= 20000

.PHONY: all deps configure build owner check test test-busy test-busy-round test-sanitizers \
	test-windows windows fuzz-build fuzz test-fuzz bench bench-windows demo screenshot \
	screenshot-windows run install package clean

all: build

deps:
	@scripts/install-deps

configure:
	@scripts/install-deps --check
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: configure
	@cmake --build $(BUILD_DIR) --parallel $(JOBS)

# Tests and the demo run as the clone's owner: run as anyone else (sudo make test) they would
# leave files in the clone that its owner cannot remove, and they need no root.
owner:
	@[ "$$(id -u)" = "$$(stat -c %u .)" ] || { echo "make: run this as $$(stat -c %U .)," \
		"who owns this clone, not as $$(id -un): it needs no root, and would leave files" \
		"$$(stat -c %U .) cannot remove" >&2; exit 1; }

# Every test of the main build.
check: owner build
	@$(call RUN_TESTS,$(BUILD_DIR))

# The core and shared tests again under AddressSanitizer with UndefinedBehaviorSanitizer; those
# and the window's tests under ThreadSanitizer, since the window is where the threads meet.
test-sanitizers: owner
	@cmake -S . -B $(BUILD_DIR)-asan -DCMAKE_BUILD_TYPE=Debug -DQUENLO_SANITIZE=address,undefined \
		-DQUENLO_BUILD_UI=OFF
	@cmake --build $(BUILD_DIR)-asan --parallel $(JOBS)
	@$(call RUN_TESTS,$(BUILD_DIR)-asan,--exclude-regex '^bench_')
	@cmake -S . -B $(BUILD_DIR)-tsan -DCMAKE_BUILD_TYPE=Debug -DQUENLO_SANITIZE=thread
	@cmake --build $(BUILD_DIR)-tsan --parallel $(JOBS)
	@$(call RUN_TESTS,$(BUILD_DIR)-tsan,--exclude-regex '^(bench_|test_a11y$$|package_)')

# The reply path under libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer, built by
# clang; new inputs it finds go to $(BUILD_DIR)-fuzz/corpus, the seeds in the tree stay as they are.
fuzz-build:
	@cmake -S . -B $(BUILD_DIR)-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
		-DQUENLO_FUZZ=ON -DQUENLO_SANITIZE=address,undefined -DQUENLO_BUILD_UI=OFF \
		-DQUENLO_BUILD_TESTS=OFF
	@cmake --build $(BUILD_DIR)-fuzz --parallel $(JOBS) --target fuzz_reply_path
	@mkdir -p $(BUILD_DIR)-fuzz/corpus

fuzz: fuzz-build
	@$(BUILD_DIR)-fuzz/tests/fuzz/fuzz_reply_path -max_total_time=$(FUZZ_SECONDS) \
		$(BUILD_DIR)-fuzz/corpus tests/fuzz/corpus

# A short, fixed number of inputs, as part of make test.
test-fuzz: fuzz-build
	@$(BUILD_DIR)-fuzz/tests/fuzz/fuzz_reply_path -runs=$(FUZZ_RUNS) -seed=1 \
		$(BUILD_DIR)-fuzz/corpus tests/fuzz/corpus 2>$(BUILD_DIR)-fuzz/last-run.log \
		|| { cat $(BUILD_DIR)-fuzz/last-run.log; exit 1; }
	@echo "fuzz_reply_path: $(FUZZ_RUNS) inputs, no fault"

# The Windows builds, cross-built with mingw-w64, with the native window (there is no Qt for
# Windows here): 64-bit in $(BUILD_DIR)-windows, 32-bit in $(BUILD_DIR)-windows32. Both are tested
# under Wine in private namespaces (tests/testnet/winerun.sh), beside the agent of the Linux build.
TESTNET_AGENT = $(abspath $(BUILD_DIR))/tests/quenlo-testnet-agent
WINE_TEMPLATE = $(abspath $(BUILD_DIR)-windows)/wine-template
# $(1): the build folder's suffix, $(2): the toolchain's processor. Once a build folder exists
# CMake leaves its toolchain file alone, and would warn of it unused.
WINDOWS_CONFIGURE = cmake --no-warn-unused-cli -S . -B $(BUILD_DIR)-windows$(1) \
	-DCMAKE_TOOLCHAIN_FILE=cmake/$(2)-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release \
	-DQUENLO_BUILD_UI=OFF
# Builds and runs the tests of one Windows build: $(1) and $(2) as above.
WINDOWS_TESTS = $(call WINDOWS_CONFIGURE,$(1),$(2)) -DQUENLO_TESTNET_AGENT=$(TESTNET_AGENT) && \
	cmake --build $(BUILD_DIR)-windows$(1) --parallel $(JOBS) && \
	$(call RUN_TESTS,$(BUILD_DIR)-windows$(1))

test-windows: owner build
	@$(call WINDOWS_TESTS,,x86_64)
	@$(call WINDOWS_TESTS,32,i686)

# Quenlo.exe and quenlo-find.exe, static, and the zips that ship them with the read-me and the
# licence: $(BUILD_DIR)-windows/Quenlo-<version>-win64.zip and
# $(BUILD_DIR)-windows32/Quenlo-<version>-win32.zip.
windows:
	@$(call WINDOWS_CONFIGURE,,x86_64)
	@cmake --build $(BUILD_DIR)-windows --parallel $(JOBS) --target windows_zip
	@$(call WINDOWS_CONFIGURE,32,i686)
	@cmake --build $(BUILD_DIR)-windows32 --parallel $(JOBS) --target windows_zip
	@ls $(BUILD_DIR)-windows/Quenlo-*-win64.zip $(BUILD_DIR)-windows32/Quenlo-*-win32.zip

# Every stage's tests; the last lines count the tests that ran and name those that did not.
test: owner deps
	@$(MAKE) check SUMMARY_AT_END=1
	@$(MAKE) test-sanitizers SUMMARY_AT_END=1
	@$(MAKE) test-fuzz
	@$(MAKE) test-windows SUMMARY_AT_END=1
	@tests/run_summary.py $(addsuffix /tests.xml,$(TEST_BUILDS))

# The main build's tests and the Windows window's tests, built first, then run beside as many busy
# loops as the machine has cores, plus one: a test that passes only on an idle machine fails here.
test-busy: owner build
	@$(call WINDOWS_CONFIGURE,,x86_64) -DQUENLO_TESTNET_AGENT=$(TESTNET_AGENT)
	@cmake --build $(BUILD_DIR)-windows --parallel $(JOBS)
	@$(call WINDOWS_CONFIGURE,32,i686) -DQUENLO_TESTNET_AGENT=$(TESTNET_AGENT)
	@cmake --build $(BUILD_DIR)-windows32 --parallel $(JOBS)
	@tests/under_load.sh $(MAKE) test-busy-round

WINDOW_TESTS = --tests-regex '^test_win32_(window|search)'
test-busy-round:
	@$(call RUN_TESTS,$(BUILD_DIR))
	@$(call RUN_TESTS,$(BUILD_DIR)-windows,$(WINDOW_TESTS))
	@$(call RUN_TESTS,$(BUILD_DIR)-windows32,$(WINDOW_TESTS))

# The benchmarks; their tables go into the README. Reading the largest address plans, which opens
# no socket; then, each in a private test network, the search worker alone, the real window
# offscreen, and under Xvfb with an accessibility listener; then crowds of devices answering for a
# minute each, to quenlo-find and to the window.
bench: build
	@$(BUILD_DIR)/bench/bench_plan
	@tests/testnet/testnet.sh $(BUILD_DIR)/bench/bench_search
	@QT_QPA_PLATFORM=offscreen tests/testnet/testnet.sh $(BUILD_DIR)/bench/bench_window
	@tests/testnet/testnet.sh bench/a11y_listener.py $(BUILD_DIR)/bench/bench_window
	@tests/testnet/testnet.sh bench/bench_scale.py $(BUILD_DIR)

# The Windows window's benchmark, under Wine with an Xvfb display of its own, in a private test
# network; its table goes into the README.
bench-windows: build
	@$(call WINDOWS_CONFIGURE,,x86_64) -DQUENLO_TESTNET_AGENT=$(TESTNET_AGENT)
	@cmake --build $(BUILD_DIR)-windows --parallel $(JOBS) --target bench_win32_window
	@tests/testnet/winerun.sh --prepare $(WINE_TEMPLATE)
	@tests/testnet/testnet.sh tests/testnet/winerun.sh --agent $(TESTNET_AGENT) --display \
		$(WINE_TEMPLATE) $(BUILD_DIR)-windows/bench/bench_win32_window.exe

# The real window on this desktop, searching a private network of simulated devices; nothing
# reaches the real network. Needs root or unprivileged user namespaces, and a display.
demo: owner configure
	@cmake --build $(BUILD_DIR) --parallel $(JOBS) --target quenlo quenlo-devsim
	@BUILD_DIR=$(BUILD_DIR) scripts/demo

# docs/screenshot.png: the window listing simulated devices, and docs/screenshot-plan.png: the same
# list checked against an address plan; taken in a private test network. docs/screenshot-en.png and
# docs/screenshot-en-plan.png: the same in English.
screenshot: build
	@mkdir -p docs
	@LANGUAGE= LC_ALL= LC_MESSAGES= LANG=zh_CN.UTF-8 tests/testnet/testnet.sh \
		$(BUILD_DIR)/tools/screenshot/quenlo-screenshot docs/screenshot.png
	@LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 tests/testnet/testnet.sh \
		$(BUILD_DIR)/tools/screenshot/quenlo-screenshot docs/screenshot-en.png

# docs/screenshot-windows.png: Quenlo.exe's window listing the same devices, under Wine with an
# Xvfb display of its own, in a private test network; docs/screenshot-windows-200.png: the same at
# 200 % on a 1920 x 1080 screen; docs/screenshot-windows-en.png: the same under a Windows whose
# user interface is English and whose code page is still Chinese (936), as on a site's computer
# set up for an English-reading installer.
screenshot-windows: build
	@$(call WINDOWS_CONFIGURE,,x86_64) -DQUENLO_TESTNET_AGENT=$(TESTNET_AGENT)
	@cmake --build $(BUILD_DIR)-windows --parallel $(JOBS) --target quenlo-screenshot
	@tests/testnet/winerun.sh --prepare $(WINE_TEMPLATE)
	@mkdir -p docs
	@LANG=zh_CN.UTF-8 tests/testnet/testnet.sh tests/testnet/winerun.sh --agent $(TESTNET_AGENT) \
		--display $(WINE_TEMPLATE) \
		$(BUILD_DIR)-windows/tools/screenshot/quenlo-screenshot.exe \
		$(abspath $(BUILD_DIR)-windows)/screenshot-windows.bmp
	@tools/screenshot/bmp_to_png.py $(BUILD_DIR)-windows/screenshot-windows.bmp \
		docs/screenshot-windows.png
	@LANG=zh_CN.UTF-8 tests/testnet/testnet.sh tests/testnet/winerun.sh --agent $(TESTNET_AGENT) \
		--display --screen 1920x1080 --dpi 192 $(WINE_TEMPLATE) \
		$(BUILD_DIR)-windows/tools/screenshot/quenlo-screenshot.exe \
		$(abspath $(BUILD_DIR)-windows)/screenshot-windows-200.bmp
	@tools/screenshot/bmp_to_png.py $(BUILD_DIR)-windows/screenshot-windows-200.bmp \
		docs/screenshot-windows-200.png
	@LANG=zh_CN.UTF-8 LC_MESSAGES=en_US.UTF-8 tests/testnet/testnet.sh tests/testnet/winerun.sh \
		--agent $(TESTNET_AGENT) --display $(WINE_TEMPLATE) \
		$(BUILD_DIR)-windows/tools/screenshot/quenlo-screenshot.exe \
		$(abspath $(BUILD_DIR)-windows)/screenshot-windows-en.bmp
	@tools/screenshot/bmp_to_png.py $(BUILD_DIR)-windows/screenshot-windows-en.bmp \
		docs/screenshot-windows-en.png

# Runs Quenlo on this computer's own network: its searches are broadcasts that every device on
# the segment receives. For a user's own machine only; never on a development or CI machine,
# which sit on shared networks (use make demo there).
run: build
	@$(BUILD_DIR)/frontends/qt/quenlo

install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A .deb of the program, its desktop entry, icons and manual page, in $(BUILD_DIR).
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

clean:
	@rm -rf $(BUILD_DIR) $(BUILD_DIR)-asan $(BUILD_DIR)-tsan $(BUILD_DIR)-fuzz \
		$(BUILD_DIR)-windows $(BUILD_DIR)-windows32
