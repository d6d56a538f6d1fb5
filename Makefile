# Quick start: `make run` starts the window, `make test` runs every test. Both install what is missing first.
BUILD      ?= build/main
SAN_BUILD  ?= build/sanitize
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
CTEST      := ctest --output-on-failure -j $(JOBS) --timeout 300

.PHONY: all deps build run test test-main test-sanitize demo bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "No display here: the window needs one. Try 'make demo' for the command line."; \
	else \
	  $(BUILD)/app/quillon; \
	fi

test: test-main test-sanitize

test-main: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen $(CTEST)

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(SAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp $(CTEST)

demo: build
	@examples/run-demo.sh $(BUILD)/cli/quillon-cli

# Speed against the openssl command line, from a Release build; prints the table (bench/README.md).
bench: deps
	@cmake -S . -B build/bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQUILLON_BENCH=ON -DQUILLON_TESTS=OFF >/dev/null
	@cmake --build build/bench -j $(JOBS)
	@bench/run-bench.sh build/bench

clean:
	rm -rf build out
