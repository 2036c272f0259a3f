#!/usr/bin/env bash
# Makes a 64-bit Wine prefix in which 32-bit programs run too, as under WoW64 on 64-bit
# Windows, on a machine whose kernel runs no 32-bit code: 32-bit processes go through qemu-i386,
# which the caller has enabled (tools/emulate-32bit.sh on).
#
#   wow64-prefix.sh PREFIX
#
# wineboot leaves the 32-bit half of a 64-bit prefix (syswow64, the 32-bit registry, the
# registration of the 32-bit DLLs, WinTrust's among them) to one 32-bit process: emulated, that
# makes the prefix in about three minutes, while Wine's service processes stay native. A 32-bit
# prefix made under emulation takes twenty and more, since every process of it is emulated.
set -euo pipefail
prefix=${1:?usage: wow64-prefix.sh PREFIX}
here=$(dirname "$(realpath "$0")")

has_32bit_half() {
    grep -q 'Wow6432Node\\\\Microsoft\\\\Cryptography\\\\Providers\\\\Trust' "$prefix/system.reg"
}

# Made without the emulation, the prefix would lack its 32-bit half for good.
grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null || {
    echo "wow64-prefix.sh: qemu-i386 is not enabled (tools/emulate-32bit.sh on)" >&2
    exit 1
}
export KITBAG_32BIT=no WINEARCH=win64 WINEPREFIX=$prefix
"$here/wine-prefix.sh" "$prefix"
has_32bit_half || {
    echo "wow64-prefix.sh: $prefix has no 32-bit half (an interrupted set-up?); remove it and run again" >&2
    exit 1
}
