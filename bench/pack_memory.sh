#!/usr/bin/env bash
# kitbag-pack's wall time and peak memory (GNU time's maximum resident set) packing payloads of
# incompressible data, a few large files and many small ones, unsigned and signed; and
# osslsigncode's own figures signing the same unsigned image, since the tool's signed run
# reports the larger of its own peak and that of the osslsigncode it waits for. Then, for each
# size up to 300 MiB, a payload of real binaries (Wine's DLLs of both architectures, as they
# are), compressed with the defaults on one thread and on all, and stored, with the MB/s.
# usage: bench/pack_memory.sh KITBAG_PACK WINDOWS_BUILD_DIR OUT_DIR [OTHER_KITBAG_PACK]
#   WINDOWS_BUILD_DIR: the 32-bit build, for its stub and its development certificate
#   OTHER_KITBAG_PACK: another build of the tool (an older one, say), measured the same way;
#                      the report says whether its unsigned images are the tool's bytes
#   PACK_BENCH_SIZES:  payload sizes in MiB (default "300 900")
# The payloads and the installers live in a scratch folder under TMPDIR (/tmp), removed at the
# end; the table is printed and kept in OUT_DIR/pack_memory.txt.
set -euo pipefail
usage="usage: pack_memory.sh KITBAG_PACK WINDOWS_BUILD_DIR OUT_DIR [OTHER_KITBAG_PACK]"
tool=$(realpath "${1:?$usage}")
build=$(realpath "${2:?$usage}")
out=$(realpath -m "${3:?$usage}")
other=${4:+$(realpath "$4")}
sizes=${PACK_BENCH_SIZES:-300 900}
stub=$build/KitbagInstaller-stub.exe
cert=$build/signing/dev-cert.pem
key=$build/signing/dev-key.pem
for file in "$tool" ${other:+"$other"} "$stub" "$cert" "$key" /usr/bin/time; do
    [ -e "$file" ] || { echo "pack_memory.sh: '$file' is missing" >&2; exit 1; }
done
command -v osslsigncode >/dev/null || { echo "pack_memory.sh: osslsigncode is missing" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kitbag-pack-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
largest=0
for mib in $sizes; do [ "$mib" -gt "$largest" ] && largest=$mib; done
# The payload, an unsigned image, and during signing the image and its signed copy.
need_kib=$(( (largest * 4 + 100) * 1024 ))
free_kib=$(df -Pk "$scratch" | awk 'NR == 2 { print $4 }')
if [ "$free_kib" -lt "$need_kib" ]; then
    echo "pack_memory.sh: $((need_kib / 1024)) MiB free needed in $scratch, $((free_kib / 1024)) MiB there" >&2
    exit 1
fi
mkdir -p "$out"
report=$out/pack_memory.txt

# Four large files hold 90% of the payload, 2000 small ones the rest; the program is small.
make_payload() {
    python3 - "$1" "$2" <<'EOF'
import os, sys
folder, mib = sys.argv[1], int(sys.argv[2])
total = mib << 20
os.makedirs(os.path.join(folder, "data"))
with open(os.path.join(folder, "Setup.exe"), "wb") as f:
    f.write(b"MZ" + os.urandom(64 * 1024 - 2))
large = total * 9 // 10 // 4
for i in range(4):
    with open(os.path.join(folder, "data", "large%d.bin" % i), "wb") as f:
        left = large
        while left:
            n = min(left, 8 << 20)
            f.write(os.urandom(n))
            left -= n
small_total = total - 64 * 1024 - 4 * large
for i in range(2000):
    sub = os.path.join(folder, "small", "%02d" % (i // 100))
    os.makedirs(sub, exist_ok=True)
    with open(os.path.join(sub, "file%04d.dat" % i), "wb") as f:
        f.write(os.urandom(small_total // 2000 + (1 if i < small_total % 2000 else 0)))
EOF
}

# measure LABEL MIB SIGNING COMMAND...: one row of the table.
measure() {
    local label=$1 mib=$2 signing=$3
    shift 3
    if ! /usr/bin/time -v -o "$scratch/time.txt" "$@" >"$scratch/run.txt" 2>&1; then
        echo "pack_memory.sh: $label failed:" >&2
        cat "$scratch/run.txt" "$scratch/time.txt" >&2
        exit 1
    fi
    local wall rss
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$scratch/time.txt")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$scratch/time.txt")
    local seconds rate
    seconds=$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s }')
    rate=$(awk -v mib="$mib" -v s="$seconds" 'BEGIN { if (s > 0) printf "%.1f", mib * 1.048576 / s; else print "-" }')
    printf '%-14s %8s MiB  %-9s %10s  %8d MiB  %8s MB/s\n' "$label" "$mib" "$signing" "$wall" \
        $(( (rss + 1023) / 1024 )) "$rate" | tee -a "$report"
}

# Real binaries: Wine's own DLLs of both architectures, in name order, until MIB MiB.
make_binaries() {
    local folder=$1 limit=$(( $2 << 20 )) total=0 dir dll
    mkdir -p "$folder"
    cp "$stub" "$folder/Setup.exe"
    for dir in /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/x86_64-linux-gnu/wine/x86_64-windows; do
        [ -d "$dir" ] || continue
        mkdir -p "$folder/$(basename "$dir")"
        for dll in "$dir"/*.dll; do
            [ $total -lt $limit ] || return 0
            cp "$dll" "$folder/$(basename "$dir")/"
            total=$((total + $(stat -c %s "$dll")))
        done
    done
}

{
    echo "kitbag-pack: $tool"
    [ -n "$other" ] && echo "other build: $other"
    echo "stub: $stub"
    echo "$(nproc) cores, $(free -m | awk '/^Mem:/ { print $2 }') MiB of memory; $(osslsigncode --version 2>&1 | head -n 1 | sed "s/, using:$//")"
    echo "peak: GNU time's maximum resident set; for a signed run the larger of the tool's and osslsigncode's"
    printf '%-14s %12s  %-9s %10s  %12s  %13s\n' program payload signing "wall" "peak memory" "rate"
} | tee "$report"

for mib in $sizes; do
    payload=$scratch/payload-$mib
    make_payload "$payload" "$mib"
    for label in tool ${other:+other}; do
        program=$tool
        [ "$label" = other ] && program=$other
        # One name in two folders: the installer's version resource holds its file name.
        mkdir -p "$scratch/$label-unsigned" "$scratch/$label-signed"
        measure "$label" "$mib" unsigned "$program" --payload "$payload" --program Setup.exe \
            --no-sign -o "$scratch/$label-unsigned/Setup.exe"
        measure "$label" "$mib" signed "$program" --payload "$payload" --program Setup.exe \
            --sign-cert "$cert" --sign-key "$key" -o "$scratch/$label-signed/Setup.exe"
        rm -rf "$scratch/$label-signed"
    done
    if [ -n "$other" ]; then
        if cmp -s "$scratch/tool-unsigned/Setup.exe" "$scratch/other-unsigned/Setup.exe"; then
            echo "$mib MiB: the two builds' unsigned images are the same bytes"
        else
            echo "$mib MiB: the two builds' unsigned images differ"
        fi | tee -a "$report"
        rm -rf "$scratch/other-unsigned"
    fi
    measure osslsigncode "$mib" alone osslsigncode sign -certs "$cert" -key "$key" \
        -in "$scratch/tool-unsigned/Setup.exe" -out "$scratch/signed.exe"
    rm -rf "$payload" "$scratch/tool-unsigned" "$scratch/signed.exe"
    [ "$mib" -le 300 ] || continue
    binaries=$scratch/binaries-$mib
    make_binaries "$binaries" "$mib"
    mkdir -p "$scratch/binaries-out"
    for mode in "bin-stored --store" "bin-1-thread --threads 1" "bin-all-threads"; do
        read -r name options <<<"$mode"
        # shellcheck disable=SC2086
        measure "$name" "$mib" unsigned "$tool" --payload "$binaries" --program Setup.exe \
            --no-sign $options -o "$scratch/binaries-out/Setup.exe"
        echo "  $(sed -n 's/^\(Compressed .*\)/\1/p' "$scratch/run.txt")" | tee -a "$report"
    done
    rm -rf "$binaries" "$scratch/binaries-out"
done
echo "kept in $report"
