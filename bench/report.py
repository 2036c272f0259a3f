#!/usr/bin/env python3
"""Prints the medians, ratios and sizes of a benchmark run.

    report.py TIMES SIZES

TIMES: lines "<label> <round> <milliseconds> <exit code>" from benchtime.exe.
SIZES: lines "<label> <bytes>".
Fails when any timed program ended with another code than 0.
"""

import statistics
import sys


def main(times_path, sizes_path):
    runs = {}
    bad = []
    for line in open(times_path):
        parts = line.split()
        if len(parts) != 4:
            continue
        label, _, ms, code = parts
        if ms == "failed-to-start" or code != "0":
            bad.append(line.strip())
            continue
        runs.setdefault(label, []).append(float(ms))
    if not runs:
        print("no timings")
        return 1

    medians = {label: statistics.median(values) for label, values in runs.items()}
    floor = medians.get("floor", 0.0)
    kitbag = medians.get("kitbag")
    print()
    print(f"{'program':<14}{'runs':>5}{'median ms':>11}{'min':>9}{'max':>9}"
          f"{'above floor':>13}{'kitbag / this':>15}")
    for label, values in runs.items():
        median = medians[label]
        ratio = f"{kitbag / median:.2f}" if kitbag is not None and median > 0 else "-"
        print(f"{label:<14}{len(values):>5}{median:>11.1f}{min(values):>9.1f}{max(values):>9.1f}"
              f"{median - floor:>13.1f}{ratio:>15}")
    if kitbag is not None and "floor" in medians:
        print()
        for label in medians:
            if label in ("floor", "kitbag"):
                continue
            above = medians[label] - floor
            if above > 0:
                print(f"above the floor, kitbag takes {(kitbag - floor) / above:.2f} x the time "
                      f"of {label}")

    print()
    sizes = dict(line.split() for line in open(sizes_path) if line.strip())
    for label, size in sizes.items():
        print(f"{label:<24}{int(size):>12,} bytes")
    if bad:
        print("\nruns that did not end with 0:")
        print("\n".join(bad))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
