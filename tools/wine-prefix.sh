#!/usr/bin/env bash
# Creates the Wine prefix the installer runs in, once, as a machine with .NET Framework 4
# installed; later calls only make sure of the framework's keys and wait for the prefix.
# Every Wine process counts under emulation (minutes each), so all keys go in one import.
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX}
wine=$(dirname "$(realpath "$0")")/wine.sh
export WINEPREFIX=$prefix
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    # Under emulation a helper process may crash on its way out; what counts is the prefix.
    "$wine" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    [ -f "$prefix/system.reg" ] || { echo "wine-prefix.sh: wineboot made no prefix in $prefix" >&2 && exit 1; }
fi

# Drive F: is a volume without access lists: Wine takes a drive's file system from the image
# its "f::" entry names (by an absolute path), here an empty FAT one, while the files go to a
# folder of the prefix.
mkfs_fat=$(PATH=$PATH:/usr/sbin:/sbin command -v mkfs.fat || true)
if [ -n "$mkfs_fat" ]; then
    root=$(realpath "$prefix")
    if [ ! -f "$root/fat16.img" ]; then
        truncate -s 16M "$root/fat16.img.part"
        "$mkfs_fat" -F 16 "$root/fat16.img.part" >/dev/null
        mv "$root/fat16.img.part" "$root/fat16.img"
    fi
    mkdir -p "$root/fat16-drive"
    ln -sfn "$root/fat16-drive" "$root/dosdevices/f:"
    ln -sfn "$root/fat16.img" "$root/dosdevices/f::"
fi

regfile=$(mktemp --suffix=.reg)
trap 'rm -f "$regfile"' EXIT
{
    echo 'Windows Registry Editor Version 5.00'
    # Without a window manager Wine otherwise takes two seconds to close every window.
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
    echo '"Managed"="N"'
    # The values the framework's setup writes for its Full and Client parts, in the native
    # and in the 32-bit view (what a 32-bit installer reads on 64-bit Windows).
    for view in 'Software' 'Software\Wow6432Node'; do
        for part in Full Client; do
            echo
            echo "[HKEY_LOCAL_MACHINE\\$view\\Microsoft\\NET Framework Setup\\NDP\\v4\\$part]"
            echo '"Install"=dword:00000001'
            echo '"Servicing"=dword:00000000'
            echo '"Version"="4.0.30319"'
        done
    done
} >"$regfile"
# Wine's drive Z: is the Linux root. A 32-bit reg.exe would see its own view only, and put
# the native view's keys under Wow6432Node too: in a 64-bit prefix the 64-bit one imports.
if grep -q '^#arch=win64' "$prefix/system.reg" && [ -x /usr/lib/wine/wine64 ]; then
    WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 reg import "Z:${regfile//\//\\}" >/dev/null 2>&1 || true
else
    "$wine" reg import "Z:${regfile//\//\\}" >/dev/null 2>&1 || true
fi
# The registry reaches its files when the server ends.
wineserver -w
grep -q '^\[Software\\\\Wow6432Node\\\\Microsoft\\\\NET Framework Setup\\\\NDP\\\\v4\\\\Full\]' "$prefix/system.reg" ||
    { echo "wine-prefix.sh: the .NET Framework keys did not reach the 32-bit view of $prefix" >&2 && exit 1; }
if grep -q '^#arch=win64' "$prefix/system.reg"; then
    grep -q '^\[Software\\\\Microsoft\\\\NET Framework Setup\\\\NDP\\\\v4\\\\Full\]' "$prefix/system.reg" ||
        { echo "wine-prefix.sh: the .NET Framework keys did not reach the 64-bit view of $prefix" >&2 && exit 1; }
fi
