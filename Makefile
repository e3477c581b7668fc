# Builds with CMake; `make run` runs the program on the bundled example, `make test` runs every test.
# `make sanitize` runs every test under AddressSanitizer and UndefinedBehaviorSanitizer (in
# build-asan); `make fuzz` fuzzes whole runs for FUZZ_SECONDS seconds with clang's libFuzzer
# (in build-fuzz); `make package` makes the Debian package and `make check-package` installs,
# tries and removes it; `make bench` measures the program on synthetic networks;
# `make bench-analysis` measures how often the quality analysis finds a blundered reading;
# `make windows` cross-builds the Windows program and its zip (in build-windows) and
# `make windows-test` runs every test of the Windows build under Wine; `make web` builds the
# program as one web page (build-web/interseccao.html) with Emscripten, and `make web-test`
# compares it in headless Chromium with the native program and runs the test program under Node.
BUILD ?= build
WINDOWS_BUILD ?= build-windows
WEB_BUILD ?= build-web
WEB_PAGE = $(WEB_BUILD)/interseccao.html
EXAMPLE ?= examples/levantamento-gc.txt
REPORT ?= relatorio.txt
FUZZ_SECONDS ?= 60
# CI (CI=true) turns every warning into an error.
WERROR := $(if $(CI),-DINTERSECCAO_WERROR=ON,)

.PHONY: all build run test sanitize fuzz package check-package bench bench-analysis clean \
	format-check windows windows-test web web-test

all: build

# What the build needs from Debian: compiler, CMake, GoogleTest, CLI11 and nlohmann/json; and
# rsvg-convert, with which the tests render the drawings (and the guide's picture); ezdxf and
# matplotlib, which read the DXF back and render it, and GDAL's ogrinfo, which reads the GeoJSON.
PACKAGES := cmake g++ make libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev librsvg2-bin \
	python3-ezdxf python3-matplotlib gdal-bin
HAVE_PACKAGES := command -v cmake >/dev/null && command -v g++ >/dev/null && \
	command -v rsvg-convert >/dev/null && command -v ogrinfo >/dev/null && \
	/usr/bin/python3 -c 'import ezdxf, matplotlib' 2>/dev/null && \
	[ -f /usr/include/gtest/gtest.h ] && [ -f /usr/include/CLI/CLI.hpp ] && \
	[ -f /usr/include/nlohmann/json.hpp ]
INSTALL_PACKAGES := $(HAVE_PACKAGES) || \
	(apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
		--no-install-recommends $(PACKAGES) >/dev/null)

build:
	@$(INSTALL_PACKAGES)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(WERROR) >/dev/null
	cmake --build $(BUILD) -j2

# Only the program: the tests and the benchmarks are built by `make test` and `make bench`.
run:
	@$(INSTALL_PACKAGES)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(WERROR) >/dev/null
	cmake --build $(BUILD) --target interseccao -j2
	printf '%s\n%s\n%s\n' '$(EXAMPLE)' '$(REPORT)' 'S' | ./$(BUILD)/interseccao
	@echo
	@cat $(REPORT)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

# The package holds the web page too.
package: build web
	@command -v dpkg-shlibdeps >/dev/null && command -v file >/dev/null || \
		(apt-get update -qq && apt-get install -y -qq dpkg-dev file >/dev/null)
	cmake -S . -B $(BUILD) -DINTERSECCAO_WEB_PAGE=$(abspath $(WEB_PAGE)) >/dev/null
	cd $(BUILD) && cpack -G DEB

check-package:
	packaging/check-package.sh

# Beside the synthetic networks: inputs kept in the repository (see bench/benchmark.cpp).
BENCH_INPUTS = --input "long searches, fuzzed input" tests/cases/fuzz-long-searches \
	--input "worst case" bench/worst-case

bench: build
	./$(BUILD)/bench/benchmark ./$(BUILD)/interseccao ./$(BUILD)/bench/interseccao_general \
		./$(BUILD)/bench/interseccao_floor $(BUILD)/bench-work $(BENCH_INPUTS)
	./$(BUILD)/bench/benchmark --outputs ./$(BUILD)/interseccao $(BUILD)/bench-work
	# On a memory file system where there is one: file creation on disk costs both ways the same
	# and would hide the program's own time.
	./$(BUILD)/bench/batch_benchmark ./$(BUILD)/interseccao \
		$$( [ -d /dev/shm ] && echo /dev/shm/interseccao-bench-batch || echo $(BUILD)/bench-batch ) 1000
	./$(BUILD)/bench/session_benchmark ./$(BUILD)/interseccao \
		$$( [ -d /dev/shm ] && echo /dev/shm/interseccao-bench-session || echo $(BUILD)/bench-session ) 7

# How often the quality analysis names a blundered reading, and how often it suspects one
# in networks without a blunder.
bench-analysis: build
	./$(BUILD)/bench/blunder_detection 2000

sanitize:
	@$(INSTALL_PACKAGES)
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINTERSECCAO_SANITIZE=ON \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
		-DINTERSECCAO_BENCH_PROGRAMS=OFF $(WERROR) >/dev/null
	cmake --build build-asan -j2
	ctest --test-dir build-asan --output-on-failure -j2

# The fuzzer runtime comes with clang's compiler-rt package.
fuzz:
	@$(INSTALL_PACKAGES)
	@printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }\n' | \
		clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null || \
		(apt-get update -qq && apt-get install -y -qq clang libclang-rt-dev >/dev/null)
	fuzz/run.sh $(FUZZ_SECONDS)
	FUZZ_TARGET=command-line fuzz/run.sh $(FUZZ_SECONDS)

# MinGW-w64 with posix threads; GoogleTest is built from Debian's sources with it. The zip holds
# the web page too.
windows: web
	@command -v cmake >/dev/null && command -v x86_64-w64-mingw32-g++-posix >/dev/null && \
		command -v pandoc >/dev/null && [ -f /usr/src/googletest/CMakeLists.txt ] && \
		[ -f /usr/include/CLI/CLI.hpp ] && [ -f /usr/include/nlohmann/json.hpp ] || \
		(apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends cmake make \
			g++-mingw-w64-x86-64-posix googletest pandoc libcli11-dev nlohmann-json3-dev >/dev/null)
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
		-DCMAKE_BUILD_TYPE=Release -DINTERSECCAO_BENCH_PROGRAMS=OFF \
		-DINTERSECCAO_WEB_PAGE=$(abspath $(WEB_PAGE)) $(WERROR) >/dev/null
	cmake --build $(WINDOWS_BUILD) -j2
	cd $(WINDOWS_BUILD) && cpack -G ZIP

# The test program runs whole, once; then packaging/check-windows.sh checks the zip and runs the
# program from it on every end-to-end case. Wine keeps its prefix in the build folder. A program
# that crashes under Wine may still end with status 0 (Wine's debugger prints the crash and
# returns), so the run counts only if GoogleTest's summary says every test passed.
windows-test: windows
	@{ [ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null; } && command -v unzip >/dev/null || \
		(apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wine64 unzip >/dev/null)
	WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wine cmake/wine-run.sh \
		$(WINDOWS_BUILD)/tests/interseccao_tests.exe >$(WINDOWS_BUILD)/tests.log 2>&1; \
		status=$$?; cat $(WINDOWS_BUILD)/tests.log; [ $$status = 0 ] && \
		grep -q '^\[  PASSED  \] [0-9]* tests\.' $(WINDOWS_BUILD)/tests.log && \
		! grep -q '^\[  FAILED  \]' $(WINDOWS_BUILD)/tests.log
	WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wine WINDOWS_BUILD=$(WINDOWS_BUILD) \
		packaging/check-windows.sh

# Debian's Emscripten, with Node.js and npm, which put the page together from web/ and the zip
# library pinned in web/package-lock.json. Debian's Emscripten finds its own JavaScript modules
# through NODE_PATH when node is not Debian's. The page and the test program share one build,
# -O2, the tests built only by `make web-test`.
WEB_ENV := NODE_PATH=/usr/share/nodejs
web:
	@command -v emcc >/dev/null && command -v node >/dev/null && command -v npm >/dev/null && \
		command -v cmake >/dev/null && [ -f /usr/src/googletest/CMakeLists.txt ] && \
		[ -f /usr/include/CLI/CLI.hpp ] && [ -f /usr/include/nlohmann/json.hpp ] || \
		(apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
			cmake make emscripten googletest libcli11-dev nlohmann-json3-dev \
			$$(command -v node >/dev/null || echo nodejs) $$(command -v npm >/dev/null || echo npm) >/dev/null)
	cd web && npm ci --no-audit --no-fund --loglevel=error >/dev/null
	$(WEB_ENV) cmake -S . -B $(WEB_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake \
		-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
		-DINTERSECCAO_BENCH_PROGRAMS=OFF $(WERROR) >/dev/null
	$(WEB_ENV) cmake --build $(WEB_BUILD) --target interseccao_page -j2

# The page against the native program in Debian's Chromium, driven by playwright-core (no browser
# of its own): every example and case, the page used as a person would with the network cut off,
# its screenshots for the guide (docs/pagina-*.png) and the timings of the README. Then the test
# program, built for Node, runs whole.
web-test: web
	@command -v chromium >/dev/null || (apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends chromium >/dev/null)
	@$(INSTALL_PACKAGES)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(WERROR) >/dev/null
	cmake --build $(BUILD) --target interseccao -j2
	node web/test.mjs $(BUILD)/interseccao $(WEB_PAGE) . docs
	$(WEB_ENV) cmake --build $(WEB_BUILD) --target interseccao_tests -j2
	node $(WEB_BUILD)/tests/interseccao_tests.js

clean:
	rm -rf $(BUILD) build-asan build-fuzz $(WINDOWS_BUILD) $(WEB_BUILD)

# The house style: every C++ file as .clang-format says.
format-check:
	@command -v clang-format >/dev/null || (apt-get update -qq && apt-get install -y -qq clang-format >/dev/null)
	git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror
