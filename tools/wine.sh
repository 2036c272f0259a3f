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
# A 64-bit program named by its path goes to the 64-bit loader directly: the 32-bit loader's
# hand-over cannot start one whose path is longer than MAX_PATH.
is_pe32plus() {
    [ -f "$1" ] || return 1
    local header magic
    header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 1
    [ -n "$header" ] || return 1
    magic=$(od -An -tx2 -j$((header + 24)) -N2 "$1" 2>/dev/null | tr -d ' ') || return 1
    [ "$magic" = 020b ]
}
if [ "$answer" = yes ] && ! { [ $# -gt 0 ] && is_pe32plus "$1" && [ -x /usr/lib/wine/wine64 ]; }; then
    exec /usr/lib/wine/wine "$@"
fi
export WINELOADER=/usr/lib/wine/wine64
exec /usr/lib/wine/wine64 "$@"
