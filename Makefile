# Two ways in: `make run` (install, build, start Quobin) and `make test`
# (install, build, run every test). `make bench` prints the speed figures; `make fuzz`
# runs each fuzzer for a few minutes (FUZZ_SECONDS each) and prints what it found;
# `make soak` runs monitoring for an hour (SOAK_SECONDS) and fails on a lost change.
# `make windows` cross-builds quobin-cli.exe, the core and its tests for Windows with
# MinGW-w64 into build-windows/ and packs quobin-cli-<version>-win64.zip there;
# `make test-windows` runs those tests under Wine and compares quobin-cli.exe's output
# with the Linux build's. `make package` builds quobin_<version>_amd64.deb in build/.
PRESET ?= default
BUILD  := build
JOBS   ?= $(shell nproc)

.PHONY: all setup configure build python run test bench soak fuzz package windows test-windows clean

all: build

setup:
	@./scripts/setup

configure: setup
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

# The Python module alone, into build/python (PYTHONPATH=build/python).
python: configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target quobin_python

run: build
	@./scripts/run

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

bench: build
	@./scripts/bench

package: build
	@cd $(BUILD) && cpack -G DEB

# Monitoring, changes and graph acquisition on the real-time wire for SOAK_SECONDS
# (default 3600), the POD unplugged every SOAK_UNPLUG_SECONDS (default 300).
soak: build
	@./build/bin/soak_monitoring

fuzz: setup
	@./scripts/fuzz

windows:
	@./scripts/setup windows
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j $(JOBS)

test-windows: windows build
	@./scripts/test-windows

clean:
	rm -rf build build-asan build-tsan build-fuzz build-windows
