# make build: both configurations (installs a missing toolchain first)
# make test:  every test, host and Wine, through ctest
# make demo:  runs the signed installer on its sample payload under Wine and prints its log
JOBS ?= $(shell nproc)
WINDOWS_DIR := build/windows
HOST_DIR := build/host

.PHONY: all build deps windows host test demo format clean

all: build

deps:
	@./tools/install-deps.sh

windows: deps
	cmake -S . -B $(WINDOWS_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

host: deps
	cmake -S . -B $(HOST_DIR) -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(HOST_DIR) -j $(JOBS)

build: windows host

test: build
	xvfb-run -a ctest --test-dir $(HOST_DIR) --output-on-failure -j $(JOBS)

demo: windows
	xvfb-run -a ./tools/demo.sh $(WINDOWS_DIR) build/wineprefix

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
