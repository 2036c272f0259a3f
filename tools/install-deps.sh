#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools from Debian's packages.
# Does nothing when everything is present already.
# install-deps.sh fuzz|bench|bench-pack: only what `make fuzz`, `make bench` or
# `make bench-pack` needs besides.
set -euo pipefail

need=()
case "${1:-}" in
fuzz)
    command -v clang++ >/dev/null || need+=(clang)
    # libFuzzer and the sanitizer runtimes for clang.
    clang_major=$(clang++ --version 2>/dev/null | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -1)
    [ -n "$clang_major" ] && ls /usr/lib/llvm-"$clang_major"/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a \
        >/dev/null 2>&1 || need+=("libclang-rt-${clang_major:-14}-dev")
    ;;
bench)
    command -v makensis >/dev/null || need+=(nsis)
    [ -x /usr/bin/time ] || need+=(time)
    ;;
bench-pack)
    # GNU time, for the peak memory; the shell's own time keyword does not report it.
    [ -x /usr/bin/time ] || need+=(time)
    ;;
esac
if [ -n "${1:-}" ]; then
    [ ${#need[@]} -eq 0 ] && exit 0
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${need[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
    exit 0
fi

command -v i686-w64-mingw32-g++ >/dev/null || need+=(g++-mingw-w64-i686)
command -v i686-w64-mingw32-windres >/dev/null || need+=(binutils-mingw-w64-i686)
command -v x86_64-w64-mingw32-g++ >/dev/null || need+=(g++-mingw-w64-x86-64)
command -v x86_64-w64-mingw32-windres >/dev/null || need+=(binutils-mingw-w64-x86-64)
# The LZMA SDK's C sources, for the compressed payload: built into both Windows builds and the
# host's.
[ -f /usr/include/lzma/LzmaDec.c ] || need+=(lzma-dev)
command -v wine >/dev/null || need+=(wine wine64)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
command -v osslsigncode >/dev/null || need+=(osslsigncode)
command -v xvfb-run >/dev/null || need+=(xvfb xauth)
command -v xdotool >/dev/null || need+=(xdotool)
command -v identify >/dev/null || need+=(imagemagick)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(libgtest-dev)
# The fuzz targets' input reader, for the replay of their seeds in the unit tests.
ls /usr/lib/llvm-*/lib/clang/*/include/fuzzer/FuzzedDataProvider.h >/dev/null 2>&1 ||
    need+=(libclang-rt-14-dev)
# NSIS, the peer whose LZMA solid installer a compressed pack is measured against.
command -v makensis >/dev/null || need+=(nsis)
command -v cmake >/dev/null || need+=(cmake)
# The shipping tools' man pages, and the Debian package's dependencies (make dist).
command -v help2man >/dev/null || need+=(help2man)
command -v dpkg-shlibdeps >/dev/null || need+=(dpkg-dev)
command -v file >/dev/null || need+=(file) # CPack's Debian generator sorts the files with it
# A second verifier of the signed outputs, one that hashes section by section.
command -v sbverify >/dev/null || need+=(sbsigntool)
# GNU time, for the installer's peak memory (the shell's own time keyword does not report it).
[ -x /usr/bin/time ] || need+=(time)
# A FAT image the Wine prefix shows as a drive without access lists.
[ -x /usr/sbin/mkfs.fat ] || [ -x /sbin/mkfs.fat ] || need+=(dosfstools)
command -v openssl >/dev/null || need+=(openssl)
command -v python3 >/dev/null || need+=(python3)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#need[@]} -ne 0 ]; then
    echo "Installing: ${need[*]}"
    $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Where no 32-bit program runs, the real 32-bit installer is tried once under user-mode
# emulation.
if [ "$("$(dirname "$0")/runs-32bit.sh" | head -n 1)" = no ] && [ ! -x /usr/bin/qemu-i386-static ]; then
    echo "Installing: qemu-user-static"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
fi
