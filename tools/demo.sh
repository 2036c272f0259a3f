#!/usr/bin/env bash
# Runs the signed installer silently under Wine on its sample payload, then prints its
# log and its full 32-bit exit code. Ends with 0 only when the installer did.
set -euo pipefail
build=$(realpath "${1:?usage: demo.sh WINDOWS_BUILD_DIR PREFIX}")
prefix=$(realpath -m "${2:?usage: demo.sh WINDOWS_BUILD_DIR PREFIX}")
here=$(dirname "$(realpath "$0")")

"$here/wine-prefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

log="$build/demo.log"
rm -f "$log"
winlog=$(winepath -w "$log")
export RUNEXIT_CMDLINE="\"$(winepath -w "$build/KitbagInstaller.exe")\" log \"$winlog\" /IAgreeToTheEULA"
echo "Running: $RUNEXIT_CMDLINE"
result=$(wine "$build/runexit.exe")
# Let Wine finish before the display goes away with this script.
wineserver -w
echo
echo "---- $log ----"
if [ -f "$log" ]; then tr -d '\r' < "$log"; else echo "(no log file was written)"; fi
echo "----"
code=${result#exit=}
echo "Exit code: $code"
[ "$code" = "0x00000000" ]
