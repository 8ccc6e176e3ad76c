# Two ways in: `make run` (install, build, start Quobin) and `make test`
# (install, build, run every test). `make bench` prints the speed figures.
PRESET ?= default
BUILD  := build
JOBS   ?= $(shell nproc)

.PHONY: all setup configure build run test bench clean

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

clean:
	rm -rf build build-asan build-tsan
