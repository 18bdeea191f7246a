# Thin wrapper over CMake. Each target installs missing packages, configures and builds first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
CTEST_ARGS ?= --output-on-failure
FUZZ_SECONDS ?= 600
FUZZ_RUNS  ?= 20000

.PHONY: all deps configure build run package test test-release test-asan test-fuzz fuzz-build bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_WERROR=ON >/dev/null

build: configure
	@cmake --build $(BUILD)

# Only the programs it runs are built here; `make test` builds the rest.
run: configure
	@cmake --build $(BUILD) --target orvane_programs
	@bash scripts/run-sample.sh $(BUILD)

# The Debian package: build/orvane-nr_<version>_<arch>.deb
package: build
	cd $(BUILD) && cpack -G DEB

test: test-release test-asan test-fuzz

test-release: build
	cd $(BUILD) && ctest $(CTEST_ARGS)

# The unit tests and the window's tests (under Xvfb) with AddressSanitizer and
# UndefinedBehaviorSanitizer; leaks are reported, except the few Qt and the libraries under it
# keep on purpose (tests/lsan-qt.supp).
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF -DORVANE_WERROR=ON >/dev/null
	@cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan-qt.supp:print_suppressions=0 \
	  ctest $(CTEST_ARGS) -L 'unit|gui'


# Each fuzz target over its seeds and a bounded number of mutations (well under a minute each).
test-fuzz: fuzz-build
	@bash scripts/check-fuzz.sh $(FUZZ_BUILD) $(FUZZ_RUNS)

fuzz-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORVANE_FUZZ=ON -DORVANE_GUI=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD)

bench: build
	@bash scripts/install-deps.sh --bench
	@bash scripts/run-bench.sh $(BUILD)

fuzz: fuzz-build
	@bash scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
