#!/usr/bin/env bash
# Times KitbagInstaller.exe against NSIS installers of the same payload under Wine, beside an
# empty program (the floor), a plain copy of the payload (the write limit) and the signature
# check alone; the sample packed with kitbag-pack's defaults too; then the same on a payload of
# real binaries (bench/binary_payload.sh), packed with the defaults (also timed on one core)
# and stored, beside NSIS zlib and LZMA, solid and not; and the sizes of a product of many small
# DLLs, where the installer's own size weighs more.
# usage: bench/run.sh BUILD_ROOT BENCH_DIR [ROUNDS]   (WINEPREFIX: the prefix to use)
# Needs an X display (make bench runs it under xvfb-run).
#
# Where this machine runs no 32-bit programs (tools/runs-32bit.sh), the 64-bit installer and
# helpers built for x86-64 are timed; NSIS makes 32-bit installers only, so its installers are
# measured for size alone, with a line that says so.
set -euo pipefail
root=$(realpath "${1:?usage: run.sh BUILD_ROOT BENCH_DIR [ROUNDS]}")
out=$(realpath -m "${2:?usage: run.sh BUILD_ROOT BENCH_DIR [ROUNDS]}")
rounds=${3:-7}
here=$(dirname "$(realpath "$0")")
wine=$here/../tools/wine.sh
prefix=${WINEPREFIX:-$root/wineprefix}
mkdir -p "$out"

mapfile -t check < <("$here/../tools/runs-32bit.sh")
export KITBAG_32BIT=${check[0]}
if [ "$KITBAG_32BIT" = yes ]; then
    arch=x86
    build=$root/windows
    cc=i686-w64-mingw32-gcc
    run_nsis=yes
else
    arch=x64
    build=$root/windows64
    cc=x86_64-w64-mingw32-gcc
    run_nsis=no
    echo "== 32-bit programs do not run natively here (${check[1]}): timing the 64-bit installer; the NSIS"
    echo "   installers are built for their sizes but not run, since NSIS makes 32-bit installers only"
fi
payload=$build/payload/files
binaries=$out/binaries
small=$out/small
wizard=Brasswick.Hopwell.UI.exe
pack=$root/tools/bin/kitbag-pack
signing=(--sign-cert "$build/signing/dev-cert.pem" --sign-key "$build/signing/dev-key.pem")

"$here/../tools/wine-prefix.sh" "$prefix"
export WINEPREFIX=$prefix

echo "== building the helpers and the installers in $out"
$cc -O2 -Wall -Wextra -Werror -municode -static "$here/benchtime.c" -o "$out/benchtime.exe"
$cc -O2 -Wall -Wextra -Werror -municode -static "$here/copytree.c" -o "$out/copytree.exe"
$cc -O2 -Wall -Wextra -Werror -mwindows -s "$here/empty.c" -o "$out/empty.exe"
$cc -O2 -Wall -Wextra -Werror -municode -mwindows -s "$here/empty_gui.c" -o "$out/empty-gui.exe"
$cc -O2 -Wall -Wextra -Werror -municode -mwindows "$here/verifyonly.c" -o "$out/verifyonly.exe" -lwintrust
# The empty program signed like the installer: what the signature check costs apart from
# hashing the file.
rm -f "$out/empty-signed.exe"
osslsigncode sign -certs "$build/signing/dev-cert.pem" -key "$build/signing/dev-key.pem" \
    -n "Kitbag bench" -in "$out/empty.exe" -out "$out/empty-signed.exe" >/dev/null

# The second payload: real binaries, which compress (bench/binary_payload.sh); the third: many
# small DLLs. Each is packed with kitbag-pack's defaults; the binaries also stored.
"$here/binary_payload.sh" $arch "$payload" "$binaries"
"$here/binary_payload.sh" $arch "$payload" "$small" small
pack() {
    "$pack" --payload "$1" --program $wizard --arch $arch --stub "$build/KitbagInstaller-stub.exe" \
        "${signing[@]}" -o "$out/$2.exe" "${@:3}" >/dev/null
}
pack "$payload" sample-kitbag
pack "$binaries" bin-kitbag
pack "$binaries" bin-kitbag-stored --store
pack "$small" small-kitbag

# NSIS: name, payload, makensis options.
nsis=(sample-nsis-stored "$payload" -DSTORED
    sample-nsis-zlib "$payload" ""
    sample-nsis-lzma-solid "$payload" "-DLZMA -DSOLID"
    bin-nsis-zlib "$binaries" ""
    bin-nsis-zlib-solid "$binaries" -DSOLID
    bin-nsis-lzma "$binaries" -DLZMA
    bin-nsis-lzma-solid "$binaries" "-DLZMA -DSOLID"
    small-nsis-zlib "$small" ""
    small-nsis-lzma-solid "$small" "-DLZMA -DSOLID")
for ((i = 0; i < ${#nsis[@]}; i += 3)); do
    read -r -a flags <<<"${nsis[i + 2]}"
    makensis -V1 "${flags[@]}" -DPAYLOAD="${nsis[i + 1]}" -DWIZARD=$wizard \
        -DOUTFILE="$out/${nsis[i]}.exe" "$here/installer.nsi"
done
makensis -V1 -DEMPTY -DPAYLOAD="$payload" -DWIZARD=$wizard -DOUTFILE="$out/nsis-nopayload.exe" \
    "$here/installer.nsi"

# Wine's drive Z: is the Linux root.
win() { printf 'Z:%s' "${1//\//\\}"; }
sizes=$out/sizes.txt
{
    echo "sample-payload-files $(du -cb "$payload"/* | tail -1 | cut -f1)"
    echo "kitbag $(stat -c %s "$build/KitbagInstaller.exe")"
    echo "kitbag-nopayload $(stat -c %s "$build/KitbagInstaller-stub.exe")"
    echo "nsis-nopayload $(stat -c %s "$out/nsis-nopayload.exe")"
    echo "bin-payload-files $(du -cb "$binaries"/* | tail -1 | cut -f1)"
    echo "small-payload-files $(du -cb "$small"/* | tail -1 | cut -f1)"
    for name in sample-kitbag bin-kitbag bin-kitbag-stored small-kitbag; do
        echo "$name $(stat -c %s "$out/$name.exe")"
    done
    for ((i = 0; i < ${#nsis[@]}; i += 3)); do
        echo "${nsis[i]} $(stat -c %s "$out/${nsis[i]}.exe")"
    done
} >"$sizes"

# The wizard shows no window and ends at once: what is timed is the installers' own work.
export KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_LINGER_MS=0 KITBAG_WIZARD_EXIT_CODE=0
unset KITBAG_WIZARD_RECORD KITBAG_WIZARD_DELAY_MS

# A warm wineserver and a desktop held open for the whole measurement.
wineserver -p
"$wine" notepad.exe >/dev/null 2>&1 &
holder=$!
trap 'kill $holder 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
sleep 2

copy_target='C:\kitbag-bench-copy'
echo "== $rounds rounds, each program in turn"
rows=(floor "\"$(win "$out/empty.exe")\""
    floor-gui "\"$(win "$out/empty-gui.exe")\""
    copy "\"$(win "$out/copytree.exe")\" \"$(win "$payload")\" $copy_target"
    verify-tiny "\"$(win "$out/verifyonly.exe")\" \"$(win "$out/empty-signed.exe")\""
    verify-only "\"$(win "$out/verifyonly.exe")\" \"$(win "$build/KitbagInstaller.exe")\""
    wizard "\"$(win "$payload/$wizard")\" /IAgreeToTheEULA BW_I=\"Roza\""
    kitbag "\"$(win "$build/KitbagInstaller.exe")\" /IAgreeToTheEULA"
    sample-verify-only "\"$(win "$out/verifyonly.exe")\" \"$(win "$out/sample-kitbag.exe")\""
    sample-kitbag "\"$(win "$out/sample-kitbag.exe")\" /IAgreeToTheEULA"
    bin-copy "\"$(win "$out/copytree.exe")\" \"$(win "$binaries")\" $copy_target"
    bin-verify-only "\"$(win "$out/verifyonly.exe")\" \"$(win "$out/bin-kitbag.exe")\""
    bin-kitbag "\"$(win "$out/bin-kitbag.exe")\" /IAgreeToTheEULA"
    bin-kitbag-1cpu "\"$(win "$out/bin-kitbag.exe")\" /IAgreeToTheEULA"
    bin-kitbag-stored "\"$(win "$out/bin-kitbag-stored.exe")\" /IAgreeToTheEULA"
    small-kitbag "\"$(win "$out/small-kitbag.exe")\" /IAgreeToTheEULA")
if [ $run_nsis = yes ]; then
    for ((i = 0; i < ${#nsis[@]}; i += 3)); do
        rows+=("${nsis[i]}" "\"$(win "$out/${nsis[i]}.exe")\"")
    done
fi
"$wine" "$out/benchtime.exe" "$rounds" 300 "${rows[@]}" | tr -d '\r' | tee "$out/times.txt"

python3 "$here/report.py" "$out/times.txt" "$sizes"
