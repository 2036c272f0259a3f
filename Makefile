# make build: both configurations (installs a missing toolchain first)
# make test:  every test, host and Wine, through ctest
# make demo:  runs the signed installer on its sample payload under Wine and prints its log
# make fuzz:  builds the libFuzzer targets with clang in $(BUILD_ROOT)/fuzz and runs each for
#             FUZZ_SECONDS (default 60); FUZZ_TARGETS="manifest format" runs only those
# make bench: times the installer against NSIS installers of the same payload under Wine
# BUILD_ROOT=dir puts the build trees and the Wine prefix somewhere else than build/.
JOBS ?= $(shell nproc)
BUILD_ROOT ?= build
WINDOWS_DIR := $(BUILD_ROOT)/windows
HOST_DIR := $(BUILD_ROOT)/host
WINE_PREFIX := $(abspath $(BUILD_ROOT))/wineprefix
FUZZ_DIR := $(BUILD_ROOT)/fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
BENCH_ROUNDS ?= 7

.PHONY: all build deps windows host test demo fuzz bench format clean

all: build

deps:
	@./tools/install-deps.sh

windows: deps
	cmake -S . -B $(WINDOWS_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

host: deps
	cmake -S . -B $(HOST_DIR) -DCMAKE_BUILD_TYPE=Debug \
	      -DKITBAG_WINDOWS_BUILD_DIR=$(abspath $(WINDOWS_DIR)) -DKITBAG_WINE_PREFIX=$(WINE_PREFIX)
	cmake --build $(HOST_DIR) -j $(JOBS)

build: windows host

test: build
	ctest --test-dir $(HOST_DIR) --output-on-failure -j $(JOBS) -L unit
	# One display and one Wine prefix: the Wine tests run one at a time.
	xvfb-run -a ctest --test-dir $(HOST_DIR) --output-on-failure -L wine

demo: windows
	xvfb-run -a ./tools/demo.sh $(WINDOWS_DIR) $(WINE_PREFIX)

fuzz:
	@./tools/install-deps.sh fuzz
	CXX=clang++ cmake -S fuzz -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) ./fuzz/run.sh $(FUZZ_DIR) $(FUZZ_TARGETS)

bench: windows
	@./tools/install-deps.sh bench
	WINEPREFIX=$(WINE_PREFIX) xvfb-run -a ./bench/run.sh $(WINDOWS_DIR) $(BUILD_ROOT)/bench $(BENCH_ROUNDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_ROOT)
