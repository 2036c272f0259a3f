#!/usr/bin/env bash
# Makes a compressible payload of real Windows binaries: the sample product's files but its
# random install.bin, and Wine's own DLLs of the given architecture, stripped as a shipped
# product's would be, from a fixed list in its order until they come to 20 MiB.
# With "small": many small DLLs instead, every one of Wine's under 100 KB in name order until
# they come to 3 MiB, where the installer's own size weighs more.
# usage: bench/binary_payload.sh x86|x64 SAMPLE_FILES OUT_DIR [small]
set -euo pipefail
arch=${1:?usage: binary_payload.sh x86|x64 SAMPLE_FILES OUT_DIR}
sample=${2:?usage: binary_payload.sh x86|x64 SAMPLE_FILES OUT_DIR}
out=${3:?usage: binary_payload.sh x86|x64 SAMPLE_FILES OUT_DIR}
case $arch in
x86) wine_dlls=(/usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/wine/i386-windows)
     strip=i686-w64-mingw32-strip ;;
x64) wine_dlls=(/usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows)
     strip=x86_64-w64-mingw32-strip ;;
*) echo "binary_payload.sh: no architecture '$arch'" >&2; exit 2 ;;
esac
from=""
for dir in "${wine_dlls[@]}"; do
    [ -f "$dir/kernel32.dll" ] && { from=$dir; break; }
done
[ -n "$from" ] || { echo "binary_payload.sh: no $arch Wine DLLs in ${wine_dlls[*]}" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
for file in "$sample"/*; do
    [ "$(basename "$file")" = install.bin ] || cp "$file" "$out/"
done
if [ "${4:-}" = small ]; then
    limit=$((3 * 1024 * 1024))
    total=0
    for dll in "$from"/*.dll; do
        [ "$(stat -c %s "$dll")" -lt 409600 ] || continue
        "$strip" -o "$out/$(basename "$dll")" "$dll"
        size=$(stat -c %s "$out/$(basename "$dll")")
        if [ "$size" -ge 102400 ]; then
            rm "$out/$(basename "$dll")"
            continue
        fi
        total=$((total + size))
        [ $total -lt $limit ] || break
    done
    exit 0
fi
limit=$((20 * 1024 * 1024))
total=0
for name in shell32 msxml3 comctl32 user32 gdi32 kernelbase ntdll ole32 oleaut32 rpcrt4 crypt32 \
    msvcrt ucrtbase wininet urlmon msi setupapi dwrite gdiplus jscript vbscript windowscodecs \
    combase ws2_32 advapi32 d3d11 dbghelp; do
    [ -f "$from/$name.dll" ] || continue
    "$strip" -o "$out/$name.dll" "$from/$name.dll"
    total=$((total + $(stat -c %s "$out/$name.dll")))
    [ $total -lt $limit ] || break
done
