#!/usr/bin/env bash
# Runs the signed installer silently under Wine on its sample payload, then prints its log and
# its full 32-bit exit code. Ends with 0 only when the installer did.
#
#   demo.sh BUILD_ROOT PREFIX
#
# The 32-bit installer where this machine runs 32-bit programs (tools/runs-32bit.sh); else the
# 64-bit one, built from the same sources with the same payload. EMULATE=1 runs the 32-bit
# installer under qemu-i386 emulation instead, as on 64-bit Windows, in a prefix of its own
# (minutes; root).
set -euo pipefail
root=$(realpath "${1:?usage: demo.sh BUILD_ROOT PREFIX}")
prefix=$(realpath -m "${2:?usage: demo.sh BUILD_ROOT PREFIX}")
here=$(dirname "$(realpath "$0")")
wine=$here/wine.sh

mapfile -t check < <("$here/runs-32bit.sh")
export KITBAG_32BIT=${check[0]}
build=$root/windows
runner=""
if [ "${EMULATE:-}" = 1 ]; then
    restore=$("$here/emulate-32bit.sh" on)
    trap '"$here/emulate-32bit.sh" restore "$restore"' EXIT
    prefix=$prefix-wow64
    echo "Running the 32-bit installer under qemu-i386 emulation: this takes minutes (the 32-bit"
    echo "half of a new prefix about 4, then about 2 for the run)."
    "$here/wow64-prefix.sh" "$prefix"
    # A 64-bit prefix: the 64-bit loader, which hands 32-bit programs to the emulation.
    export KITBAG_32BIT=no
    # The 64-bit runner: one emulated process less.
    runner=$root/windows64/runexit.exe
elif [ "$KITBAG_32BIT" != yes ]; then
    build=$root/windows64
    echo "32-bit programs do not run natively here (${check[1]}): running the 64-bit installer"
    echo "on the same sample payload instead. make demo EMULATE=1 runs the 32-bit one under emulation."
fi

runner=${runner:-$build/runexit.exe}
"$here/wine-prefix.sh" "$prefix"
export WINEPREFIX=$prefix

log="$build/demo.log"
rm -f "$log"
# Wine's drive Z: is the Linux root.
win() { printf 'Z:%s' "${1//\//\\}"; }
export RUNEXIT_CMDLINE="\"$(win "$build/KitbagInstaller.exe")\" log \"$(win "$log")\" /IAgreeToTheEULA"
echo "Running: $RUNEXIT_CMDLINE"
result=$("$wine" "$runner")
# Let Wine finish before the display goes away with this script.
wineserver -w
echo
echo "---- $log ----"
if [ -f "$log" ]; then tr -d '\r' <"$log"; else echo "(no log file was written)"; fi
echo "----"
code=${result#exit=}
echo "Exit code: $code"
[ "$code" = "0x00000000" ]
