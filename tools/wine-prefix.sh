#!/usr/bin/env bash
# Creates the Wine prefix the installer runs in, once; later calls only wait for it.
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1
    # Without a window manager Wine otherwise takes two seconds to close every window.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi
wineserver -w
