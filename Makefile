# Builds with CMake; `make run` runs the program on the bundled example, `make test` runs every test,
# `make package` makes the Debian package and `make check-package` installs, tries and removes it,
# `make bench` measures the program on synthetic networks.
BUILD ?= build
EXAMPLE ?= examples/levantamento-gc.txt
REPORT ?= relatorio.txt

.PHONY: all build run test package check-package bench clean

all: build

build:
	@command -v cmake >/dev/null && [ -f /usr/include/gtest/gtest.h ] || \
		(apt-get update -qq && apt-get install -y -qq cmake g++ make libgtest-dev libgmock-dev >/dev/null)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j2

run: build
	printf '%s\n%s\n%s\n' '$(EXAMPLE)' '$(REPORT)' 'S' | ./$(BUILD)/interseccao
	@echo
	@cat $(REPORT)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

package: build
	@command -v dpkg-shlibdeps >/dev/null && command -v file >/dev/null || \
		(apt-get update -qq && apt-get install -y -qq dpkg-dev file >/dev/null)
	cd $(BUILD) && cpack -G DEB

check-package:
	packaging/check-package.sh

bench: build
	./$(BUILD)/bench/benchmark ./$(BUILD)/interseccao $(BUILD)/bench-work

clean:
	rm -rf $(BUILD)
