#!/usr/bin/env bash
# Creates the Wine prefix the installer runs in, once, as a machine with .NET Framework 4
# installed; later calls only make sure of the framework's keys and wait for the prefix.
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1
    # Without a window manager Wine otherwise takes two seconds to close every window.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi

# The values the framework's setup writes for its Full and Client parts, in the native and
# in the 32-bit view (the installer is a 32-bit program).
regfile=$(mktemp --suffix=.reg)
trap 'rm -f "$regfile"' EXIT
{
    echo 'Windows Registry Editor Version 5.00'
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
wine reg import "$(winepath -w "$regfile")" >/dev/null 2>&1
wineserver -w
