# Builds with CMake; `make run` runs the program on the bundled example, `make test` runs every test,
# `make bench` measures the program on synthetic networks.
BUILD ?= build
EXAMPLE ?= examples/levantamento-gc.txt
REPORT ?= relatorio.txt

.PHONY: all build run test bench clean

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

bench: build
	./$(BUILD)/bench/benchmark ./$(BUILD)/interseccao $(BUILD)/bench-work

clean:
	rm -rf $(BUILD)
