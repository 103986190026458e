# The two commands of the README: `make run` and `make test`. Both install
# what is missing first (scripts/install-deps.sh), then build with CMake.
#
# make test runs five layers: the test suite, the same suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows build under
# Wine (scripts/test-windows.sh), a short pass of every fuzz harness, and the
# Debian packages (scripts/test-package.sh). Any failure, crash, leak or
# sanitizer report fails it.
#
# make package builds dist/veltrane_<version>_amd64.deb and
# dist/veltrane-dev_<version>_amd64.deb. make install installs the same under
# PREFIX (default /usr/local, which needs root) and DESTDIR.
#
# make windows cross-builds both Windows programs with MinGW-w64 and packs
# them into dist/: veltrane-<version>-windows-x86_64.zip, to unzip anywhere,
# and veltrane-<version>-windows-x86_64.msi, the installer.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
WINDOWS_BUILD ?= build-windows
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-release
ROUNDS ?= 5
DISK ?=
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Warnings are errors in every build the Makefile makes (make test, CI);
# a build by hand with cmake only shows them. WERROR=OFF to look past them.
WERROR ?= ON
FUZZ_SECONDS ?= 30
FUZZ_TARGETS := readline numbers csv_reader twi_reader conversion
PREFIX ?= /usr/local
DESTDIR ?=

# Sanitizers halt on the first report; leaks from system libraries (never
# from our code) are suppressed one by one in tests/lsan.supp.
SANITIZER_ENV := ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: all deps configure build test test-unit test-sanitize windows-build windows test-windows \
	fuzz-build fuzz bench package test-package install run clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_WERROR=$(WERROR) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test-unit: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVELTRANE_SANITIZE=ON \
		-DVELTRANE_WERROR=$(WERROR) \
		-DVELTRANE_BUILD_BENCH=OFF $(CMAKE_FLAGS) > /dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@$(SANITIZER_ENV) ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

windows-build: deps
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
		-DVELTRANE_WERROR=$(WERROR) \
		-DCMAKE_BUILD_TYPE=Release -DVELTRANE_BUILD_TESTS=ON -DVELTRANE_BUILD_BENCH=OFF \
		$(CMAKE_FLAGS) > /dev/null
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS)

windows: windows-build
	@cmake --build $(WINDOWS_BUILD) --target windows-dist

# The Windows programs and unit tests run under Wine, compared with the
# Linux build; the dialog runs under Xvfb; the MSI installs and uninstalls.
test-windows: build windows
	@BUILD=$(BUILD) WINDOWS_BUILD=$(WINDOWS_BUILD) JOBS=$(JOBS) bash scripts/test-windows.sh

fuzz-build: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_FUZZ=ON \
		-DVELTRANE_WERROR=$(WERROR) \
		-DCMAKE_CXX_COMPILER=clang++-14 -DVELTRANE_BUILD_TESTS=OFF -DVELTRANE_BUILD_APP=OFF \
		-DVELTRANE_BUILD_PLOT=OFF -DVELTRANE_BUILD_BENCH=OFF > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Runs each harness for FUZZ_SECONDS (make fuzz FUZZ_SECONDS=600 for a long
# run), seeded with the golden files, the samples and the kept crash inputs.
fuzz: fuzz-build
	@for what in $(FUZZ_TARGETS); do \
		corpus=$(FUZZ_BUILD)/corpus/$$what; mkdir -p $$corpus; \
		echo "fuzz_$$what: $(FUZZ_SECONDS) s"; \
		$(SANITIZER_ENV) $(FUZZ_BUILD)/fuzz/fuzz_$$what -max_total_time=$(FUZZ_SECONDS) \
			-dict=fuzz/survey.dict -print_final_stats=1 \
			-artifact_prefix=$(FUZZ_BUILD)/ $$corpus tests/data tests/data/fuzz samples \
			> $(FUZZ_BUILD)/fuzz_$$what.log 2>&1 \
			|| { tail -40 $(FUZZ_BUILD)/fuzz_$$what.log; exit 1; }; \
		grep -E "stat::number_of_executed_units|stat::new_units_added" \
			$(FUZZ_BUILD)/fuzz_$$what.log | sed 's/^/  /'; \
	done

# The packages are made from the build's own install: the programs under
# /usr, stripped, with their dependencies from dpkg-shlibdeps.
package: build
	@cd $(BUILD) && cpack -G DEB > cpack.log 2>&1 || { cat cpack.log; exit 1; }
	@mkdir -p dist && cp $(BUILD)/packages/*.deb dist/
	@ls dist/*.deb

test-package: package
	@BUILD=$(BUILD) bash scripts/test-package.sh

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Reached only when every layer passed (make stops at the first failure).
test: test-unit test-sanitize test-windows fuzz test-package
	@unit=$$(ctest --test-dir $(BUILD) -N | sed -n 's/^Total Tests: //p'); \
	sanitized=$$(ctest --test-dir $(SANITIZE_BUILD) -N | sed -n 's/^Total Tests: //p'); \
	windows=$$(cat $(WINDOWS_BUILD)/windows-checks.count); \
	fuzzed=$(words $(FUZZ_TARGETS)); \
	packaged=$$(cat $(BUILD)/package-checks.count); \
	echo "All test layers passed: $$unit tests, $$sanitized under sanitizers," \
		"$$windows on Windows under Wine, $$fuzzed fuzz harnesses, $$packaged packaging checks."; \
	echo "tests: $$((unit + sanitized + windows + fuzzed + packaged)) passed, 0 failed"

# make bench builds Release and prints the tables of bench/README.md, each
# figure the best of ROUNDS rounds; DISK=1 times the batch on the disk too.
# Run it on a quiet machine: it prints the load it ran under.
bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DVELTRANE_BUILD_TESTS=OFF \
		-DVELTRANE_BUILD_BENCH=ON $(CMAKE_FLAGS) > /dev/null
	@cmake --build $(BENCH_BUILD) --target benchmarks -j $(JOBS) > $(BENCH_BUILD)/build.log \
		|| { tail -30 $(BENCH_BUILD)/build.log; exit 1; }
	@BUILD=$(BENCH_BUILD) ROUNDS=$(ROUNDS) DISK=$(DISK) bash bench/all.sh

run: build
	@BUILD=$(BUILD) bash scripts/run.sh

clean:
	rm -rf $(BUILD) build-*
