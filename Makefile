# Set-up and build commands. `make test` and `make demo` install what is missing first.
BUILD_DIR   ?= build
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
DEBIAN_PACKAGES  := cmake make g++ libgtest-dev libgmock-dev qt6-base-dev libxkbcommon-dev fonts-liberation
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix

.PHONY: all deps deps-windows build-test test release demo screenshots check-windows format clean \
        bench

all: release

deps:
	@sh tools/install-packages.sh $(DEBIAN_PACKAGES)

deps-windows:
	@sh tools/install-packages.sh cmake make $(WINDOWS_PACKAGES)

# Every test runs under AddressSanitizer and UndefinedBehaviorSanitizer.
build-test: deps
	cmake -S . -B $(BUILD_DIR)/test -DCMAKE_BUILD_TYPE=Debug -DCANTRA_SANITIZE=ON
	cmake --build $(BUILD_DIR)/test -j $(JOBS)

test: build-test
	ctest --test-dir $(BUILD_DIR)/test --output-on-failure -j $(JOBS)

release: deps
	cmake -S . -B $(BUILD_DIR)/release -DCMAKE_BUILD_TYPE=Release -DCANTRA_TESTS=OFF
	cmake --build $(BUILD_DIR)/release -j $(JOBS)

demo: release
	$(BUILD_DIR)/release/src/cantra-adjust --virtual-printer

# Every window and every panel of the adjustment window, rendered offscreen, and printed pages.
screenshots: build-test
	mkdir -p $(BUILD_DIR)/screenshots
	CANTRA_SCREENSHOTS="$(abspath $(BUILD_DIR)/screenshots)" QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=0 $(BUILD_DIR)/test/tests/gui_tests \
	  --gtest_filter='Screenshots.*:PrintedPages.HandMadeSheets:PatternSheets.*:VirtualPrinterWindowTest.TabsToLookAt'

# Figures of the print stream, the link over a pseudo-terminal, the virtual printer and the
# protocol trace (Release build; prints, never fails). BENCH="stream pty" runs only those.
bench: deps
	cmake -S . -B $(BUILD_DIR)/bench -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR)/bench -j $(JOBS) --target cantra-bench
	$(BUILD_DIR)/bench/bench/cantra-bench $(BENCH)

check-windows: deps-windows
	cmake -S . -B $(BUILD_DIR)/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	      -DCMAKE_BUILD_TYPE=Release -DCANTRA_GUI=OFF -DCANTRA_TESTS=OFF
	cmake --build $(BUILD_DIR)/windows -j $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
