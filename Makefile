# make build: both configurations (installs a missing toolchain first)
# make test:  every test, host and Wine, through ctest
# make demo:  runs the signed installer on its sample payload under Wine and prints its log
# BUILD_ROOT=dir puts the build trees and the Wine prefix somewhere else than build/.
JOBS ?= $(shell nproc)
BUILD_ROOT ?= build
WINDOWS_DIR := $(BUILD_ROOT)/windows
HOST_DIR := $(BUILD_ROOT)/host
WINE_PREFIX := $(abspath $(BUILD_ROOT))/wineprefix

.PHONY: all build deps windows host test demo format clean

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

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_ROOT)
