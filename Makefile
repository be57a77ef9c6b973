# Thin front end: the scripts do the work.
SHELL := /bin/bash
JOBS ?= 2

.PHONY: all setup build arm64 install run test bench dist deb format clean

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

# The arm64 tree (cross-built, optimised): its programs and the tests run under qemu-user.
arm64: setup
	@cmake --preset arm64 >/dev/null
	@cmake --build --preset arm64 -j$(JOBS)

# The native programs, optimised, on PATH.
PREFIX ?= /usr/local
install: build
	@for p in src/nv/quillet-nv src/logo/quillet-logo sim/quillet-sim; do \
	    install -D -m 755 build/release/$$p "$(DESTDIR)$(PREFIX)/bin/$${p##*/}" || exit 1; \
	    echo "installed $(DESTDIR)$(PREFIX)/bin/$${p##*/}"; \
	done

run: build
	@scripts/run.sh

test: build arm64 deb
	@scripts/test.sh

dist: build
	@scripts/dist.sh

# build/dist/quillet_VERSION_amd64.deb and _arm64.deb from the optimised trees.
deb: setup
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j$(JOBS)
	@cmake --preset arm64 >/dev/null
	@cmake --build --preset arm64 -j$(JOBS) --target quillet-nv quillet-logo quillet-sim
	@scripts/deb.sh amd64 build/release
	@scripts/deb.sh arm64 build/arm64

bench: setup
	@scripts/bench.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
