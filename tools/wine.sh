#!/usr/bin/env bash
# Starts a Windows program under Wine the way this machine can; every script and test of the
# project starts Wine through here.
#
#   wine.sh PROGRAM [ARGUMENTS...]    (PROGRAM as wine takes it: an .exe path, or reg, winepath...)
#
# Where 32-bit programs run (tools/runs-32bit.sh), the 32-bit loader, which hands 64-bit
# programs on to the 64-bit one; elsewhere the 64-bit loader, which hands 32-bit programs on
# to the 32-bit one: those run only where qemu-i386 is enabled (tools/emulate-32bit.sh).
# KITBAG_32BIT, when set, is taken as the check's answer without asking again.
# The caller sets WINEPREFIX; WINEDEBUG and WINEDLLOVERRIDES default to the project's own.
set -euo pipefail
here=$(dirname "$(realpath "$0")")

answer=${KITBAG_32BIT:-}
if [ -z "$answer" ]; then
    answer=$("$here/runs-32bit.sh" | head -n 1)
fi

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}
if [ "$answer" = yes ]; then
    exec /usr/lib/wine/wine "$@"
fi
export WINELOADER=/usr/lib/wine/wine64
exec /usr/lib/wine/wine64 "$@"
