#!/usr/bin/env bash
# A product of about 1.9 GiB (the largest whose signed installer Wine's own signature check
# passes), packed into the data area stored and with the defaults: kitbag-pack's time and peak
# memory, signed as it packs, and osslsigncode's own figures signing an unsigned image of the
# same product apart; each installer checked with osslsigncode, run under Wine silently to
# extract and keep the files (/keep) and start the wizard, timed, its peak memory taken, and
# its files compared with the product's by hash. The peak is also given above that of the same kind of
# installer holding the wizard alone, where the target is under 64 MiB. An NSIS installer of
# the same product, stored, beside where makensis can make one.
# usage: bench/large_product.sh KITBAG_PACK WINDOWS_BUILD_DIR OUT_DIR   (WINEPREFIX set)
#   WINDOWS_BUILD_DIR: the 32-bit build; on a machine that runs no 32-bit programs
#                      (tools/runs-32bit.sh) its sibling windows64 is taken instead, and the
#                      NSIS installer, 32-bit only, is made for its size alone
#   LARGE_PRODUCT_MIB: the product's size in MiB (default 1945, 1.9 GiB)
# The product, the installers and what they unpack live in a scratch folder under TMPDIR
# (/tmp), removed at the end; each installer is deleted once measured. The table is printed
# and kept in OUT_DIR/report.txt. Any failure (a pack, a signature, an installer's exit code,
# a file that differs) is printed and makes the exit code 1; makensis failing is only reported.
set -euo pipefail
usage="usage: large_product.sh KITBAG_PACK WINDOWS_BUILD_DIR OUT_DIR"
tool=$(realpath "${1:?$usage}")
build=$(realpath "${2:?$usage}")
out=$(realpath -m "${3:?$usage}")
: "${WINEPREFIX:?large_product.sh: set WINEPREFIX to a Wine prefix of its own}"
mib=${LARGE_PRODUCT_MIB:-1945}
here=$(dirname "$(realpath "$0")")
wine=$here/../tools/wine.sh

mapfile -t check < <("$here/../tools/runs-32bit.sh")
export KITBAG_32BIT=${check[0]}
if [ "$KITBAG_32BIT" = yes ]; then
    arch=x86
    run_nsis=yes
else
    arch=x64
    build=$(realpath "$build/../windows64")
    run_nsis=no
fi
wizard=Brasswick.Hopwell.UI.exe
stub=$build/KitbagInstaller-stub.exe
cert=$build/signing/dev-cert.pem
key=$build/signing/dev-key.pem
for file in "$tool" "$stub" "$cert" "$key" "$build/wizard/$wizard" /usr/bin/time; do
    [ -e "$file" ] || { echo "large_product.sh: '$file' is missing" >&2; exit 1; }
done
for command in osslsigncode sha256sum; do
    command -v $command >/dev/null || { echo "large_product.sh: $command is missing" >&2; exit 1; }
done
have_nsis=yes
command -v makensis >/dev/null || have_nsis=no

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kitbag-large-bench.XXXXXX")
server=no
cleanup() {
    [ $server = no ] || wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
# The product, then at most two installers of its size and the files one unpacks.
need_kib=$(( (mib * 4 + 500) * 1024 ))
free_kib=$(df -Pk "$scratch" | awk 'NR == 2 { print $4 }')
if [ "$free_kib" -lt "$need_kib" ]; then
    echo "large_product.sh: $((need_kib / 1024)) MiB free needed in $scratch, $((free_kib / 1024)) MiB there" >&2
    exit 1
fi
mkdir -p "$out"
report=$out/report.txt
failures=0
fail() {
    failures=$((failures + 1))
    echo "!!!!!!!! FAILED: $*" >&2
}

# Wine's drive Z: is the Linux root.
win() { printf 'Z:%s' "${1//\//\\}"; }
mebibytes() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }
kib_text() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }

# Text that compresses well: numbered lines of fixed width, N bytes of them.
numbered_text() {
    local bytes=$1 line='line %012.0f of the product text, which compresses very well'
    { seq -f "$line" 1 $((bytes / 60 + 1)) || true; } | head -c "$bytes"
}
# Text that compresses about five to one: lines of words drawn at random from a few dozen.
word_text() {
    local bytes=$1
    { awk -v n=$((bytes / 70 + 1)) -v seed="$2" 'BEGIN {
        srand(seed)
        m = split("installer product folder file block signature extract stream window " \
            "archive random section header resource verify temporary manifest version wizard " \
            "setup payload compressed stored dictionary reader writer extent digest table", w)
        for (i = 1; i <= n; ++i) {
            line = i
            for (j = 0; j < 9; ++j) line = line " " w[int(rand() * m) + 1]
            print line
        } }' || true; } | head -c "$bytes"
}
random_bytes() { head -c "$1" /dev/urandom; }
file_bytes() { find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'; }

# The product: the wizard as the program; one archive of 1.1 GiB, random but for a stretch of
# text; some 300 MiB of text in two large files and 400 small ones; real binaries where the
# Windows build's sample product is there to take them from; random media files for the rest.
# A smaller LARGE_PRODUCT_MIB scales the parts down alike.
product=$scratch/product
make_product() {
    local total=$((mib << 20)) archive stretch left i size
    part() { echo $((total * $1 / 1945)); }
    archive=$(part 1126)
    stretch=$((archive / 9))
    mkdir -p "$product/Data" "$product/Text/Logs" "$product/Media"
    cp "$build/wizard/$wizard" "$product/"
    {
        random_bytes $(((archive - stretch) / 2))
        numbered_text $stretch
        random_bytes $((archive - stretch - (archive - stretch) / 2))
    } >"$product/Data/Archive.bin"
    numbered_text "$(part 160)" >"$product/Text/Numbers.txt"
    word_text "$(part 120)" 7 >"$product/Text/Words.txt"
    size=$(($(part 20) / 400))
    word_text $((size * 400)) 11 | split -b $size -d -a 3 --additional-suffix=.log - "$product/Text/Logs/part-"
    if [ -d "$build/payload/files" ]; then
        "$here/binary_payload.sh" $arch "$build/payload/files" "$product/Bin" >/dev/null
    fi
    left=$((total - $(file_bytes "$product")))
    [ $left -gt 0 ] || { echo "large_product.sh: $mib MiB is too small for the product" >&2; exit 1; }
    i=0
    while [ $left -gt 0 ]; do
        size=$((64 << 20))
        [ $size -le $left ] || size=$left
        random_bytes $size >"$product/Media/Clip$(printf %02d $i).bin"
        left=$((left - size))
        i=$((i + 1))
    done
}

# Paths and hashes of every file under a folder, by Windows' rules: names whatever their case.
hashes() {
    (cd "$1" && find . -type f -print0 | sort -z | xargs -0 sha256sum) | tr '[:upper:]' '[:lower:]' | sort
}

# timed OUTPUT COMMAND...: runs the command with GNU time, its output to OUTPUT; sets seconds,
# kib and status.
timed() {
    local output=$1
    shift
    status=0
    /usr/bin/time -o "$scratch/time.txt" -f '%e %M' "$@" >"$output" 2>&1 || status=$?
    read -r seconds kib < <(tail -n 1 "$scratch/time.txt")
}

# A silent extracting run of an installer: run_installer EXE LABEL KIND, KIND kitbag or nsis.
# Sets run_s, run_kib and unpacked (the folder the files went to); a non-zero exit is a failure.
run_installer() {
    local exe=$1 label=$2
    rm -rf "$scratch/temp" "$scratch/run.log"
    mkdir -p "$scratch/temp"
    if [ "$3" = kitbag ]; then
        # The sample wizard records that it was started, and ends without a window.
        rm -f "$scratch/record.txt"
        timed "$scratch/run.out" env KITBAG_WIZARD_WINDOW=none \
            KITBAG_WIZARD_RECORD="$(win "$scratch/record.txt")" "$wine" "$exe" \
            log "$(win "$scratch/run.log")" temp "$(win "$scratch/temp")" /keep /IAgreeToTheEULA
        unpacked=$(find "$scratch/temp" -mindepth 1 -maxdepth 1 -type d -name '{*}' | head -n 1)
    else
        timed "$scratch/run.out" "$wine" "$exe" "/D=$(win "$scratch/temp/nsis")"
        unpacked=$scratch/temp/nsis
    fi
    run_s=$seconds
    run_kib=$kib
    if [ $status -ne 0 ]; then
        fail "$label: the installer ended with $status"
        cat "$scratch/run.out" >&2
        [ ! -f "$scratch/run.log" ] || tail -n 20 "$scratch/run.log" | tr -d '\r' >&2
        return 1
    fi
    if [ "$3" = kitbag ] && [ ! -f "$scratch/record.txt" ]; then
        fail "$label: the installer did not start its program"
        return 1
    fi
}

# Whether the files a run unpacked are the product's, by hash: sets hashes_ok.
compare_unpacked() {
    if hashes "$unpacked" >"$scratch/unpacked.sha256" &&
        diff -q "$scratch/product.sha256" "$scratch/unpacked.sha256" >/dev/null; then
        hashes_ok="ok ($product_files files)"
    else
        hashes_ok=FAILED
        fail "$1: the unpacked files are not the product's"
        diff "$scratch/product.sha256" "$scratch/unpacked.sha256" | head -n 20 >&2
    fi
}

# The installer's peak with the wizard alone, in the same form: the lower of two runs, in
# empty_kib (empty when a run failed).
empty_peak() {
    local exe=$1 kind=$2
    empty_kib=""
    for _ in 1 2; do
        run_installer "$exe" "$kind empty" "$kind" || { empty_kib="" && return 0; }
        [ -n "$empty_kib" ] && [ "$empty_kib" -le "$run_kib" ] || empty_kib=$run_kib
    done
}

rows=()
row() { rows+=("$(printf '%-17s %12s %9s %12s %9s %21s %8s %12s %12s %s' "$@")"); }
notes=()
note() {
    notes+=("$*")
    echo "== $*"
}

echo "== the product: $mib MiB in $scratch"
start=$(date +%s.%N)
make_product
seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
product_bytes=$(file_bytes "$product")
product_files=$(find "$product" -type f | wc -l)
note "product: $product_files files, $(mebibytes "$product_bytes") (largest $(mebibytes "$(stat -c %s "$product/Data/Archive.bin")")), made in $seconds s"
hashes "$product" >"$scratch/product.sha256"
alone=$scratch/alone
mkdir -p "$alone"
cp "$build/wizard/$wizard" "$alone/"

"$here/../tools/wine-prefix.sh" "$WINEPREFIX"
# A warm server for the whole measurement, so that each run is the installer's own.
wineserver -p
server=yes

# kitbag-pack into OUTPUT.exe from PAYLOAD with more options.
pack() {
    local payload=$1 output=$2
    shift 2
    timed "$scratch/pack.out" "$tool" --payload "$payload" --program $wizard --arch $arch \
        --stub "$stub" -o "$output" "$@"
}
signing=(--sign-cert "$cert" --sign-key "$key")

# One form of the Kitbag installer: kitbag_form LABEL [OPTIONS...]
kitbag_form() {
    local label=$1 size pack_s pack_kib unsigned_s sign_apart verified hashes_ok above
    shift
    echo "== $label: packing unsigned, then signing with osslsigncode apart"
    mkdir -p "$scratch/unsigned" "$scratch/signed"
    pack "$product" "$scratch/unsigned/Setup.exe" --no-sign "$@"
    if [ $status -ne 0 ]; then
        fail "$label: kitbag-pack --no-sign ended with $status"
        cat "$scratch/pack.out" >&2
        row "$label" - - - - - - - - "pack failed"
        return
    fi
    unsigned_s=$seconds
    note "$label: unsigned, kitbag-pack took $seconds s, peak $(kib_text "$kib"), $(stat -c %s "$scratch/unsigned/Setup.exe") bytes"
    ! grep -q '^Compressed' "$scratch/pack.out" || note "$label: $(grep '^Compressed' "$scratch/pack.out")"
    timed "$scratch/sign.out" osslsigncode sign -certs "$cert" -key "$key" -n "Kitbag bench" \
        -in "$scratch/unsigned/Setup.exe" -out "$scratch/signed/Setup.exe"
    if [ $status -ne 0 ]; then
        fail "$label: osslsigncode sign ended with $status"
        cat "$scratch/sign.out" >&2
        sign_apart=failed
    else
        sign_apart="$seconds s/$(kib_text "$kib")"
    fi
    rm -rf "$scratch/unsigned" "$scratch/signed"

    echo "== $label: packing signed"
    pack "$product" "$scratch/installer.exe" "${signing[@]}" "$@"
    if [ $status -ne 0 ]; then
        fail "$label: kitbag-pack ended with $status"
        cat "$scratch/pack.out" >&2
        row "$label" - "$unsigned_s s" - - "$sign_apart" - - - "pack failed"
        return
    fi
    pack_s=$seconds
    pack_kib=$kib
    size=$(stat -c %s "$scratch/installer.exe")
    grep -q '^Payload *in the data area' "$scratch/pack.out" || [ "$product_bytes" -le $((1 << 30)) ] ||
        fail "$label: kitbag-pack did not put the payload in the data area: $(grep '^Payload' "$scratch/pack.out")"
    if osslsigncode verify -CAfile "$cert" -in "$scratch/installer.exe" >"$scratch/verify.out" 2>&1; then
        verified=ok
    else
        verified=FAILED
        fail "$label: osslsigncode verify -CAfile failed"
        tail -n 5 "$scratch/verify.out" >&2
    fi

    echo "== $label: the empty run, the wizard alone"
    pack "$alone" "$scratch/alone.exe" --data-area "${signing[@]}" "$@"
    if [ $status -ne 0 ]; then
        fail "$label: kitbag-pack of the wizard alone ended with $status"
        cat "$scratch/pack.out" >&2
        empty_kib=""
    else
        empty_peak "$scratch/alone.exe" kitbag
        [ -z "$empty_kib" ] || note "$label: the wizard alone, $(mebibytes "$(stat -c %s "$scratch/alone.exe")"), run peak $(kib_text "$empty_kib")"
    fi
    rm -f "$scratch/alone.exe"

    echo "== $label: the run"
    if run_installer "$scratch/installer.exe" "$label" kitbag; then
        if [ -z "$unpacked" ]; then
            fail "$label: the installer kept no folder under $scratch/temp"
            hashes_ok=FAILED
        else
            compare_unpacked "$label"
        fi
        above=-
        [ -z "$empty_kib" ] || above=$(kib_text $((run_kib - empty_kib)))
        row "$label" "$(mebibytes "$size")" "$pack_s s" "$(kib_text "$pack_kib")" \
            "$unsigned_s s" "$sign_apart" "$run_s s" "$(kib_text "$run_kib")" "$above" \
            "$verified, $hashes_ok"
    else
        row "$label" "$(mebibytes "$size")" "$pack_s s" "$(kib_text "$pack_kib")" \
            "$unsigned_s s" "$sign_apart" FAILED - - "$verified"
    fi
    rm -rf "$scratch/installer.exe" "$scratch/temp"
}

# NSIS beside, stored, unpacking the product into a folder the command line names and
# keeping it, as the Kitbag runs do.
cat >"$scratch/extract.nsi" <<'EOF'
Unicode true
SilentInstall silent
RequestExecutionLevel admin
SetCompress off
OutFile "${OUTFILE}"
Name "Kitbag peer"
InstallDir "$TEMP\kitbag-peer"
Section
    SetOutPath "$INSTDIR"
    File /r "${PAYLOAD}/*"
SectionEnd
EOF
nsis_form() {
    local label="nsis stored" size pack_s pack_kib above hashes_ok
    if [ $have_nsis = no ]; then
        row "$label" - - - - - - - - "makensis is not installed"
        return
    fi
    echo "== $label: makensis"
    timed "$scratch/nsis.out" makensis -V2 -DPAYLOAD="$product" -DOUTFILE="$scratch/nsis.exe" \
        "$scratch/extract.nsi"
    if [ $status -ne 0 ]; then
        # Reported, not failed: the peer's limits are not this bench's.
        local message
        message=$(grep -v '^$' "$scratch/nsis.out" | tail -n 3 | tr '\n' ' ' | cut -c1-160)
        note "$label: makensis ended with $status after $seconds s (peak $(kib_text "$kib")): $message"
        row "$label" - "$seconds s" "$(kib_text "$kib")" - - - - - "makensis failed: $message"
        rm -f "$scratch/nsis.exe"
        return
    fi
    pack_s=$seconds
    pack_kib=$kib
    size=$(stat -c %s "$scratch/nsis.exe")
    if [ $run_nsis = no ]; then
        note "$label: size only; this machine runs no 32-bit programs (${check[1]}) and NSIS makes 32-bit installers only"
        row "$label" "$(mebibytes "$size")" "$pack_s s" "$(kib_text "$pack_kib")" - - - - - "not run (32-bit)"
        rm -f "$scratch/nsis.exe"
        return
    fi
    makensis -V1 -DPAYLOAD="$alone" -DOUTFILE="$scratch/nsis-alone.exe" "$scratch/extract.nsi"
    empty_peak "$scratch/nsis-alone.exe" nsis
    [ -z "$empty_kib" ] || note "$label: the wizard alone, run peak $(kib_text "$empty_kib")"
    rm -f "$scratch/nsis-alone.exe"
    echo "== $label: the run"
    if run_installer "$scratch/nsis.exe" "$label" nsis; then
        compare_unpacked "$label"
        above=-
        [ -z "$empty_kib" ] || above=$(kib_text $((run_kib - empty_kib)))
        row "$label" "$(mebibytes "$size")" "$pack_s s" "$(kib_text "$pack_kib")" - - \
            "$run_s s" "$(kib_text "$run_kib")" "$above" "unsigned, $hashes_ok"
    else
        row "$label" "$(mebibytes "$size")" "$pack_s s" "$(kib_text "$pack_kib")" - - FAILED - - -
    fi
    rm -rf "$scratch/nsis.exe" "$scratch/temp"
}

kitbag_form "kitbag stored" --store
kitbag_form "kitbag compressed"
nsis_form

{
    echo "Kitbag with a $(mebibytes "$product_bytes") product of $product_files files, the $arch installer ($(nproc) cores; 32-bit programs: ${check[0]}, ${check[1]})"
    echo "pack: kitbag-pack signing as it packs, wall time and peak (GNU time: the larger of its own and its osslsigncode's)"
    echo "unsigned: kitbag-pack --no-sign; sign apart: osslsigncode's own use signing that image"
    echo "run: start to exit of a silent /keep run under Wine that starts the wizard, peak of its Wine process;"
    echo "above empty: over the same kind of installer holding the wizard alone (target: under 64 MiB)"
    printf '%-17s %12s %9s %12s %9s %21s %8s %12s %12s %s\n' form installer pack "pack peak" \
        unsigned "sign apart" run "run peak" "above empty" "signature, hashes"
    printf '%s\n' "${rows[@]}"
    echo
    printf '%s\n' "${notes[@]}"
    [ $failures -eq 0 ] || echo "$failures FAILURES (above and on standard error)"
} | tee "$report"
echo "kept in $report"
[ $failures -eq 0 ]
