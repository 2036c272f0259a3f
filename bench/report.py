#!/usr/bin/env python3
"""Prints the medians, ratios and sizes of a benchmark run.

    report.py TIMES SIZES

TIMES: lines "<label> <round> <milliseconds> <exit code>" from benchtime.exe.
SIZES: lines "<label> <bytes>".
Fails when any timed program ended with another code than 0.
"""

import statistics
import sys


def read_times(path):
    runs, bad = {}, []
    for line in open(path):
        parts = line.split()
        if len(parts) != 4:
            continue
        label, _, ms, code = parts
        if ms == "failed-to-start" or code != "0":
            bad.append(line.strip())
            continue
        runs.setdefault(label, []).append(float(ms))
    return runs, bad


def print_table(runs, medians):
    floor = medians.get("floor", 0.0)
    print()
    print(f"{'program':<22}{'runs':>5}{'median ms':>11}{'min':>9}{'max':>9}{'above floor':>13}")
    for label, values in runs.items():
        print(f"{label:<22}{len(values):>5}{medians[label]:>11.1f}{min(values):>9.1f}"
              f"{max(values):>9.1f}{medians[label] - floor:>13.1f}")


def print_overhead(medians):
    """Kitbag's time over the work it cannot avoid: starting, checking its signature, writing
    the payload and running the wizard. verify-only is a program start plus the check, copy
    another start plus the files, wizard the wizard's own start and run."""
    needed = ("floor", "copy", "verify-only", "wizard", "kitbag")
    if not all(label in medians for label in needed):
        return
    floor, copy, verify, wizard, kitbag = (medians[label] for label in needed)
    without_wizard = verify + copy - floor
    unavoidable = without_wizard + wizard
    print()
    print(f"sample payload: kitbag {kitbag:.1f} ms; start + signature check + copy of the files "
          f"{without_wizard:.1f} ms, and the wizard's run {wizard:.1f} ms")
    print(f"  overhead ratio kitbag / (start + check + copy + wizard): {kitbag / unavoidable:.2f} "
          f"(goal: at most 1.10); kitbag's own time: {kitbag - unavoidable:.1f} ms")
    print(f"  the same without the wizard's run: {kitbag / without_wizard:.2f}")
    if "floor-gui" in medians:
        gui_start = medians["floor-gui"] - floor
        print(f"  a windowed program starts {gui_start:.1f} ms slower than the floor; with that "
              f"start: {kitbag / (unavoidable + gui_start):.2f}")
    for label in ("sample-nsis-stored", "sample-nsis-zlib", "sample-nsis-lzma-solid"):
        if label in medians:
            print(f"  kitbag / {label}: {kitbag / medians[label]:.2f}")


def ratio(a, b):
    return f"{a / b:.3f}" if b else "-"


def print_product(title, prefix, medians, sizes):
    """One product packed by kitbag-pack and by NSIS: each installer's size against NSIS LZMA
    solid and NSIS zlib, and its start-to-exit; kitbag's also without its signature check (the
    verify-only row of the same file, less the floor), which NSIS does not make."""
    kitbag = f"{prefix}kitbag"
    lzma, zlib = f"{prefix}nsis-lzma-solid", f"{prefix}nsis-zlib"
    if kitbag not in sizes:
        return
    print()
    print(f"{title}, {sizes[prefix + 'payload-files']:,} bytes of files:")
    print(f"  {'installer':<24}{'bytes':>13}{'/ nsis lzma solid':>19}{'/ nsis zlib':>13}"
          f"{'median ms':>11}")
    labels = [label for label in sizes if label.startswith(prefix) and
              not label.endswith("payload-files")]
    for label in labels:
        ms = f"{medians[label]:.1f}" if label in medians else "not run"
        print(f"  {label:<24}{sizes[label]:>13,}{ratio(sizes[label], sizes.get(lzma, 0)):>19}"
              f"{ratio(sizes[label], sizes.get(zlib, 0)):>13}{ms:>11}")
    if lzma in sizes:
        print(f"  kitbag / nsis lzma solid, size: {sizes[kitbag] / sizes[lzma]:.3f} "
              f"(goal: at most 1; aim: 0.9)")
    verify = f"{prefix}verify-only"
    if kitbag not in medians:
        return
    net = None
    if verify in medians and "floor" in medians:
        net = medians[kitbag] - (medians[verify] - medians["floor"])
        print(f"  kitbag without its signature check: {net:.1f} ms (the check alone: "
              f"{medians[verify] - medians['floor']:.1f} ms)")
    for peer in (zlib, lzma):
        if peer in medians:
            line = f"  kitbag / {peer}, start to exit: {medians[kitbag] / medians[peer]:.2f}"
            if net is not None:
                line += f"; without the signature check: {net / medians[peer]:.2f}"
            print(line + (" (goal: at most 1)" if peer == zlib and net is not None else ""))
    if f"{kitbag}-1cpu" in medians:
        print(f"  kitbag on one core {medians[kitbag + '-1cpu']:.1f} ms, on all "
              f"{medians[kitbag]:.1f} ms: {medians[kitbag + '-1cpu'] / medians[kitbag]:.2f}")


def main(times_path, sizes_path):
    runs, bad = read_times(times_path)
    if not runs:
        print("no timings")
        return 1
    medians = {label: statistics.median(values) for label, values in runs.items()}
    sizes = {label: int(size) for label, size in
             (line.split() for line in open(sizes_path) if line.strip())}
    print_table(runs, medians)
    print_overhead(medians)
    print_product("the sample, packed with kitbag-pack's defaults", "sample-", medians, sizes)
    print_product("real binaries", "bin-", medians, sizes)
    print_product("many small DLLs", "small-", medians, sizes)
    print()
    for label, size in sizes.items():
        print(f"{label:<24}{size:>12,} bytes")
    if bad:
        print("\nruns that did not end with 0:")
        print("\n".join(bad))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
