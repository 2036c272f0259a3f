#!/usr/bin/env bash
# Lets this machine run 32-bit x86 programs through qemu-i386 user-mode emulation, for one run
# of the real 32-bit installer where the kernel runs 64-bit code only. Needs root.
#
#   emulate-32bit.sh on          enables it; prints a word that tells how things were
#   emulate-32bit.sh restore W   puts things back as that word says
#
# "on" fails with a reason on standard error where emulation cannot be had (no root, no
# qemu-i386-static, no binfmt_misc).
set -euo pipefail
misc=/proc/sys/fs/binfmt_misc
qemu=/usr/bin/qemu-i386-static
# The usual qemu-i386 entry: 32-bit little-endian ELF executables and shared objects for the
# i386 machine; F keeps the interpreter open, so it works inside other mount namespaces too.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

on() {
    [ "$(id -u)" -eq 0 ] || { echo "emulating 32-bit programs needs root" >&2 && exit 1; }
    [ -x "$qemu" ] || { echo "$qemu is not installed (Debian's qemu-user-static)" >&2 && exit 1; }
    local mounted=kept
    if [ ! -e "$misc/register" ]; then
        mount -t binfmt_misc binfmt_misc "$misc" 2>/dev/null ||
            { echo "binfmt_misc cannot be mounted at $misc" >&2 && exit 1; }
        mounted=ours
    fi
    local entry
    if [ ! -e "$misc/qemu-i386" ]; then
        entry=absent
        printf '%s' ":qemu-i386:M::$magic:$mask:$qemu:FOC" >"$misc/register" 2>/dev/null ||
            { echo "the qemu-i386 entry cannot be registered in $misc" >&2 && exit 1; }
    elif grep -qx enabled "$misc/qemu-i386"; then
        entry=enabled
    else
        entry=disabled
        echo 1 >"$misc/qemu-i386"
    fi
    echo "$entry-$mounted"
}

restore() {
    local word=${1:?usage: emulate-32bit.sh restore WORD}
    case "${word%-*}" in
    absent) echo -1 >"$misc/qemu-i386" ;;
    disabled) echo 0 >"$misc/qemu-i386" ;;
    esac
    if [ "${word#*-}" = ours ]; then
        umount "$misc"
    fi
}

case "${1:-}" in
on) on ;;
restore) restore "${2:-}" ;;
*)
    echo "usage: emulate-32bit.sh on | restore WORD" >&2
    exit 2
    ;;
esac
