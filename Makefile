# Thin front end: the scripts do the work.
SHELL := /bin/bash
JOBS ?= 2

.PHONY: all setup build install run test bench dist format clean

all: build

setup:
	@scripts/deps.sh

build: setup
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j$(JOBS)
	@cmake --preset win >/dev/null
	@cmake --build --preset win -j$(JOBS)
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j$(JOBS)

# The native programs, optimised, on PATH.
PREFIX ?= /usr/local
install: build
	@for p in src/nv/quillet-nv src/logo/quillet-logo sim/quillet-sim; do \
	    install -D -m 755 build/release/$$p "$(DESTDIR)$(PREFIX)/bin/$${p##*/}" || exit 1; \
	    echo "installed $(DESTDIR)$(PREFIX)/bin/$${p##*/}"; \
	done

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
