#!/usr/bin/env bash
# Says whether this machine runs 32-bit x86 programs natively: prints "yes" or "no", then a
# line with the reason. The build, the tests, the demo and the benchmark all ask this script.
#
# KITBAG_32BIT=yes|no forces the answer, so that either route can be tried on any machine.
#
# A qemu-i386 entry of binfmt_misc that is enabled makes 32-bit programs run too, but about a
# hundred times slower: that counts as "no", so that a left-over entry never sends a whole
# test suite through emulation.
set -uo pipefail

case "${KITBAG_32BIT:-}" in
yes | no)
    echo "$KITBAG_32BIT"
    echo "forced by KITBAG_32BIT=$KITBAG_32BIT"
    exit 0
    ;;
"") ;;
*)
    echo "KITBAG_32BIT is yes or no, not '$KITBAG_32BIT'" >&2
    exit 2
    ;;
esac

if grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
    echo no
    echo "only through qemu-i386 emulation (binfmt_misc), a hundred times slower"
    exit 0
fi
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
    echo no
    echo "32-bit Wine ($loader) is not installed"
    exit 0
fi
if error=$("$loader" --version 2>&1 >/dev/null); then
    echo yes
    echo "32-bit Wine runs natively"
else
    echo no
    echo "the kernel refuses them: ${error##*: }"
fi
