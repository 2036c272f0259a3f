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
    for label in ("nsis-stored", "nsis-zlib", "nsis-lzma-solid"):
        if label in medians:
            print(f"  kitbag / {label}: {kitbag / medians[label]:.2f}")


def print_binaries(medians, sizes):
    """The payload of real binaries: sizes against the stored pack and NSIS zlib; start-to-exit
    with the signature check taken out, since NSIS makes none."""
    if "bin-kitbag-compressed" not in sizes:
        return
    compressed = sizes["bin-kitbag-compressed"]
    print()
    print(f"real binaries, {sizes['bin-payload-files']:,} bytes of files:")
    print(f"  {'installer':<22}{'bytes':>13}{'/ stored kitbag':>17}{'/ nsis zlib':>13}"
          f"{'median ms':>11}")
    for label in ("bin-kitbag-compressed", "bin-kitbag-stored", "bin-nsis-zlib",
                  "bin-nsis-zlib-solid", "bin-nsis-lzma", "bin-nsis-lzma-solid"):
        if label not in sizes:
            continue
        size = sizes[label]
        by_stored = f"{size / sizes['bin-kitbag-stored']:.3f}"
        by_zlib = f"{size / sizes['bin-nsis-zlib']:.3f}" if "bin-nsis-zlib" in sizes else "-"
        ms = f"{medians[label]:.1f}" if label in medians else "not run"
        print(f"  {label:<22}{size:>13,}{by_stored:>17}{by_zlib:>13}{ms:>11}")
    if "bin-nsis-zlib" in sizes:
        print(f"  compressed kitbag / nsis zlib, size: {compressed / sizes['bin-nsis-zlib']:.3f} "
              f"(goal: below 1)")
    needed = ("floor", "bin-verify-only", "bin-kitbag-compressed")
    if all(label in medians for label in needed):
        floor, verify, kitbag = (medians[label] for label in needed)
        net = kitbag - (verify - floor)
        print(f"  compressed kitbag without its signature check: {net:.1f} ms "
              f"(the check alone: {verify - floor:.1f} ms)")
        if "bin-nsis-zlib" in medians:
            print(f"  that / nsis zlib, start to exit: {net / medians['bin-nsis-zlib']:.2f} "
                  f"(goal: at most 1)")


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
    print_binaries(medians, sizes)
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
