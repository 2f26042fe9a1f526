# Set-up and build commands. `make test` and `make demo` install what is missing first.
BUILD_DIR   ?= build
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
DEBIAN_PACKAGES  := cmake make g++ libgtest-dev libgmock-dev qt6-base-dev libxkbcommon-dev fonts-liberation
# Scanning sheets (the pnm backend the tests scan through comes with libsane1).
DEBIAN_PACKAGES  += libsane-dev
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix
WINE_PACKAGES    := wine wine64
ZIP_PACKAGES     := zip
FUZZ_PACKAGES    := cmake make g++ clang libclang-rt-14-dev
PACKAGE_PACKAGES := $(DEBIAN_PACKAGES) help2man gzip dpkg-dev fakeroot file lintian desktop-file-utils \
                    appstream
# The distribution's build flags, with every hardening feature, for the package's programs.
DEB_FLAGS         = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
# A virtual screen: make demo without a display, and the tests of keys on an X server.
VIRTUAL_SCREEN_PACKAGES := xvfb xdotool
FUZZ_SECONDS     ?= 60

.PHONY: all deps deps-windows deps-wine deps-fuzz deps-screen deps-package build-test test release \
        demo screenshots check-windows check-windows-run windows-zip format clean bench build-fuzz \
        fuzz fuzz-corpus soak package

all: release

deps:
	@sh tools/install-packages.sh $(DEBIAN_PACKAGES)

deps-windows:
	@sh tools/install-packages.sh cmake make $(WINDOWS_PACKAGES)

deps-wine:
	@sh tools/install-packages.sh $(WINE_PACKAGES)

deps-fuzz:
	@sh tools/install-packages.sh $(FUZZ_PACKAGES)

deps-package:
	@sh tools/install-packages.sh $(PACKAGE_PACKAGES)

deps-screen:
	@sh tools/install-packages.sh $(VIRTUAL_SCREEN_PACKAGES)

# Every test runs under AddressSanitizer and UndefinedBehaviorSanitizer.
build-test: deps deps-screen
	cmake -S . -B $(BUILD_DIR)/test -DCMAKE_BUILD_TYPE=Debug -DCANTRA_SANITIZE=ON
	cmake --build $(BUILD_DIR)/test -j $(JOBS)

test: build-test
	ctest --test-dir $(BUILD_DIR)/test --output-on-failure -j $(JOBS)

release: deps
	cmake -S . -B $(BUILD_DIR)/release -DCMAKE_BUILD_TYPE=Release -DCANTRA_TESTS=OFF
	cmake --build $(BUILD_DIR)/release -j $(JOBS)

# With a display the program on its virtual printer; without one a scripted walk on a virtual
# screen that leaves pictures of the windows and the printed pages in build/demo.
demo: release
	@VIRTUAL_SCREEN_PACKAGES="$(VIRTUAL_SCREEN_PACKAGES)" \
	  sh tools/demo.sh $(BUILD_DIR)/release $(BUILD_DIR)/demo

# The Debian package cantra-adjust_VERSION_ARCH.deb in build/package, built with the
# distribution's flags and checked with lintian, desktop-file-validate and appstreamcli.
package: deps-package
	cmake -S . -B $(BUILD_DIR)/package -DCMAKE_BUILD_TYPE=Release -DCANTRA_TESTS=OFF \
	      -DCMAKE_INSTALL_PREFIX=/usr \
	      -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
	      -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)"
	cmake --build $(BUILD_DIR)/package -j $(JOBS)
	rm -f $(BUILD_DIR)/package/*.deb
	cd $(BUILD_DIR)/package && cpack -G DEB
	sh packaging/check.sh $(BUILD_DIR)/package

# Every window and every panel of the adjustment window, rendered offscreen, and printed pages.
screenshots: build-test
	mkdir -p $(BUILD_DIR)/screenshots
	CANTRA_SCREENSHOTS="$(abspath $(BUILD_DIR)/screenshots)" QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=0 $(BUILD_DIR)/test/tests/gui_tests \
	  --gtest_filter='Screenshots.*:PrintedPages.HandMadeSheets:PatternSheets.*:VirtualPrinterWindowTest.TabsToLookAt'
	if [ -x $(BUILD_DIR)/test/tests/scanner_dialog_tests ]; then \
	  CANTRA_SCREENSHOTS="$(abspath $(BUILD_DIR)/screenshots)" QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=0 $(BUILD_DIR)/test/tests/scanner_dialog_tests \
	    --gtest_filter='*HandsBackThePage*:*AFailureIsShown*'; fi

# Figures of the print stream, the link over a pseudo-terminal, the print time with and without
# page pictures, the virtual printer and the protocol trace (Release build; prints, never
# fails). BENCH="stream pty" runs only those.
bench: deps
	cmake -S . -B $(BUILD_DIR)/bench -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR)/bench -j $(JOBS) --target cantra-bench
	$(BUILD_DIR)/bench/bench/cantra-bench $(BENCH)

# The libFuzzer harnesses (clang, ASan, UBSan), each run for FUZZ_SECONDS from its seeds.
build-fuzz: deps-fuzz
	cmake -S . -B $(BUILD_DIR)/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCANTRA_GUI=OFF -DCANTRA_TESTS=OFF -DCANTRA_FUZZ=ON
	cmake --build $(BUILD_DIR)/fuzz -j $(JOBS) --target fuzzers

fuzz: build-fuzz
	sh fuzz/run.sh $(BUILD_DIR)/fuzz $(FUZZ_SECONDS)

# Records the seed corpora again from the virtual printer's replies and the program's requests.
fuzz-corpus: build-fuzz
	rm -rf fuzz/corpus
	$(BUILD_DIR)/fuzz/fuzz/fuzz-record fuzz/corpus

# Ten A4 check sheets and ten Bi-D prints in a row through the real port to cantra-vprinter
# (Release build), with the program's real pauses: a few minutes. Not part of CI.
soak: deps
	cmake -S . -B $(BUILD_DIR)/bench -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR)/bench -j $(JOBS) --target cantra-soak cantra-vprinter
	$(BUILD_DIR)/bench/bench/cantra-soak $(BUILD_DIR)/bench/vprinter/cantra-vprinter

check-windows: deps-windows
	cmake -S . -B $(BUILD_DIR)/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	      -DCMAKE_BUILD_TYPE=Release -DCANTRA_GUI=OFF -DCANTRA_TESTS=OFF
	cmake --build $(BUILD_DIR)/windows -j $(JOBS)

# The Windows cantra-service.exe under Wine next to the Linux build of build/test (only its two
# programs are built here; after `make test` nothing), on the in-process virtual printer and on
# LPT1 bound to cantra-vprinter on a pseudo-terminal. The Wine prefix stays in build/wine.
check-windows-run: deps deps-wine check-windows
	cmake -S . -B $(BUILD_DIR)/test -DCMAKE_BUILD_TYPE=Debug -DCANTRA_SANITIZE=ON
	cmake --build $(BUILD_DIR)/test -j $(JOBS) --target cantra-service cantra-vprinter
	tests/windows/compare-with-linux.sh $(BUILD_DIR)/windows/tools/cantra-service.exe \
	    $(BUILD_DIR)/test/tools/cantra-service $(BUILD_DIR)/test/vprinter/cantra-vprinter \
	    $(BUILD_DIR)/wine

# The console tool and its README, with Windows line endings, in one zip.
WINDOWS_ZIP := $(BUILD_DIR)/windows/cantra-service-windows-x64.zip
windows-zip: check-windows
	@sh tools/install-packages.sh $(ZIP_PACKAGES)
	rm -rf $(BUILD_DIR)/windows/zip $(WINDOWS_ZIP)
	mkdir -p $(BUILD_DIR)/windows/zip
	cp $(BUILD_DIR)/windows/tools/cantra-service.exe $(BUILD_DIR)/windows/zip/
	sed 's/$$/\r/' tools/windows/README.txt > $(BUILD_DIR)/windows/zip/README.txt
	cd $(BUILD_DIR)/windows/zip && zip -X -q ../$(notdir $(WINDOWS_ZIP)) cantra-service.exe README.txt
	@zip -sf $(WINDOWS_ZIP)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
