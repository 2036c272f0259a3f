# make build: every configuration: 32-bit and 64-bit Windows, host, tools (installs a missing
#             toolchain first)
# make tools: kitbag-pack and kitbag-tag for Linux, optimised and unsanitised, alone in
#             $(BUILD_ROOT)/tools/bin, their stubs linked in $(BUILD_ROOT)/tools/share/kitbag
# make install: installs the Linux tools, both stubs, the man pages and the README under
#             PREFIX (/usr/local), within DESTDIR when it is set
# make dist:  the Debian package of the Linux tools and the zip of the Windows tools, each with
#             both stubs, in $(BUILD_ROOT)/dist
# make test:  every test, host and Wine, through ctest; ends with what was tested end to end
# make demo:  runs the signed installer on its sample payload under Wine and prints its log
#             (EMULATE=1: the 32-bit one under qemu-i386 emulation, where no 32-bit runs)
# make fuzz:  builds the libFuzzer targets with clang in $(BUILD_ROOT)/fuzz and runs each for
#             FUZZ_SECONDS (default 60); FUZZ_TARGETS="manifest format" runs only those
# make bench: times the installer against NSIS installers of the same payload under Wine, and
#             packs with the defaults against NSIS zlib and LZMA on the sample, real binaries
#             and many small DLLs
# make bench-pack: kitbag-pack's time and peak memory on 300 MiB and 900 MiB payloads, and
#             300 MiB of real binaries compressed on one thread and on all
#             (PACK_BENCH_OLD=dir/kitbag-pack adds another build's figures beside them)
# make bench-memory: the installer's peak memory extracting a small product, and 128 MiB
#             stored and compressed (INSTALLER_MEMORY_MIB=n for another size)
# make bench-large: a 1.9 GiB product with one file over 1 GiB, packed into the data area
#             stored and with the defaults: pack and signing time and peak memory, each
#             installer's run under Wine (time, peak memory, files checked by hash), NSIS
#             stored beside (LARGE_PRODUCT_MIB=n for another size); in its own Wine prefix
# BUILD_ROOT=dir puts the build trees and the Wine prefix somewhere else than build/.
# KITBAG_32BIT=yes|no takes the route of a machine that does or does not run 32-bit programs
# (tools/runs-32bit.sh tells which this one is).
JOBS ?= $(shell nproc)
BUILD_ROOT ?= build
WINDOWS_DIR := $(BUILD_ROOT)/windows
WINDOWS64_DIR := $(BUILD_ROOT)/windows64
HOST_DIR := $(BUILD_ROOT)/host
TOOLS_DIR := $(BUILD_ROOT)/tools
WINE_PREFIX := $(abspath $(BUILD_ROOT))/wineprefix
FUZZ_DIR := $(BUILD_ROOT)/fuzz
DIST_DIR := $(abspath $(BUILD_ROOT))/dist
PREFIX ?= /usr/local
STUB_TREES := -DKITBAG_WINDOWS_BUILD_DIR=$(abspath $(WINDOWS_DIR)) \
              -DKITBAG_WINDOWS64_BUILD_DIR=$(abspath $(WINDOWS64_DIR))
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
BENCH_ROUNDS ?= 11

export KITBAG_32BIT EMULATE

.PHONY: all build deps windows windows32 windows64 host tools install dist test demo fuzz bench \
        bench-pack bench-memory bench-large format clean

all: build

deps:
	@./tools/install-deps.sh

windows: windows32 windows64

windows32: deps
	cmake -S . -B $(WINDOWS_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
	      $(STUB_TREES)
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

windows64: deps
	cmake -S . -B $(WINDOWS64_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
	      $(STUB_TREES)
	cmake --build $(WINDOWS64_DIR) -j $(JOBS)

host: deps
	cmake -S . -B $(HOST_DIR) -DCMAKE_BUILD_TYPE=Debug $(STUB_TREES) \
	      -DKITBAG_WINE_PREFIX=$(WINE_PREFIX) -DKITBAG_DIST_DIR=$(DIST_DIR)
	cmake --build $(HOST_DIR) -j $(JOBS)

tools: deps
	cmake -S . -B $(TOOLS_DIR) -DCMAKE_BUILD_TYPE=Release -DKITBAG_SANITIZE=OFF -DKITBAG_TOOLS_ONLY=ON \
	      $(STUB_TREES)
	cmake --build $(TOOLS_DIR) -j $(JOBS)

build: windows host tools

install: windows tools
	DESTDIR=$(DESTDIR) cmake --install $(TOOLS_DIR) --prefix $(PREFIX) --strip

dist: windows tools
	cd $(TOOLS_DIR) && cpack -B $(DIST_DIR)
	cd $(WINDOWS_DIR) && cpack -B $(DIST_DIR)
	rm -rf $(DIST_DIR)/_CPack_Packages
	@ls -l $(DIST_DIR)/*.deb $(DIST_DIR)/*.zip

# The package is tested too: installed into a fresh root, its tool packs from PATH.
test: build dist
	ctest --test-dir $(HOST_DIR) --output-on-failure -j $(JOBS) -L unit
	# One display and one Wine prefix: the Wine tests run one at a time. The report says
	# which builds were tested end to end and what was skipped, also when a test failed.
	xvfb-run -a ctest --test-dir $(HOST_DIR) --output-on-failure -L wine \
	    --output-junit $(abspath $(HOST_DIR))/wine-tests.xml; \
	status=$$?; python3 tools/test_report.py $(HOST_DIR)/wine-tests.xml; exit $$status

demo: windows
	xvfb-run -a ./tools/demo.sh $(BUILD_ROOT) $(WINE_PREFIX)

fuzz:
	@./tools/install-deps.sh fuzz
	CC=clang CXX=clang++ cmake -S fuzz -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) ./fuzz/run.sh $(FUZZ_DIR) $(FUZZ_TARGETS)

bench: windows tools
	@./tools/install-deps.sh bench
	WINEPREFIX=$(WINE_PREFIX) xvfb-run -a ./bench/run.sh $(BUILD_ROOT) $(BUILD_ROOT)/bench $(BENCH_ROUNDS)

bench-memory: windows tools
	@./tools/install-deps.sh bench-pack
	WINEPREFIX=$(WINE_PREFIX) ./bench/installer_memory.sh $(TOOLS_DIR)/bin/kitbag-pack $(WINDOWS_DIR) $(BUILD_ROOT)/bench-memory

bench-pack: windows32 tools
	@./tools/install-deps.sh bench-pack
	./bench/pack_memory.sh $(TOOLS_DIR)/bin/kitbag-pack $(WINDOWS_DIR) $(BUILD_ROOT)/bench-pack $(PACK_BENCH_OLD)

bench-large: windows tools
	@./tools/install-deps.sh bench
	WINEPREFIX=$(abspath $(BUILD_ROOT))/bench-large/wineprefix ./bench/large_product.sh \
	    $(TOOLS_DIR)/bin/kitbag-pack $(WINDOWS_DIR) $(BUILD_ROOT)/bench-large

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_ROOT)
