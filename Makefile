# Two ways in: `make run` (install, build, start Quobin) and `make test`
# (install, build, run every test). `make bench` prints the speed figures; `make fuzz`
# runs each fuzzer for a few minutes (FUZZ_SECONDS each) and prints what it found.
PRESET ?= default
BUILD  := build
JOBS   ?= $(shell nproc)

.PHONY: all setup configure build run test bench fuzz clean

all: build

setup:
	@./scripts/setup

configure: setup
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

run: build
	@./scripts/run

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

bench: build
	@./scripts/bench

fuzz: setup
	@./scripts/fuzz

clean:
	rm -rf build build-asan build-tsan build-fuzz
