#!/usr/bin/env bash
# The installer's peak memory (GNU time's maximum resident set of its Wine process) on a
# silent run that only extracts (/dontrun): a product of the sample wizard alone, then one with
# MIB MiB of random data beside it (stored: it does not compress), then one with MIB MiB of
# text (compressed in blocks). Each is packed and signed with the build's development
# certificate, and run twice; the lower figure counts.
# usage: bench/installer_memory.sh KITBAG_PACK WINDOWS_BUILD_DIR OUT_DIR   (WINEPREFIX set)
#   INSTALLER_MEMORY_MIB: the size of the large products in MiB (default 128)
set -euo pipefail
usage="usage: installer_memory.sh KITBAG_PACK WINDOWS_BUILD_DIR OUT_DIR"
tool=$(realpath "${1:?$usage}")
build=$(realpath "${2:?$usage}")
out=$(realpath -m "${3:?$usage}")
mib=${INSTALLER_MEMORY_MIB:-128}
here=$(dirname "$(realpath "$0")")
wine=$here/../tools/wine.sh
arch=x86
[ "$("$here/../tools/runs-32bit.sh" | head -n 1)" = yes ] || arch=x64
[ "$arch" = x86 ] || build=$(realpath "$build/../windows64")
mkdir -p "$out"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kitbag-memory-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

make_product() {
    mkdir -p "$scratch/$1"
    cp "$build/wizard/Brasswick.Hopwell.UI.exe" "$scratch/$1/Setup.exe"
    case $1 in
    random) head -c $((mib << 20)) /dev/urandom >"$scratch/$1/data.bin" ;;
    # About 51 bytes a line.
    text) seq -f 'line %.0f of the product text, which compresses' 1 $((mib * 20560)) \
        >"$scratch/$1/data.txt" ;;
    esac
    "$tool" --payload "$scratch/$1" --program Setup.exe --arch "$arch" \
        --sign-cert "$build/signing/dev-cert.pem" --sign-key "$build/signing/dev-key.pem" \
        -o "$scratch/$1.exe" >/dev/null
}

mebibytes() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

peak_kib() {
    local best="" kib
    for round in 1 2; do
        rm -rf "$scratch/temp" && mkdir -p "$scratch/temp"
        /usr/bin/time -o "$scratch/peak" -f '%M' "$wine" "$1" temp "Z:${scratch//\//\\}\\temp" \
            /dontrun /IAgreeToTheEULA >/dev/null 2>&1
        kib=$(tail -n 1 "$scratch/peak")
        [ -z "$best" ] || [ "$kib" -lt "$best" ] && best=$kib
    done
    echo "$best"
}

{
    echo "installer: the $arch build; peak: maximum resident set of its Wine process, /dontrun"
    printf '%-8s %12s %12s %10s %12s\n' product payload installer peak "above small"
    small=""
    for product in small random text; do
        make_product "$product"
        kib=$(peak_kib "$scratch/$product.exe")
        [ -n "$small" ] || small=$kib
        printf '%-8s %8.1f MiB %8.1f MiB %6.1f MiB %8.1f MiB\n' "$product" \
            "$(mebibytes "$(du -cb "$scratch/$product" | tail -n 1 | cut -f1)")" \
            "$(mebibytes "$(stat -c %s "$scratch/$product.exe")")" \
            "$(mebibytes $((kib * 1024)))" "$(mebibytes $(((kib - small) * 1024)))"
    done
} | tee "$out/installer_memory.txt"
