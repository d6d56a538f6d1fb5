# Quick start: `make run` starts the window, `make test` runs every test. Both install what is missing first.
BUILD      ?= build/main
SAN_BUILD  ?= build/sanitize
FUZZ_BUILD ?= build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 20
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
CMAKE_GEN  := -G Ninja
CTEST      := ctest --output-on-failure -j $(JOBS) --timeout 300

.PHONY: all deps build run test test-main test-sanitize fuzz-build fuzz fuzz-smoke demo bench lint install package \
        package-check interop server-check clean

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

test: test-main test-sanitize fuzz-smoke

test-main: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen $(CTEST)

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(SAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp $(CTEST)

# libFuzzer targets (clang, ASan+UBSan) over the whole read, arrange and write path: `make fuzz` runs
# each for FUZZ_SECONDS, `make fuzz-smoke` (part of `make test`) for FUZZ_SMOKE_SECONDS.
fuzz-build: deps
	@cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DQUILLON_GUI=OFF -DQUILLON_TESTS=OFF -DQUILLON_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_convert_one fuzz_convert_many fuzz_keystore

fuzz: fuzz-build
	fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	FUZZ_TARGETS="convert_one convert_many" fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS) 1

demo: build
	@examples/run-demo.sh $(BUILD)/cli/quillon-cli

# Speed against the openssl command line, from a Release build; prints the table (bench/README.md).
bench: deps
	@cmake -S . -B build/bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQUILLON_BENCH=ON -DQUILLON_TESTS=OFF >/dev/null
	@cmake --build build/bench -j $(JOBS)
	@bench/run-bench.sh build/bench

# The servers load what `quillon-cli --layout` writes (openssl verify, nginx -t, haproxy -c, a YAML parse);
# not part of `make test`.
server-check: build
	@scripts/server-check.sh $(BUILD)/cli/quillon-cli

# Installs the programs, launcher, icons, manual pages and completion under PREFIX (default /usr/local);
# DESTDIR stages the whole tree elsewhere, as packagers do.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package of the same files, its library dependencies computed; package-check lists it and
# runs lintian on it.
package: build
	@scripts/install-deps.sh deps/debian-packages-packaging.txt
	cd $(BUILD) && cpack -G DEB -B $(CURDIR)/out
	@rm -rf out/_CPack_Packages && ls out/quillon_*.deb

package-check: package
	@packaging/check-package.sh out

# Opens every encrypted output of quillon-cli with other importers (OpenSSL without its legacy provider,
# keytool, pk12util, certtool, Python cryptography) and prints the table; installs those it lacks. Slow,
# so not part of `make test`.
interop: build
	@scripts/interop-check.sh $(BUILD)/cli/quillon-cli

# clang-tidy (.clang-tidy) over the product sources, from the main build's compile commands, then
# clang-format (.clang-format) over every source and header, changing nothing.
lint: build
	@scripts/lint.sh $(BUILD) $(JOBS)

clean:
	rm -rf build out
