# Two ways in: `make run` (install, build, start Quobin) and `make test`
# (install, build, run every test). `make bench` prints the speed figures; `make fuzz`
# runs each fuzzer for a few minutes (FUZZ_SECONDS each) and prints what it found;
# `make soak` runs monitoring for an hour (SOAK_SECONDS) and fails on a lost change.
PRESET ?= default
BUILD  := build
JOBS   ?= $(shell nproc)

.PHONY: all setup configure build python run test bench soak fuzz clean

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

# Monitoring, changes and graph acquisition on the real-time wire for SOAK_SECONDS
# (default 3600), the POD unplugged every SOAK_UNPLUG_SECONDS (default 300).
soak: build
	@./build/bin/soak_monitoring

fuzz: setup
	@./scripts/fuzz

clean:
	rm -rf build build-asan build-tsan build-fuzz
