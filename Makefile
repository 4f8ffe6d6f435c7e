# Quillet: the two commands are `make run` and `make test`; see README.md.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
TOOLCHAIN64 := cmake/toolchain-win64.cmake
TOOLCHAIN32 := cmake/toolchain-win32.cmake

.PHONY: all deps configure build native win64 win32 test test-native test-win64 run bench fuzz e2e dist clean

all: build

deps:
	@tools/setup/install-deps.sh

configure: deps
	@cmake -S . -B build/native -DQUILLET_SANITIZE=ON >/dev/null
	@cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN64) -DQUILLET_BENCH=ON >/dev/null
	@cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN32) -DQUILLET_TESTS=OFF >/dev/null

native win64 win32: configure
	@cmake --build build/$@ -j $(JOBS)

build: native win64 win32

# Every test of every tree: the native tree directly, the win64 tree under Wine (its own Xvfb, prefix
# and keeper, stopped afterwards). Both suites always run; the exit code is non-zero if either failed.
test: build
	@tools/make-dist.sh >/dev/null
	@tools/run-tests.sh

test-native: native
	@ctest --test-dir build/native --output-on-failure

test-win64: win64
	@tests/harness/with-wine.sh --keeper build/win64/bin/wine-keeper.exe -- \
	  ctest --test-dir build/win64 --output-on-failure

run: win64
	@tools/run-quillet.sh

e2e: native win64 win32
	@tools/make-dist.sh >/dev/null
	@tests/harness/with-wine.sh --keeper build/win64/bin/wine-keeper.exe -- \
	  ctest --test-dir build/win64 --output-on-failure -L e2e

bench: deps
	@tools/run-bench.sh

fuzz: deps
	@tools/run-fuzz.sh $(FUZZ_SECONDS)

dist: native win64 win32
	@tools/make-dist.sh

clean:
	rm -rf build dist
