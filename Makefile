# Thin front end: the scripts do the work.
SHELL := /bin/bash
JOBS ?= 2

.PHONY: all setup build run test bench dist format clean

all: build

setup:
	@scripts/deps.sh

build: setup
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j$(JOBS)
	@cmake --preset win >/dev/null
	@cmake --build --preset win -j$(JOBS)

run: build
	@scripts/run.sh

test: build
	@scripts/test.sh

dist: build
	@scripts/dist.sh

bench: setup
	@scripts/bench.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
