# The two commands of the README: `make run` and `make test`. Both install
# what is missing first (scripts/install-deps.sh), then build with CMake.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test test-unit run clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test-unit: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test: test-unit

run: build
	@echo "The window is not built yet."

clean:
	rm -rf $(BUILD) build-*
